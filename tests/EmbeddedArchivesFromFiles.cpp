#include "EmbeddedArchives.h"
#include "Product.h"
#include "TestSupport.h"

#include <juce_core/juce_core.h>

// The test programs' own embeddedArchive(), in place of Source/EmbeddedArchives.cpp: the archives
// the build generated, read from disk, instead of the 29 MB the installer compiles in. Tests may
// swap in archives of their own (TestSupport::ScopedArchive).
namespace
{
Product::PerFormat<juce::MemoryBlock> loaded;
Product::PerFormat<juce::MemoryBlock> replacements;
Product::PerFormat<bool> replaced {};
} // namespace

juce::File TestSupport::archiveFile (int formatIndex)
{
    return juce::File (QF_TEST_ARCHIVE_DIR).getChildFile (screen()["formats"][formatIndex]["archive"].toString());
}

TestSupport::ScopedArchive::ScopedArchive (int format, juce::MemoryBlock bytes)
    : formatIndex (format)
{
    replacements[(size_t) formatIndex] = std::move (bytes);
    replaced[(size_t) formatIndex] = true;
}

TestSupport::ScopedArchive::~ScopedArchive()
{
    replaced[(size_t) formatIndex] = false;
    replacements[(size_t) formatIndex].reset();
}

ArchiveData embeddedArchive (int formatIndex)
{
    if (! Product::isFormatIndex (formatIndex))
        return {};

    const auto i = (size_t) formatIndex;

    if (replaced[i])
        return { replacements[i].getData(), replacements[i].getSize() };

    if (loaded[i].isEmpty())
        TestSupport::archiveFile (formatIndex).loadFileAsData (loaded[i]);

    return { loaded[i].getData(), loaded[i].getSize() };
}
