#include "MainComponent.h"
#include "PlatformFiles.h"
#include "SharedSettings.h"
#include "SystemFolders.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
struct Folder
{
    Folder() { settings.createDirectory(); }
    ~Folder() { root.deleteRecursively (false); }

    juce::File root = juce::File::createTempFile ("qf_settings");
    juce::File settings = root.getChildFile ("Quillfen");
    juce::File file = settings.getChildFile ("RackhandSettings.txt");
};

std::array<juce::File, 3> machineDefaults() { return SystemFolders::forThisMachine().defaultInstallFolders; }

// A path written with "/" as the system writes it: on Windows on drive C: with backslashes.
juce::String native (const juce::String& path)
{
#if JUCE_WINDOWS
    return "C:" + path.replaceCharacter ('/', '\\');
#else
    return path;
#endif
}

juce::String fileText (const juce::File& f)
{
    juce::MemoryBlock bytes;
    f.loadFileAsData (bytes);
    return bytes.toString();
}

// Windows refuses control characters and <>:"|?* in names; such a folder cannot be created.
bool nameAllowedHere (const juce::String& relativePath)
{
#if JUCE_WINDOWS
    for (auto p = relativePath.getCharPointer(); ! p.isEmpty(); ++p)
        if (*p < 32 || juce::String ("<>:\"|?*").containsChar (*p))
            return false;
#endif
    juce::ignoreUnused (relativePath);
    return true;
}

const juce::String declaration ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n");
const juce::String indent (juce::String::repeatedString (" ", 18));
} // namespace

// The Windows layout, with its longer default paths, is checked in the real C:\ProgramData by
// WindowsTests.cpp.
#if ! JUCE_WINDOWS
TEST (SettingsFileWriting, WritesTheFixedLayoutByteForByte)
{
    Folder folder;
    auto folders = machineDefaults();
    SharedSettings::settle (folder.settings, folders);

    const auto expected = declaration + "<Rackhand_Settings Important_Note:=\"" + SharedSettings::importantNote + "\"\r\n"
                          + indent + " CLAP_Path=\"/usr/lib/clap\" VST3_Path=\"/usr/lib/vst3\" AAX_Path=\"/usr/lib/aax\"/>\r\n";
    EXPECT_EQ (fileText (folder.file), expected);
    EXPECT_EQ (folders, machineDefaults()) << "writing keeps the folders in use";

    // Writing names the install folders but creates none of them.
    Folder other;
    const std::array<juce::File, 3> missing { other.root.getChildFile ("v/VST3"), other.root.getChildFile ("c/CLAP"), other.root.getChildFile ("a/AAX") };
    auto inUse = missing;
    SharedSettings::settle (other.settings, inUse);
    ASSERT_TRUE (other.file.existsAsFile());

    for (const auto& f : missing)
        EXPECT_FALSE (f.getParentDirectory().exists()) << f.getFullPathName();
}
#endif

TEST (SettingsFileWriting, WrapsLongPathsAndEscapesQuotesAmpersandsAndNonAscii)
{
    Folder folder;
    const auto clap = native ("/Program Files/Common Files/CLAP \"Q\" & <B>");
    const auto vst3 = native (juce::CharPointer_UTF8 ("/Program Files/Common Files/V\xc3\xbcST3"));
    std::array<juce::File, 3> folders { juce::File (vst3), juce::File (clap), juce::File (native ("/Program Files/Common Files/Avid/Audio/Plug-Ins")) };
    SharedSettings::settle (folder.settings, folders);

    const auto expected = declaration + "<Rackhand_Settings Important_Note:=\"" + SharedSettings::importantNote + "\"\r\n"
                          + indent + " CLAP_Path=\"" + native ("/Program Files/Common Files/CLAP &quot;Q&quot; &amp; &lt;B&gt;") + "\"\r\n"
                          + indent + " VST3_Path=\"" + native ("/Program Files/Common Files/V&#252;ST3") + "\" AAX_Path=\""
                          + native ("/Program Files/Common Files/Avid/Audio/Plug-Ins") + "\"/>\r\n";
    EXPECT_EQ (fileText (folder.file), expected);
}

TEST (SettingsFileWriting, NothingIsWrittenWithoutTheMakersFolder)
{
    Folder folder;
    folder.settings.deleteRecursively (false);
    auto folders = machineDefaults();
    SharedSettings::settle (folder.settings, folders);

    EXPECT_FALSE (folder.settings.exists());
    EXPECT_EQ (folders, machineDefaults());
}

TEST (SettingsFileReading, TakesTheThreePathsWhateverTheRootOrderOrExtras)
{
    Folder folder;
    const auto v = folder.root.getChildFile ("v"), c = folder.root.getChildFile ("c/deep/er"), a = folder.root.getChildFile ("a");
    v.createDirectory();
    a.createDirectory();

    folder.file.replaceWithText ("<Other AAX_Path=\"" + a.getFullPathName() + "\" extra=\"1\" VST3_Path=\"" + v.getFullPathName()
                                 + "\" CLAP_Path=\"" + c.getFullPathName() + "\"><child/></Other>");
    const auto before = fileText (folder.file);

    auto folders = machineDefaults();
    SharedSettings::settle (folder.settings, folders);

    EXPECT_EQ (folders[0], v);
    EXPECT_EQ (folders[1], c);
    EXPECT_EQ (folders[2], a);
    EXPECT_TRUE (c.isDirectory()) << "a missing folder is created with its parents";
    EXPECT_EQ (fileText (folder.file), before) << "reading never rewrites";
}

TEST (SettingsFileReading, MissingOrWrongCaseAttributesGiveAnEmptyFolderAndNoRepair)
{
    Folder folder;
    const auto v = folder.root.getChildFile ("v");
    folder.file.replaceWithText ("<Rackhand_Settings vst3_path=\"" + v.getFullPathName() + "\" CLAP_Path=\"\" />");
    const auto before = fileText (folder.file);

    auto folders = machineDefaults();
    SharedSettings::settle (folder.settings, folders);

    for (const auto& f : folders)
        EXPECT_EQ (f, juce::File()) << "not the default";

    EXPECT_FALSE (v.exists());
    EXPECT_EQ (fileText (folder.file), before);
}

TEST (SettingsFileReading, AFileAtAPathIsLeftAloneAndRelativeValuesAreNotPlaces)
{
    Folder folder;
    const auto plain = folder.root.getChildFile ("a-file");
    plain.replaceWithText ("data");
    folder.file.replaceWithText ("<R VST3_Path=\"" + plain.getFullPathName() + "\" CLAP_Path=\"relative/clap\" AAX_Path=\"x\"/>");

    const auto cwd = juce::File::getCurrentWorkingDirectory();
    folder.root.setAsCurrentWorkingDirectory();
    auto folders = machineDefaults();
    SharedSettings::settle (folder.settings, folders);
    cwd.setAsCurrentWorkingDirectory();

    EXPECT_EQ (folders[0], plain);
    EXPECT_EQ (plain.loadFileAsString(), "data");
    EXPECT_EQ (folders[1], juce::File());
    EXPECT_FALSE (folder.root.getChildFile ("relative").exists()) << "nothing created relative to the current folder";
}

TEST (SettingsFileReading, APathIsAPlaceOnlyIfItNamesTheSameFolderFromAnyCurrentFolder)
{
    struct Case
    {
        const char* value;
        bool onWindows, onLinux;
    };

    const Case cases[] = {
        { "C:\\Program Files\\Common Files\\VST3", true, false },
        { "C:/Program Files/Common Files/VST3", true, false },
        { "c:\\", true, false },
        { "//server/share/VST3", true, true },
        { "\\\\server\\share", true, false },
        { "\\\\server", false, false },
        { "\\\\server\\", false, false },
        { "C:plugins", false, false },
        { "C:", false, false },
        { "\\Plugins", false, false },
        { "/usr/lib/vst3", false, true },
        { "~/vst3", false, true },
        { "relative/clap", false, false },
        { " C:\\x", false, false },
        { "1:\\x", false, false },
        { "", false, false },
    };

    for (const auto& c : cases)
#if JUCE_WINDOWS
        EXPECT_EQ (PlatformFiles::namesFixedPlace (c.value), c.onWindows) << c.value;
#else
        EXPECT_EQ (PlatformFiles::namesFixedPlace (c.value), c.onLinux) << c.value;
#endif
}

TEST (SettingsFileReading, ForwardSlashPathsAreUsedAndDriveRelativeOrRootedOnesCreateNothing)
{
    Folder folder;
    const auto vst3 = folder.root.getChildFile (juce::CharPointer_UTF8 ("Plug-Ins f\xc3\xbcr T\xc3\xabst/VST3"));
    const auto rooted = "\\qf-rooted-" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt());
    folder.file.replaceWithText ("<Rackhand_Settings VST3_Path=\"" + vst3.getFullPathName().replaceCharacter ('\\', '/')
                                 + "\" CLAP_Path=\"C:plugins\" AAX_Path=\"" + rooted + "\"/>");

    const auto cwd = juce::File::getCurrentWorkingDirectory();
    folder.root.setAsCurrentWorkingDirectory();
    auto folders = machineDefaults();
    SharedSettings::settle (folder.settings, folders);
    cwd.setAsCurrentWorkingDirectory();

    EXPECT_EQ (folders[0], vst3);
    EXPECT_TRUE (vst3.isDirectory());
    EXPECT_EQ (folders[1], juce::File()) << "drive-relative";
    EXPECT_EQ (folders[2], juce::File()) << "rooted without a drive";

    const auto created = folder.root.findChildFiles (juce::File::findFilesAndDirectories, false);
    EXPECT_EQ (created.size(), 2) << "only the settings folder and the VST3 path's parent, nothing in the current folder";
#if JUCE_WINDOWS
    EXPECT_FALSE (juce::File ("C:" + rooted).exists()) << "nothing at the root of the current drive";
#endif
}

TEST (SettingsFileReading, BrokenFilesKeepTheDefaultsAndStayUntouched)
{
    juce::Random random (7);
    juce::MemoryBlock huge (3 * 1024 * 1024);
    random.fillBitsRandomly (huge.getData(), huge.getSize());

    juce::MemoryBlock binary (4096);
    random.fillBitsRandomly (binary.getData(), binary.getSize());

    const juce::MemoryBlock cases[] = { juce::MemoryBlock(), binary, huge, juce::MemoryBlock ("<Rackhand_Settings VST3_Path=\"/x", 31), juce::MemoryBlock ("not xml at all", 14) };

    for (const auto& bytes : cases)
    {
        Folder folder;
        // replaceWithData() deletes the file for no bytes, so an empty file is made directly.
        if (bytes.isEmpty())
            folder.file.create();
        else
            folder.file.replaceWithData (bytes.getData(), bytes.getSize());
        auto folders = machineDefaults();
        SharedSettings::settle (folder.settings, folders);

        EXPECT_EQ (folders, machineDefaults()) << bytes.getSize();
        juce::MemoryBlock after;
        folder.file.loadFileAsData (after);
        EXPECT_EQ (after, bytes);
    }
}

// Thousands of mutated settings files: settling never crashes, never rewrites the file, and every
// folder it ends with is empty, the default, or a place inside the test's own root that now
// exists. The paths' leading part (the test root) is never mutated, so no mutation can point
// the reader at a real folder of the machine, which it would create.
TEST (SettingsFileFuzz, MutatedFilesNeverEscapeTheirFoldersNorGetRewritten)
{
    Folder folder;
    const auto sandbox = folder.root.getChildFile ("fuzz");
    const std::array<juce::File, 3> defaults { sandbox.getChildFile ("vst3"), sandbox.getChildFile ("clap"), sandbox.getChildFile ("aax") };
    auto seedFolders = defaults;
    SharedSettings::settle (folder.settings, seedFolders);
    juce::MemoryBlock seed;
    folder.file.loadFileAsData (seed);

    const auto prefix = juce::File::addTrailingSeparator (sandbox.getFullPathName());
    const auto prefixBytes = (int) prefix.getNumBytesAsUTF8();

    // True when [start, start + length) touches one of the protected path prefixes.
    const auto touchesPrefix = [&] (const juce::MemoryBlock& bytes, int start, int length)
    {
        const auto text = bytes.toString();
        for (int at = text.indexOf (prefix); at >= 0; at = text.indexOf (at + 1, prefix))
            if (start < at + prefixBytes && at < start + juce::jmax (1, length))
                return true;
        return false;
    };

    juce::Random random (1234);
    int readBack = 0;

    for (int round = 0; round < 3000; ++round)
    {
        juce::MemoryBlock bytes (seed);
        const auto mutations = 1 + random.nextInt (8);

        for (int m = 0; m < mutations && ! bytes.isEmpty(); ++m)
        {
            const auto size = (int) bytes.getSize();
            const auto at = random.nextInt (size);
            const auto kind = random.nextInt (4);
            const auto length = kind == 1 ? random.nextInt (16) : 1;

            if (kind != 3 && touchesPrefix (bytes, at, length))
                continue;

            switch (kind)
            {
                case 0:
                    static_cast<char*> (bytes.getData())[at] = (char) random.nextInt (256);
                    break;
                case 1:
                    bytes.removeSection ((size_t) at, (size_t) length);
                    break;
                case 2:
                    bytes.insert ("\"<>&=/", (size_t) (1 + random.nextInt (5)), (size_t) at);
                    break;
                default:
                    bytes.setSize ((size_t) random.nextInt (size + 1));
                    break;
            }
        }

        sandbox.deleteRecursively (false);
        folder.file.deleteFile();

        // replaceWithData() deletes the file for no bytes, and a missing file would be written.
        if (bytes.isEmpty())
            folder.file.create();
        else
            folder.file.replaceWithData (bytes.getData(), bytes.getSize());

        auto folders = defaults;
        SharedSettings::settle (folder.settings, folders);

        juce::MemoryBlock after;
        folder.file.loadFileAsData (after);
        ASSERT_EQ (after, bytes) << "round " << round << ": reading rewrote the file";

        // A file that did not parse leaves the defaults, uncreated; one that did gives folders
        // that are empty or were created where the file says, always inside the sandbox.
        if (folders == defaults && ! sandbox.exists())
            continue;

        ++readBack;

        for (const auto& f : folders)
        {
            if (f == juce::File())
                continue;

            ASSERT_TRUE (f == sandbox || f.getFullPathName().startsWith (prefix)) << f.getFullPathName();
            if (nameAllowedHere (f.getRelativePathFrom (sandbox)))
            {
                EXPECT_TRUE (f.isDirectory()) << "round " << round << ": " << f.getFullPathName() << " was not created";
            }
        }
    }

    EXPECT_GT (readBack, 100) << "too few mutated files were read at all to tell anything";
}

TEST (SettingsAtStartUp, TheMainComponentReadsOrWritesTheSharedFile)
{
    {
        TestSupport::ScopedMachine machine (false);
        MainComponent main;
        EXPECT_FALSE (machine.settingsFolder().exists()) << "no maker's folder: nothing written";
        EXPECT_EQ (main.getInstallFolder (1), machine.installFolder (1));
    }
    {
        TestSupport::ScopedMachine machine (true);
        MainComponent main;
        EXPECT_TRUE (machine.settingsFile().existsAsFile());
        EXPECT_TRUE (machine.settingsFile().loadFileAsString().contains ("CLAP_Path=\"" + machine.installFolder (1).getFullPathName() + "\""));
        EXPECT_EQ (main.getSettingsFolder(), machine.settingsFolder());
    }
    {
        TestSupport::ScopedMachine machine (true);
        const auto clap = machine.root.getChildFile ("Elsewhere/CLAP");
        clap.getChildFile ("Halcyra 2.clap").create();
        machine.settingsFile().replaceWithText ("<Rackhand_Settings CLAP_Path=\"" + clap.getFullPathName() + "\"/>");

        MainComponent main;
        EXPECT_EQ (main.getInstallFolder (1), clap);
        EXPECT_TRUE (main.isSelected (1)) << "installed there, so ticked";
        EXPECT_EQ (main.getInstallFolder (0), juce::File());
    }
}
