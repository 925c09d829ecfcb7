#include "EntryChecksums.h"

#include <libdeflate.h>

namespace EntryChecksums
{
namespace
{
    constexpr juce::uint32 endOfDirectorySignature = 0x06054b50;
    constexpr juce::uint32 directoryRecordSignature = 0x02014b50;
    constexpr size_t endOfDirectorySize = 22;
    constexpr size_t directoryRecordSize = 46;

    juce::uint32 read32 (const juce::uint8* p) { return juce::ByteOrder::littleEndianInt (p); }
    juce::uint32 read16 (const juce::uint8* p) { return juce::ByteOrder::littleEndianShort (p); }

    // The end record sits in the last 22 bytes, or before a comment of at most 65535 bytes;
    // like ZipFile, the one nearest the end counts.
    std::optional<size_t> findEndOfDirectory (const juce::uint8* bytes, size_t size)
    {
        if (size < endOfDirectorySize)
            return {};

        const auto lowest = size - endOfDirectorySize - juce::jmin ((size_t) 65535, size - endOfDirectorySize);

        for (auto at = size - endOfDirectorySize + 1; at-- > lowest;)
            if (read32 (bytes + at) == endOfDirectorySignature)
                return at;

        return {};
    }
} // namespace

std::optional<std::vector<juce::uint32>> recorded (ArchiveData archive, const juce::ZipFile& zip)
{
    const auto* bytes = static_cast<const juce::uint8*> (archive.data);
    const auto size = bytes != nullptr ? archive.size : 0;
    const auto end = findEndOfDirectory (bytes, size);

    if (! end)
        return {};

    const auto numEntries = (int) read16 (bytes + *end + 10);
    auto at = (size_t) read32 (bytes + *end + 16);

    if (numEntries != zip.getNumEntries())
        return {};

    std::vector<juce::uint32> checksums;
    checksums.reserve ((size_t) numEntries);

    for (int i = 0; i < numEntries; ++i)
    {
        if (at > *end || *end - at < directoryRecordSize || read32 (bytes + at) != directoryRecordSignature)
            return {};

        const auto* record = bytes + at;
        const auto nameLength = (size_t) read16 (record + 28);

        if (*end - at - directoryRecordSize < nameLength)
            return {};

        // The same entry ZipFile lists at this index, or the checksums belong to something else.
        const auto* entry = zip.getEntry (i);

        if (entry == nullptr
            || entry->filename != juce::String::fromUTF8 (reinterpret_cast<const char*> (record + directoryRecordSize), (int) nameLength)
            || entry->uncompressedSize != (juce::int64) read32 (record + 24))
            return {};

        checksums.push_back (read32 (record + 16));
        at += directoryRecordSize + nameLength + read16 (record + 30) + read16 (record + 32);
    }

    return checksums;
}

juce::uint32 update (juce::uint32 crc, const void* data, size_t numBytes)
{
    return libdeflate_crc32 (crc, data, numBytes);
}
} // namespace EntryChecksums
