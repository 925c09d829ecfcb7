#pragma once

#include "EmbeddedArchives.h"

#include <optional>
#include <vector>

/** The CRC-32 of each archive entry, as recorded and as written.

    juce::ZipFile inflates an entry without ever comparing it with the CRC-32 the archive records
    for it, so a damaged archive unpacks as if it were sound. The engine runs the check itself:
    it reads what each entry should be from the central directory, and computes what it wrote.
*/
namespace EntryChecksums
{
/** The CRC-32 recorded for each entry of the archive, in the order the ZipFile made from the
        same bytes lists its entries. Nothing when the central directory cannot be read, or does
        not list exactly the names and sizes the ZipFile lists: then no entry can be checked. */
std::optional<std::vector<juce::uint32>> recorded (ArchiveData archive, const juce::ZipFile& zip);

/** The running CRC-32 carried on over more bytes; start from 0. */
juce::uint32 update (juce::uint32 crc, const void* data, size_t numBytes);
} // namespace EntryChecksums
