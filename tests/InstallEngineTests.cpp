#include "InstallEngine.h"
#include "InstalledState.h"
#include "PlatformFiles.h"
#include "SiblingNames.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#if JUCE_WINDOWS
#include "WindowsTestHelpers.h"

#include <windows.h>
#endif

namespace InstallEngine
{
// So that a failed expectation names the reason.
std::ostream& operator<< (std::ostream& out, Outcome outcome)
{
    const char* const names[] = { "done", "unusableFolder", "archiveUnreadable", "entryRefused", "entryNotWritten", "oldItemNotSetAside", "newItemNotPlaced", "oldItemLeftAside", "itemNotRemoved" };
    return out << names[(int) outcome];
}
} // namespace InstallEngine

namespace
{
using InstallEngine::Outcome;

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

/** Where a host scanning the folder recursively would find a copy of the plug-in: each entry
    directly in the folder that has a name hosts load or holds one at any depth, sorted. */
juce::StringArray copiesInSight (const juce::File& folder)
{
    juce::StringArray copies;

    for (const auto& top : folder.findChildFiles (juce::File::findFilesAndDirectories, false))
    {
        bool loadable = SiblingNames::isLoadable (top.getFileName());

        if (top.isDirectory() && ! top.isSymbolicLink())
            for (const auto& entry : juce::RangedDirectoryIterator (top, true, "*", juce::File::findFilesAndDirectories))
                loadable = loadable || SiblingNames::isLoadable (entry.getFile().getFileName());

        if (loadable)
            copies.add (top.getFileName());
    }

    copies.sort (false);
    return copies;
}

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
        ASSERT_EQ (InstallEngine::installFormat (folder, product, format, embeddedArchive (format)), Outcome::done) << format;
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

    ASSERT_EQ (InstallEngine::installFormat (temp.root, product, 0, embeddedArchive (0)), Outcome::done);

    EXPECT_FALSE (temp.root.getChildFile ("Halcyra 2.vst3/old-extra.txt").exists());
    EXPECT_EQ (TestSupport::binaryIn (temp.root, 0).getSize(), TestSupport::binarySize (0));
    EXPECT_TRUE (temp.root.getChildFile ("Other Plugin.vst3/keep.txt").existsAsFile());
    EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray ({ "Halcyra 2.vst3", "Other Plugin.vst3" }));
}

TEST (InstallEngineInstall, AFileAtABundlePathIsReplacedByTheBundle)
{
    TestSupport::TempFolder temp;
    temp.root.getChildFile ("Halcyra 2.vst3").replaceWithText ("a stray file");

    ASSERT_EQ (InstallEngine::installFormat (temp.root, product, 0, embeddedArchive (0)), Outcome::done);
    EXPECT_TRUE (temp.root.getChildFile ("Halcyra 2.vst3").isDirectory());
}

TEST (InstallEngineInstall, ANameListedTwiceEndsAsTheLaterEntryExactly)
{
    TestSupport::TempFolder temp;

    // The later entry is the shorter one, so an append or a kept tail would both show.
    const auto twice = makeArchive ({ { "Halcyra 2.vst3\\desktop.ini", "the first, longer text" },
                                      { "Halcyra 2.vst3\\desktop.ini", "second" } });

    ASSERT_EQ (InstallEngine::installFormat (temp.root, product, 0, dataOf (twice)), Outcome::done);
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
        EXPECT_EQ (InstallEngine::installFormat (temp.root, product, 0, dataOf (*broken)), Outcome::entryNotWritten);
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
    EXPECT_EQ (InstallEngine::installFormat (folder, product, 0, dataOf (dotDot)), Outcome::entryRefused);

    const auto absolute = makeArchive ({ { temp.root.getChildFile ("absolute.txt").getFullPathName(), "x" } });
    EXPECT_EQ (InstallEngine::installFormat (folder, product, 0, dataOf (absolute)), Outcome::entryRefused);

    auto linked = makeArchive ({ { "Halcyra 2.vst3\\ok.txt", "x" }, { "Halcyra 2.vst3\\Contents\\etc", "/etc" } });
    markAsLink (linked, "Halcyra 2.vst3\\Contents\\etc");
    EXPECT_EQ (InstallEngine::installFormat (folder, product, 0, dataOf (linked)), Outcome::entryRefused);

    EXPECT_FALSE (temp.root.getChildFile ("escaped.txt").exists());
    EXPECT_FALSE (temp.root.getChildFile ("absolute.txt").exists());
    EXPECT_EQ (snapshot (temp.root), before);
}

TEST (InstallEngineFaults, AnEmptyOrRelativeInstallFolderIsNeverWrittenTo)
{
    TestSupport::TempFolder temp;
    const auto cwd = juce::File::getCurrentWorkingDirectory();
    temp.root.setAsCurrentWorkingDirectory();

    EXPECT_EQ (InstallEngine::installFormat (juce::File(), product, 1, embeddedArchive (1)), Outcome::unusableFolder);
    EXPECT_EQ (InstallEngine::uninstallFormat (juce::File(), product, 1), Outcome::unusableFolder);
    EXPECT_FALSE (InstalledState::isInstalled (juce::File(), product, 1));

#if JUCE_WINDOWS
    // Windows resolves this against the current folder of drive C:, here the test's own folder.
    const juce::File driveRelative ("C:plugins");
    EXPECT_EQ (InstallEngine::installFormat (driveRelative, product, 1, embeddedArchive (1)), Outcome::unusableFolder);
    EXPECT_EQ (InstallEngine::uninstallFormat (driveRelative, product, 1), Outcome::unusableFolder);
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
    ASSERT_EQ (InstallEngine::installFormat (vst3, product, 0, embeddedArchive (0)), Outcome::done);
    ASSERT_EQ (InstallEngine::installFormat (clap, product, 1, embeddedArchive (1)), Outcome::done);
    EXPECT_EQ (TestSupport::namesIn (vst3), juce::StringArray ("Halcyra 2.vst3"));
    EXPECT_EQ (TestSupport::namesIn (clap), juce::StringArray ("Halcyra 2.clap"));
    EXPECT_FALSE (vst3.getChildFile ("Halcyra 2.vst3/old-extra.txt").exists());
    EXPECT_EQ (TestSupport::binaryIn (vst3, 0).getSize(), TestSupport::binarySize (0));
    EXPECT_EQ (TestSupport::binaryIn (clap, 1).getSize(), TestSupport::binarySize (1));

    makeReadOnly();
    EXPECT_EQ (InstallEngine::uninstallFormat (vst3, product, 0), Outcome::done);
    EXPECT_EQ (InstallEngine::uninstallFormat (clap, product, 1), Outcome::done);
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
    ASSERT_EQ (InstallEngine::installFormat (folder, product, 0, embeddedArchive (0)), Outcome::done);
    auto expected = unrelated;
    expected.add ("Halcyra 2.vst3");
    expected.sort (false);
    EXPECT_EQ (TestSupport::namesIn (folder), expected);

    plantLeftovers();
    ASSERT_EQ (InstallEngine::uninstallFormat (folder, product, 0), Outcome::done);
    EXPECT_EQ (TestSupport::namesIn (folder), unrelated);

    plantLeftovers();
    ASSERT_EQ (InstallEngine::uninstallFormat (folder, product, 0), Outcome::done) << "with no item, only the leftovers go";
    EXPECT_EQ (TestSupport::namesIn (folder), unrelated);
}

// At every rename at most one copy is in sight, and afterwards only the item in place, whole.
TEST (InstallEngineFaults, AFailedSwapPutsTheOldItemBackOrKeepsItOutOfSightAndSaysWhy)
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
            bool siblingsHidden = true;
            int mostCopiesInSight = 0;

            const auto allowMove = [&] (const juce::File& from, const juce::File& to)
            {
                for (const auto& f : folder.findChildFiles (juce::File::findFilesAndDirectories, false))
                    siblingsHidden = siblingsHidden && (f == target || f.isHidden());

                mostCopiesInSight = juce::jmax (mostCopiesInSight, copiesInSight (folder).size());

                const bool placing = to == target && from.getFileName().contains ("qf-staging");
                const bool puttingBack = to == target && ! placing;

                if (failure == settingAside)
                    return from != target;

                return failure == placingTheNewItem ? ! placing : ! placing && ! puttingBack;
            };

            PlatformFiles::ScopedMoveHook hook (allowMove);

            const Outcome expected[] = { Outcome::oldItemNotSetAside, Outcome::newItemNotPlaced, Outcome::oldItemLeftAside };
            EXPECT_EQ (InstallEngine::installFormat (folder, product, format, embeddedArchive (format)), expected[failure]);
            EXPECT_TRUE (siblingsHidden) << "every sibling is hidden while it exists";
            EXPECT_EQ (mostCopiesInSight, 1);

            if (failure == placingAndPuttingBack)
            {
                // Never deleted because it could not go back: whole, under its sibling name.
                const auto names = TestSupport::namesIn (folder);
                ASSERT_EQ (names.size(), 1);
                EXPECT_TRUE (SiblingNames::isSibling (names[0], target.getFileName())) << names[0];
                EXPECT_EQ (copiesInSight (folder), juce::StringArray()) << "out of sight";
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
    EXPECT_EQ (InstallEngine::installFormat (temp.root, product, 0, embeddedArchive (0)), Outcome::newItemNotPlaced);
    EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray());
}

// What a kill just before any rename of an update or an uninstall leaves (a copy of the folder
// taken at that moment): never a partial copy in sight, never two, and the next run, install or
// uninstall, ends in exactly the state asked for with nothing left over.
TEST (InstallEngineFaults, AKillBeforeAnyRenameLeavesAtMostOneWholeCopyAndTheNextRunRecovers)
{
    const auto newBundle = makeArchive ({ { "Halcyra 2.vst3\\desktop.ini", "new" }, { "Halcyra 2.vst3\\Contents\\x86_64-win\\Halcyra 2.vst3", "new binary" } });
    const auto newClap = makeArchive ({ { "Halcyra 2.clap", "new clap" } });

    for (const int format : { 0, 1 })
    {
        for (const bool uninstall : { false, true })
        {
            SCOPED_TRACE ("format " + std::to_string (format) + (uninstall ? ", uninstall" : ", update"));
            TestSupport::TempFolder temp;
            const auto folder = temp.root.getChildFile ("Plug-Ins");
            const auto item = InstalledState::targetPath (folder, product, format);
            const auto archive = dataOf (format == 0 ? newBundle : newClap);

            const auto plantOld = [&] (const juce::File& where)
            {
                if (format == 0)
                    plantOldVst3 (where);
                else
                    EXPECT_TRUE (where.createDirectory() && where.getChildFile (item.getFileName()).replaceWithText ("old clap"));
            };

            const auto itemAfter = [&] (bool installed)
            {
                TestSupport::TempFolder reference;
                plantOld (reference.root);

                if (installed)
                {
                    EXPECT_EQ (InstallEngine::installFormat (reference.root, product, format, archive), Outcome::done);
                }

                return snapshot (reference.root);
            };

            const auto oldItem = itemAfter (false), newItem = itemAfter (true);
            plantOld (folder);

            std::vector<juce::File> killedStates;
            {
                PlatformFiles::ScopedMoveHook hook ([&] (const juce::File&, const juce::File&)
                                                    {
                                                        killedStates.push_back (temp.root.getChildFile ("killed-" + juce::String ((int) killedStates.size())));
                                                        return folder.copyDirectoryTo (killedStates.back()); });

                EXPECT_EQ (uninstall ? InstallEngine::uninstallFormat (folder, product, format)
                                     : InstallEngine::installFormat (folder, product, format, archive),
                           Outcome::done);
            }

            EXPECT_EQ (copiesInSight (folder), uninstall ? juce::StringArray() : juce::StringArray (item.getFileName()));
            EXPECT_EQ (snapshot (folder), uninstall ? decltype (newItem) {} : newItem);
            EXPECT_GE (killedStates.size(), (size_t) (uninstall ? 1 : 2)) << "set aside (and place)";

            for (const auto& killed : killedStates)
            {
                SCOPED_TRACE ("killed before rename " + killed.getFileName().toStdString());
                const auto copies = copiesInSight (killed);
                ASSERT_LE (copies.size(), 1);

                if (copies.size() == 1)
                {
                    // Whatever its name, the copy in sight is one of the two items, whole.
                    TestSupport::TempFolder asItem;
                    ASSERT_TRUE (killed.getChildFile (copies[0]).moveFileTo (asItem.root.getChildFile (item.getFileName())));
                    const auto seen = snapshot (asItem.root);
                    EXPECT_TRUE (seen == oldItem || seen == newItem);
                    ASSERT_TRUE (asItem.root.getChildFile (item.getFileName()).moveFileTo (killed.getChildFile (copies[0])));
                }

                const auto twin = killed.getSiblingFile (killed.getFileName() + "-twin");
                ASSERT_TRUE (killed.copyDirectoryTo (twin));
                EXPECT_EQ (InstallEngine::installFormat (killed, product, format, archive), Outcome::done);
                EXPECT_EQ (snapshot (killed), newItem);
                EXPECT_EQ (InstallEngine::uninstallFormat (twin, product, format), Outcome::done);
                EXPECT_EQ (TestSupport::namesIn (twin), juce::StringArray());
            }
        }
    }
}

#if JUCE_WINDOWS
// Hiding is an attribute on Windows, so keeping it right is the installer's job: the item in place
// never carries it, and one put back after a failed swap gets its own state again. The name has no
// leading dot, which Wine would hide by itself.
TEST (InstallEngineFaults, TheItemKeepsItsOwnHiddenAttribute)
{
    TestSupport::TempFolder temp;
    const auto clap = temp.root.getChildFile ("Halcyra 2.clap");
    ASSERT_EQ (InstallEngine::installFormat (temp.root, product, 1, embeddedArchive (1)), Outcome::done);
    EXPECT_FALSE (clap.isHidden());

    for (const bool hidden : { true, false })
    {
        PlatformFiles::setHidden (clap, hidden);
        EXPECT_EQ (clap.isHidden(), hidden);
        PlatformFiles::ScopedMoveHook hook ([&] (const juce::File& from, const juce::File& to)
                                            { return ! (to == clap && from.getFileName().contains ("qf-staging")); });
        EXPECT_EQ (InstallEngine::installFormat (temp.root, product, 1, embeddedArchive (1)), Outcome::newItemNotPlaced);
        EXPECT_EQ (clap.isHidden(), hidden);
        EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray ("Halcyra 2.clap"));
    }
}
#endif

// A link inside the bundle is never followed.
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

    // Under Wine the link named like a plug-in can be neither removed nor renamed out of hosts'
    // sight, so the bundle stays whole where it was.
    EXPECT_EQ (InstallEngine::uninstallFormat (folder, product, 0), onWindows ? Outcome::itemNotRemoved : Outcome::done);
    EXPECT_EQ (bundle.getChildFile ("old-extra.txt").exists(), onWindows);
    EXPECT_EQ (TestSupport::namesIn (folder), onWindows ? juce::StringArray ({ "Halcyra 2.vst3", "Other.vst3" }) : juce::StringArray ("Other.vst3"));
    EXPECT_TRUE (folder.getChildFile ("Other.vst3/keep.txt").existsAsFile());
    EXPECT_EQ (elsewhere.getChildFile ("precious.txt").loadFileAsString(), "keep me");
    EXPECT_EQ (preciousFile.loadFileAsString(), "keep me too");

    EXPECT_EQ (InstallEngine::uninstallFormat (folder, product, 1), Outcome::done) << "nothing there counts as removed";
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
            EXPECT_EQ (uninstall ? InstallEngine::uninstallFormat (folder, product, format)
                                 : InstallEngine::installFormat (folder, product, format, embeddedArchive (format)),
                       uninstall ? Outcome::itemNotRemoved : Outcome::oldItemNotSetAside)
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
    EXPECT_EQ (InstallEngine::uninstallFormat (second, product, 0), Outcome::itemNotRemoved);
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
            { return ! (to == target && from.getFileName().contains ("qf-staging")); };
            PlatformFiles::ScopedMoveHook hook (allowAllButPlacing);
            EXPECT_EQ (InstallEngine::installFormat (folder, product, 0, embeddedArchive (0)), Outcome::newItemNotPlaced);
        }

        EXPECT_EQ (target.getNativeLinkedTarget(), linkText) << "the same link is back";
        EXPECT_EQ (TestSupport::namesIn (folder), juce::StringArray ("Halcyra 2.vst3"));

        EXPECT_EQ (InstallEngine::installFormat (folder, product, 0, embeddedArchive (0)), Outcome::done);
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
            ASSERT_EQ (InstallEngine::installFormat (installFolder, product, format, embeddedArchive (format)), Outcome::done) << "install " << format;

        EXPECT_EQ (TestSupport::namesIn (behind), juce::StringArray ({ "Halcyra 2.clap", "Halcyra 2.vst3" })) << "the items behind the link, and no sibling";
        EXPECT_FALSE (behind.getChildFile ("Halcyra 2.vst3/old-extra.txt").exists()) << "updated";

        EXPECT_EQ (InstallEngine::uninstallFormat (installFolder, product, 0), Outcome::done);
        EXPECT_EQ (InstallEngine::uninstallFormat (installFolder, product, 1), Outcome::done);
        EXPECT_EQ (TestSupport::namesIn (behind), juce::StringArray());
        EXPECT_TRUE (PlatformFiles::isLink (link)) << "still a link";
        EXPECT_TRUE (installFolder.isDirectory());
    }
}

TEST (InstallEngineRun, TicksClearAndTheVerdictNeedsOneProcessedFormatAndNoFailure)
{
    TestSupport::TempFolder temp;
    Product::PerFormat<juce::File> folders { temp.root.getChildFile ("VST3"), temp.root.getChildFile ("CLAP"), juce::File() };

    Product::PerFormat<bool> none {};
    EXPECT_FALSE (InstallEngine::run (none, folders, product, false)) << "nothing ticked fails";
    EXPECT_TRUE (snapshot (temp.root).empty());

    Product::PerFormat<bool> two { true, true, false };
    EXPECT_TRUE (InstallEngine::run (two, folders, product, false));
    EXPECT_EQ (two, (Product::PerFormat<bool> {}));
    EXPECT_TRUE (folders[0].getChildFile ("Halcyra 2.vst3").isDirectory());
    EXPECT_TRUE (folders[1].getChildFile ("Halcyra 2.clap").existsAsFile());

    // AAX has no usable folder: it fails, the others still run, every tick clears.
    Product::PerFormat<bool> all { true, true, true };
    EXPECT_FALSE (InstallEngine::run (all, folders, product, true));
    EXPECT_EQ (all, (Product::PerFormat<bool> {}));
    EXPECT_FALSE (folders[0].getChildFile ("Halcyra 2.vst3").exists());
    EXPECT_FALSE (folders[1].getChildFile ("Halcyra 2.clap").exists());

    Product::PerFormat<bool> clapOnly { false, true, false };
    EXPECT_TRUE (InstallEngine::run (clapOnly, folders, product, true)) << "uninstalling what is absent succeeds";
}

// What one click may still wait, whatever the calls before it waited: ordinary calls never reach
// the share kept for putting the old item back, and clean-up never waits at all.
TEST (InstallEngineRun, OneClickWaitsWithinItsBudgetAndKeepsTheReserveForPuttingBack)
{
    using Wait = PlatformFiles::ScopedLockWait;
    EXPECT_EQ (Wait::current(), nullptr) << "outside a click nothing waits";

    Wait budget;
    const auto ordinaryShare = Wait::maxWaitInAllMs - Wait::reservedForPutBackMs;
    EXPECT_EQ (budget.allowanceMs (250, 0), 250);
    EXPECT_EQ (budget.allowanceMs (250, Wait::maxWaitPerCallMs - 100), 100) << "one call's limit";

    budget.spend (ordinaryShare - 50);
    EXPECT_EQ (budget.allowanceMs (250, 0), 50);
    budget.spend (50);
    EXPECT_EQ (budget.allowanceMs (250, 0), 0) << "the ordinary share is spent";

    {
        const Wait::ScopedShare noWaiting (Wait::Share::none);
        EXPECT_EQ (budget.allowanceMs (250, 0), 0) << "clean-up";

        const Wait::ScopedShare putBack (Wait::Share::putBack);
        EXPECT_EQ (budget.allowanceMs (250, 0), 250) << "the reserve is whole";
        budget.spend (Wait::reservedForPutBackMs);
        EXPECT_EQ (budget.allowanceMs (250, 0), 0);
    }

    EXPECT_EQ (budget.waitedMs(), Wait::maxWaitInAllMs);
    EXPECT_LE (Wait::maxWaitInAllMs, 3000) << "Windows judges a window hung after 5 s";
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
    EXPECT_EQ (InstallEngine::installFormat (full, product, 1, embeddedArchive (1)), Outcome::entryNotWritten);
    EXPECT_EQ (snapshot (full), before);

    const juce::File locked (readOnly);
    const auto lockedBefore = snapshot (locked);
    ASSERT_FALSE (lockedBefore.empty()) << "the wrapper plants an old install there";
    EXPECT_EQ (InstallEngine::installFormat (locked, product, 0, embeddedArchive (0)), Outcome::entryNotWritten);
    EXPECT_EQ (InstallEngine::uninstallFormat (locked, product, 0), Outcome::itemNotRemoved);
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
    auto outcome = Outcome::done;
    const auto took = millisecondsFor ([&]
                                       { outcome = InstallEngine::installFormat (temp.root, product, 1, embeddedArchive (1)); });
    ASSERT_NE (holder, nullptr);
    EXPECT_EQ (outcome, holdForMs >= 0 ? Outcome::done : Outcome::newItemNotPlaced);

    if (holdForMs < 0)
    {
        EXPECT_LT (took, lastingHoldBoundMs);
        EXPECT_FALSE (PlatformFiles::somethingAt (target)) << "nothing in place";
    }
    else
    {
        EXPECT_TRUE (holder->hasLetGo()) << "the install outlasted the hold";
        EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray (target.getFileName())) << "and the leftover of the failed try went";
    }
}

/** The paths registered for removal at the next restart, as the session manager reads them. */
juce::StringArray pendingRemovals()
{
    HKEY key = nullptr;
    juce::StringArray paths;

    if (RegOpenKeyExW (HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return paths;

    DWORD bytes = 0;

    if (RegQueryValueExW (key, L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &bytes) == ERROR_SUCCESS && bytes > 0)
    {
        juce::HeapBlock<wchar_t> value (bytes / sizeof (wchar_t) + 2, true);

        if (RegQueryValueExW (key, L"PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<LPBYTE> (value.get()), &bytes) == ERROR_SUCCESS)
        {
            // Pairs of strings, source then destination, an empty destination for a removal. The
            // source carries the \??\ prefix of a native path.
            for (const auto* at = value.get(); *at != 0;)
            {
                const juce::String source (at);
                at += source.length() + 1;
                const juce::String destination (at);
                at += destination.length() + 1;

                if (destination.isEmpty())
                    paths.add (source.fromFirstOccurrenceOf ("\\??\\", false, false));
            }
        }
    }

    RegCloseKey (key);
    return paths;
}
} // namespace

// A host that has the plug-in open without delete sharing, as a scanner reads it: a lasting hold
// fails the format within the engine's waits, truthfully, and loses nothing. Windows refuses to
// rename a bundle with a file open inside; Wine renames it, and then the held binary cannot be
// renamed out of hosts' sight, so the bundle goes back.
TEST (InstallEngineHolds, ALastingHoldFailsInTimeAndLosesNothing)
{
    for (const int format : { 1, 0 })
    {
        SCOPED_TRACE ("format " + std::to_string (format));
        TestSupport::TempFolder temp;
        const auto binary = TestSupport::binaryIn (temp.root, format);
        ASSERT_EQ (InstallEngine::installFormat (temp.root, product, format, embeddedArchive (format)), Outcome::done);
        const auto before = snapshot (temp.root);
        {
            Holder holder (binary);
            ASSERT_TRUE (holder.isHolding());
            EXPECT_LT (millisecondsFor ([&]
                                        { EXPECT_EQ (InstallEngine::installFormat (temp.root, product, format, embeddedArchive (format)), Outcome::oldItemNotSetAside); }),
                       lastingHoldBoundMs);
            EXPECT_EQ (InstallEngine::uninstallFormat (temp.root, product, format), Outcome::itemNotRemoved);
        }

        EXPECT_EQ (snapshot (temp.root), before) << "nothing of the failed runs beside the old copy";
        EXPECT_EQ (InstallEngine::uninstallFormat (temp.root, product, format), Outcome::done);
        EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray());
    }

    installWithTheNewFileHeld (-1);
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
        ASSERT_EQ (InstallEngine::installFormat (temp.root, product, format, embeddedArchive (format)), Outcome::done);
        const auto size = held.getSize();

        for (const bool uninstall : { false, true })
        {
            Holder holder (held, 1000);
            ASSERT_TRUE (holder.isHolding());
            EXPECT_EQ (uninstall ? InstallEngine::uninstallFormat (temp.root, product, format)
                                 : InstallEngine::installFormat (temp.root, product, format, embeddedArchive (format)),
                       Outcome::done)
                << (uninstall ? "uninstall" : "update");
            EXPECT_TRUE (holder.hasLetGo()) << "the call outlasted the hold";
            EXPECT_EQ (TestSupport::namesIn (temp.root), uninstall ? juce::StringArray() : juce::StringArray (target.getFileName()));
            EXPECT_EQ (held.getSize(), uninstall ? 0 : size);
        }
    }
}

// A scanner holding each installed plug-in for good: one click on all three formats still returns
// within its budget, well before Windows would judge the window hung.
TEST (InstallEngineHolds, LastingHoldsOnAllFormatsKeepOneClickWithinItsBudget)
{
    TestSupport::TempFolder temp;
    Product::PerFormat<juce::File> folders;
    std::vector<std::unique_ptr<Holder>> holders;

    for (int format = 0; format < 3; ++format)
    {
        folders[(size_t) format] = temp.root.getChildFile (juce::String (format));
        ASSERT_EQ (InstallEngine::installFormat (folders[(size_t) format], product, format, embeddedArchive (format)), Outcome::done);
        holders.push_back (std::make_unique<Holder> (TestSupport::binaryIn (folders[(size_t) format], format)));
        ASSERT_TRUE (holders.back()->isHolding());
    }

    Product::PerFormat<bool> all { true, true, true };
    PlatformFiles::ScopedLockWait budget;
    bool verdict = true;
    const auto took = millisecondsFor ([&]
                                       { verdict = InstallEngine::run (all, folders, product, false); });

    EXPECT_FALSE (verdict);
    EXPECT_LE (budget.waitedMs(), PlatformFiles::ScopedLockWait::maxWaitInAllMs);
    EXPECT_GT (budget.waitedMs(), 0) << "the holds were waited on at all";
    EXPECT_LT (took, lastingHoldBoundMs) << "waiting, and unpacking three archives";
}

// A host keeps the plug-in loaded (LoadLibraryW) while the user updates or uninstalls it: Windows
// lets the DLL and its folders be renamed but not deleted. The update puts the new binary in
// place and succeeds; the uninstall leaves nothing under the item's name; what is left of the old
// copy is renamed out of hosts' sight and registered for removal at the next restart, and the
// first run after the host has let go removes it.
TEST (InstallEngineHolds, ALoadedPlugInIsUpdatedAndUninstalledWithNoSecondCopyInSight)
{
    for (int format = 0; format < 3; ++format)
    {
        for (const bool uninstall : { false, true })
        {
            SCOPED_TRACE ("format " + std::to_string (format) + (uninstall ? ", uninstall" : ", update"));
            TestSupport::TempFolder temp;
            const auto target = InstalledState::targetPath (temp.root, product, format);
            const auto binary = TestSupport::binaryIn (temp.root, format);
            const auto oldArchive = WindowsTestHelpers::archiveWithLoadableBinary (format, "old");
            const auto newArchive = WindowsTestHelpers::archiveWithLoadableBinary (format, "the new one");
            ASSERT_EQ (InstallEngine::installFormat (temp.root, product, format, dataOf (oldArchive)), Outcome::done);
            const auto oldSize = binary.getSize();

            {
                Holder host (binary, -1, Holder::Hold::loaded);
                ASSERT_TRUE (host.isHolding()) << "the DLL loads";

                EXPECT_EQ (uninstall ? InstallEngine::uninstallFormat (temp.root, product, format)
                                     : InstallEngine::installFormat (temp.root, product, format, dataOf (newArchive)),
                           Outcome::done);
                EXPECT_EQ (copiesInSight (temp.root), uninstall ? juce::StringArray() : juce::StringArray (target.getFileName()));
                EXPECT_EQ (binary.getSize(), uninstall ? 0 : oldSize + 8) << "the new binary in place";

                const auto left = TestSupport::namesIn (temp.root);
                ASSERT_EQ (left.size(), uninstall ? 1 : 2) << left.joinIntoString (", ");
                const auto leftover = temp.root.getChildFile (left[left.indexOf (target.getFileName()) == 0 ? 1 : 0]);
                EXPECT_TRUE (SiblingNames::isSibling (leftover.getFileName(), target.getFileName()));
                EXPECT_TRUE (pendingRemovals().contains (leftover.getFullPathName())) << "registered for the next restart";

                EXPECT_EQ (InstallEngine::uninstallFormat (temp.root, product, format), Outcome::done) << "while still loaded";
                EXPECT_EQ (copiesInSight (temp.root), juce::StringArray());
            }

            EXPECT_EQ (InstallEngine::uninstallFormat (temp.root, product, format), Outcome::done);
            EXPECT_EQ (TestSupport::namesIn (temp.root), juce::StringArray()) << "clean once the host has let go";
        }
    }
}
#endif
