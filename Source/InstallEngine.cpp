#include "InstallEngine.h"

#include "InstalledState.h"

#include <new>

namespace InstallEngine
{
namespace
{
    // Hidden siblings of the item inside its own install folder, so every rename stays on one
    // volume. Detection only ever looks at the exact item name, so it never mistakes them for it.
    juce::File uniqueSibling (const juce::File& folder, const juce::String& itemName, const char* role)
    {
        for (;;)
        {
            const auto candidate = folder.getChildFile ("." + itemName + "." + role + "-" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt()));

            if (! InstalledState::somethingAt (candidate))
                return candidate;
        }
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
    // the disk: JUCE's own copy ignores a short write, so a full disk would pass unnoticed.
    bool extractEntry (juce::ZipFile& zip, int index, const juce::File& staging)
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

            for (;;)
            {
                const auto n = in->read (buffer, chunk);

                if (n <= 0)
                    break;

                if (! out.write (buffer, (size_t) n))
                    return false;

                written += n;
            }

            if (written != entry->uncompressedSize || ! in->isExhausted())
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

        const auto staging = uniqueSibling (installFolder, itemName, "qf-staging");

        if (! staging.createDirectory().wasOk())
            return {};

        bool ok = true;

        {
            juce::ZipFile zip (new juce::MemoryInputStream (*copy, false), true);

            for (int i = 0; ok && i < zip.getNumEntries(); ++i)
                ok = extractEntry (zip, i, staging);
        }

        if (! ok)
        {
            staging.deleteRecursively (false);
            return {};
        }

        return staging;
    }
} // namespace

bool uninstallFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex)
{
    if (! InstalledState::isUsableInstallFolder (installFolder))
        return false;

    const auto target = InstalledState::targetPath (installFolder, productName, formatIndex);

    // Not following links: a link inside a bundle goes, the folder it points at stays.
    target.deleteRecursively (false);
    return ! InstalledState::somethingAt (target);
}

bool installFormat (const juce::File& installFolder, const juce::String& productName, int formatIndex, ArchiveData archive)
{
    if (! InstalledState::isUsableInstallFolder (installFolder) || archive.data == nullptr)
        return false;

    if (! installFolder.createDirectory().wasOk())
        return false;

    const auto itemName = InstalledState::itemName (productName, formatIndex);
    const auto target = InstalledState::targetPath (installFolder, productName, formatIndex);
    const auto staging = stageArchive (installFolder, itemName, archive);

    if (staging == juce::File())
        return false;

    const auto staged = staging.getChildFile (itemName);

    // An archive without entries installs nothing, changes nothing and still succeeds.
    if (! InstalledState::somethingAt (staged))
    {
        staging.deleteRecursively (false);
        return true;
    }

    juce::File aside;
    juce::String oldLink;

    // A link at the target path is replaced as a link, never entered. It can be made again
    // from its text if the swap fails, and moveFileTo() cannot move a dangling one.
    if (target.isSymbolicLink())
    {
        oldLink = target.getNativeLinkedTarget();

        if (! target.deleteFile())
        {
            staging.deleteRecursively (false);
            return false;
        }
    }

    // The old item is only set aside until the new one is in place, so a failed swap can
    // always put it back: the user is never left without a working plug-in.
    if (InstalledState::somethingAt (target))
    {
        aside = uniqueSibling (installFolder, itemName, "qf-old");

        if (! target.moveFileTo (aside))
        {
            staging.deleteRecursively (false);
            return false;
        }
    }

    if (! staged.moveFileTo (target))
    {
        if (aside != juce::File())
            aside.moveFileTo (target);
        else if (oldLink.isNotEmpty())
            juce::File::createSymbolicLink (target, oldLink, false);

        staging.deleteRecursively (false);
        return false;
    }

    staging.deleteRecursively (false);

    if (aside != juce::File())
        aside.deleteRecursively (false);

    return true;
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
