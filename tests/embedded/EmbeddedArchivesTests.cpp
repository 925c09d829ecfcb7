// The archives as the installer links them (qf_tests reads them from disk instead), against the
// files they were made from.

#include "../TestSupport.h"
#include "EmbeddedArchives.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

TEST (EmbeddedArchives, AreTheArchiveFilesByteForByteLaidOutAsJuceaideLaysThemOut)
{
    for (int format = 0; format < 3; ++format)
    {
        const auto name = TestSupport::screen()["formats"][format]["archive"].toString();
        SCOPED_TRACE (name);
        juce::MemoryBlock file;
        ASSERT_TRUE (juce::File (QF_TEST_ARCHIVE_DIR).getChildFile (name).loadFileAsData (file));

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
