#include "WindowsTestHelpers.h"

#include "TestSupport.h"

#if JUCE_WINDOWS

#include <windows.h>

#include <cwchar>
#include <iostream>
#include <vector>

namespace WindowsTestHelpers
{
namespace
{
    bool waitFor (const juce::File& marker, int milliseconds)
    {
        for (const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;
             juce::Time::getMillisecondCounter() < end;)
        {
            if (marker.existsAsFile())
                return true;

            juce::Thread::sleep (5);
        }

        return marker.existsAsFile();
    }
} // namespace

FileHolder::FileHolder (const juce::File& file, int holdForMs, Hold how)
{
    // The markers live in the temporary folder, away from the folder under test.
    const auto base = juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getNonexistentChildFile ("qf_holder", "", false)
                          .getFullPathName();
    heldMarker = juce::File (base + ".held");
    releaseMarker = juce::File (base + ".release");
    letGoMarker = juce::File (base + ".let-go");

    const auto self = juce::File::getSpecialLocation (juce::File::currentExecutableFile);

    if (process.start (juce::StringArray { self.getFullPathName(), how == Hold::loaded ? holdLoadedOption : holdOpenOption, file.getFullPathName(), base, juce::String (holdForMs) }, 0))
        waitFor (heldMarker, 30000);
}

FileHolder::~FileHolder()
{
    releaseMarker.replaceWithText ("release");

    if (process.isRunning() && ! process.waitForProcessToFinish (30000))
        process.kill();

    for (const auto& marker : { heldMarker, releaseMarker, letGoMarker })
        marker.deleteFile();
}

namespace
{
    using UnixFileName = char*(CDECL*) (LPCWSTR);

    UnixFileName wineUnixFileName()
    {
        return reinterpret_cast<UnixFileName> (reinterpret_cast<void*> (GetProcAddress (GetModuleHandleW (L"kernel32.dll"), "wine_get_unix_file_name")));
    }

    juce::String unixPath (const juce::File& f)
    {
        auto* name = wineUnixFileName() (f.getFullPathName().toWideCharPointer());
        const auto path = juce::String::fromUTF8 (name != nullptr ? name : "");
        HeapFree (GetProcessHeap(), 0, name);
        return path;
    }

    // Wine starts a host program, but its handle cannot be waited on: a marker tells when it is done.
    bool runOnHost (const juce::String& script)
    {
        if (wineUnixFileName() == nullptr)
            return false;

        const auto marker = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("qf_host", ".done", false);
        const auto command = "/bin/sh -c \"" + script + " && touch '" + unixPath (marker) + "'\"";

        // CreateProcessW may write into the command line, so it gets a copy of its own.
        std::vector<wchar_t> commandLine (command.toWideCharPointer(), command.toWideCharPointer() + wcslen (command.toWideCharPointer()) + 1);
        STARTUPINFOW startup {};
        startup.cb = sizeof (startup);
        PROCESS_INFORMATION process {};

        if (! CreateProcessW (nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return false;

        CloseHandle (process.hThread);
        CloseHandle (process.hProcess);

        const bool done = waitFor (marker, 10000);
        marker.deleteFile();
        return done;
    }
} // namespace

juce::MemoryBlock archiveWithLoadableBinary (int formatIndex, const juce::String& trailer)
{
    juce::MemoryBlock binary;

    if (! juce::File (QF_TEST_LOADABLE_DLL).loadFileAsData (binary))
        return {};

    // Bytes after a PE image's last section are never mapped, so the DLL still loads.
    binary.append (trailer.toRawUTF8(), trailer.getNumBytesAsUTF8());

    const juce::File folder ("C:\\folder");
    const auto item = folder.getChildFile (TestSupport::screen()["formats"][formatIndex]["item"].toString());
    const auto entryName = [&] (const juce::File& f)
    { return f.getRelativePathFrom (folder).replaceCharacter ('/', '\\'); };

    juce::ZipFile::Builder builder;
    builder.addEntry (new juce::MemoryInputStream (binary, true), 9, entryName (TestSupport::binaryIn (folder, formatIndex)), juce::Time::getCurrentTime());

    if (item != TestSupport::binaryIn (folder, formatIndex))
        builder.addEntry (new juce::MemoryInputStream (trailer.toRawUTF8(), trailer.getNumBytesAsUTF8(), true), 9, entryName (item.getChildFile ("desktop.ini")), juce::Time::getCurrentTime());

    juce::MemoryOutputStream out;
    builder.writeToStream (out, nullptr);
    return out.getMemoryBlock();
}

bool makeHostLink (const juce::File& link, const juce::File& target)
{
    return wineUnixFileName() != nullptr && runOnHost ("ln -s '" + unixPath (target) + "' '" + unixPath (link) + "'");
}

bool removeOnHost (const juce::File& folder)
{
    // Only ever a test's own folder under the temporary folder.
    if (wineUnixFileName() == nullptr || ! folder.isAChildOf (juce::File::getSpecialLocation (juce::File::tempDirectory)))
        return false;

    const auto path = unixPath (folder);
    return path.startsWith ("/") && ! path.containsChar ('\'') && runOnHost ("rm -rf '" + path + "'");
}

int runHolder (int argc, char** argv)
{
    if (argc != 5 && argc != 6)
    {
        std::cerr << "usage: " << argv[0] << " " << argv[1] << " FILE MARKERS MS [--after-go]\n";
        return 1;
    }

    const bool load = juce::String (argv[1]) == holdLoadedOption;

    const juce::File file (juce::String::fromUTF8 (argv[2]));
    const auto markers = juce::String::fromUTF8 (argv[3]);
    const auto holdForMs = juce::String (argv[4]).getIntValue();

    if (argc == 6)
    {
        juce::File (markers + ".ready").replaceWithText ("ready");

        if (! waitFor (juce::File (markers + ".go"), 120000))
            return 4;
    }

    HANDLE handle = INVALID_HANDLE_VALUE;
    HMODULE module = nullptr;

    if (load)
        module = LoadLibraryW (file.getFullPathName().toWideCharPointer());
    else
        handle = CreateFileW (file.getFullPathName().toWideCharPointer(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);

    if (load ? module == nullptr : handle == INVALID_HANDLE_VALUE)
        return 2;

    juce::File (markers + ".held").replaceWithText ("held");
    const bool released = holdForMs >= 0 ? (juce::Thread::sleep (holdForMs), true) : waitFor (juce::File (markers + ".release"), 120000);

    if (load)
        FreeLibrary (module);
    else
        CloseHandle (handle);

    juce::File (markers + ".let-go").replaceWithText ("let go");
    return released ? 0 : 3;
}
} // namespace WindowsTestHelpers

#endif
