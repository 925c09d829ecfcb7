#include "ArchiveInputStream.h"

#if JUCE_LINUX || JUCE_MAC || JUCE_BSD
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace
{
// Pages are given back a megabyte at a time: each call makes every processor flush its address
// translations, which at one call per read cost more than the inflating.
constexpr size_t releaseBatch = 1 << 20;

/** Tells the system that the image's whole pages in [begin, end) are no longer needed once they
    make up a batch, and returns where the last of them ends (begin when they were kept). */
const char* releaseImagePages (const char* begin, const char* end)
{
#if JUCE_LINUX || JUCE_MAC || JUCE_BSD
    static const auto pageSize = (uintptr_t) sysconf (_SC_PAGESIZE);

    // Only whole pages that lie inside what was read: the neighbours may be in use.
    const auto first = ((uintptr_t) begin + pageSize - 1) & ~(pageSize - 1);
    const auto last = (uintptr_t) end & ~(pageSize - 1);

    // The pages are read-only and backed by the executable file, so dropping them loses
    // nothing; a later read faults them back in from the file.
    if (last > first && last - first >= releaseBatch)
    {
        madvise ((void*) first, last - first, MADV_DONTNEED);
        return (const char*) last;
    }

    return begin;
#else
    // Windows trims a process's working set itself; there is no call to drop image pages early.
    juce::ignoreUnused (end);
    return begin;
#endif
}
} // namespace

ArchiveInputStream::ArchiveInputStream (ArchiveData archiveToRead)
    : archive (archiveToRead.data != nullptr ? archiveToRead : ArchiveData {}),
      releasedUpTo (static_cast<const char*> (archive.data))
{
}

juce::int64 ArchiveInputStream::getTotalLength() { return (juce::int64) archive.size; }

bool ArchiveInputStream::isExhausted() { return position >= archive.size; }

juce::int64 ArchiveInputStream::getPosition() { return (juce::int64) position; }

bool ArchiveInputStream::setPosition (juce::int64 newPosition)
{
    const auto wanted = (size_t) juce::jlimit ((juce::int64) 0, (juce::int64) archive.size, newPosition);

    if (wanted != position)
    {
        position = wanted;
        releasedUpTo = static_cast<const char*> (archive.data) + position;
    }

    return true;
}

int ArchiveInputStream::read (void* destBuffer, int maxBytesToRead)
{
    jassert (destBuffer != nullptr && maxBytesToRead >= 0);

    const auto n = juce::jmin ((size_t) juce::jmax (0, maxBytesToRead), archive.size - position);

    if (n == 0)
        return 0;

    const auto* bytes = static_cast<const char*> (archive.data);
    std::memcpy (destBuffer, bytes + position, n);
    position += n;

    // From where the run's pages were last given back, so that a page straddling two reads is
    // given back once the second has read it too.
    if (archive.inExecutableImage)
        releasedUpTo = releaseImagePages (releasedUpTo, bytes + position);

    return (int) n;
}
