#include "InstalledState.h"
#include "MainComponent.h"
#include "PlatformFiles.h"
#include "ScopedTestDisplay.h"
#include "SharedSettings.h"
#include "SystemFolders.h"
#include "TestSupport.h"
#include "panel_success.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace
{
using Folders = Product::PerFormat<juce::File>;

#if JUCE_WINDOWS
constexpr bool onWindows = true;
#else
constexpr bool onWindows = false;
#endif

/** A settings folder of its own, with no settings file yet. */
struct Folder : TestSupport::TempFolder
{
    Folder() { settings.createDirectory(); }

    juce::File settings = root.getChildFile ("Quillfen");
    juce::File file = SharedSettings::settingsFileIn (settings);
};

Folders machineDefaults() { return SystemFolders::forThisMachine().defaultInstallFolders; }

// What settling the folder turns the given install folders into. The test's root is the current
// folder meanwhile, so anything resolved against the current folder lands there and shows.
Folders settled (const Folder& folder, Folders installFolders = machineDefaults())
{
    const auto cwd = juce::File::getCurrentWorkingDirectory();
    folder.root.setAsCurrentWorkingDirectory();
    SharedSettings::settle (folder.settings, installFolders);
    cwd.setAsCurrentWorkingDirectory();
    return installFolders;
}

juce::MemoryBlock bytesOf (const juce::File& f)
{
    juce::MemoryBlock bytes;
    f.loadFileAsData (bytes);
    return bytes;
}

void writeBytes (const juce::File& f, const juce::MemoryBlock& bytes)
{
    // replaceWithData() deletes the file for no bytes, and a missing file would be written.
    if (bytes.isEmpty())
        f.create();
    else
        f.replaceWithData (bytes.getData(), bytes.getSize());
}

// The settings file exactly as the program writes it with this system's default folders: the
// one layout all of the maker's installers share.
juce::MemoryBlock goldenSettings()
{
    return bytesOf (juce::File (QF_TEST_SOURCE_DIR).getChildFile (onWindows ? "golden/RackhandSettings-windows.txt" : "golden/RackhandSettings-linux.txt"));
}

// A path written with "/" as the system writes it: on Windows on drive C: with backslashes.
juce::String native (const juce::String& path)
{
#if JUCE_WINDOWS
    return "C:" + path.replaceCharacter ('/', '\\');
#else
    return path;
#endif
}

// Windows refuses control characters and <>:"|?* in names, and bytes that are no UTF-8 never reach
// any system as they stand: a folder of such a name cannot be created as named.
bool nameAllowedHere (const juce::String& relativePath)
{
    const auto* utf8 = relativePath.toRawUTF8();

    if (! juce::CharPointer_UTF8::isValidString (utf8, (int) std::strlen (utf8)))
        return false;

#if JUCE_WINDOWS
    for (auto p = relativePath.getCharPointer(); ! p.isEmpty(); ++p)
        if (*p < 32 || juce::String ("<>:\"|?*").containsChar (*p))
            return false;
#endif
    return true;
}
} // namespace

TEST (SettingsFileWriting, WritesTheFixedLayoutByteForByte)
{
    Folder folder;
    const auto golden = goldenSettings();
    ASSERT_FALSE (golden.isEmpty());
    EXPECT_EQ (settled (folder), machineDefaults()) << "writing keeps the folders in use";
    EXPECT_EQ (bytesOf (folder.file), golden);

    // Writing names the install folders but creates none of them.
    Folder other;
    const Folders missing { other.root.getChildFile ("v/VST3"), other.root.getChildFile ("c/CLAP"), other.root.getChildFile ("a/AAX") };
    settled (other, missing);
    ASSERT_TRUE (other.file.existsAsFile());

    for (const auto& f : missing)
        EXPECT_FALSE (f.getParentDirectory().exists()) << f.getFullPathName();
}

TEST (SettingsFileWriting, WrapsLongPathsAndEscapesQuotesAmpersandsAndNonAscii)
{
    // The golden file's declaration and note, and the indent of its continued lines.
    const auto golden = goldenSettings().toString();
    const auto head = golden.upToFirstOccurrenceOf ("\"\r\n", true, false);
    const auto indent = golden.substring (head.length()).upToFirstOccurrenceOf (" CLAP_Path", false, false);

    Folder folder;
    const auto clap = native ("/Program Files/Common Files/CLAP \"Q\" & <B>");
    const auto vst3 = native (juce::CharPointer_UTF8 ("/Program Files/Common Files/V\xc3\xbcST3"));
    settled (folder, { juce::File (vst3), juce::File (clap), juce::File (native ("/Program Files/Common Files/Avid/Audio/Plug-Ins")) });

    const auto expected = head + indent + " CLAP_Path=\"" + native ("/Program Files/Common Files/CLAP &quot;Q&quot; &amp; &lt;B&gt;") + "\"\r\n"
                          + indent + " VST3_Path=\"" + native ("/Program Files/Common Files/V&#252;ST3") + "\" AAX_Path=\""
                          + native ("/Program Files/Common Files/Avid/Audio/Plug-Ins") + "\"/>\r\n";
    EXPECT_EQ (bytesOf (folder.file).toString(), expected);
}

TEST (SettingsFileWriting, NothingIsWrittenWithoutTheMakersFolder)
{
    Folder folder;
    folder.settings.deleteRecursively (false);
    EXPECT_EQ (settled (folder), machineDefaults());
    EXPECT_FALSE (folder.settings.exists());
}

TEST (SettingsFileReading, TakesTheThreePathsWhateverTheRootOrderOrExtras)
{
    Folder folder;
    const auto v = folder.root.getChildFile ("v"), c = folder.root.getChildFile ("c/deep/er"), a = folder.root.getChildFile ("a");
    v.createDirectory();
    a.createDirectory();

    folder.file.replaceWithText ("<Other AAX_Path=\"" + a.getFullPathName() + "\" extra=\"1\" VST3_Path=\"" + v.getFullPathName()
                                 + "\" CLAP_Path=\"" + c.getFullPathName() + "\"><child/></Other>");
    const auto before = bytesOf (folder.file);

    EXPECT_EQ (settled (folder), (Folders { v, c, a }));
    EXPECT_TRUE (c.isDirectory()) << "a missing folder is created with its parents";
    EXPECT_EQ (bytesOf (folder.file), before) << "reading never rewrites";
}

TEST (SettingsFileReading, MissingOrWrongCaseAttributesGiveAnEmptyFolderAndNoRepair)
{
    Folder folder;
    const auto v = folder.root.getChildFile ("v");
    folder.file.replaceWithText ("<Rackhand_Settings vst3_path=\"" + v.getFullPathName() + "\" CLAP_Path=\"\" />");
    const auto before = bytesOf (folder.file);

    EXPECT_EQ (settled (folder), Folders()) << "not the defaults";
    EXPECT_FALSE (v.exists());
    EXPECT_EQ (bytesOf (folder.file), before);
}

TEST (SettingsFileReading, AFileAtAPathIsLeftAloneAndRelativeValuesAreNotPlaces)
{
    Folder folder;
    const auto plain = folder.root.getChildFile ("a-file");
    plain.replaceWithText ("data");
    folder.file.replaceWithText ("<R VST3_Path=\"" + plain.getFullPathName() + "\" CLAP_Path=\"relative/clap\" AAX_Path=\"x\"/>");

    const auto folders = settled (folder);
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
        EXPECT_EQ (PlatformFiles::namesFixedPlace (c.value), onWindows ? c.onWindows : c.onLinux) << c.value;

#if JUCE_WINDOWS
    // A share is kept as a place of its own, in the form Windows names it, even when unreachable.
    Folder folder;
    folder.file.replaceWithText ("<Rackhand_Settings VST3_Path=\"//qf-no-such-server/share/VST3\" CLAP_Path=\"\\\\qf-no-such-server\\share\"/>");
    const auto folders = settled (folder);
    EXPECT_EQ (folders[0].getFullPathName(), "\\\\qf-no-such-server\\share\\VST3");
    EXPECT_EQ (folders[1].getFullPathName(), "\\\\qf-no-such-server\\share");
    EXPECT_TRUE (InstalledState::isUsableInstallFolder (folders[0]));
#endif
}

TEST (SettingsFileReading, ForwardSlashPathsAreUsedAndDriveRelativeOrRootedOnesCreateNothing)
{
    Folder folder;
    const auto vst3 = folder.root.getChildFile (juce::CharPointer_UTF8 ("Plug-Ins f\xc3\xbcr T\xc3\xabst/VST3"));
    const auto rooted = "\\qf-rooted-" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt());
    folder.file.replaceWithText ("<Rackhand_Settings VST3_Path=\"" + vst3.getFullPathName().replaceCharacter ('\\', '/')
                                 + "\" CLAP_Path=\"C:plugins\" AAX_Path=\"" + rooted + "\"/>");

    EXPECT_EQ (settled (folder), (Folders { vst3, {}, {} })) << "drive-relative and rooted without a drive are no places";
    EXPECT_TRUE (vst3.isDirectory());
    EXPECT_EQ (folder.root.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 2)
        << "only the settings folder and the VST3 path's parent, nothing in the current folder";
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
        writeBytes (folder.file, bytes);
        EXPECT_EQ (settled (folder), machineDefaults()) << bytes.getSize();
        EXPECT_EQ (bytesOf (folder.file), bytes);
    }
}

// Thousands of mutated settings files: settling never crashes, never rewrites the file, and every
// folder it ends with is empty, the default, or a place inside the test's own root that now
// exists. The paths' leading part (the test root) is never mutated, so no mutation can point
// the reader at a real folder of the machine, which it would create.
TEST (SettingsFileFuzz, MutatedFilesNeverEscapeTheirFoldersNorGetRewritten)
{
    // The parser is the same everywhere; only the path rules differ on Windows, and a round costs
    // ten times as much under Wine, so a tenth of the rounds covers them there.
    const int rounds = onWindows ? 300 : 3000;

    Folder folder;
    const auto sandbox = folder.root.getChildFile ("fuzz");
    const Folders defaults { sandbox.getChildFile ("vst3"), sandbox.getChildFile ("clap"), sandbox.getChildFile ("aax") };
    settled (folder, defaults);
    const auto seed = bytesOf (folder.file);

    const auto prefix = juce::File::addTrailingSeparator (sandbox.getFullPathName());
    const auto prefixBytes = (int) prefix.getNumBytesAsUTF8();

    // True when [start, start + length) touches one of the protected path prefixes. Counted in
    // bytes: an earlier mutation may have left bytes that are no UTF-8.
    const auto touchesPrefix = [&] (const juce::MemoryBlock& bytes, int start, int length)
    {
        const auto* data = static_cast<const char*> (bytes.getData());
        const auto* end = data + bytes.getSize();
        const auto* p = prefix.toRawUTF8();

        for (auto* at = std::search (data, end, p, p + prefixBytes); at != end; at = std::search (at + 1, end, p, p + prefixBytes))
            if (start < (int) (at - data) + prefixBytes && (int) (at - data) < start + juce::jmax (1, length))
                return true;

        return false;
    };

    juce::Random random (1234);
    int readBack = 0;

    for (int round = 0; round < rounds; ++round)
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
        writeBytes (folder.file, bytes);

        const auto folders = settled (folder, defaults);
        ASSERT_EQ (bytesOf (folder.file), bytes) << "round " << round << ": reading rewrote the file";

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

    EXPECT_GT (readBack, rounds / 30) << "too few mutated files were read at all to tell anything";
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
        EXPECT_TRUE (machine.settingsFile().loadFileAsString().contains ("CLAP_Path=\"" + machine.installFolder (1).getFullPathName() + "\""));
        EXPECT_EQ (main.getSettingsFolder(), machine.settingsFolder());
    }
#if JUCE_WINDOWS
    {
        // The machine itself: the prefix's C:\ProgramData, and the default folders of Windows.
        const auto file = SharedSettings::settingsFileIn (juce::File ("C:\\ProgramData\\Quillfen"));
        file.deleteFile();
        ASSERT_TRUE (file.getParentDirectory().createDirectory());
        {
            MainComponent main;
        }
        EXPECT_EQ (bytesOf (file), goldenSettings());

        const auto before = file.getLastModificationTime();
        {
            MainComponent main;
        }
        EXPECT_EQ (file.getLastModificationTime(), before) << "the next start only reads it";
    }
#endif
}

// A file that names one usable folder and two that are no places: the screen shows what the file
// says, and installing or uninstalling everything acts on that folder alone, writing nothing in
// the current folder (nor, on Windows, at the root of its drive).
TEST (SettingsAtStartUp, ClicksActOnlyOnTheFoldersTheFileNames)
{
    ScopedTestDisplay display; // for the result notice's fade
    TestSupport::ScopedMachine machine (true);
    const auto clap = machine.root.getChildFile ("Elsewhere/CLAP");
    clap.getChildFile ("Halcyra 2.clap").create();
    machine.settingsFile().replaceWithText ("<Rackhand_Settings CLAP_Path=\"" + clap.getFullPathName().replaceCharacter ('\\', '/')
                                            + "\" VST3_Path=\"C:plugins\" AAX_Path=\"\\Plugins\"/>");
    const auto settingsBefore = bytesOf (machine.settingsFile());

    const auto current = machine.root.getChildFile ("current");
    ASSERT_TRUE (current.createDirectory());
    const auto cwd = juce::File::getCurrentWorkingDirectory();
    current.setAsCurrentWorkingDirectory();
#if JUCE_WINDOWS
    const juce::File driveRoot ("C:\\");
    const auto driveRootBefore = TestSupport::namesIn (driveRoot);
#endif

    {
        MainComponent main;
        EXPECT_EQ (main.getInstallFolder (1), clap);
        EXPECT_TRUE (main.isSelected (1)) << "installed there, so ticked";
        EXPECT_EQ (main.getInstallFolder (0), juce::File());
        EXPECT_EQ (main.getInstallFolder (2), juce::File());

        for (const bool uninstall : { false, true })
        {
            TestSupport::click (main, "SELECT_ALL");
            main.modifierKeysChanged (uninstall ? juce::ModifierKeys (juce::ModifierKeys::shiftModifier) : juce::ModifierKeys());
            TestSupport::click (main, "INSTALL");
            ASSERT_NE (main.getResultPanel(), nullptr);
            EXPECT_FALSE (main.getResultPanel()->success) << "VST3 and AAX have no place to go";
            EXPECT_EQ (TestSupport::binaryIn (clap, 1).getSize(), uninstall ? 0 : TestSupport::binarySize (1));
        }
    }

    cwd.setAsCurrentWorkingDirectory();
    EXPECT_EQ (TestSupport::namesIn (current), juce::StringArray());
#if JUCE_WINDOWS
    EXPECT_EQ (TestSupport::namesIn (driveRoot), driveRootBefore);
#endif
    EXPECT_EQ (bytesOf (machine.settingsFile()), settingsBefore) << "reading never rewrites";
}
