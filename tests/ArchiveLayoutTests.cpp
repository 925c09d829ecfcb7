// Checks the archives the installer embeds (vst3.zip, clap.zip, aax.zip) byte
// by byte, and the sample plug-in binaries they were made from.
//
// juce::ZipFile reads only the classic ZIP fields, so the archives must stay
// the plainest ZIP there is; the parsing here is done by hand, without JUCE
// or zlib, so that it checks the bytes rather than what a library makes of
// them.

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#ifndef QF_TEST_ARCHIVE_DIR
#error "QF_TEST_ARCHIVE_DIR must name the folder holding vst3.zip, clap.zip and aax.zip"
#endif
#ifndef QF_TEST_PAYLOAD_DIR
#error "QF_TEST_PAYLOAD_DIR must name the payload folder the archives were made from"
#endif

namespace
{

//==============================================================================
// What the archives must hold.

constexpr std::uint32_t minArchiveBytes = 9500000;
constexpr std::uint32_t maxArchiveBytes = 9800000;

// 2024-11-12 10:00:00, the one timestamp every entry carries.
constexpr std::uint16_t fixedDosDate = ((2024 - 1980) << 9) | (11 << 5) | 12;
constexpr std::uint16_t fixedDosTime = 10 << 11;

constexpr std::uint16_t version20 = 20;
constexpr std::uint16_t methodStored = 0;
constexpr std::uint16_t methodDeflated = 8;

struct ExpectedEntry
{
    std::string name; // a trailing backslash marks a folder entry
    std::uint32_t size;
};

struct ExpectedArchive
{
    std::string file;
    std::vector<ExpectedEntry> entries;
};

const std::vector<ExpectedArchive>& expectedArchives()
{
    static const std::vector<ExpectedArchive> archives = {
        { "vst3.zip",
          { { "Halcyra 2.vst3\\Contents\\", 0 },
            { "Halcyra 2.vst3\\desktop.ini", 80 },
            { "Halcyra 2.vst3\\Plugin.ico", 57688 },
            { "Halcyra 2.vst3\\Contents\\Resources\\moduleinfo.json", 1161 },
            { "Halcyra 2.vst3\\Contents\\x86_64-win\\Halcyra 2.vst3", 17072608 } } },
        { "clap.zip", { { "Halcyra 2.clap", 16658912 } } },
        { "aax.zip",
          { { "Halcyra 2.aaxplugin\\Contents\\", 0 },
            { "Halcyra 2.aaxplugin\\desktop.ini", 80 },
            { "Halcyra 2.aaxplugin\\Plugin.ico", 57688 },
            { "Halcyra 2.aaxplugin\\Contents\\x64\\Halcyra 2.aaxplugin", 16864352 } } },
    };
    return archives;
}

bool isFolderName (const std::string& name)
{
    return ! name.empty() && name.back() == '\\';
}

//==============================================================================
// Little-endian access to a whole file; out-of-range reads throw, which
// GoogleTest reports as a failure of the test that made them.

class Bytes
{
public:
    explicit Bytes (const std::string& path)
    {
        std::ifstream in (path, std::ios::binary);
        if (! in)
            throw std::runtime_error ("cannot open " + path);
        in.seekg (0, std::ios::end);
        const auto size = static_cast<std::size_t> (in.tellg());
        in.seekg (0);
        data.resize (size);
        if (! in.read (reinterpret_cast<char*> (data.data()), static_cast<std::streamsize> (size)))
            throw std::runtime_error ("cannot read " + path);
    }

    explicit Bytes (std::vector<std::uint8_t> bytes) : data (std::move (bytes)) {}

    std::size_t size() const { return data.size(); }

    std::uint8_t u8 (std::size_t offset) const { return data.at (offset); }

    std::uint16_t u16 (std::size_t offset) const
    {
        return static_cast<std::uint16_t> (u8 (offset) | (u8 (offset + 1) << 8));
    }

    std::uint32_t u32 (std::size_t offset) const
    {
        return static_cast<std::uint32_t> (u16 (offset)) | (static_cast<std::uint32_t> (u16 (offset + 2)) << 16);
    }

    std::string text (std::size_t offset, std::size_t length) const
    {
        check (offset, length);
        return std::string (reinterpret_cast<const char*> (data.data() + offset), length);
    }

    std::vector<std::uint8_t> slice (std::size_t offset, std::size_t length) const
    {
        check (offset, length);
        return std::vector<std::uint8_t> (data.begin() + static_cast<std::ptrdiff_t> (offset),
                                          data.begin() + static_cast<std::ptrdiff_t> (offset + length));
    }

    const std::vector<std::uint8_t>& all() const { return data; }

private:
    void check (std::size_t offset, std::size_t length) const
    {
        if (offset > data.size() || length > data.size() - offset)
            throw std::out_of_range ("read past the end of the file");
    }

    std::vector<std::uint8_t> data;
};

//==============================================================================
// ZIP structures, read field by field.

struct EndRecord
{
    std::size_t offset = 0;
    std::uint16_t disk = 0, directoryDisk = 0, entriesOnDisk = 0, entries = 0;
    std::uint32_t directorySize = 0, directoryOffset = 0;
    std::uint16_t commentLength = 0;
};

struct CentralEntry
{
    std::uint16_t madeBy = 0, needed = 0, flags = 0, method = 0, time = 0, date = 0;
    std::uint32_t crc = 0, compressedSize = 0, uncompressedSize = 0;
    std::uint16_t extraLength = 0, commentLength = 0, diskStart = 0, internalAttributes = 0;
    std::uint32_t externalAttributes = 0, localHeaderOffset = 0;
    std::string name;
};

struct LocalHeader
{
    std::uint32_t signature = 0;
    std::uint16_t needed = 0, flags = 0, method = 0, time = 0, date = 0;
    std::uint32_t crc = 0, compressedSize = 0, uncompressedSize = 0;
    std::uint16_t extraLength = 0;
    std::string name;
    std::size_t dataOffset = 0;
};

struct Archive
{
    std::string file;
    Bytes bytes;
    EndRecord end;
    bool hasZip64Locator = false;
    std::size_t directoryEnd = 0; // where the last central entry stops
    std::vector<CentralEntry> entries;
};

constexpr std::uint32_t localSignature = 0x04034b50;
constexpr std::uint32_t centralSignature = 0x02014b50;
constexpr std::uint32_t endSignature = 0x06054b50;
constexpr std::uint32_t zip64LocatorSignature = 0x07064b50;
constexpr std::size_t endRecordSize = 22;
constexpr std::size_t zip64LocatorSize = 20;

Archive readArchive (const std::string& file)
{
    Archive archive { file, Bytes (std::string (QF_TEST_ARCHIVE_DIR) + "/" + file), {}, false, 0, {} };
    const auto& b = archive.bytes;

    // Without a comment the end record is exactly the last 22 bytes.
    if (b.size() < endRecordSize || b.u32 (b.size() - endRecordSize) != endSignature)
        throw std::runtime_error (file + ": no end record in the last 22 bytes (comment or trailing data?)");

    auto& end = archive.end;
    end.offset = b.size() - endRecordSize;
    end.disk = b.u16 (end.offset + 4);
    end.directoryDisk = b.u16 (end.offset + 6);
    end.entriesOnDisk = b.u16 (end.offset + 8);
    end.entries = b.u16 (end.offset + 10);
    end.directorySize = b.u32 (end.offset + 12);
    end.directoryOffset = b.u32 (end.offset + 16);
    end.commentLength = b.u16 (end.offset + 20);

    archive.hasZip64Locator = end.offset >= zip64LocatorSize
                              && b.u32 (end.offset - zip64LocatorSize) == zip64LocatorSignature;

    auto pos = static_cast<std::size_t> (end.directoryOffset);
    for (std::uint16_t i = 0; i < end.entries; ++i)
    {
        if (b.u32 (pos) != centralSignature)
            throw std::runtime_error (file + ": central entry " + std::to_string (i) + " has no signature");
        CentralEntry e;
        e.madeBy = b.u16 (pos + 4);
        e.needed = b.u16 (pos + 6);
        e.flags = b.u16 (pos + 8);
        e.method = b.u16 (pos + 10);
        e.time = b.u16 (pos + 12);
        e.date = b.u16 (pos + 14);
        e.crc = b.u32 (pos + 16);
        e.compressedSize = b.u32 (pos + 20);
        e.uncompressedSize = b.u32 (pos + 24);
        const auto nameLength = b.u16 (pos + 28);
        e.extraLength = b.u16 (pos + 30);
        e.commentLength = b.u16 (pos + 32);
        e.diskStart = b.u16 (pos + 34);
        e.internalAttributes = b.u16 (pos + 36);
        e.externalAttributes = b.u32 (pos + 38);
        e.localHeaderOffset = b.u32 (pos + 42);
        e.name = b.text (pos + 46, nameLength);
        pos += 46u + nameLength + e.extraLength + e.commentLength;
        archive.entries.push_back (e);
    }
    archive.directoryEnd = pos;
    return archive;
}

LocalHeader readLocalHeader (const Archive& archive, const CentralEntry& entry)
{
    const auto& b = archive.bytes;
    const auto pos = static_cast<std::size_t> (entry.localHeaderOffset);
    LocalHeader h;
    h.signature = b.u32 (pos);
    h.needed = b.u16 (pos + 4);
    h.flags = b.u16 (pos + 6);
    h.method = b.u16 (pos + 8);
    h.time = b.u16 (pos + 10);
    h.date = b.u16 (pos + 12);
    h.crc = b.u32 (pos + 14);
    h.compressedSize = b.u32 (pos + 18);
    h.uncompressedSize = b.u32 (pos + 22);
    const auto nameLength = b.u16 (pos + 26);
    h.extraLength = b.u16 (pos + 28);
    h.name = b.text (pos + 30, nameLength);
    h.dataOffset = pos + 30u + nameLength + h.extraLength;
    return h;
}

std::vector<Archive> readAllArchives()
{
    std::vector<Archive> archives;
    for (const auto& expected : expectedArchives())
        archives.push_back (readArchive (expected.file));
    return archives;
}

std::uint32_t crc32 (const std::vector<std::uint8_t>& data)
{
    static const auto table = []
    {
        std::array<std::uint32_t, 256> t {};
        for (std::uint32_t i = 0; i < 256; ++i)
        {
            auto c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();

    std::uint32_t crc = 0xFFFFFFFFu;
    for (auto byte : data)
        crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string payloadPathFor (const std::string& entryName)
{
    auto path = std::string (QF_TEST_PAYLOAD_DIR) + "/" + entryName;
    for (auto& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

//==============================================================================
// PE image and its version resource, walked the way the Windows loader and
// VerQueryValueW walk them.

class PeImage
{
public:
    explicit PeImage (const std::string& path) : bytes (path)
    {
        if (bytes.text (0, 2) != "MZ")
            throw std::runtime_error (path + ": no MZ header");
        peOffset = bytes.u32 (0x3C);
        optionalOffset = peOffset + 24;
        const auto sectionCount = bytes.u16 (peOffset + 6);
        auto section = optionalOffset + bytes.u16 (peOffset + 20);
        for (std::uint16_t i = 0; i < sectionCount; ++i, section += 40)
            sections.push_back ({ bytes.u32 (section + 12), bytes.u32 (section + 8), bytes.u32 (section + 20), bytes.u32 (section + 16) });
    }

    std::string signature() const { return bytes.text (peOffset, 4); }
    std::uint16_t machine() const { return bytes.u16 (peOffset + 4); }
    std::uint16_t characteristics() const { return bytes.u16 (peOffset + 22); }
    std::uint16_t optionalMagic() const { return bytes.u16 (optionalOffset); }

    // The RT_VERSION resource, id 1, first language; throws if there is none.
    Bytes versionResource (std::uint32_t* language) const
    {
        constexpr std::size_t resourceDirectory = 112 + 2 * 8; // PE32+ layout
        const auto rootRva = bytes.u32 (optionalOffset + resourceDirectory);
        if (rootRva == 0)
            throw std::runtime_error ("no resource directory");
        const auto root = offsetOfRva (rootRva);

        const auto names = subdirectory (root, root, 16);
        const auto languages = subdirectory (root, names, 1);
        const auto languageEntry = languages + 16 + 8u * bytes.u16 (languages + 12);
        if (bytes.u16 (languages + 14) == 0)
            throw std::runtime_error ("version resource has no language");
        *language = bytes.u32 (languageEntry);
        const auto dataEntryOffset = bytes.u32 (languageEntry + 4);
        if (dataEntryOffset & 0x80000000u)
            throw std::runtime_error ("language entry points at a directory, not data");
        const auto dataEntry = root + dataEntryOffset;
        return Bytes (bytes.slice (offsetOfRva (bytes.u32 (dataEntry)), bytes.u32 (dataEntry + 4)));
    }

private:
    struct Section
    {
        std::uint32_t rva, virtualSize, rawOffset, rawSize;
    };

    std::size_t offsetOfRva (std::uint32_t rva) const
    {
        for (const auto& s : sections)
            if (rva >= s.rva && rva - s.rva < s.rawSize)
                return s.rawOffset + (rva - s.rva);
        throw std::runtime_error ("RVA outside every section's file data");
    }

    std::size_t subdirectory (std::size_t root, std::size_t directory, std::uint32_t id) const
    {
        const auto named = bytes.u16 (directory + 12);
        const auto ids = bytes.u16 (directory + 14);
        for (std::size_t i = named; i < std::size_t (named) + ids; ++i)
        {
            const auto entry = directory + 16 + 8 * i;
            if (bytes.u32 (entry) != id)
                continue;
            const auto target = bytes.u32 (entry + 4);
            if (! (target & 0x80000000u))
                throw std::runtime_error ("resource entry " + std::to_string (id) + " is not a directory");
            return root + (target & 0x7FFFFFFFu);
        }
        throw std::runtime_error ("no resource entry " + std::to_string (id));
    }

    Bytes bytes;
    std::size_t peOffset = 0, optionalOffset = 0;
    std::vector<Section> sections;
};

// One VS_VERSIONINFO node: wLength, wValueLength, wType, key, DWORD-aligned
// value, then DWORD-aligned children up to wLength. Throws on a node that
// overruns its parent, which is exactly what makes VerQueryValueW fail.
struct VersionNode
{
    std::string key;
    std::uint16_t valueLength = 0, type = 0;
    std::size_t valueOffset = 0;
    std::vector<VersionNode> children;

    const VersionNode& child (const std::string& name) const
    {
        for (const auto& c : children)
            if (c.key == name)
                return c;
        throw std::runtime_error ("version info has no \"" + name + "\" under \"" + key + "\"");
    }
};

std::size_t alignToDword (std::size_t offset)
{
    return (offset + 3) & ~std::size_t (3);
}

std::string readUtf16Ascii (const Bytes& b, std::size_t offset, std::size_t* end)
{
    std::string text;
    for (;; offset += 2)
    {
        const auto c = b.u16 (offset);
        if (c == 0)
            break;
        text += c < 0x80 ? static_cast<char> (c) : '?';
    }
    *end = offset + 2;
    return text;
}

VersionNode parseVersionNode (const Bytes& b, std::size_t offset, std::size_t limit)
{
    const auto length = b.u16 (offset);
    if (length < 6 || offset + length > limit)
        throw std::runtime_error ("version node length overruns its parent");
    VersionNode node;
    node.valueLength = b.u16 (offset + 2);
    node.type = b.u16 (offset + 4);
    std::size_t afterKey = 0;
    node.key = readUtf16Ascii (b, offset + 6, &afterKey);
    node.valueOffset = alignToDword (afterKey);
    const auto valueBytes = std::size_t (node.valueLength) * (node.type == 1 ? 2 : 1);
    const auto end = offset + length;
    if (node.valueOffset + valueBytes > end)
        throw std::runtime_error ("value of \"" + node.key + "\" overruns its node");
    for (auto pos = alignToDword (node.valueOffset + valueBytes); pos < end;)
    {
        node.children.push_back (parseVersionNode (b, pos, end));
        pos = alignToDword (pos + b.u16 (pos));
    }
    return node;
}

std::string versionString (const Bytes& b, const VersionNode& table, const std::string& key)
{
    const auto& s = table.child (key);
    std::size_t end = 0;
    const auto text = readUtf16Ascii (b, s.valueOffset, &end);
    EXPECT_EQ (s.type, 1) << key;
    EXPECT_EQ (s.valueLength, text.size() + 1) << key << ": wValueLength counts WCHARs including the NUL";
    return text;
}

const std::vector<std::string>& pluginBinaries()
{
    static const std::vector<std::string> binaries = {
        "Halcyra 2.vst3/Contents/x86_64-win/Halcyra 2.vst3",
        "Halcyra 2.clap",
        "Halcyra 2.aaxplugin/Contents/x64/Halcyra 2.aaxplugin",
    };
    return binaries;
}

} // namespace

//==============================================================================

TEST (SampleArchives, EndRecordIsPlainZip)
{
    for (const auto& archive : readAllArchives())
    {
        SCOPED_TRACE (archive.file);
        const auto& end = archive.end;
        EXPECT_EQ (end.commentLength, 0);
        EXPECT_FALSE (archive.hasZip64Locator);
        EXPECT_EQ (end.disk, 0);
        EXPECT_EQ (end.directoryDisk, 0);
        EXPECT_EQ (end.entriesOnDisk, end.entries);
        EXPECT_NE (end.entries, 0xFFFF) << "ZIP64 marker";
        EXPECT_NE (end.directoryOffset, 0xFFFFFFFFu) << "ZIP64 marker";
        // The central directory fills the gap up to the end record exactly:
        // nothing (no ZIP64 record, no stray bytes) sits between them.
        EXPECT_EQ (std::size_t (end.directoryOffset) + end.directorySize, end.offset);
        EXPECT_EQ (archive.directoryEnd, end.offset);
    }
}

TEST (SampleArchives, HaveExactlyTheProductsEntriesInOrder)
{
    if (! QF_TEST_SAMPLE_PAYLOAD)
        GTEST_SKIP() << "built from a real plug-in payload; its sizes are its own";

    const auto archives = readAllArchives();
    for (std::size_t a = 0; a < archives.size(); ++a)
    {
        const auto& archive = archives[a];
        const auto& expected = expectedArchives()[a].entries;
        SCOPED_TRACE (archive.file);
        std::vector<std::string> names, expectedNames;
        for (const auto& e : archive.entries)
            names.push_back (e.name);
        for (const auto& e : expected)
            expectedNames.push_back (e.name);
        EXPECT_EQ (names, expectedNames);
        for (const auto& name : names)
            EXPECT_EQ (name.find ('/'), std::string::npos) << name << ": separators must be backslashes";
    }
}

TEST (SampleArchives, HeaderFieldsArePlainDeflate)
{
    for (const auto& archive : readAllArchives())
    {
        for (const auto& e : archive.entries)
        {
            SCOPED_TRACE (archive.file + ": " + e.name);
            EXPECT_EQ (e.madeBy, version20) << "version 2.0 on an MS-DOS host";
            EXPECT_EQ (e.needed, version20);
            EXPECT_EQ (e.flags, 0);
            EXPECT_EQ (e.method, isFolderName (e.name) ? methodStored : methodDeflated);
            EXPECT_EQ (e.internalAttributes, 0);
            EXPECT_EQ (e.externalAttributes, 0u);
            EXPECT_EQ (e.extraLength, 0);
            EXPECT_EQ (e.commentLength, 0);
            EXPECT_EQ (e.diskStart, 0);
            EXPECT_EQ (e.date, fixedDosDate);
            EXPECT_EQ (e.time, fixedDosTime);
            if (isFolderName (e.name))
            {
                EXPECT_EQ (e.compressedSize, 0u);
                EXPECT_EQ (e.uncompressedSize, 0u);
                EXPECT_EQ (e.crc, 0u);
            }
        }
    }
}

TEST (SampleArchives, LocalHeadersMatchCentralDirectory)
{
    for (const auto& archive : readAllArchives())
    {
        // Entries follow each other with no gaps, which also rules out data
        // descriptors after the data.
        std::size_t expectedOffset = 0;
        for (const auto& e : archive.entries)
        {
            SCOPED_TRACE (archive.file + ": " + e.name);
            ASSERT_EQ (e.localHeaderOffset, expectedOffset);
            const auto h = readLocalHeader (archive, e);
            EXPECT_EQ (h.signature, localSignature);
            EXPECT_EQ (h.name, e.name);
            EXPECT_EQ (h.needed, version20);
            EXPECT_EQ (h.flags, 0);
            EXPECT_EQ (h.method, e.method);
            EXPECT_EQ (h.time, e.time);
            EXPECT_EQ (h.date, e.date);
            EXPECT_EQ (h.crc, e.crc);
            EXPECT_EQ (h.compressedSize, e.compressedSize);
            EXPECT_EQ (h.uncompressedSize, e.uncompressedSize);
            EXPECT_EQ (h.extraLength, 0);
            expectedOffset = h.dataOffset + e.compressedSize;
        }
        EXPECT_EQ (expectedOffset, archive.end.directoryOffset) << archive.file;
    }
}

TEST (SampleArchives, SizesLookLikeTheRealProduct)
{
    if (! QF_TEST_SAMPLE_PAYLOAD)
        GTEST_SKIP() << "built from a real plug-in payload; its sizes are its own";

    const auto archives = readAllArchives();
    for (std::size_t a = 0; a < archives.size(); ++a)
    {
        const auto& archive = archives[a];
        const auto& expected = expectedArchives()[a].entries;
        SCOPED_TRACE (archive.file);
        EXPECT_GE (archive.bytes.size(), minArchiveBytes);
        EXPECT_LE (archive.bytes.size(), maxArchiveBytes);
        ASSERT_EQ (archive.entries.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
        {
            const auto& e = archive.entries[i];
            EXPECT_EQ (e.uncompressedSize, expected[i].size) << e.name;
            if (e.uncompressedSize > 1000000)
            {
                EXPECT_LT (e.compressedSize, e.uncompressedSize) << e.name << ": stored, not deflated?";
            }
        }
    }
}

TEST (SampleArchives, HoldTheCurrentPayload)
{
    // A stale archive (payload regenerated, archives not) would install the
    // wrong plug-in; sizes and CRCs must match the payload files.
    for (const auto& archive : readAllArchives())
    {
        for (const auto& e : archive.entries)
        {
            if (isFolderName (e.name))
                continue;
            SCOPED_TRACE (archive.file + ": " + e.name);
            const Bytes file (payloadPathFor (e.name));
            EXPECT_EQ (file.size(), e.uncompressedSize);
            EXPECT_EQ (crc32 (file.all()), e.crc);
        }
    }
}

TEST (SamplePayload, BinariesArePeImagesWithVersion2140)
{
    if (! QF_TEST_SAMPLE_PAYLOAD)
        GTEST_SKIP() << "built from a real plug-in payload; its sizes are its own";

    for (const auto& binary : pluginBinaries())
    {
        SCOPED_TRACE (binary);
        const PeImage image (std::string (QF_TEST_PAYLOAD_DIR) + "/" + binary);
        EXPECT_EQ (image.signature(), std::string ("PE\0\0", 4));
        EXPECT_EQ (image.machine(), 0x8664) << "x86-64";
        EXPECT_TRUE (image.characteristics() & 0x2000) << "a DLL";
        EXPECT_EQ (image.optionalMagic(), 0x20B) << "PE32+";

        std::uint32_t language = 0;
        const auto info = image.versionResource (&language);
        EXPECT_EQ (language, 1033u);
        const auto root = parseVersionNode (info, 0, info.size());
        ASSERT_EQ (root.key, "VS_VERSION_INFO");
        ASSERT_EQ (root.valueLength, 52) << "sizeof (VS_FIXEDFILEINFO)";

        const auto fixed = root.valueOffset;
        EXPECT_EQ (info.u32 (fixed), 0xFEEF04BDu);
        EXPECT_EQ (info.u32 (fixed + 8), 0x00020001u) << "file version 2.1";
        EXPECT_EQ (info.u32 (fixed + 12), 0x00040000u) << "file version .4.0";
        EXPECT_EQ (info.u32 (fixed + 16), 0x00020001u) << "product version 2.1";
        EXPECT_EQ (info.u32 (fixed + 20), 0x00040000u) << "product version .4.0";

        const auto& table = root.child ("StringFileInfo").child ("040904E4");
        EXPECT_EQ (versionString (info, table, "CompanyName"), "Quillfen, Inc.");
        EXPECT_EQ (versionString (info, table, "FileDescription"), "Halcyra 2");
        EXPECT_EQ (versionString (info, table, "FileVersion"), "2.1.4.0");
        EXPECT_EQ (versionString (info, table, "ProductName"), "Halcyra 2");
        EXPECT_EQ (versionString (info, table, "ProductVersion"), "2.1.4.0");

        const auto& translation = root.child ("VarFileInfo").child ("Translation");
        ASSERT_EQ (translation.valueLength, 4);
        EXPECT_EQ (info.u16 (translation.valueOffset), 0x0409);
        EXPECT_EQ (info.u16 (translation.valueOffset + 2), 1252);
    }
}
