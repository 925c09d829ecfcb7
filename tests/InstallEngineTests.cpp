#include "InstallEngine.h"
#include "InstalledState.h"
#include "PlatformFiles.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#if JUCE_WINDOWS
#include "WindowsTestHelpers.h"
#endif

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

juce::MemoryBlock makeArchive (const std::vector<std::pair<juce::String, juce::String>>& entries)
{
    juce::ZipFile::Builder builder;

    for (const auto& [name, text] : entries)
        builder.addEntry (new juce::MemoryInputStream (text.toRawUTF8(), text.getNumBytesAsUTF8(), true), 9, name, juce::Time::getCurrentTime());

    juce::MemoryOutputStream out;
    builder.writeToStream (out, nullptr);
    return out.getMemoryBlock();
}

// Marks an entry of an archive as a symbolic link (Unix mode 0120755 in the external attributes
// of its central directory record), as an archive made from a folder with a link in it has.
void markAsLink (juce::MemoryBlock& zip, const juce::String& entryName)
{
    auto* bytes = static_cast<juce::uint8*> (zip.getData());

    for (size_t at = 0; at + 46 <= zip.getSize(); ++at)
    {
        if (juce::ByteOrder::littleEndianInt (bytes + at) != 0x02014b50)
            continue;

        const auto nameLength = juce::ByteOrder::littleEndianShort (bytes + at + 28);

        if (juce::String::fromUTF8 (reinterpret_cast<const char*> (bytes + at + 46), nameLength) == entryName)
        {
            const juce::uint8 linkMode[] = { 0x00, 0x00, 0xed, 0xa1 };
            std::memcpy (bytes + at + 38, linkMode, sizeof (linkMode));
        }
    }
}

// The archive of one file whose deflate data has one bit flipped, chosen so that it still
// inflates to the full length: only the entry's CRC-32 tells the bytes are wrong.
juce::MemoryBlock archiveWithDamagedData (const juce::String& entryName)
{
    juce::Random random (2);
    juce::String text;

    for (int i = 0; i < 4096; ++i)
        text << juce::String::charToString ((juce::juce_wchar) "abcdefgh \n"[random.nextInt (10)]);

    auto zip = makeArchive ({ { entryName, text } });
    auto* bytes = static_cast<juce::uint8*> (zip.getData());
    const auto dataStart = 30u + juce::ByteOrder::littleEndianShort (bytes + 26) + juce::ByteOrder::littleEndianShort (bytes + 28);
    const auto dataSize = (size_t) juce::ByteOrder::littleEndianInt (bytes + 18);

    // Past the block header, among the coded literals.
    for (auto bit = dataSize * 4; bit < dataSize * 8; ++bit)
    {
        bytes[dataStart + bit / 8] ^= (juce::uint8) (1 << (bit % 8));
        juce::MemoryInputStream data (bytes + dataStart, dataSize, false);
        juce::GZIPDecompressorInputStream inflater (&data, false, juce::GZIPDecompressorInputStream::deflateFormat);
        const auto inflated = inflater.readEntireStreamAsString();

        if (inflated.length() == text.length() && inflated != text)
            return zip;

        bytes[dataStart + bit / 8] ^= (juce::uint8) (1 << (bit % 8));
    }

    ADD_FAILURE() << "no bit keeps the length";
    return zip;
}

ArchiveData dataOf (const juce::MemoryBlock& block) { return { block.getData(), block.getSize() }; }

void plantOldVst3 (const juce::File& folder)
{
    TestSupport::binaryIn (folder, 0).create();
    TestSupport::binaryIn (folder, 0).replaceWithText ("old binary");
    folder.getChildFile ("Halcyra 2.vst3/old-extra.txt").replaceWithText ("extra");
}

/** A temporary folder for tests that make links. Under Wine the host removes it first: every
    Windows call on a host link reaches what it points to, so only the host can tidy links away. */
struct LinkFolder : TestSupport::TempFolder
{
#if JUCE_WINDOWS
    ~LinkFolder()
    {
        WindowsTestHelpers::removeOnHost (root);
    }
#endif
};

/** A link to a folder or file, as the user makes one: under Wine a link of the host system, since
    no Windows call can make one there. False where links cannot be made. */
bool makeLink (const juce::File& link, const juce::File& target)
{
#if JUCE_WINDOWS
    return WindowsTestHelpers::makeHostLink (link, target);
#else
    return juce::File::createSymbolicLink (link, target.getFullPathName(), true);
#endif
}

#if JUCE_WINDOWS
constexpr bool onWindows = true;
#else
constexpr bool onWindows = false;
#endif
} // namespace

TEST (InstallEngineInstall, UnpacksTheSampleArchivesIntoNestedFoldersFromBackslashNames)
{
    TestSupport::TempFolder temp;

    for (int format = 0; format < 3; ++format)
    {
        const auto folder = temp.root.getChildFile ("missing/" + juce::String (format));
        ASSERT_TRUE (InstallEngine::installFormat (folder, product, format, embeddedArchive (format))) << format;
        EXPECT_TRUE (InstalledState::isInstalled (folder, product, format));

        // Every entry, named with backslashes, is now a real nested folder or file of its size.
        juce::ZipFile zip (TestSupport::archiveFile (format));
        ASSERT_GT (zip.getNumEntries(), 0);

        for (int i = 0; i < zip.getNumEntries(); ++i)
        {
            const auto* entry = zip.getEntry (i);
            const auto path = folder.getChildFile (entry->filename.replaceCharacter ('\\', '/'));

            if (entry->filename.endsWithChar ('\\'))
                EXPECT_TRUE (path.isDirectory()) << path.getFullPathName();
            else
                EXPECT_EQ (path.getSize(), entry->uncompressedSize) << path.getFullPathName();
        }
    }

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
    EXPECT_EQ (TestSupport::binaryIn (temp.root, 0).getSize(), TestSupport::binarySize (0));
    EXPECT_TRUE (temp.root.getChildFile ("Other Plugin.vst3/keep.txt").existsAsFile());
    EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray ({ "Halcyra 2.vst3", "Other Plugin.vst3" }));
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
    const auto unwritable = makeArchive ({ { "Halcyra 2.vst3\\a.txt", "new" }, { "Halcyra 2.vst3\\a.txt\\b.txt", "new" } });
    const auto damaged = archiveWithDamagedData ("Halcyra 2.vst3\\Contents\\x86_64-win\\Halcyra 2.vst3");

    for (const auto* broken : { &unwritable, &damaged })
    {
        EXPECT_FALSE (InstallEngine::installFormat (temp.root, product, 0, dataOf (*broken)));
        EXPECT_EQ (snapshot (temp.root), before);
    }
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

    auto linked = makeArchive ({ { "Halcyra 2.vst3\\ok.txt", "x" }, { "Halcyra 2.vst3\\Contents\\etc", "/etc" } });
    markAsLink (linked, "Halcyra 2.vst3\\Contents\\etc");
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

#if JUCE_WINDOWS
    // Windows resolves this against the current folder of drive C:, here the test's own folder.
    const juce::File driveRelative ("C:plugins");
    EXPECT_FALSE (InstallEngine::installFormat (driveRelative, product, 1, embeddedArchive (1)));
    EXPECT_FALSE (InstallEngine::uninstallFormat (driveRelative, product, 1));
    EXPECT_FALSE (InstalledState::isInstalled (driveRelative, product, 1));
#endif

    EXPECT_TRUE (snapshot (temp.root).empty());

    cwd.setAsCurrentWorkingDirectory();
}

TEST (InstallEngineInstall, ReadOnlyItemsInFoldersWithSpacesAndNonAsciiNamesUpdateAndUninstallCompletely)
{
    TestSupport::TempFolder temp;
    const auto parent = temp.root.getChildFile (juce::CharPointer_UTF8 ("Plug-Ins f\xc3\xbcr T\xc3\xabst"));
    const auto vst3 = parent.getChildFile ("VST3");
    const auto clap = parent.getChildFile (juce::CharPointer_UTF8 ("CLAP \xe2\x99\xaa"));
    plantOldVst3 (vst3);
    ASSERT_TRUE (clap.createDirectory());
    ASSERT_TRUE (clap.getChildFile ("Halcyra 2.clap").replaceWithText ("old clap"));

    // What a copy from read-only media or "attrib +r /s" leaves: every file and folder read-only.
    const auto makeReadOnly = [&]
    {
        vst3.getChildFile ("Halcyra 2.vst3").setReadOnly (true, true);
        clap.getChildFile ("Halcyra 2.clap").setReadOnly (true);
    };

    makeReadOnly();
    ASSERT_TRUE (InstallEngine::installFormat (vst3, product, 0, embeddedArchive (0)));
    ASSERT_TRUE (InstallEngine::installFormat (clap, product, 1, embeddedArchive (1)));
    EXPECT_EQ (TestSupport::namesIn (vst3), juce::StringArray ("Halcyra 2.vst3"));
    EXPECT_EQ (TestSupport::namesIn (clap), juce::StringArray ("Halcyra 2.clap"));
    EXPECT_FALSE (vst3.getChildFile ("Halcyra 2.vst3/old-extra.txt").exists());
    EXPECT_EQ (TestSupport::binaryIn (vst3, 0).getSize(), TestSupport::binarySize (0));
    EXPECT_EQ (TestSupport::binaryIn (clap, 1).getSize(), TestSupport::binarySize (1));

    makeReadOnly();
    EXPECT_TRUE (InstallEngine::uninstallFormat (vst3, product, 0));
    EXPECT_TRUE (InstallEngine::uninstallFormat (clap, product, 1));
    EXPECT_EQ (TestSupport::namesIn (vst3), juce::StringArray());
    EXPECT_EQ (TestSupport::namesIn (clap), juce::StringArray());
}

TEST (InstallEngineFaults, StaleStagingAndSetAsideCopiesGoAtTheNextInstallOrUninstall)
{
    TestSupport::TempFolder temp;
    const auto folder = temp.root.getChildFile ("VST3");

    // What a run killed half way leaves: a set-aside bundle and a file, a partial staging copy.
    const auto plantLeftovers = [&]
    {
        folder.getChildFile (".Halcyra 2.vst3.qf-old-1a2b3c4d/Contents/x86_64-win/Halcyra 2.vst3").create();
        folder.getChildFile (".Halcyra 2.vst3.qf-old-1a2b3c4d").setReadOnly (true, true);
        folder.getChildFile (".Halcyra 2.vst3.qf-old-e5").replaceWithText ("a set-aside file");
        folder.getChildFile (".Halcyra 2.vst3.qf-staging-7f/Halcyra 2.vst3/desktop.ini").create();
    };

    // Not leftovers of this item: another item's, and names the installer never makes.
    juce::StringArray unrelated { ".Halcyra 2.vst3.qf-old-notes", ".Halcyra 2.vst3.qf-old-123456789", ".Halcyra 2.vst3.qf-old-", ".Other.vst3.qf-old-1234", "Halcyra 2.vst3.qf-old-1234", ".Halcyra 2.clap.qf-staging-99" };
    unrelated.sort (false);

    for (const auto& name : unrelated)
        ASSERT_TRUE (folder.getChildFile (name).create());

    plantLeftovers();
    ASSERT_TRUE (InstallEngine::installFormat (folder, product, 0, embeddedArchive (0)));
    auto expected = unrelated;
    expected.add ("Halcyra 2.vst3");
    expected.sort (false);
    EXPECT_EQ (TestSupport::namesIn (folder), expected);

    plantLeftovers();
    ASSERT_TRUE (InstallEngine::uninstallFormat (folder, product, 0));
    EXPECT_EQ (TestSupport::namesIn (folder), unrelated);

    plantLeftovers();
    ASSERT_TRUE (InstallEngine::uninstallFormat (folder, product, 0)) << "with no item, only the leftovers go";
    EXPECT_EQ (TestSupport::namesIn (folder), unrelated);
}

TEST (InstallEngineFaults, AFailedSwapPutsTheOldItemBackOrLeavesNothingAndSaysSo)
{
    enum Failure
    {
        settingAside,
        placingTheNewItem,
        placingAndPuttingBack
    };

    for (int format : { 0, 1 })
    {
        for (const auto failure : { settingAside, placingTheNewItem, placingAndPuttingBack })
        {
            SCOPED_TRACE ("format " + std::to_string (format) + ", failure " + std::to_string ((int) failure));
            TestSupport::TempFolder temp;
            const auto folder = temp.root.getChildFile ("Plug-Ins");
            const auto target = InstalledState::targetPath (folder, product, format);

            if (format == 0)
                plantOldVst3 (folder);
            else
                ASSERT_TRUE (folder.createDirectory() && target.replaceWithText ("old clap"));

            const auto before = snapshot (folder);
            int moves = 0;
            bool siblingsHidden = true;

            const auto allowMove = [&] (const juce::File& from, const juce::File& to)
            {
                ++moves;

                for (const auto& f : folder.findChildFiles (juce::File::findFilesAndDirectories, false))
                    siblingsHidden = siblingsHidden && (f == target || f.isHidden());

                const bool placing = to == target && from.getParentDirectory().getFileName().contains ("qf-staging");
                const bool puttingBack = to == target && ! placing;

                if (failure == settingAside)
                    return from != target;

                return failure == placingTheNewItem ? ! placing : ! placing && ! puttingBack;
            };

            PlatformFiles::ScopedMoveHook hook (allowMove);

            EXPECT_FALSE (InstallEngine::installFormat (folder, product, format, embeddedArchive (format)));
            EXPECT_EQ (moves, failure == settingAside ? 1 : 3) << "set aside, place, put back";
            EXPECT_TRUE (siblingsHidden) << "every sibling is hidden while it exists";

            if (failure == placingAndPuttingBack)
            {
                EXPECT_EQ (TestSupport::namesIn (folder), juce::StringArray()) << "nothing in place, and no copy under another name";
            }
            else
            {
                EXPECT_EQ (snapshot (folder), before) << "the old item is back, exactly";
                EXPECT_FALSE (target.isHidden());
            }
        }
    }

    // Nothing to put back: a failed first install leaves the folder as empty as it was.
    TestSupport::TempFolder temp;
    PlatformFiles::ScopedMoveHook hook ([] (const juce::File&, const juce::File&)
                                        { return false; });
    EXPECT_FALSE (InstallEngine::installFormat (temp.root, product, 0, embeddedArchive (0)));
    EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray());
}

#if JUCE_WINDOWS
// Hiding is an attribute on Windows, so keeping it right is the installer's job: the item in place
// never carries it, and one put back after a failed swap gets its own state again. The name has no
// leading dot, which Wine would hide by itself.
TEST (InstallEngineFaults, TheItemKeepsItsOwnHiddenAttribute)
{
    TestSupport::TempFolder temp;
    const auto clap = temp.root.getChildFile ("Halcyra 2.clap");
    ASSERT_TRUE (InstallEngine::installFormat (temp.root, product, 1, embeddedArchive (1)));
    EXPECT_FALSE (clap.isHidden());

    for (const bool hidden : { true, false })
    {
        PlatformFiles::setHidden (clap, hidden);
        EXPECT_EQ (clap.isHidden(), hidden);
        PlatformFiles::ScopedMoveHook hook ([&] (const juce::File& from, const juce::File& to)
                                            { return ! (to == clap && from.getParentDirectory() != temp.root); });
        EXPECT_FALSE (InstallEngine::installFormat (temp.root, product, 1, embeddedArchive (1)));
        EXPECT_EQ (clap.isHidden(), hidden);
        EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray ("Halcyra 2.clap"));
    }
}
#endif

// A link inside the bundle is never followed. Under Wine no Windows call can remove a link of the
// host, so there the uninstall says it failed, having removed everything else.
TEST (InstallEngineUninstall, RemovesOnlyTheItemAndNeverFollowsLinks)
{
    LinkFolder temp;
    const auto folder = temp.root.getChildFile ("VST3");
    const auto bundle = folder.getChildFile ("Halcyra 2.vst3");
    plantOldVst3 (folder);
    folder.getChildFile ("Other.vst3/keep.txt").create();

    const auto elsewhere = temp.root.getChildFile (juce::CharPointer_UTF8 ("els\xc3\xa9where"));
    const auto preciousFile = temp.root.getChildFile ("precious.clap");
    ASSERT_TRUE (elsewhere.createDirectory() && elsewhere.getChildFile ("precious.txt").replaceWithText ("keep me"));
    ASSERT_TRUE (preciousFile.replaceWithText ("keep me too"));

    if (! makeLink (bundle.getChildFile ("Contents/linked"), elsewhere))
        GTEST_SKIP() << "links of the host system exist only under Wine";

    ASSERT_TRUE (makeLink (bundle.getChildFile ("linked.clap"), preciousFile));

    EXPECT_EQ (InstallEngine::uninstallFormat (folder, product, 0), ! onWindows);
    EXPECT_EQ (bundle.exists(), onWindows) << "only the links are left under Wine";
    EXPECT_FALSE (bundle.getChildFile ("old-extra.txt").exists());
    EXPECT_FALSE (bundle.getChildFile ("Contents/x86_64-win").exists());
    EXPECT_TRUE (folder.isDirectory());
    EXPECT_TRUE (folder.getChildFile ("Other.vst3/keep.txt").existsAsFile());
    EXPECT_EQ (elsewhere.getChildFile ("precious.txt").loadFileAsString(), "keep me");
    EXPECT_EQ (preciousFile.loadFileAsString(), "keep me too");

    EXPECT_TRUE (InstallEngine::uninstallFormat (folder, product, 1)) << "nothing there counts as removed";
}

#if JUCE_WINDOWS
// Under Wine every Windows call on a link of the host reaches what it points to, so a link at the
// target is never touched: install and uninstall fail, and nothing changes on either side of it.
TEST (InstallEngineLinks, AHostLinkAtTheTargetIsNeverActedThrough)
{
    LinkFolder temp;
    const auto folder = temp.root.getChildFile ("VST3 and CLAP");
    const auto elsewhere = temp.root.getChildFile ("elsewhere");
    const auto empty = temp.root.getChildFile ("empty");
    const auto preciousFile = temp.root.getChildFile ("precious.clap");
    ASSERT_TRUE (folder.createDirectory() && elsewhere.createDirectory() && empty.createDirectory());
    ASSERT_TRUE (elsewhere.getChildFile ("precious.txt").replaceWithText ("keep me"));
    ASSERT_TRUE (preciousFile.replaceWithText ("keep me too"));

    const auto vst3Link = folder.getChildFile ("Halcyra 2.vst3");
    const auto clapLink = folder.getChildFile ("Halcyra 2.clap");

    if (! makeLink (vst3Link, elsewhere))
        GTEST_SKIP() << "links of the host system exist only under Wine";

    ASSERT_TRUE (makeLink (clapLink, preciousFile));
    EXPECT_TRUE (PlatformFiles::isLink (vst3Link));
    EXPECT_TRUE (PlatformFiles::isLink (clapLink)) << "a file link shows only through the path it resolves to";

    for (const bool uninstall : { false, true })
        for (int format : { 0, 1 })
            EXPECT_FALSE (uninstall ? InstallEngine::uninstallFormat (folder, product, format)
                                    : InstallEngine::installFormat (folder, product, format, embeddedArchive (format)))
                << format << (uninstall ? " uninstall" : " install");

    PlatformFiles::setHidden (clapLink, true);
    EXPECT_FALSE (preciousFile.isHidden()) << "attributes never change through a link";

    EXPECT_EQ (TestSupport::namesIn (folder), juce::StringArray ({ "Halcyra 2.clap", "Halcyra 2.vst3" })) << "no sibling left";
    EXPECT_EQ (TestSupport::namesIn (elsewhere), juce::StringArray ("precious.txt"));
    EXPECT_EQ (elsewhere.getChildFile ("precious.txt").loadFileAsString(), "keep me");
    EXPECT_EQ (preciousFile.loadFileAsString(), "keep me too");

    // Wine's RemoveDirectory on a link to an empty folder removes that folder.
    const auto second = temp.root.getChildFile ("second");
    ASSERT_TRUE (second.createDirectory() && makeLink (second.getChildFile ("Halcyra 2.vst3"), empty));
    EXPECT_FALSE (InstallEngine::uninstallFormat (second, product, 0));
    EXPECT_TRUE (empty.isDirectory());
}
#else
TEST (InstallEngineLinks, ALinkAtTheTargetIsSetAsideAsItselfAndPutBackWhenTheSwapFails)
{
    TestSupport::TempFolder temp;
    const auto folder = temp.root.getChildFile ("VST3");
    const auto elsewhere = temp.root.getChildFile ("elsewhere");
    const auto target = folder.getChildFile ("Halcyra 2.vst3");
    ASSERT_TRUE (folder.createDirectory() && elsewhere.createDirectory());
    ASSERT_TRUE (elsewhere.getChildFile ("precious.txt").replaceWithText ("keep me"));
    const auto elsewhereBefore = snapshot (elsewhere);

    for (const auto& linkText : { elsewhere.getFullPathName(), juce::String ("../nowhere") })
    {
        SCOPED_TRACE (linkText.toStdString());
        ASSERT_TRUE (juce::File::createSymbolicLink (target, linkText, true));

        {
            const auto allowAllButPlacing = [&] (const juce::File& from, const juce::File& to)
            { return ! (to == target && from.getParentDirectory().getFileName().contains ("qf-staging")); };
            PlatformFiles::ScopedMoveHook hook (allowAllButPlacing);
            EXPECT_FALSE (InstallEngine::installFormat (folder, product, 0, embeddedArchive (0)));
        }

        EXPECT_EQ (target.getNativeLinkedTarget(), linkText) << "the same link is back";
        EXPECT_EQ (TestSupport::namesIn (folder), juce::StringArray ("Halcyra 2.vst3"));

        EXPECT_TRUE (InstallEngine::installFormat (folder, product, 0, embeddedArchive (0)));
        EXPECT_FALSE (target.isSymbolicLink());
        EXPECT_TRUE (target.getChildFile ("desktop.ini").existsAsFile());
        EXPECT_EQ (TestSupport::namesIn (folder), juce::StringArray ("Halcyra 2.vst3"));
        EXPECT_EQ (snapshot (elsewhere), elsewhereBefore);
        target.deleteRecursively (false);
    }
}
#endif

// The plug-in folders moved to another drive with a link left in their place: the install folder
// itself, or the folder above it. Either is used like any other.
TEST (InstallEngineLinks, AnInstallFolderReachedThroughALinkIsUsedLikeAnyOther)
{
    LinkFolder temp;
    const auto elsewhere = temp.root.getChildFile ("D");
    const auto linkedFolder = temp.root.getChildFile ("VST3");
    const auto linkedParent = temp.root.getChildFile ("Common Files");
    ASSERT_TRUE (elsewhere.getChildFile ("VST3").createDirectory() && elsewhere.getChildFile ("Common Files/VST3").createDirectory());

    if (! makeLink (linkedFolder, elsewhere.getChildFile ("VST3")))
        GTEST_SKIP() << "links of the host system exist only under Wine";

    ASSERT_TRUE (makeLink (linkedParent, elsewhere.getChildFile ("Common Files")));

    for (const auto& [link, installFolder, behind] : { std::tuple (linkedFolder, linkedFolder, elsewhere.getChildFile ("VST3")),
                                                       std::tuple (linkedParent, linkedParent.getChildFile ("VST3"), elsewhere.getChildFile ("Common Files/VST3")) })
    {
        SCOPED_TRACE (installFolder.getFullPathName().toStdString());
        plantOldVst3 (behind);

        for (const int format : { 0, 1 })
            ASSERT_TRUE (InstallEngine::installFormat (installFolder, product, format, embeddedArchive (format))) << "install " << format;

        EXPECT_EQ (TestSupport::namesIn (behind), juce::StringArray ({ "Halcyra 2.clap", "Halcyra 2.vst3" })) << "the items behind the link, and no sibling";
        EXPECT_FALSE (behind.getChildFile ("Halcyra 2.vst3/old-extra.txt").exists()) << "updated";

        EXPECT_TRUE (InstallEngine::uninstallFormat (installFolder, product, 0));
        EXPECT_TRUE (InstallEngine::uninstallFormat (installFolder, product, 1));
        EXPECT_EQ (TestSupport::namesIn (behind), juce::StringArray());
        EXPECT_TRUE (PlatformFiles::isLink (link)) << "still a link";
        EXPECT_TRUE (installFolder.isDirectory());
    }
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
// tmpfs and a read-only folder; skipped elsewhere. Wine has neither: a full disk cannot be made
// inside the prefix, and it leaves folder permissions to the host, where the tests run as root.
#if ! JUCE_WINDOWS
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
#endif

#if JUCE_WINDOWS
namespace
{
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

using Holder = WindowsTestHelpers::FileHolder;

/** Installs the CLAP into an empty folder while a scanner opens the new file just as it is to be
    renamed into place, for holdForMs (for good if negative). Only a single file: Wine renames a
    folder with a file open inside, which Windows refuses with access denied. */
void installWithTheNewFileHeld (int holdForMs)
{
    TestSupport::TempFolder temp;
    const auto target = InstalledState::targetPath (temp.root, product, 1);
    std::unique_ptr<Holder> holder;
    PlatformFiles::ScopedMoveHook hook ([&] (const juce::File& from, const juce::File& to)
                                        {
                                            if (holder == nullptr && to == target)
                                                holder = std::make_unique<Holder> (from, holdForMs);

                                            return true; });
    bool installed = false;
    const auto took = millisecondsFor ([&]
                                       { installed = InstallEngine::installFormat (temp.root, product, 1, embeddedArchive (1)); });
    ASSERT_NE (holder, nullptr);
    EXPECT_EQ (installed, holdForMs >= 0);

    if (holdForMs < 0)
    {
        EXPECT_LT (took, lastingHoldBoundMs);
        EXPECT_FALSE (InstalledState::somethingAt (target)) << "nothing in place";
    }
    else
    {
        EXPECT_TRUE (holder->hasLetGo()) << "the install outlasted the hold";
        EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray (target.getFileName())) << "and the leftover of the failed try went";
    }
}
} // namespace

// A host that has the plug-in loaded shares reading, but not writing or deleting: a lasting hold
// fails the format within the engine's waits, truthfully, and loses nothing.
TEST (InstallEngineHolds, ALastingHoldFailsInTimeAndLosesNothing)
{
    {
        TestSupport::TempFolder temp;
        const auto clap = InstalledState::targetPath (temp.root, product, 1);
        ASSERT_TRUE (clap.replaceWithText ("the old plug-in"));
        {
            Holder holder (clap);
            ASSERT_TRUE (holder.isHolding());
            EXPECT_LT (millisecondsFor ([&]
                                        { EXPECT_FALSE (InstallEngine::installFormat (temp.root, product, 1, embeddedArchive (1))); }),
                       lastingHoldBoundMs);
        }
        EXPECT_EQ (clap.loadFileAsString(), "the old plug-in");
        EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray (clap.getFileName())) << "nothing of the failed install beside the old copy";
    }

    installWithTheNewFileHeld (-1);

    // Windows refuses to rename a folder with a file open inside, so nothing changes. Wine renames
    // it, and then cannot delete the held file: the new bundle is in place, and what is left of
    // the old one stays hidden until a later run can remove it.
    TestSupport::TempFolder temp;
    ASSERT_TRUE (InstallEngine::installFormat (temp.root, product, 0, embeddedArchive (0)));
    const auto bundle = InstalledState::targetPath (temp.root, product, 0);
    const auto binary = TestSupport::binaryIn (temp.root, 0);
    {
        Holder holder (binary);
        ASSERT_TRUE (holder.isHolding());
        EXPECT_LT (millisecondsFor ([&]
                                    { EXPECT_FALSE (InstallEngine::installFormat (temp.root, product, 0, embeddedArchive (0))); }),
                   lastingHoldBoundMs);
        EXPECT_EQ (binary.getSize(), TestSupport::binarySize (0));

        for (const auto& f : temp.root.findChildFiles (juce::File::findFilesAndDirectories, false))
            EXPECT_TRUE (f == bundle || f.isHidden()) << f.getFullPathName();

        EXPECT_FALSE (InstallEngine::uninstallFormat (temp.root, product, 0)) << "the held copy cannot go";
    }

    EXPECT_TRUE (InstallEngine::installFormat (temp.root, product, 0, embeddedArchive (0)));
    EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray (bundle.getFileName())) << "the leftover went at the next run";
    EXPECT_TRUE (InstallEngine::uninstallFormat (temp.root, product, 0));
    EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray());
}

// Virus scanners and hosts scanning plug-ins hold files for moments: a hold of about a second on
// the new CLAP as it is placed, on the installed CLAP, or on the binary inside the installed VST3
// bundle, while the user installs, updates or uninstalls, is waited out.
TEST (InstallEngineHolds, AHoldOfAboutASecondIsWaitedOut)
{
    installWithTheNewFileHeld (1000);

    for (const int format : { 0, 1 })
    {
        SCOPED_TRACE ("format " + std::to_string (format));
        TestSupport::TempFolder temp;
        const auto target = InstalledState::targetPath (temp.root, product, format);
        const auto held = TestSupport::binaryIn (temp.root, format);
        ASSERT_TRUE (InstallEngine::installFormat (temp.root, product, format, embeddedArchive (format)));
        const auto size = held.getSize();

        for (const bool uninstall : { false, true })
        {
            Holder holder (held, 1000);
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
#endif
