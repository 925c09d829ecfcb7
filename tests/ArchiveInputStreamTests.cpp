#include "ArchiveInputStream.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <fcntl.h>
#include <unistd.h>

namespace
{
// A private, file-backed mapping: the same kind of memory as the archives in the executable. It
// is writable only so that a test can mark bytes that a dropped page would lose.
struct MappedFile
{
    explicit MappedFile (const juce::MemoryBlock& contents)
    {
        file.getFile().replaceWithData (contents.getData(), contents.getSize());
        fd = open (file.getFile().getFullPathName().toRawUTF8(), O_RDONLY);
        size = contents.getSize();
        data = static_cast<char*> (mmap (nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0));
    }

    ~MappedFile()
    {
        munmap (data, size);
        close (fd);
    }

    juce::TemporaryFile file;
    int fd = -1;
    size_t size = 0;
    char* data = nullptr;
};

juce::MemoryBlock pattern (size_t size)
{
    juce::MemoryBlock block (size, false);
    juce::Random random (42);
    random.fillBitsRandomly (block.getData(), block.getSize());
    return block;
}

// Reads like juce::ZipFile does: the end first, then runs of odd-sized reads from jumps.
juce::MemoryBlock readInPieces (juce::InputStream& in)
{
    juce::MemoryBlock result ((size_t) in.getTotalLength(), true);
    auto* out = static_cast<char*> (result.getData());
    const auto total = (int) in.getTotalLength();

    for (const auto jump : { total - 5000, 0, total / 3, total / 3 + 777 })
    {
        in.setPosition (jump);

        while (! in.isExhausted())
        {
            const auto at = (size_t) in.getPosition();
            if (in.read (out + at, 12345) <= 0)
                return {};
        }
    }

    return result;
}
} // namespace

TEST (ArchiveInputStream, ImageBytesReadExactlyAndTheirNeighboursKeepTheirPages)
{
    // Not a multiple of a page or of a read, so partial pages at both ends are covered.
    const auto contents = pattern ((3u << 20) + 12345);
    MappedFile mapped (contents);
    ASSERT_NE ((void*) mapped.data, MAP_FAILED);

    // An offset start, like an array in the middle of a data section. The bytes around it share
    // its first and last pages: a page given back too eagerly would lose their marks.
    auto* start = mapped.data + 100;
    const ArchiveData archive { start, contents.getSize() - 200, true };
    start[-1] = (char) ~start[-1];
    start[archive.size] = (char) ~start[archive.size];
    const auto before = start[-1], after = start[archive.size];

    ArchiveInputStream in (archive);
    const auto read = readInPieces (in);

    ASSERT_EQ (read.getSize(), archive.size);
    EXPECT_EQ (std::memcmp (read.getData(), contents.begin() + 100, archive.size), 0) << "the bytes read are not the archive's";
    EXPECT_EQ (start[-1], before) << "the page before the archive was given back";
    EXPECT_EQ (start[archive.size], after) << "the page after the archive was given back";

    // Pages given back come again from the file with their bytes: a second install reads the same.
    ArchiveInputStream again (archive);
    EXPECT_EQ (readInPieces (again), read);
}

TEST (ArchiveInputStream, MemoryTheProgramOwnsIsReadAndLeftAlone)
{
    const auto contents = pattern ((2u << 20) + 7);
    const auto kept = contents;

    // Anonymous memory given back would read as zeros.
    ArchiveInputStream in ({ contents.getData(), contents.getSize(), false });
    EXPECT_EQ (readInPieces (in), kept);
    EXPECT_EQ (contents, kept);

    ArchiveInputStream none ({ nullptr, 0, false });
    char byte = 0;
    EXPECT_EQ (none.getTotalLength(), 0);
    EXPECT_EQ (none.read (&byte, 1), 0);
    EXPECT_TRUE (none.isExhausted());
}
