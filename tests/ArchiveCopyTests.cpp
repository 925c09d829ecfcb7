#include "EmbeddedArchives.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <fcntl.h>
#include <unistd.h>

namespace
{
// A read-only, file-backed mapping: the same kind of memory as the archives in the executable.
struct MappedFile
{
    explicit MappedFile (const juce::MemoryBlock& contents)
    {
        file.getFile().replaceWithData (contents.getData(), contents.getSize());
        fd = open (file.getFile().getFullPathName().toRawUTF8(), O_RDONLY);
        size = contents.getSize();
        data = mmap (nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    }

    ~MappedFile()
    {
        munmap (data, size);
        close (fd);
    }

    juce::TemporaryFile file;
    int fd = -1;
    size_t size = 0;
    void* data = nullptr;
};

juce::MemoryBlock pattern (size_t size)
{
    juce::MemoryBlock block (size, false);
    juce::Random random (42);
    random.fillBitsRandomly (block.getData(), block.getSize());
    return block;
}
} // namespace

TEST (ArchiveCopy, ImageBytesAreCopiedExactlyAndStayReadableAfterTheirPagesAreDropped)
{
    // Not a multiple of a page or of the copy's chunk, so partial pages at both ends are covered.
    const auto contents = pattern ((3u << 20) + 12345);
    MappedFile mapped (contents);
    ASSERT_NE (mapped.data, MAP_FAILED);

    // An offset start, like an array in the middle of a data section.
    const auto* start = static_cast<const char*> (mapped.data) + 100;
    const ArchiveData archive { start, contents.getSize() - 200, true };

    const auto copy = copyArchive (archive);
    ASSERT_EQ (copy.getSize(), archive.size);
    EXPECT_EQ (std::memcmp (copy.getData(), start, archive.size), 0);

    // Dropped pages come back from the file with their bytes, and the ones outside the archive
    // were never touched.
    EXPECT_EQ (std::memcmp (mapped.data, contents.getData(), contents.getSize()), 0);

    // A second install of the same format reads the same bytes again.
    EXPECT_EQ (copyArchive (archive), copy);
}

TEST (ArchiveCopy, MemoryTheProgramOwnsIsCopiedAndLeftAlone)
{
    const auto contents = pattern ((2u << 20) + 7);
    const auto copy = copyArchive ({ contents.getData(), contents.getSize(), false });

    EXPECT_EQ (copy, contents);
    EXPECT_EQ (copyArchive ({ nullptr, 0, false }).getSize(), 0u);
}
