#include "EmbeddedArchives.h"

#if JUCE_LINUX || JUCE_MAC || JUCE_BSD
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace
{
// Small enough that the pages waiting to be dropped cost little, large enough that the extra
// system calls do not show next to inflating.
constexpr size_t chunkSize = 1 << 20;

/** Tells the system that the image's whole pages in [begin, end) are no longer needed. */
void releaseImagePages (const char* begin, const char* end)
{
#if JUCE_LINUX || JUCE_MAC || JUCE_BSD
    static const auto pageSize = (uintptr_t) sysconf (_SC_PAGESIZE);

    // Only whole pages that lie inside the archive: its neighbours in the image may be in use.
    const auto first = ((uintptr_t) begin + pageSize - 1) & ~(pageSize - 1);
    const auto last = (uintptr_t) end & ~(pageSize - 1);

    // The pages are read-only and backed by the executable file, so dropping them loses
    // nothing; a later read faults them back in from the file.
    if (last > first)
        madvise ((void*) first, last - first, MADV_DONTNEED);
#else
    juce::ignoreUnused (begin, end);
#endif
}
} // namespace

juce::MemoryBlock copyArchive (ArchiveData archive)
{
    if (archive.data == nullptr)
        return {};

    if (! archive.inExecutableImage)
        return juce::MemoryBlock (archive.data, archive.size);

    juce::MemoryBlock copy (archive.size, false);
    const auto* source = static_cast<const char*> (archive.data);
    auto* destination = static_cast<char*> (copy.getData());

    for (size_t done = 0; done < archive.size; done += chunkSize)
    {
        const auto n = juce::jmin (chunkSize, archive.size - done);
        std::memcpy (destination + done, source + done, n);

        // From the archive's start each time, so that no page straddling two chunks is missed;
        // advising pages already dropped again costs next to nothing.
        releaseImagePages (source, source + done + n);
    }

    return copy;
}
