#include "InstallEngine.h"
#include "InstalledState.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
const juce::String product ("Halcyra 2");

// Every file below a folder with its contents, so "nothing lost" can be compared exactly.
std::map<juce::String, juce::String> snapshot (const juce::File& folder)
{
    std::map<juce::String, juce::String> files;

    for (const auto& entry : juce::RangedDirectoryIterator (folder, true, "*", juce::File::findFilesAndDirectories))
    {
        const auto& f = entry.getFile();
        files[f.getRelativePathFrom (folder)] = f.isDirectory() ? juce::String ("<dir>") : f.loadFileAsString();
    }

    return files;
}

juce::MemoryBlock makeArchive (const std::vector<std::pair<juce::String, juce::String>>& entries, const juce::File& linkToAdd = {}, const juce::String& linkName = {})
{
    juce::ZipFile::Builder builder;

    for (const auto& [name, text] : entries)
        builder.addEntry (new juce::MemoryInputStream (text.toRawUTF8(), text.getNumBytesAsUTF8(), true), 9, name, juce::Time::getCurrentTime());

    if (linkToAdd != juce::File())
        builder.addFile (linkToAdd, 0, linkName);

    juce::MemoryOutputStream out;
    builder.writeToStream (out, nullptr);
    return out.getMemoryBlock();
}

ArchiveData dataOf (const juce::MemoryBlock& block) { return { block.getData(), block.getSize() }; }

void plantOldVst3 (const juce::File& folder)
{
    folder.getChildFile ("Halcyra 2.vst3/Contents/x86_64-win/Halcyra 2.vst3").create();
    folder.getChildFile ("Halcyra 2.vst3/Contents/x86_64-win/Halcyra 2.vst3").replaceWithText ("old binary");
    folder.getChildFile ("Halcyra 2.vst3/old-extra.txt").replaceWithText ("extra");
}
} // namespace

TEST (InstallEngineInstall, UnpacksTheSampleArchivesIntoNestedFoldersFromBackslashNames)
{
    TestSupport::TempFolder temp;

    for (int format = 0; format < 3; ++format)
    {
        const auto folder = temp.root.getChildFile ("missing/" + juce::String (format));
        ASSERT_TRUE (InstallEngine::installFormat (folder, product, format, embeddedArchive (format))) << format;
        EXPECT_TRUE (InstalledState::isInstalled (folder, product, format));
    }

    const auto vst3 = temp.root.getChildFile ("missing/0/Halcyra 2.vst3");
    EXPECT_TRUE (vst3.getChildFile ("Contents/x86_64-win/Halcyra 2.vst3").existsAsFile());
    EXPECT_EQ (vst3.getChildFile ("Contents/x86_64-win/Halcyra 2.vst3").getSize(), 17072608);
    EXPECT_EQ (vst3.getChildFile ("Contents/Resources/moduleinfo.json").getSize(), 1161);
    EXPECT_EQ (vst3.getChildFile ("desktop.ini").getSize(), 80);
    EXPECT_EQ (temp.root.getChildFile ("missing/1/Halcyra 2.clap").getSize(), 16658912);
    EXPECT_TRUE (temp.root.getChildFile ("missing/2/Halcyra 2.aaxplugin/Contents/x64/Halcyra 2.aaxplugin").existsAsFile());

    for (const auto& entry : juce::RangedDirectoryIterator (temp.root, true, "*", juce::File::findFilesAndDirectories))
        EXPECT_FALSE (entry.getFile().getFileName().containsChar ('\\')) << entry.getFile().getFullPathName();
}

TEST (InstallEngineInstall, ReinstallLeavesExactlyTheArchiveAndNoStagingLeftovers)
{
    TestSupport::TempFolder temp;
    plantOldVst3 (temp.root);
    temp.root.getChildFile ("Other Plugin.vst3/keep.txt").create();

    ASSERT_TRUE (InstallEngine::installFormat (temp.root, product, 0, embeddedArchive (0)));

    EXPECT_FALSE (temp.root.getChildFile ("Halcyra 2.vst3/old-extra.txt").exists());
    EXPECT_EQ (temp.root.getChildFile ("Halcyra 2.vst3/Contents/x86_64-win/Halcyra 2.vst3").getSize(), 17072608);
    EXPECT_TRUE (temp.root.getChildFile ("Other Plugin.vst3/keep.txt").existsAsFile());

    juce::StringArray names;
    for (const auto& entry : juce::RangedDirectoryIterator (temp.root, false, "*", juce::File::findFilesAndDirectories))
        names.add (entry.getFile().getFileName());
    names.sort (false);
    EXPECT_EQ (names, juce::StringArray ({ "Halcyra 2.vst3", "Other Plugin.vst3" }));
}

TEST (InstallEngineInstall, AFileAtABundlePathIsReplacedByTheBundle)
{
    TestSupport::TempFolder temp;
    temp.root.getChildFile ("Halcyra 2.vst3").replaceWithText ("a stray file");

    ASSERT_TRUE (InstallEngine::installFormat (temp.root, product, 0, embeddedArchive (0)));
    EXPECT_TRUE (temp.root.getChildFile ("Halcyra 2.vst3").isDirectory());
}

TEST (InstallEngineInstall, ANameListedTwiceEndsAsTheLaterEntryExactly)
{
    TestSupport::TempFolder temp;

    // The later entry is the shorter one, so an append or a kept tail would both show.
    const auto twice = makeArchive ({ { "Halcyra 2.vst3\\desktop.ini", "the first, longer text" },
                                      { "Halcyra 2.vst3\\desktop.ini", "second" } });

    ASSERT_TRUE (InstallEngine::installFormat (temp.root, product, 0, dataOf (twice)));
    EXPECT_EQ (temp.root.getChildFile ("Halcyra 2.vst3/desktop.ini").loadFileAsString(), "second");
}

TEST (InstallEngineFaults, AFailedExtractionLeavesTheOldInstallationExactlyAsItWas)
{
    TestSupport::TempFolder temp;
    plantOldVst3 (temp.root);
    const auto before = snapshot (temp.root);

    // The second entry cannot be written: a folder stands where its file would go inside the
    // staging copy, so the archive fails half way through.
    const auto broken = makeArchive ({ { "Halcyra 2.vst3\\a.txt", "new" }, { "Halcyra 2.vst3\\a.txt\\b.txt", "new" } });

    EXPECT_FALSE (InstallEngine::installFormat (temp.root, product, 0, dataOf (broken)));
    EXPECT_EQ (snapshot (temp.root), before);
}

TEST (InstallEngineFaults, CraftedEntriesOutsideTheFolderAndLinkEntriesAreRefused)
{
    TestSupport::TempFolder temp;
    const auto folder = temp.root.getChildFile ("plugins");
    plantOldVst3 (folder);
    const auto before = snapshot (temp.root);

    const auto dotDot = makeArchive ({ { "Halcyra 2.vst3\\ok.txt", "x" }, { "..\\..\\escaped.txt", "x" } });
    EXPECT_FALSE (InstallEngine::installFormat (folder, product, 0, dataOf (dotDot)));

    const auto absolute = makeArchive ({ { temp.root.getChildFile ("absolute.txt").getFullPathName(), "x" } });
    EXPECT_FALSE (InstallEngine::installFormat (folder, product, 0, dataOf (absolute)));

    const auto link = temp.root.getChildFile ("link-source");
    ASSERT_TRUE (juce::File::createSymbolicLink (link, "/etc", true));
    const auto linked = makeArchive ({ { "Halcyra 2.vst3\\ok.txt", "x" } }, link, "Halcyra 2.vst3\\Contents\\etc");
    link.deleteFile();
    EXPECT_FALSE (InstallEngine::installFormat (folder, product, 0, dataOf (linked)));

    EXPECT_FALSE (temp.root.getChildFile ("escaped.txt").exists());
    EXPECT_FALSE (temp.root.getChildFile ("absolute.txt").exists());
    EXPECT_EQ (snapshot (temp.root), before);
}

TEST (InstallEngineFaults, AnEmptyOrRelativeInstallFolderIsNeverWrittenTo)
{
    TestSupport::TempFolder temp;
    const auto cwd = juce::File::getCurrentWorkingDirectory();
    temp.root.setAsCurrentWorkingDirectory();

    EXPECT_FALSE (InstallEngine::installFormat (juce::File(), product, 1, embeddedArchive (1)));
    EXPECT_FALSE (InstallEngine::uninstallFormat (juce::File(), product, 1));
    EXPECT_FALSE (InstalledState::isInstalled (juce::File(), product, 1));
    EXPECT_TRUE (snapshot (temp.root).empty());

    cwd.setAsCurrentWorkingDirectory();
}

TEST (InstallEngineUninstall, RemovesOnlyTheItemAndNeverFollowsLinks)
{
    TestSupport::TempFolder temp;
    const auto folder = temp.root.getChildFile ("VST3");
    plantOldVst3 (folder);
    folder.getChildFile ("Other.vst3/keep.txt").create();

    const auto elsewhere = temp.root.getChildFile ("elsewhere");
    elsewhere.createDirectory();
    ASSERT_TRUE (elsewhere.getChildFile ("precious.txt").replaceWithText ("keep me"));
    ASSERT_TRUE (juce::File::createSymbolicLink (folder.getChildFile ("Halcyra 2.vst3/Contents/linked"), elsewhere.getFullPathName(), true));

    EXPECT_TRUE (InstallEngine::uninstallFormat (folder, product, 0));
    EXPECT_FALSE (folder.getChildFile ("Halcyra 2.vst3").exists());
    EXPECT_TRUE (folder.isDirectory());
    EXPECT_TRUE (folder.getChildFile ("Other.vst3/keep.txt").existsAsFile());
    EXPECT_EQ (elsewhere.getChildFile ("precious.txt").loadFileAsString(), "keep me");

    EXPECT_TRUE (InstallEngine::uninstallFormat (folder, product, 1)) << "nothing there counts as removed";
}

TEST (InstallEngineRun, TicksClearAndTheVerdictNeedsOneProcessedFormatAndNoFailure)
{
    TestSupport::TempFolder temp;
    std::array<juce::File, 3> folders { temp.root.getChildFile ("VST3"), temp.root.getChildFile ("CLAP"), juce::File() };

    std::array<bool, 3> none {};
    EXPECT_FALSE (InstallEngine::run (none, folders, product, false)) << "nothing ticked fails";
    EXPECT_TRUE (snapshot (temp.root).empty());

    std::array<bool, 3> two { true, true, false };
    EXPECT_TRUE (InstallEngine::run (two, folders, product, false));
    EXPECT_EQ (two, (std::array<bool, 3> {}));
    EXPECT_TRUE (folders[0].getChildFile ("Halcyra 2.vst3").isDirectory());
    EXPECT_TRUE (folders[1].getChildFile ("Halcyra 2.clap").existsAsFile());

    // AAX has no usable folder: it fails, the others still run, every tick clears.
    std::array<bool, 3> all { true, true, true };
    EXPECT_FALSE (InstallEngine::run (all, folders, product, true));
    EXPECT_EQ (all, (std::array<bool, 3> {}));
    EXPECT_FALSE (folders[0].getChildFile ("Halcyra 2.vst3").exists());
    EXPECT_FALSE (folders[1].getChildFile ("Halcyra 2.clap").exists());

    std::array<bool, 3> clapOnly { false, true, false };
    EXPECT_TRUE (InstallEngine::run (clapOnly, folders, product, true)) << "uninstalling what is absent succeeds";
}

// Run by tests/faults/with_mounts.sh inside a private mount namespace, which provides a tiny
// tmpfs and a read-only folder; skipped elsewhere.
TEST (InstallEngineFaults, AFullDiskOrReadOnlyFolderLosesNothing)
{
    const auto* small = std::getenv ("QF_TEST_SMALL_DISK");
    const auto* readOnly = std::getenv ("QF_TEST_READONLY_DIR");

    if (small == nullptr || readOnly == nullptr)
        GTEST_SKIP() << "needs the mounts of tests/faults/with_mounts.sh";

    const juce::File full (small);
    full.getChildFile ("Halcyra 2.clap").replaceWithText ("old clap");
    const auto before = snapshot (full);
    EXPECT_FALSE (InstallEngine::installFormat (full, product, 1, embeddedArchive (1)));
    EXPECT_EQ (snapshot (full), before);

    const juce::File locked (readOnly);
    const auto lockedBefore = snapshot (locked);
    ASSERT_FALSE (lockedBefore.empty()) << "the wrapper plants an old install there";
    EXPECT_FALSE (InstallEngine::installFormat (locked, product, 0, embeddedArchive (0)));
    EXPECT_FALSE (InstallEngine::uninstallFormat (locked, product, 0));
    EXPECT_EQ (snapshot (locked), lockedBefore);
}
