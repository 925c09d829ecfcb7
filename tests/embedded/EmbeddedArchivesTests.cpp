// The archives as the installer links them (qf_tests reads them from disk instead), against the
// files they were made from.

#include "EmbeddedArchives.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

TEST (EmbeddedArchives, AreTheArchiveFilesByteForByteLaidOutAsJuceaideLaysThemOut)
{
    static const char* const names[] = { "vst3.zip", "clap.zip", "aax.zip" };

    for (int format = 0; format < 3; ++format)
    {
        SCOPED_TRACE (names[format]);
        juce::MemoryBlock file;
        ASSERT_TRUE (juce::File (QF_TEST_ARCHIVE_DIR).getChildFile (names[format]).loadFileAsData (file));

        const auto archive = embeddedArchive (format);
        const auto* bytes = static_cast<const char*> (archive.data);
        ASSERT_EQ (archive.size, file.getSize());
        EXPECT_EQ (std::memcmp (bytes, file.getData(), file.getSize()), 0);
        EXPECT_TRUE (archive.inExecutableImage);

        // juceaide's arrays: 32-byte aligned, with two zero bytes after the counted ones.
        EXPECT_EQ (reinterpret_cast<std::uintptr_t> (bytes) % 32, 0u);
        EXPECT_EQ (bytes[archive.size], 0);
        EXPECT_EQ (bytes[archive.size + 1], 0);
    }

    EXPECT_EQ (embeddedArchive (3).data, nullptr);
}
