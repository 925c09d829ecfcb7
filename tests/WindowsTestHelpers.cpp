#include "WindowsTestHelpers.h"

#if JUCE_WINDOWS

#include <windows.h>

namespace WindowsTestHelpers
{
namespace
{
    const char* const holdOption = "--qf-hold-open";

    bool waitFor (const juce::File& marker, int milliseconds)
    {
        for (const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;
             juce::Time::getMillisecondCounter() < end;)
        {
            if (marker.existsAsFile())
                return true;

            juce::Thread::sleep (20);
        }

        return marker.existsAsFile();
    }
} // namespace

FileHolder::FileHolder (const juce::File& file)
{
    // The markers live in the temporary folder, away from the folder under test.
    const auto base = juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getNonexistentChildFile ("qf_holder", "", false)
                          .getFullPathName();
    heldMarker = juce::File (base + ".held");
    releaseMarker = juce::File (base + ".release");

    const auto self = juce::File::getSpecialLocation (juce::File::currentExecutableFile);

    if (process.start (juce::StringArray { self.getFullPathName(), holdOption, file.getFullPathName(), heldMarker.getFullPathName(), releaseMarker.getFullPathName() },
                       0))
        waitFor (heldMarker, 30000);
}

FileHolder::~FileHolder()
{
    releaseMarker.replaceWithText ("release");

    if (process.isRunning() && ! process.waitForProcessToFinish (30000))
        process.kill();

    heldMarker.deleteFile();
    releaseMarker.deleteFile();
}

int runHolderIfAsked (int argc, char** argv)
{
    if (argc != 5 || juce::String (argv[1]) != holdOption)
        return -1;

    const juce::File file (juce::String::fromUTF8 (argv[2]));
    const juce::File held (juce::String::fromUTF8 (argv[3]));
    const juce::File release (juce::String::fromUTF8 (argv[4]));

    auto handle = CreateFileW (file.getFullPathName().toWideCharPointer(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);

    if (handle == INVALID_HANDLE_VALUE)
        return 2;

    held.replaceWithText ("held");
    const bool released = waitFor (release, 120000);
    CloseHandle (handle);
    return released ? 0 : 3;
}
} // namespace WindowsTestHelpers

#endif
