// Checks that only a real Windows API can answer: run against the cross-built suite under Wine,
// in the test prefix's own C:\ProgramData, C:\Program Files\Common Files and temporary folder.
#include <juce_core/juce_core.h>

#if JUCE_WINDOWS

#include "InstallEngine.h"
#include "InstalledState.h"
#include "MainComponent.h"
#include "Product.h"
#include "SharedSettings.h"
#include "SystemFolders.h"
#include "TestSupport.h"
#include "WindowsTestHelpers.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

namespace
{
const juce::String product ("Halcyra 2");

const juce::String note (
    "These are the paths that all Quillfen installers will use for their respective formats. Edit them to personal "
    "taste, but keep in mind that some formats have specific homes. Use this feature at your own risk; follow the "
    "naming and separator conventions exactly as you see them, or you could end up with unintended consequences. If "
    "you delete this file, the next time you run the Rackhand for any QF product, a new one with the default "
    "locations will be written.");

juce::File withoutTrailingSeparator (const wchar_t* path)
{
    return juce::File (juce::String (path));
}

/** The machine's own folders, with the Quillfen items of an earlier test cleared away. */
const SystemFolders& cleanMachine()
{
    const auto& folders = SystemFolders::current();

    for (int format = 0; format < 3; ++format)
        InstalledState::targetPath (folders.defaultInstallFolders[(size_t) format], product, format).deleteRecursively();

    return folders;
}

std::array<juce::File, 3> defaultFolders()
{
    const auto& folders = SystemFolders::current().defaultInstallFolders;
    return { folders[0], folders[1], folders[2] };
}
} // namespace

TEST (WindowsFolders, ComeFromTheWindowsApiAndTheFixedCommonFilesLiteral)
{
    const auto folders = SystemFolders::forThisMachine();

    EXPECT_EQ (folders.defaultInstallFolders[0].getFullPathName(), "C:\\Program Files\\Common Files\\VST3");
    EXPECT_EQ (folders.defaultInstallFolders[1].getFullPathName(), "C:\\Program Files\\Common Files\\CLAP");
    EXPECT_EQ (folders.defaultInstallFolders[2].getFullPathName(), "C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins");

    wchar_t common[MAX_PATH] = {};
    ASSERT_EQ (SHGetFolderPathW (nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common), S_OK);
    EXPECT_EQ (folders.commonApplicationData, withoutTrailingSeparator (common));
    EXPECT_EQ (folders.commonApplicationData.getFullPathName(), "C:\\ProgramData");
    EXPECT_EQ (SharedSettings::settingsFolderFor (folders.commonApplicationData).getFullPathName(), "C:\\ProgramData\\Quillfen");

    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_GT (GetTempPathW (MAX_PATH + 1, temp), 0u);
    EXPECT_EQ (folders.temporary, withoutTrailingSeparator (temp));
    EXPECT_TRUE (folders.temporary.isDirectory());
}

TEST (WindowsSettings, MissingFileIsWrittenByteForByteInProgramDataWithBackslashPaths)
{
    const auto settingsFolder = juce::File ("C:\\ProgramData\\Quillfen");
    const auto file = settingsFolder.getChildFile ("RackhandSettings.txt");
    file.deleteFile();
    ASSERT_TRUE (settingsFolder.createDirectory());

    {
        MainComponent main;
        EXPECT_EQ (main.getSettingsFolder(), settingsFolder);
    }

    const juce::String indent (juce::String::repeatedString (" ", 18));
    const juce::String expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                  "\r\n"
                                  "<Rackhand_Settings Important_Note:=\""
                                  + note + "\"\r\n" + indent
                                  + " CLAP_Path=\"C:\\Program Files\\Common Files\\CLAP\" VST3_Path=\"C:\\Program Files\\Common Files\\VST3\"\r\n"
                                  + indent + " AAX_Path=\"C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins\"/>\r\n";

    juce::MemoryBlock written;
    ASSERT_TRUE (file.loadFileAsData (written));
    EXPECT_EQ (written.toString(), expected);
    EXPECT_EQ (written.getSize(), (size_t) expected.getNumBytesAsUTF8());

    // The next start reads what it wrote and leaves the file as it is.
    const auto before = file.getLastModificationTime();
    {
        MainComponent main;
    }
    juce::MemoryBlock reread;
    file.loadFileAsData (reread);
    EXPECT_EQ (reread, written);
    EXPECT_EQ (file.getLastModificationTime(), before);
}

TEST (WindowsInstall, AllFormatsLandInCommonFilesAsNestedFoldersAndUninstallTakesOnlyTheItems)
{
    const auto& folders = cleanMachine();
    auto installFolders = defaultFolders();

    for (auto& folder : installFolders)
        ASSERT_TRUE (folder.createDirectory());

    // Neighbours that belong to other products.
    const auto otherFile = installFolders[1].getChildFile ("Other.clap");
    const auto otherBundle = installFolders[0].getChildFile ("Other.vst3/Contents");
    otherFile.replaceWithText ("another plug-in");
    otherBundle.createDirectory();

    std::array<bool, 3> selected { true, true, true };
    ASSERT_TRUE (InstallEngine::run (selected, installFolders, product, false));

    // Every entry of every archive, named with backslashes, is now a real nested file or folder.
    for (int format = 0; format < 3; ++format)
    {
        juce::ZipFile zip (TestSupport::archiveFile (format));
        ASSERT_GT (zip.getNumEntries(), 0);

        for (int i = 0; i < zip.getNumEntries(); ++i)
        {
            const auto* entry = zip.getEntry (i);
            EXPECT_TRUE (entry->filename.containsChar ('\\') || format == Product::clap) << entry->filename;

            const auto path = installFolders[(size_t) format].getChildFile (entry->filename.replaceCharacter ('\\', '/'));

            if (entry->filename.endsWithChar ('\\'))
                EXPECT_TRUE (path.isDirectory()) << path.getFullPathName();
            else
                EXPECT_EQ (path.getSize(), entry->uncompressedSize) << path.getFullPathName();
        }
    }

    const auto vst3 = installFolders[0].getChildFile ("Halcyra 2.vst3");
    EXPECT_TRUE (vst3.getChildFile ("Contents\\x86_64-win\\Halcyra 2.vst3").existsAsFile());
    EXPECT_TRUE (vst3.getChildFile ("Contents\\Resources\\moduleinfo.json").existsAsFile());
    EXPECT_TRUE (installFolders[2].getChildFile ("Halcyra 2.aaxplugin\\Contents\\x64\\Halcyra 2.aaxplugin").existsAsFile());
    EXPECT_EQ (installFolders[0].getNumberOfChildFiles (juce::File::findFilesAndDirectories), 2) << "only the bundle and its neighbour";

    // The plug-in binaries carry a Windows version resource, read through GetFileVersionInfoW.
    EXPECT_EQ (InstalledState::installedVersion (installFolders[1], product, Product::clap), "2.1.4.0");
    EXPECT_EQ (InstalledState::installedVersion (installFolders[2], product, Product::aax), "2.1.4.0");
    EXPECT_EQ (InstalledState::installedVersion (installFolders[0], product, Product::vst3), "") << "a bundle folder has none";
    EXPECT_EQ (vst3.getChildFile ("Contents\\x86_64-win\\Halcyra 2.vst3").getVersion(), "2.1.4.0");

    selected = { true, true, true };
    ASSERT_TRUE (InstallEngine::run (selected, installFolders, product, true));

    for (int format = 0; format < 3; ++format)
    {
        EXPECT_FALSE (InstalledState::isInstalled (installFolders[(size_t) format], product, format)) << format;
        EXPECT_TRUE (installFolders[(size_t) format].isDirectory()) << "the install folder itself stays";
    }

    EXPECT_EQ (otherFile.loadFileAsString(), "another plug-in");
    EXPECT_TRUE (otherBundle.isDirectory());

    otherFile.deleteFile();
    otherBundle.getParentDirectory().deleteRecursively();
    juce::ignoreUnused (folders);
}

TEST (WindowsInstall, FileLockedByAnotherProcessFailsTheInstallAndLosesNothing)
{
    cleanMachine();
    const auto clapFolder = defaultFolders()[1];
    ASSERT_TRUE (clapFolder.createDirectory());
    const auto clap = clapFolder.getChildFile ("Halcyra 2.clap");
    ASSERT_TRUE (clap.replaceWithText ("the old plug-in"));

    const auto before = clapFolder.findChildFiles (juce::File::findFilesAndDirectories, false);

    {
        // A host that has the plug-in loaded: it shares reading, but not writing or deleting.
        WindowsTestHelpers::FileHolder holder (clap);
        ASSERT_TRUE (holder.isHolding());

        std::array<bool, 3> selected { false, true, false };
        EXPECT_FALSE (InstallEngine::run (selected, defaultFolders(), product, false));
        EXPECT_FALSE (selected[1]);
    }

    EXPECT_EQ (clap.loadFileAsString(), "the old plug-in");
    EXPECT_EQ (clapFolder.findChildFiles (juce::File::findFilesAndDirectories, false), before)
        << "nothing of the failed install is left beside the old copy";
    clap.deleteFile();
}

TEST (WindowsShutdown, ScriptInTheWindowsTempFolderIsRemovedButAFolderOfThatNameIsKept)
{
    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_GT (GetTempPathW (MAX_PATH + 1, temp), 0u);
    const auto script = withoutTrailingSeparator (temp).getChildFile ("script.sh");
    script.deleteRecursively();

    ASSERT_TRUE (script.replaceWithText ("#!/bin/sh\n"));
    {
        MainComponent main;
        EXPECT_TRUE (script.existsAsFile()) << "only removed at exit";
    }
    EXPECT_FALSE (script.exists());

    ASSERT_TRUE (script.getChildFile ("inside").createDirectory());
    {
        MainComponent main;
    }
    EXPECT_TRUE (script.getChildFile ("inside").isDirectory());
    script.deleteRecursively();
}

#endif
