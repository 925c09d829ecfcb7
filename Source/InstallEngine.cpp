#include "InstallEngine.h"

#include "ArchiveInputStream.h"
#include "EntryChecksums.h"
#include "InstalledState.h"
#include "PlatformFiles.h"
#include "SiblingNames.h"

#include <cstring>
#include <optional>

namespace InstallEngine
{
namespace
{
    using PlatformFiles::somethingAt;
    using Share = PlatformFiles::ScopedLockWait::Share;
    using ScopedShare = PlatformFiles::ScopedLockWait::ScopedShare;
    using SiblingNames::Role;

    // One click waits from one budget: a format handled by run() shares the run's, one handled
    // on its own gets one of its own.
    struct Budget
    {
        Budget()
        {
            if (PlatformFiles::ScopedLockWait::current() == nullptr)
                own.emplace();
        }

        std::optional<PlatformFiles::ScopedLockWait> own;
    };

    // The entry and everything below it, children before their folders, never into a link.
    void collectDepthFirst (const juce::File& f, juce::Array<juce::File>& entries)
    {
        if (f.isDirectory() && ! PlatformFiles::isLink (f))
            for (const auto& child : f.findChildFiles (juce::File::findFilesAndDirectories, false))
                collectDepthFirst (child, entries);

        entries.add (f);
    }

    // Depth first and never into a link: a link inside the item goes, what it points to stays.
    // Read-only entries go like any other.
    bool removeTree (const juce::File& f)
    {
        if (! somethingAt (f))
            return true;

        if (f.isDirectory() && ! PlatformFiles::isLink (f))
            for (const auto& child : f.findChildFiles (juce::File::findFilesAndDirectories, false))
                removeTree (child);

        PlatformFiles::removeEntry (f);
        return ! somethingAt (f);
    }

    bool anyLoadableNameBelow (const juce::File& root)
    {
        juce::Array<juce::File> entries;
        collectDepthFirst (root, entries);

        for (const auto& f : entries)
            if (f != root && SiblingNames::isLoadable (f.getFileName()))
                return true;

        return false;
    }

    /** Names below a copy that were hidden, in the order they get their real names back. */
    using HiddenNames = juce::Array<juce::File>;

    juce::File realNameOf (const juce::File& hidden)
    {
        return hidden.getSiblingFile (hidden.getFileName().dropLastCharacters ((int) std::strlen (SiblingNames::hiddenSuffix)));
    }

    // Hides every name below the root that hosts would load, children before their folders; the
    // names to give back come out in the reverse order, folders before what is in them, so each
    // path is the one it had when it was hidden.
    bool hideLoadableNames (const juce::File& root, HiddenNames& hidden)
    {
        juce::Array<juce::File> entries;
        collectDepthFirst (root, entries);
        bool allHidden = true;

        for (const auto& f : entries)
        {
            if (f == root || ! SiblingNames::isLoadable (f.getFileName()))
                continue;

            const auto to = f.getSiblingFile (f.getFileName() + SiblingNames::hiddenSuffix);

            if (PlatformFiles::moveEntry (f, to))
                hidden.insert (0, to);
            else
                allHidden = false;
        }

        return allHidden;
    }

    bool restoreNames (const HiddenNames& hidden)
    {
        for (const auto& f : hidden)
            if (! PlatformFiles::moveEntry (f, realNameOf (f)))
                return false;

        return true;
    }

    // Children before their folders, as the session manager carries them out in order. A link
    // is never registered, so a tree with one in it stays for the next run.
    bool removeRestAtRestart (const juce::File& root)
    {
        juce::Array<juce::File> entries;
        collectDepthFirst (root, entries);
        bool allRegistered = true;

        for (const auto& f : entries)
            if (somethingAt (f))
                allRegistered = PlatformFiles::removeAtRestart (f) && allRegistered;

        return allRegistered;
    }

    // Clean-up of a copy beside the item that nothing needs any more: it never waits, since its
    // outcome never decides whether the user's plug-in was installed. What a host has loaded
    // cannot be deleted but can be renamed, so it stays with its inner names hidden, for the next
    // run or the next restart to remove. True if nothing of it is left in sight, and nothing of it
    // at all unless the rest is registered for removal at restart.
    bool discard (const juce::File& copy)
    {
        const ScopedShare noWaiting (Share::none);
        HiddenNames hidden;
        hideLoadableNames (copy, hidden);

        if (removeTree (copy))
            return true;

        return ! anyLoadableNameBelow (copy) && removeRestAtRestart (copy);
    }

    // Staging copies and set-aside items of this item that an earlier run left, whole or not.
    bool sweepSiblings (const juce::File& folder, const juce::String& itemName)
    {
        bool allGone = true;

        for (const auto& child : folder.findChildFiles (juce::File::findFilesAndDirectories, false))
            if (SiblingNames::isSibling (child.getFileName(), itemName))
                allGone = discard (child) && allGone;

        return allGone;
    }

    struct SetAside
    {
        juce::File copy;
        HiddenNames hidden;
        bool wasHidden = false;
    };

    // Puts a set-aside item back under its real name. It has the reserved share of the budget,
    // which ordinary waiting never reaches. When even that fails, the item is never deleted: it
    // stays whole under its sibling name, out of sight, and the next run's sweep removes it.
    bool putBack (const SetAside& aside, const juce::File& target)
    {
        const ScopedShare reserve (Share::putBack);

        if (restoreNames (aside.hidden) && PlatformFiles::moveEntry (aside.copy, target))
        {
            PlatformFiles::setHidden (target, aside.wasHidden);
            return true;
        }

        HiddenNames again;
        hideLoadableNames (aside.copy, again);
        return false;
    }

    // One rename takes the item away from its name (a link as the link itself), and then every
    // name inside it that hosts load is hidden. If that cannot be done, it goes back.
    enum class Aside
    {
        done,
        notMoved,
        putBack,
        leftAside
    };

    Aside setAside (const juce::File& target, const juce::String& itemName, SetAside& aside)
    {
        aside.copy = SiblingNames::unused (target.getParentDirectory(), itemName, Role::setAside);
        aside.wasHidden = PlatformFiles::isHidden (target);

        if (! PlatformFiles::moveEntry (target, aside.copy))
            return Aside::notMoved;

        PlatformFiles::setHidden (aside.copy, true);

        if (hideLoadableNames (aside.copy, aside.hidden))
            return Aside::done;

        return putBack (aside, target) ? Aside::putBack : Aside::leftAside;
    }

    // By path text rather than File::isAChildOf(), which walks parents recursively and can run
    // away on malformed names; entry names come from the archive, so they are not trusted.
    bool isInside (const juce::File& root, const juce::File& f)
    {
        return f.getFullPathName().startsWith (juce::File::addTrailingSeparator (root.getFullPathName()));
    }

    bool leadsThroughLink (const juce::File& root, juce::File f)
    {
        for (; isInside (root, f); f = f.getParentDirectory())
            if (f.isSymbolicLink())
                return true;

        return false;
    }

    // Where an archive entry lands in the staging copy, which is the item under another name: the
    // entry's path below the item, each part of it that hosts would load hidden (and noted in the
    // order to give the names back, deepest first). Nothing for an entry outside the item, or one
    // with a part that already ends like a hidden name and would meet a hidden one.
    std::optional<juce::File> stagedPlace (const juce::String& entryPath, const juce::String& itemName, const juce::File& staging, HiddenNames& hidden)
    {
        if (entryPath != itemName && ! entryPath.startsWith (itemName + "/"))
            return {};

        auto place = staging;

        for (const auto& part : juce::StringArray::fromTokens (entryPath.substring (itemName.length()), "/", {}))
        {
            if (part.isEmpty())
                continue;

            if (part.trimCharactersAtEnd (". ").endsWithIgnoreCase (SiblingNames::hiddenSuffix))
                return {};

            if (! SiblingNames::isLoadable (part))
            {
                place = place.getChildFile (part);
                continue;
            }

            place = place.getChildFile (part + SiblingNames::hiddenSuffix);

            if (! hidden.contains (place))
            {
                int at = 0;

                while (at < hidden.size() && hidden[at].getFullPathName().length() >= place.getFullPathName().length())
                    ++at;

                hidden.insert (at, place);
            }
        }

        return place;
    }

    // One entry into the staging copy. Like ZipFile::uncompressEntry, but a link entry is
    // refused rather than created, and a file only counts as written when every byte reached
    // the disk (JUCE's own copy ignores a short write, so a full disk would pass unnoticed) and
    // the bytes are the ones the archive recorded: ZipFile never checks an entry's CRC-32, and
    // damaged deflate data can inflate to the full length.
    Outcome extractEntry (juce::ZipFile& zip, int index, juce::uint32 recordedChecksum, const juce::String& itemName, const juce::File& staging, HiddenNames& hidden)
    {
        const auto* entry = zip.getEntry (index);

        if (entry == nullptr || entry->isSymbolicLink)
            return Outcome::entryRefused;

        const auto path = entry->filename.replaceCharacter ('\\', '/');

        if (path.isEmpty())
            return Outcome::done;

        const auto place = stagedPlace (path, itemName, staging, hidden);

        if (! place.has_value() || ! (*place == staging || isInside (staging, *place)) || leadsThroughLink (staging, place->getParentDirectory()))
            return Outcome::entryRefused;

        const auto& target = *place;

        if (path.endsWithChar ('/'))
            return target.createDirectory().wasOk() ? Outcome::done : Outcome::entryNotWritten;

        if (! target.getParentDirectory().createDirectory().wasOk())
            return Outcome::entryNotWritten;

        std::unique_ptr<juce::InputStream> in (zip.createStreamForEntry (index));

        if (in == nullptr)
            return Outcome::entryNotWritten;

        {
            // Large reads, written as they come: inflating dominates, and JUCE's default 8 KB
            // chunks through a 16 KB buffer add measurable overhead on 17 MB binaries. The
            // stream is unbuffered, so a write that fails always fails here, and flush() is
            // never needed: JUCE's flush() and truncate() sync the file to disk, which made
            // every entry wait for the drive.
            constexpr int chunk = 256 * 1024;
            juce::FileOutputStream out (target, 0);

            if (out.failedToOpen())
                return Outcome::entryNotWritten;

            // Only a name listed twice in the archive is already there.
            if (out.getPosition() > 0 && (! out.setPosition (0) || ! out.truncate().wasOk()))
                return Outcome::entryNotWritten;

            juce::HeapBlock<char> buffer ((size_t) chunk);
            juce::int64 written = 0;
            juce::uint32 checksum = 0;

            for (;;)
            {
                const auto n = in->read (buffer, chunk);

                if (n <= 0)
                    break;

                if (! out.write (buffer, (size_t) n))
                    return Outcome::entryNotWritten;

                // While the chunk is still in the cache.
                checksum = EntryChecksums::update (checksum, buffer, (size_t) n);
                written += n;
            }

            if (written != entry->uncompressedSize || ! in->isExhausted() || checksum != recordedChecksum)
                return Outcome::entryNotWritten;

            if (! out.getStatus().wasOk())
                return Outcome::entryNotWritten;
        }

        target.setCreationTime (entry->fileTime);
        target.setLastModificationTime (entry->fileTime);
        target.setLastAccessTime (entry->fileTime);
        return Outcome::done;
    }

    struct Stage
    {
        juce::File copy;
        HiddenNames hidden;
    };

    // Unpacks the whole archive into a fresh staging copy of the item, every name hosts would
    // load hidden. On failure nothing of it stays in sight.
    Outcome stageArchive (const juce::File& installFolder, const juce::String& itemName, ArchiveData archive, Stage& stage)
    {
        stage.copy = SiblingNames::unused (installFolder, itemName, Role::staging);
        auto outcome = Outcome::done;

        {
            juce::ZipFile zip (new ArchiveInputStream (archive), true);
            const auto checksums = EntryChecksums::recorded (archive, zip);

            if (! checksums.has_value())
                outcome = Outcome::archiveUnreadable;

            for (int i = 0; outcome == Outcome::done && i < zip.getNumEntries(); ++i)
            {
                const bool existed = somethingAt (stage.copy);
                outcome = extractEntry (zip, i, (*checksums)[(size_t) i], itemName, stage.copy, stage.hidden);

                if (! existed && somethingAt (stage.copy))
                    PlatformFiles::setHidden (stage.copy, true);
            }
        }

        if (outcome != Outcome::done)
            discard (stage.copy);

        return outcome;
    }

    // Gives the staging copy its real names back and renames it into place.
    bool putInPlace (const Stage& stage, const juce::File& target)
    {
        if (! restoreNames (stage.hidden) || ! PlatformFiles::moveEntry (stage.copy, target))
            return false;

        // The item in place never keeps the attribute that hid its staging copy.
        PlatformFiles::setHidden (target, false);
        return true;
    }
} // namespace

Outcome uninstallFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex)
{
    jassert (Product::isFormatIndex (formatIndex));

    if (! InstalledState::isUsableInstallFolder (installFolder))
        return Outcome::unusableFolder;

    const Budget budget;
    const auto itemName = InstalledState::itemName (productName, formatIndex);
    const auto target = InstalledState::targetPath (installFolder, productName, formatIndex);
    const bool siblingsGone = sweepSiblings (installFolder, itemName);

    if (! somethingAt (target))
        return siblingsGone ? Outcome::done : Outcome::itemNotRemoved;

    // Renamed away first, so that the item is whole under its name until it is gone from it. An
    // item a host has loaded can then not be deleted, but it is out of hosts' sight and goes at
    // the next restart or the next run. That counts as done: the screen then reads NOT INSTALLED,
    // and calling it a failure would only send the user to retry what happens anyway. Failed is
    // an item that could not even be taken out of sight.
    SetAside aside;

    if (setAside (target, itemName, aside) != Aside::done)
        return Outcome::itemNotRemoved;

    return discard (aside.copy) && siblingsGone ? Outcome::done : Outcome::itemNotRemoved;
}

Outcome installFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex, ArchiveData archive)
{
    jassert (Product::isFormatIndex (formatIndex));

    if (! InstalledState::isUsableInstallFolder (installFolder))
        return Outcome::unusableFolder;

    // Nothing is made on disk for an archive that is not there.
    if (archive.data == nullptr)
        return Outcome::archiveUnreadable;

    if (! installFolder.createDirectory().wasOk())
        return Outcome::unusableFolder;

    const Budget budget;
    const auto itemName = InstalledState::itemName (productName, formatIndex);
    const auto target = InstalledState::targetPath (installFolder, productName, formatIndex);

    // Whether these go decides nothing: what is left is out of sight, for a later run.
    sweepSiblings (installFolder, itemName);

    Stage stage;

    if (const auto staged = stageArchive (installFolder, itemName, archive, stage); staged != Outcome::done)
        return staged;

    // An archive without entries installs nothing, changes nothing and still succeeds.
    if (! somethingAt (stage.copy))
        return Outcome::done;

    // The old item, a link as the link itself, is only set aside until the new one is in place,
    // so a failed swap can put it back: the user is never left without a working plug-in. It is
    // out of sight before the staging copy's names come back, so there is never a second copy.
    SetAside aside;

    if (somethingAt (target))
    {
        const auto result = setAside (target, itemName, aside);

        if (result != Aside::done)
        {
            discard (stage.copy);
            return result == Aside::leftAside ? Outcome::oldItemLeftAside : Outcome::oldItemNotSetAside;
        }
    }

    if (! putInPlace (stage, target))
    {
        discard (stage.copy);

        if (aside.copy == juce::File())
            return Outcome::newItemNotPlaced;

        return putBack (aside, target) ? Outcome::newItemNotPlaced : Outcome::oldItemLeftAside;
    }

    // The old copy going is clean-up: in install mode only the new item decides.
    if (aside.copy != juce::File())
        discard (aside.copy);

    return Outcome::done;
}

bool run (Product::PerFormat<bool>& selected,
          const Product::PerFormat<juce::File>& installFolders,
          const juce::String& productName,
          bool uninstall)
{
    const Budget budget;
    bool anyProcessed = false;
    bool allDone = true;

    for (size_t i = 0; i < selected.size(); ++i)
    {
        if (! selected[i])
            continue;

        const auto format = (int) i;
        const auto outcome = uninstall ? uninstallFormat (installFolders[i], productName, format)
                                       : installFormat (installFolders[i], productName, format, embeddedArchive (format));

        selected[i] = false;
        anyProcessed = true;
        allDone = allDone && outcome == Outcome::done;
    }

    return anyProcessed && allDone;
}
} // namespace InstallEngine
