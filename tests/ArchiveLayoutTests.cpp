// The archives the installer embeds, against the payload they were packed from: what
// juce::ZipFile, the installer's reader, makes of them; the classic header fields that are all
// it reads; and the version record of the sample plug-in binaries.

#include "EntryChecksums.h"
#include "Product.h"
#include "TestSupport.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace
{
using Entries = std::vector<std::pair<std::string, juce::int64>>;

const juce::var& formatOf (int index)
{
    return TestSupport::screen()["formats"][index];
}

// The product's entries in central-directory order, with their sizes. A bundle has a folder
// entry for Contents, then desktop.ini and Plugin.ico (the VST3 one moduleinfo.json too), then
// its binary.
Entries productEntries (int index)
{
    const auto binary = formatOf (index)["binary"].toString().replaceCharacter ('/', '\\');
    Entries entries;

    if (binary.isNotEmpty())
        entries = { { "Contents\\", 0 }, { "desktop.ini", 80 }, { "Plugin.ico", 57688 } };

    if (index == Product::vst3)
        entries.push_back ({ "Contents\\Resources\\moduleinfo.json", 1161 });

    entries.push_back ({ binary.toStdString(), TestSupport::binarySize (index) });

    const auto item = formatOf (index)["item"].toString().toStdString();

    for (auto& entry : entries)
        entry.first = entry.first.empty() ? item : item + "\\" + entry.first;

    return entries;
}

juce::File payloadFile (const juce::String& entryName)
{
    return juce::File (QF_TEST_PAYLOAD_DIR).getChildFile (entryName.replaceCharacter ('\\', juce::File::getSeparatorChar()));
}

// An archive read the way the installer reads it: its bytes in memory, under a ZipFile.
struct Archive
{
    explicit Archive (int index) : name (formatOf (index)["archive"].toString().toStdString())
    {
        TestSupport::archiveFile (index).loadFileAsData (bytes);
        zip = std::make_unique<juce::ZipFile> (new juce::MemoryInputStream (bytes, false), true);
    }

    const juce::uint8* at (size_t offset) const { return static_cast<const juce::uint8*> (bytes.getData()) + offset; }

    std::string name;
    juce::MemoryBlock bytes;
    std::unique_ptr<juce::ZipFile> zip;
};

juce::uint32 u16 (const juce::uint8* p)
{
    return juce::ByteOrder::littleEndianShort (p);
}

juce::uint32 u32 (const juce::uint8* p)
{
    return juce::ByteOrder::littleEndianInt (p);
}

// Where the value of a version-record node starts: after the node's UTF-16 key and its NUL, on
// the next DWORD boundary (every node starts on one). Past the end when there is no such key.
size_t versionValue (const juce::MemoryBlock& file, const std::string& key)
{
    std::string pattern;

    for (auto c : key + '\0')
        pattern += { c, '\0' };

    const auto* begin = static_cast<const char*> (file.getData());
    const auto* end = begin + file.getSize();
    const auto found = std::search (begin, end, pattern.begin(), pattern.end());
    return found == end ? file.getSize() : ((size_t) (found - begin) + pattern.size() + 3) & ~(size_t) 3;
}

juce::String versionText (const juce::MemoryBlock& file, const std::string& key)
{
    juce::String text;
    const auto* bytes = static_cast<const juce::uint8*> (file.getData());

    for (auto at = versionValue (file, key); at + 1 < file.getSize() && u16 (bytes + at) != 0; at += 2)
        text += (juce::juce_wchar) u16 (bytes + at);

    return text;
}
} // namespace

TEST (Archives, UnpackThroughZipFileToThePayloadTheyWereMadeFrom)
{
    for (int index = 0; index < Product::numFormats; ++index)
    {
        const Archive archive (index);
        SCOPED_TRACE (archive.name);
        // The installer checks what it writes against the checksums in the central directory.
        const auto recorded = EntryChecksums::recorded ({ archive.bytes.getData(), archive.bytes.getSize() }, *archive.zip);
        ASSERT_TRUE (recorded.has_value());
        Entries listed;

        for (int i = 0; i < archive.zip->getNumEntries(); ++i)
        {
            const auto& entry = *archive.zip->getEntry (i);
            SCOPED_TRACE (entry.filename);
            listed.push_back ({ entry.filename.toStdString(), entry.uncompressedSize });
            const auto file = payloadFile (entry.filename);

            if (entry.filename.endsWithChar ('\\'))
            {
                EXPECT_TRUE (file.isDirectory());
                EXPECT_EQ (entry.uncompressedSize, 0);
                EXPECT_EQ ((*recorded)[(size_t) i], 0u);
                continue;
            }

            juce::MemoryBlock expected, unpacked;
            ASSERT_TRUE (file.loadFileAsData (expected));
            std::unique_ptr<juce::InputStream> in (archive.zip->createStreamForEntry (i));
            ASSERT_NE (in, nullptr);
            in->readIntoMemoryBlock (unpacked);
            EXPECT_EQ (entry.uncompressedSize, (juce::int64) expected.getSize());
            EXPECT_TRUE (unpacked == expected) << "not the payload's bytes: a stale or damaged archive";
            EXPECT_EQ ((*recorded)[(size_t) i], EntryChecksums::update (0, expected.getData(), expected.getSize()));
        }

        if (QF_TEST_SAMPLE_PAYLOAD)
        {
            EXPECT_EQ (listed, productEntries (index));
            // About the product's own archives, and so about its program size.
            EXPECT_GE (archive.bytes.getSize(), 9500000u);
            EXPECT_LE (archive.bytes.getSize(), 9800000u);
        }
    }
}

TEST (Archives, CarryTheClassicFieldsOnly)
{
    constexpr size_t endRecordSize = 22, centralSize = 46, localSize = 30;
    constexpr juce::uint32 dosDate = (2024 - 1980) << 9 | 11 << 5 | 12, dosTime = 10 << 11; // 2024-11-12 10:00:00

    for (int index = 0; index < Product::numFormats; ++index)
    {
        const Archive archive (index);
        SCOPED_TRACE (archive.name);
        const auto end = archive.bytes.getSize() - endRecordSize;
        const auto entries = (juce::uint32) archive.zip->getNumEntries();

        ASSERT_EQ (u32 (archive.at (end)), 0x06054b50u) << "the end record must be the last 22 bytes: no comment";
        EXPECT_EQ (u32 (archive.at (end + 4)), 0u) << "one disk";
        EXPECT_EQ (u16 (archive.at (end + 8)), entries);
        EXPECT_EQ (u16 (archive.at (end + 10)), entries);
        const auto directory = u32 (archive.at (end + 16));
        EXPECT_EQ (directory + u32 (archive.at (end + 12)), end) << "nothing, ZIP64 records included, before the end record";

        size_t local = 0, central = directory;

        for (int i = 0; i < archive.zip->getNumEntries(); ++i)
        {
            const auto name = archive.zip->getEntry (i)->filename;
            SCOPED_TRACE (name);
            ASSERT_LE (central + centralSize, end);
            const auto* c = archive.at (central);
            const auto nameLength = u16 (c + 28);
            ASSERT_LE (central + centralSize + nameLength, end);
            ASSERT_EQ (u32 (c), 0x02014b50u);
            EXPECT_FALSE (name.containsChar ('/')) << "separators are backslashes";
            EXPECT_EQ (u16 (c + 4), 20u) << "made by version 2.0 on MS-DOS";
            EXPECT_EQ (u16 (c + 6), 20u) << "version needed";
            EXPECT_EQ (u16 (c + 8), 0u) << "flags: no encryption, no data descriptor";
            EXPECT_EQ (u16 (c + 10), name.endsWithChar ('\\') ? 0u : 8u) << "folders stored, files deflated";
            EXPECT_EQ (u16 (c + 12), dosTime);
            EXPECT_EQ (u16 (c + 14), dosDate);
            EXPECT_EQ (u32 (c + 30), 0u) << "extra field and comment lengths";
            EXPECT_EQ (u32 (c + 34), 0u) << "disk and internal attributes";
            EXPECT_EQ (u32 (c + 38), 0u) << "external attributes";

            // The entries follow each other from the start, each local header the same as its
            // central record, with no data descriptor after the data.
            ASSERT_EQ (u32 (c + 42), local);
            ASSERT_LE (local + localSize + nameLength, directory);
            const auto* l = archive.at (local);
            EXPECT_EQ (u32 (l), 0x04034b50u);
            EXPECT_EQ (std::memcmp (l + 4, c + 6, 26), 0) << "local header differs from the central record";
            EXPECT_EQ (std::memcmp (l + localSize, c + centralSize, nameLength), 0);
            local += localSize + nameLength + u32 (c + 20);
            central += centralSize + nameLength;
        }

        EXPECT_EQ (local, directory) << "bytes between the last entry and the central directory";
    }
}

TEST (Archives, SampleBinariesCarryTheProductsVersionRecord)
{
    if (! QF_TEST_SAMPLE_PAYLOAD)
        GTEST_SKIP() << "built from a real plug-in payload";

    const auto version = TestSupport::screen()["fileVersion"].toString();
    const auto parts = juce::StringArray::fromTokens (version, ".", "");
    const auto ms = (juce::uint32) (parts[0].getIntValue() << 16 | parts[1].getIntValue());
    const auto ls = (juce::uint32) (parts[2].getIntValue() << 16 | parts[3].getIntValue());

    for (int index = 0; index < Product::numFormats; ++index)
    {
        const auto file = payloadFile (productEntries (index).back().first);
        SCOPED_TRACE (file.getFullPathName());
#if JUCE_WINDOWS
        // As InstalledState reads it, through GetFileVersionInfoW.
        EXPECT_EQ (file.getVersion(), version);
#endif
        juce::MemoryBlock bytes;
        ASSERT_TRUE (file.loadFileAsData (bytes));
        const auto fixed = versionValue (bytes, "VS_VERSION_INFO");
        ASSERT_LE (fixed + 24, bytes.getSize()) << "no version record";
        const auto* f = static_cast<const juce::uint8*> (bytes.getData()) + fixed;
        EXPECT_EQ (u32 (f), 0xFEEF04BDu) << "VS_FIXEDFILEINFO";
        EXPECT_EQ (u32 (f + 8), ms) << "file version";
        EXPECT_EQ (u32 (f + 12), ls) << "file version";
        EXPECT_EQ (u32 (f + 16), ms) << "product version";
        EXPECT_EQ (u32 (f + 20), ls) << "product version";
        EXPECT_EQ (versionText (bytes, "FileVersion"), version);
        EXPECT_EQ (versionText (bytes, "ProductVersion"), version);
    }
}
