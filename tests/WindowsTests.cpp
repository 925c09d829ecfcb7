// Checks that only a real Windows API can answer: run against the cross-built suite under Wine,
// in the test prefix's own C:\ProgramData, C:\Program Files\Common Files and temporary folder.
#include <juce_core/juce_core.h>

#if JUCE_WINDOWS

#include "InstallEngine.h"
#include "InstalledState.h"
#include "MainComponent.h"
#include "PlatformFiles.h"
#include "Product.h"
#include "SharedSettings.h"
#include "SystemFolders.h"
#include "TestSupport.h"
#include "WindowsTestHelpers.h"
#include "panel_success.h"

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

bool hasAttribute (const juce::File& f, DWORD attribute)
{
    const auto attributes = GetFileAttributesW (f.getFullPathName().toWideCharPointer());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & attribute) != 0;
}

/** Removes a test's folder from the host side before the temporary folder's own clean-up, which
    would reach through the host links inside it. */
struct HostCleanUp
{
    ~HostCleanUp() { WindowsTestHelpers::removeOnHost (folder); }
    juce::File folder;
};

/** The whole time a call took, in milliseconds. */
template <typename Call>
juce::uint32 millisecondsFor (Call&& call)
{
    const auto start = juce::Time::getMillisecondCounter();
    call();
    return juce::Time::getMillisecondCounter() - start;
}

// A lasting hold fails a format once the engine's waits are used up; extracting and checking the
// archive come on top, and Wine is slow to start the holder's process.
constexpr juce::uint32 lastingHoldBoundMs = PlatformFiles::ScopedLockWait::maxWaitInAllMs + 10000;

/** Runs the main component's action button once, as a click does, and returns the verdict. */
bool clickAction (MainComponent& main, bool uninstall)
{
    main.modifierKeysChanged (uninstall ? juce::ModifierKeys (juce::ModifierKeys::shiftModifier) : juce::ModifierKeys());
    main.buttonClicked (dynamic_cast<juce::Button*> (TestSupport::findChild (main, "INSTALL")));
    return main.getResultPanel() != nullptr && main.getResultPanel()->success;
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
        EXPECT_LT (millisecondsFor ([&]
                                    { EXPECT_FALSE (InstallEngine::run (selected, defaultFolders(), product, false)); }),
                   lastingHoldBoundMs);
        EXPECT_FALSE (selected[1]);
    }

    EXPECT_EQ (clap.loadFileAsString(), "the old plug-in");
    EXPECT_EQ (clapFolder.findChildFiles (juce::File::findFilesAndDirectories, false), before)
        << "nothing of the failed install is left beside the old copy";
    clap.deleteFile();
}

TEST (WindowsInstall, AHoldOfAboutASecondIsWaitedOutAndALastingOneOnANewFileLeavesNothingInPlace)
{
    // A scanner opens the new CLAP just as it is to be renamed into place: for good, and then for
    // about a second. Only a single file: Wine renames a folder with a file open inside, which
    // Windows refuses with access denied.
    {
        TestSupport::TempFolder temp;
        const auto target = InstalledState::targetPath (temp.root, product, 1);

        for (const int holdForMs : { -1, 1000 })
        {
            std::unique_ptr<WindowsTestHelpers::FileHolder> holder;
            PlatformFiles::ScopedMoveHook hook ([&] (const juce::File& from, const juce::File& to)
                                                {
                                                    if (holder == nullptr && to == target)
                                                        holder = std::make_unique<WindowsTestHelpers::FileHolder> (from, holdForMs);

                                                    return true; });
            bool installed = false;
            const auto took = millisecondsFor ([&]
                                               { installed = InstallEngine::installFormat (temp.root, product, 1, embeddedArchive (1)); });
            ASSERT_NE (holder, nullptr);

            if (holdForMs < 0)
            {
                EXPECT_FALSE (installed);
                EXPECT_LT (took, lastingHoldBoundMs);
                EXPECT_FALSE (InstalledState::somethingAt (target)) << "nothing in place";
            }
            else
            {
                EXPECT_TRUE (installed) << "and the leftover of the failed run goes";
                EXPECT_TRUE (holder->hasLetGo()) << "the install outlasted the hold";
                EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray (target.getFileName()));
            }
        }
    }

    // A host scanning plug-ins holds the installed CLAP, or the binary inside the installed VST3
    // bundle, for about a second while the user updates, and again while the user uninstalls.
    for (const auto& [format, binary] : { std::pair (0, juce::String ("Contents\\x86_64-win\\Halcyra 2.vst3")), std::pair (1, juce::String()) })
    {
        SCOPED_TRACE ("format " + std::to_string (format));
        TestSupport::TempFolder temp;
        const auto target = InstalledState::targetPath (temp.root, product, format);
        const auto held = binary.isEmpty() ? target : target.getChildFile (binary);
        ASSERT_TRUE (InstallEngine::installFormat (temp.root, product, format, embeddedArchive (format)));
        const auto size = held.getSize();

        for (const bool uninstall : { false, true })
        {
            WindowsTestHelpers::FileHolder holder (held, 1000);
            ASSERT_TRUE (holder.isHolding());
            EXPECT_TRUE (uninstall ? InstallEngine::uninstallFormat (temp.root, product, format)
                                   : InstallEngine::installFormat (temp.root, product, format, embeddedArchive (format)))
                << (uninstall ? "uninstall" : "update");
            EXPECT_TRUE (holder.hasLetGo()) << "the call outlasted the hold";
            EXPECT_EQ (TestSupport::namesIn (temp.root), uninstall ? juce::StringArray() : juce::StringArray (target.getFileName()));
            EXPECT_EQ (held.getSize(), uninstall ? 0 : size);
        }
    }
}

TEST (WindowsInstall, AnUpdateOverAReadOnlyBundleLeavesExactlyTheBundleAndAnUninstallLeavesNothing)
{
    cleanMachine();
    const auto vst3Folder = defaultFolders()[0];
    ASSERT_TRUE (vst3Folder.createDirectory());
    ASSERT_EQ (TestSupport::namesIn (vst3Folder), juce::StringArray()) << "the prefix's VST3 folder starts empty";

    std::array<bool, 3> selected { true, false, false };
    ASSERT_TRUE (InstallEngine::run (selected, defaultFolders(), product, false));

    const auto bundle = vst3Folder.getChildFile ("Halcyra 2.vst3");
    const auto binary = bundle.getChildFile ("Contents\\x86_64-win\\Halcyra 2.vst3");
    ASSERT_TRUE (bundle.getChildFile ("old-extra.txt").replaceWithText ("from the old version"));

    // As "attrib +r /s /d" leaves it, or a copy from read-only media.
    const auto makeReadOnly = [&]
    {
        for (const auto& entry : juce::RangedDirectoryIterator (bundle, true, "*", juce::File::findFilesAndDirectories))
            SetFileAttributesW (entry.getFile().getFullPathName().toWideCharPointer(), FILE_ATTRIBUTE_READONLY);

        SetFileAttributesW (bundle.getFullPathName().toWideCharPointer(), FILE_ATTRIBUTE_READONLY);
    };

    makeReadOnly();
    ASSERT_FALSE (DeleteFileW (binary.getFullPathName().toWideCharPointer())) << "Windows itself refuses to delete the binary";

    selected = { true, false, false };
    EXPECT_TRUE (InstallEngine::run (selected, defaultFolders(), product, false));
    EXPECT_EQ (TestSupport::namesIn (vst3Folder), juce::StringArray ("Halcyra 2.vst3")) << "no second copy beside it";
    EXPECT_FALSE (bundle.getChildFile ("old-extra.txt").exists());
    EXPECT_EQ (binary.getSize(), 17072608);

    makeReadOnly();
    selected = { true, false, false };
    EXPECT_TRUE (InstallEngine::run (selected, defaultFolders(), product, true));
    EXPECT_EQ (TestSupport::namesIn (vst3Folder), juce::StringArray());
}

TEST (WindowsInstall, ABundleFileHeldByAHostFailsTheUpdateTruthfullyAndTheNextRunCleansUp)
{
    cleanMachine();
    const auto vst3Folder = defaultFolders()[0];
    ASSERT_TRUE (vst3Folder.createDirectory());
    ASSERT_TRUE (InstallEngine::installFormat (vst3Folder, product, 0, embeddedArchive (0)));
    const auto bundle = vst3Folder.getChildFile ("Halcyra 2.vst3");
    const auto binary = bundle.getChildFile ("Contents\\x86_64-win\\Halcyra 2.vst3");

    {
        WindowsTestHelpers::FileHolder holder (binary);
        ASSERT_TRUE (holder.isHolding());

        // Windows refuses to rename a folder with a file open inside, so nothing changes. Wine
        // renames it, and then cannot delete the held file: the new bundle is in place, and what
        // is left of the old one stays hidden until a later run can remove it.
        EXPECT_LT (millisecondsFor ([&]
                                    { EXPECT_FALSE (InstallEngine::installFormat (vst3Folder, product, 0, embeddedArchive (0))); }),
                   lastingHoldBoundMs);
        EXPECT_EQ (binary.getSize(), 17072608);

        for (const auto& f : vst3Folder.findChildFiles (juce::File::findFilesAndDirectories, false))
            EXPECT_TRUE (f == bundle || hasAttribute (f, FILE_ATTRIBUTE_HIDDEN)) << f.getFullPathName();

        EXPECT_FALSE (InstallEngine::uninstallFormat (vst3Folder, product, 0)) << "the held copy cannot go";
    }

    EXPECT_TRUE (InstallEngine::installFormat (vst3Folder, product, 0, embeddedArchive (0)));
    EXPECT_EQ (TestSupport::namesIn (vst3Folder), juce::StringArray ("Halcyra 2.vst3")) << "the leftover went at the next run";
    EXPECT_TRUE (InstallEngine::uninstallFormat (vst3Folder, product, 0));
    EXPECT_EQ (TestSupport::namesIn (vst3Folder), juce::StringArray());
}

TEST (WindowsAttributes, SiblingsAreHiddenAndAnItemPutBackKeepsItsOwnHiddenState)
{
    TestSupport::TempFolder temp;
    const auto clap = temp.root.getChildFile ("Halcyra 2.clap");
    ASSERT_TRUE (clap.replaceWithText ("old clap"));
    bool allHidden = true;

    const auto checkSiblings = [&] (const juce::File&, const juce::File&)
    {
        for (const auto& f : temp.root.findChildFiles (juce::File::findFilesAndDirectories, false))
            allHidden = allHidden && (f == clap || hasAttribute (f, FILE_ATTRIBUTE_HIDDEN));

        return true;
    };

    {
        PlatformFiles::ScopedMoveHook hook (checkSiblings);
        EXPECT_TRUE (InstallEngine::installFormat (temp.root, product, 1, embeddedArchive (1)));
    }

    EXPECT_TRUE (allHidden);
    EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray ("Halcyra 2.clap"));
    EXPECT_FALSE (hasAttribute (clap, FILE_ATTRIBUTE_HIDDEN));

    // The attribute travels with a renamed item, so one put back after a failed swap gets its
    // own state again.
    for (const bool hidden : { false, true })
    {
        PlatformFiles::setHidden (clap, hidden);
        const auto failPlacing = [&] (const juce::File& from, const juce::File& to)
        { return ! (to == clap && from.getParentDirectory() != temp.root); };
        PlatformFiles::ScopedMoveHook hook (failPlacing);
        EXPECT_FALSE (InstallEngine::installFormat (temp.root, product, 1, embeddedArchive (1)));
        EXPECT_EQ (hasAttribute (clap, FILE_ATTRIBUTE_HIDDEN), hidden);
        EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray ("Halcyra 2.clap"));
    }

    // Wine hides every name with a leading dot by itself; a plain name shows the attribute is ours.
    PlatformFiles::setHidden (clap, true);
    EXPECT_TRUE (hasAttribute (clap, FILE_ATTRIBUTE_HIDDEN));
    PlatformFiles::setHidden (clap, false);
    EXPECT_FALSE (hasAttribute (clap, FILE_ATTRIBUTE_HIDDEN));
}

TEST (WindowsLinks, HostLinksAtTheTargetOrInsideABundleAreNeverActedThrough)
{
    TestSupport::TempFolder temp;

    HostCleanUp cleanUp { temp.root };

    const auto folder = temp.root.getChildFile ("VST3 and CLAP");
    const auto elsewhere = temp.root.getChildFile (juce::CharPointer_UTF8 ("els\xc3\xa9where"));
    const auto empty = temp.root.getChildFile ("empty");
    const auto preciousFile = temp.root.getChildFile ("precious.clap");
    ASSERT_TRUE (folder.createDirectory() && elsewhere.createDirectory() && empty.createDirectory());
    ASSERT_TRUE (elsewhere.getChildFile ("precious.txt").replaceWithText ("keep me"));
    ASSERT_TRUE (preciousFile.replaceWithText ("keep me too"));

    const auto vst3Link = folder.getChildFile ("Halcyra 2.vst3");
    const auto clapLink = folder.getChildFile ("Halcyra 2.clap");

    if (! WindowsTestHelpers::makeHostLink (vst3Link, elsewhere))
        GTEST_SKIP() << "links of the host system exist only under Wine";

    ASSERT_TRUE (WindowsTestHelpers::makeHostLink (clapLink, preciousFile));

    // Every Windows call on them would reach what they point to, so they are never touched:
    // install and uninstall fail, and nothing changes on either side of the links.
    EXPECT_TRUE (PlatformFiles::isLink (vst3Link));
    EXPECT_TRUE (PlatformFiles::isLink (clapLink)) << "a file link shows only through the path it resolves to";

    for (const bool uninstall : { false, true })
    {
        for (int format : { 0, 1 })
        {
            EXPECT_FALSE (uninstall ? InstallEngine::uninstallFormat (folder, product, format)
                                    : InstallEngine::installFormat (folder, product, format, embeddedArchive (format)))
                << format << (uninstall ? " uninstall" : " install");
        }
    }

    PlatformFiles::setHidden (clapLink, true);
    EXPECT_FALSE (hasAttribute (preciousFile, FILE_ATTRIBUTE_HIDDEN)) << "attributes never change through a link";

    EXPECT_EQ (TestSupport::namesIn (folder), juce::StringArray ({ "Halcyra 2.clap", "Halcyra 2.vst3" })) << "no sibling left";
    EXPECT_EQ (TestSupport::namesIn (elsewhere), juce::StringArray ("precious.txt"));
    EXPECT_EQ (elsewhere.getChildFile ("precious.txt").loadFileAsString(), "keep me");
    EXPECT_EQ (preciousFile.loadFileAsString(), "keep me too");

    // Wine's RemoveDirectory on a link to an empty folder removes that folder.
    const auto second = temp.root.getChildFile ("second");
    ASSERT_TRUE (second.createDirectory());
    ASSERT_TRUE (WindowsTestHelpers::makeHostLink (second.getChildFile ("Halcyra 2.vst3"), empty));
    EXPECT_FALSE (InstallEngine::uninstallFormat (second, product, 0));
    EXPECT_TRUE (empty.isDirectory());

    // Inside a bundle: everything else of it goes, the link and what it points to stay.
    const auto third = temp.root.getChildFile ("third");
    const auto bundle = third.getChildFile ("Halcyra 2.vst3");
    ASSERT_TRUE (bundle.getChildFile ("Contents/desktop.ini").create());
    ASSERT_TRUE (WindowsTestHelpers::makeHostLink (bundle.getChildFile ("Contents/linked"), elsewhere));
    ASSERT_TRUE (WindowsTestHelpers::makeHostLink (bundle.getChildFile ("linked.clap"), preciousFile));
    EXPECT_FALSE (InstallEngine::uninstallFormat (third, product, 0));
    EXPECT_FALSE (bundle.getChildFile ("Contents/desktop.ini").exists());
    EXPECT_EQ (elsewhere.getChildFile ("precious.txt").loadFileAsString(), "keep me");
    EXPECT_EQ (preciousFile.loadFileAsString(), "keep me too");
}

TEST (WindowsLinks, AnInstallFolderReachedThroughALinkIsUsedLikeAnyOther)
{
    TestSupport::TempFolder temp;
    HostCleanUp cleanUp { temp.root };

    // The plug-in folders moved to another drive with a link left in their place: the install
    // folder itself, or the folder above it.
    const auto elsewhere = temp.root.getChildFile ("D");
    const auto linkedFolder = temp.root.getChildFile ("VST3");
    const auto linkedParent = temp.root.getChildFile ("Common Files");
    ASSERT_TRUE (elsewhere.getChildFile ("VST3").createDirectory() && elsewhere.getChildFile ("Common Files\\VST3").createDirectory());

    if (! WindowsTestHelpers::makeHostLink (linkedFolder, elsewhere.getChildFile ("VST3")))
        GTEST_SKIP() << "links of the host system exist only under Wine";

    ASSERT_TRUE (WindowsTestHelpers::makeHostLink (linkedParent, elsewhere.getChildFile ("Common Files")));

    const auto precious = temp.root.getChildFile ("precious");
    ASSERT_TRUE (precious.createDirectory() && precious.getChildFile ("keep.txt").replaceWithText ("keep me"));

    for (const auto& [link, installFolder, behind] : { std::tuple (linkedFolder, linkedFolder, elsewhere.getChildFile ("VST3")),
                                                       std::tuple (linkedParent, linkedParent.getChildFile ("VST3"), elsewhere.getChildFile ("Common Files\\VST3")) })
    {
        SCOPED_TRACE (installFolder.getFullPathName().toStdString());
        juce::StringArray items;

        for (const int format : { 0, 1 })
        {
            const auto item = InstalledState::itemName (product, format);
            items.add (item);
            items.sort (false);

            ASSERT_TRUE (InstallEngine::installFormat (installFolder, product, format, embeddedArchive (format))) << "install " << format;

            if (format == 0)
            {
                ASSERT_TRUE (behind.getChildFile (item + "\\old-extra.txt").replaceWithText ("from the old version"));
            }

            EXPECT_TRUE (InstallEngine::installFormat (installFolder, product, format, embeddedArchive (format))) << "update " << format;
            EXPECT_EQ (TestSupport::namesIn (behind), items) << "the items behind the link, and no sibling";
            EXPECT_FALSE (behind.getChildFile (item + "\\old-extra.txt").exists());
            EXPECT_EQ (InstalledState::installedVersion (installFolder, product, format), format == 1 ? "2.1.4.0" : "");
        }

        // A link inside the bundle is still never followed: everything else goes.
        ASSERT_TRUE (WindowsTestHelpers::makeHostLink (behind.getChildFile ("Halcyra 2.vst3\\Contents\\linked"), precious));
        EXPECT_FALSE (InstallEngine::uninstallFormat (installFolder, product, 0));
        EXPECT_FALSE (behind.getChildFile ("Halcyra 2.vst3\\desktop.ini").exists());
        EXPECT_EQ (precious.getChildFile ("keep.txt").loadFileAsString(), "keep me");
        ASSERT_TRUE (WindowsTestHelpers::removeOnHost (behind.getChildFile ("Halcyra 2.vst3\\Contents\\linked")));

        EXPECT_TRUE (InstallEngine::uninstallFormat (installFolder, product, 0));
        EXPECT_TRUE (InstallEngine::uninstallFormat (installFolder, product, 1));
        EXPECT_EQ (TestSupport::namesIn (behind), juce::StringArray());
        EXPECT_TRUE (PlatformFiles::isLink (link)) << "still a link";
        EXPECT_TRUE (installFolder.isDirectory());
    }
}

TEST (WindowsSettings, AForwardSlashPathIsUsedAndDriveRelativeOrRootedPathsWriteNothingOnC)
{
    cleanMachine();
    const juce::File settingsFolder ("C:\\ProgramData\\Quillfen");
    const auto file = settingsFolder.getChildFile ("RackhandSettings.txt");
    const juce::File vst3 (juce::CharPointer_UTF8 ("C:\\Program Files\\Common Files\\VST3 f\xc3\xbcr T\xc3\xabst"));
    ASSERT_TRUE (settingsFolder.createDirectory());
    vst3.deleteRecursively();

    ASSERT_TRUE (file.replaceWithText (juce::String (juce::CharPointer_UTF8 ("<Rackhand_Settings VST3_Path=\"C:/Program Files/Common Files/VST3 f\xc3\xbcr T\xc3\xabst\" "))
                                       + "CLAP_Path=\"C:plugins\" AAX_Path=\"\\Plugins\"/>"));
    juce::MemoryBlock settingsBefore;
    ASSERT_TRUE (file.loadFileAsData (settingsBefore));

    // The current folder of drive C: is one of the test's own; "C:plugins" would land there.
    TestSupport::TempFolder current;
    const auto cwd = juce::File::getCurrentWorkingDirectory();
    ASSERT_TRUE (current.root.setAsCurrentWorkingDirectory());
    const auto rootBefore = TestSupport::namesIn (juce::File ("C:\\"));

    {
        MainComponent main;
        EXPECT_EQ (main.getInstallFolder (0), vst3);
        EXPECT_TRUE (vst3.isDirectory()) << "created at start-up";
        EXPECT_EQ (main.getInstallFolder (1), juce::File());
        EXPECT_EQ (main.getInstallFolder (2), juce::File());

        TestSupport::click (main, "SELECT_ALL");
        EXPECT_FALSE (clickAction (main, false)) << "CLAP and AAX have no place to go";
        EXPECT_TRUE (vst3.getChildFile ("Halcyra 2.vst3\\Contents\\x86_64-win\\Halcyra 2.vst3").existsAsFile());

        TestSupport::click (main, "SELECT_ALL");
        EXPECT_FALSE (clickAction (main, true));
        EXPECT_EQ (TestSupport::namesIn (vst3), juce::StringArray());
    }

    EXPECT_EQ (TestSupport::namesIn (current.root), juce::StringArray()) << "nothing in the current folder of C:";
    EXPECT_EQ (TestSupport::namesIn (juce::File ("C:\\")), rootBefore) << "nothing at the root of C:";

    // A second start reads the same folders back and leaves the file as it is.
    {
        MainComponent main;
        EXPECT_EQ (main.getInstallFolder (0), vst3);
        EXPECT_EQ (main.getInstallFolder (1), juce::File());
        EXPECT_EQ (main.getInstallFolder (2), juce::File());
    }

    juce::MemoryBlock settingsAfter;
    file.loadFileAsData (settingsAfter);
    EXPECT_EQ (settingsAfter, settingsBefore);

    cwd.setAsCurrentWorkingDirectory();
    file.deleteFile();
    vst3.deleteRecursively();
}

TEST (WindowsSettings, UncPathsAreKeptAsPlaces)
{
    TestSupport::TempFolder temp;
    const auto settings = temp.root.getChildFile ("Quillfen");
    ASSERT_TRUE (settings.createDirectory());
    ASSERT_TRUE (settings.getChildFile ("RackhandSettings.txt").replaceWithText ("<Rackhand_Settings VST3_Path=\"//qf-no-such-server/share/VST3\" CLAP_Path=\"\\\\qf-no-such-server\\share\"/>"));

    std::array<juce::File, 3> folders;
    SharedSettings::settle (settings, folders);
    EXPECT_EQ (folders[0].getFullPathName(), "\\\\qf-no-such-server\\share\\VST3");
    EXPECT_EQ (folders[1].getFullPathName(), "\\\\qf-no-such-server\\share");
    EXPECT_TRUE (InstalledState::isUsableInstallFolder (folders[0]));
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
