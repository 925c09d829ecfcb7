#include "InstallEngine.h"

#include "EntryChecksums.h"
#include "InstalledState.h"
#include "PlatformFiles.h"

#include <new>

namespace InstallEngine
{
namespace
{
    const char* const stagingRole = "qf-staging";
    const char* const asideRole = "qf-old";

    // Siblings of the item inside its own install folder, so every rename stays on one volume.
    // Detection only ever looks at the exact item name, so it never mistakes them for it; the
    // leading dot and, on Windows, the hidden attribute keep them out of sight while they exist.
    juce::String siblingPrefix (const juce::String& itemName, const char* role)
    {
        return "." + itemName + "." + role + "-";
    }

    juce::File uniqueSibling (const juce::File& folder, const juce::String& itemName, const char* role)
    {
        for (;;)
        {
            const auto candidate = folder.getChildFile (siblingPrefix (itemName, role) + juce::String::toHexString (juce::Random::getSystemRandom().nextInt()));

            if (! InstalledState::somethingAt (candidate))
                return candidate;
        }
    }

    bool isSiblingName (const juce::String& name, const juce::String& itemName)
    {
        for (const auto* role : { stagingRole, asideRole })
        {
            const auto prefix = siblingPrefix (itemName, role);

            if (name.startsWith (prefix))
            {
                const auto suffix = name.substring (prefix.length());
                return suffix.isNotEmpty() && suffix.length() <= 8 && suffix.containsOnly ("0123456789abcdef");
            }
        }

        return false;
    }

    // Depth first and never into a link: a link inside the item goes, what it points to stays.
    // Read-only entries go like any other.
    bool removeTree (const juce::File& f)
    {
        if (! InstalledState::somethingAt (f))
            return true;

        if (f.isDirectory() && ! PlatformFiles::isLink (f))
            for (const auto& child : f.findChildFiles (juce::File::findFilesAndDirectories, false))
                removeTree (child);

        PlatformFiles::removeEntry (f);
        return ! InstalledState::somethingAt (f);
    }

    // Staging folders and set-aside items that a run killed half way left behind: each holds a
    // whole or partial copy of the plug-in that a host scanning the folder could load.
    bool removeSiblings (const juce::File& folder, const juce::String& itemName)
    {
        bool allGone = true;

        for (const auto& child : folder.findChildFiles (juce::File::findFilesAndDirectories, false))
            if (isSiblingName (child.getFileName(), itemName))
                allGone = removeTree (child) && allGone;

        return allGone;
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

    // One entry into the staging folder. Like ZipFile::uncompressEntry, but a link entry is
    // refused rather than created, and a file only counts as written when every byte reached
    // the disk (JUCE's own copy ignores a short write, so a full disk would pass unnoticed) and
    // the bytes are the ones the archive recorded: ZipFile never checks an entry's CRC-32, and
    // damaged deflate data can inflate to the full length.
    bool extractEntry (juce::ZipFile& zip, int index, juce::uint32 recordedChecksum, const juce::File& staging)
    {
        const auto* entry = zip.getEntry (index);

        if (entry == nullptr || entry->isSymbolicLink)
            return false;

        const auto path = entry->filename.replaceCharacter ('\\', '/');

        if (path.isEmpty())
            return true;

        const auto target = staging.getChildFile (path);

        if (! isInside (staging, target) || leadsThroughLink (staging, target.getParentDirectory()))
            return false;

        if (path.endsWithChar ('/'))
            return target.createDirectory().wasOk();

        if (! target.getParentDirectory().createDirectory().wasOk())
            return false;

        std::unique_ptr<juce::InputStream> in (zip.createStreamForEntry (index));

        if (in == nullptr)
            return false;

        {
            // Large reads, written as they come: inflating dominates, and JUCE's default 8 KB
            // chunks through a 16 KB buffer add measurable overhead on 17 MB binaries. The
            // stream is unbuffered, so a write that fails always fails here, and flush() is
            // never needed: JUCE's flush() and truncate() sync the file to disk, which made
            // every entry wait for the drive.
            constexpr int chunk = 256 * 1024;
            juce::FileOutputStream out (target, 0);

            if (out.failedToOpen())
                return false;

            // Only a name listed twice in the archive is already there.
            if (out.getPosition() > 0 && (! out.setPosition (0) || ! out.truncate().wasOk()))
                return false;

            juce::HeapBlock<char> buffer ((size_t) chunk);
            juce::int64 written = 0;
            juce::uint32 checksum = 0;

            for (;;)
            {
                const auto n = in->read (buffer, chunk);

                if (n <= 0)
                    break;

                if (! out.write (buffer, (size_t) n))
                    return false;

                // While the chunk is still in the cache.
                checksum = EntryChecksums::update (checksum, buffer, (size_t) n);
                written += n;
            }

            if (written != entry->uncompressedSize || ! in->isExhausted() || checksum != recordedChecksum)
                return false;

            if (! out.getStatus().wasOk())
                return false;
        }

        target.setCreationTime (entry->fileTime);
        target.setLastModificationTime (entry->fileTime);
        target.setLastAccessTime (entry->fileTime);
        return true;
    }

    // Unpacks the whole archive into a fresh staging folder and returns that folder, or an
    // empty File (with the staging folder removed) when anything failed.
    juce::File stageArchive (const juce::File& installFolder, const juce::String& itemName, ArchiveData archive)
    {
        std::unique_ptr<juce::MemoryBlock> copy;

        try
        {
            copy = std::make_unique<juce::MemoryBlock> (copyArchive (archive));
        }
        catch (const std::bad_alloc&)
        {
            return {};
        }

        const auto staging = uniqueSibling (installFolder, itemName, stagingRole);

        if (! staging.createDirectory().wasOk())
            return {};

        PlatformFiles::setHidden (staging, true);

        bool ok = true;

        {
            juce::ZipFile zip (new juce::MemoryInputStream (*copy, false), true);
            const auto checksums = EntryChecksums::recorded (*copy, zip);
            ok = checksums.has_value();

            for (int i = 0; ok && i < zip.getNumEntries(); ++i)
                ok = extractEntry (zip, i, (*checksums)[(size_t) i], staging);
        }

        if (! ok)
        {
            removeTree (staging);
            return {};
        }

        return staging;
    }
} // namespace

bool uninstallFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex)
{
    if (! InstalledState::isUsableInstallFolder (installFolder))
        return false;

    const PlatformFiles::ScopedLockWait waitForBriefLocks;

    const auto itemName = InstalledState::itemName (productName, formatIndex);
    const bool siblingsGone = removeSiblings (installFolder, itemName);
    const bool itemGone = removeTree (InstalledState::targetPath (installFolder, productName, formatIndex));
    return siblingsGone && itemGone;
}

bool installFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex, ArchiveData archive)
{
    if (! InstalledState::isUsableInstallFolder (installFolder) || archive.data == nullptr)
        return false;

    if (! installFolder.createDirectory().wasOk())
        return false;

    const PlatformFiles::ScopedLockWait waitForBriefLocks;

    const auto itemName = InstalledState::itemName (productName, formatIndex);
    const auto target = InstalledState::targetPath (installFolder, productName, formatIndex);

    // One that cannot go now is tried again at the end, and then fails the format.
    removeSiblings (installFolder, itemName);

    const auto staging = stageArchive (installFolder, itemName, archive);

    if (staging == juce::File())
        return false;

    const auto staged = staging.getChildFile (itemName);

    // An archive without entries installs nothing, changes nothing and still succeeds.
    if (! InstalledState::somethingAt (staged))
        return removeTree (staging) && removeSiblings (installFolder, itemName);

    // The old item, a link as the link itself, is only set aside until the new one is in place,
    // so a failed swap can put it back: the user is never left without a working plug-in.
    juce::File aside;
    bool asideWasHidden = false;

    if (InstalledState::somethingAt (target))
    {
        aside = uniqueSibling (installFolder, itemName, asideRole);
        asideWasHidden = PlatformFiles::isHidden (target);

        if (! PlatformFiles::moveEntry (target, aside))
        {
            removeTree (staging);
            return false;
        }

        PlatformFiles::setHidden (aside, true);
    }

    if (! PlatformFiles::moveEntry (staged, target))
    {
        // If the old item cannot be put back either, it goes: a full copy under a hidden name is
        // the second plug-in a host would find. The verdict is false either way.
        if (aside != juce::File())
        {
            if (PlatformFiles::moveEntry (aside, target))
                PlatformFiles::setHidden (target, asideWasHidden);
            else
                removeTree (aside);
        }

        removeTree (staging);
        return false;
    }

    removeTree (staging);
    return removeSiblings (installFolder, itemName);
}

bool run (std::array<bool, 3>& selected,
          const std::array<juce::File, 3>& installFolders,
          const juce::String& productName,
          bool uninstall)
{
    bool anyProcessed = false;
    bool allSucceeded = true;

    for (size_t i = 0; i < selected.size(); ++i)
    {
        if (! selected[i])
            continue;

        const auto format = (int) i;
        const bool outcome = uninstall ? uninstallFormat (installFolders[i], productName, format)
                                       : installFormat (installFolders[i], productName, format, embeddedArchive (format));

        selected[i] = false;
        anyProcessed = true;
        allSucceeded = allSucceeded && outcome;
    }

    return anyProcessed && allSucceeded;
}
} // namespace InstallEngine
