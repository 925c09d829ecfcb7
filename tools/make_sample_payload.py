#!/usr/bin/env python3
"""Write the sample plug-in payload the installer is built with by default.

Usage: make_sample_payload.py OUTDIR

The maker's real build output is not part of this repository. Instead this
script makes a stand-in with the same names and the same byte sizes, so the
installer, its archives and its tests behave as they do with the product:

    Halcyra 2.vst3/       (bundle: desktop.ini, Plugin.ico, moduleinfo.json, DLL)
    Halcyra 2.clap        (DLL)
    Halcyra 2.aaxplugin/  (bundle: desktop.ini, Plugin.ico, DLL)

The plug-in binaries are real PE32+ DLL images with a Windows version
resource, so version checks that go through GetFileVersionInfoW work on them.
Everything comes from fixed seeds: every run writes the same bytes. Only the
three items above are replaced inside OUTDIR; nothing else there is touched.
Prints nothing on success.
"""

import calendar
import hashlib
import itertools
import json
import math
import os
import random
import shutil
import signal
import struct
import sys
import tempfile
import zlib
from array import array

PRODUCT = "Halcyra 2"
VENDOR = "Quillfen, Inc."
VERSION = (2, 1, 4, 0)
VERSION_TEXT = "2.1.4.0"
MODULE_VERSION_TEXT = "2.1.4"

# Byte sizes of the maker's shipping files, matched so that every size the
# installer and its tests see is the product's.
ICO_SIZE = 57688
MODULEINFO_SIZE = 1161

# (path inside OUTDIR, file size, filler seed, share of incompressible filler).
# The shares were tuned (with zlib at level 6, as make_archives.py packs) so
# each archive lands near the product's own (vst3.zip 9.78 MB, clap.zip
# 9.51 MB, aax.zip 9.69 MB), pulled in from the edges of the 9.5 .. 9.8 MB
# band. The compressed size is not smooth in the share: re-measure after
# changing a share, a seed or the filler.
BINARIES = [
    (f"{PRODUCT}.vst3/Contents/x86_64-win/{PRODUCT}.vst3", 17072608, 0x51A3, 0.180),
    (f"{PRODUCT}.clap", 16658912, 0xC1A9, 0.199),
    (f"{PRODUCT}.aaxplugin/Contents/x64/{PRODUCT}.aaxplugin", 16864352, 0xAA71, 0.190),
]

TOP_LEVEL_ITEMS = [f"{PRODUCT}.vst3", f"{PRODUCT}.clap", f"{PRODUCT}.aaxplugin"]

# 2024-11-12 10:00:00 UTC, the same instant the archives are stamped with.
BUILD_TIMESTAMP = calendar.timegm((2024, 11, 12, 10, 0, 0))


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


# ---------------------------------------------------------------------------
# desktop.ini
# ---------------------------------------------------------------------------


def make_desktop_ini():
    # Explorer only honours desktop.ini with CR LF line ends.
    lines = [
        "[.ShellClassInfo]",
        "IconResource=Plugin.ico,0",
        "IconFile=Plugin.ico",
        "IconIndex=0",
    ]
    return "".join(line + "\r\n" for line in lines).encode("ascii")


# ---------------------------------------------------------------------------
# Plugin.ico
# ---------------------------------------------------------------------------

TILE_RGB = (0x00, 0x94, 0xD8)
MARK_RGB = (0xF2, 0xFA, 0xFF)


def _rounded_square_distance(x, y):
    # Signed distance (design units, 256 x 256 canvas) to the rounded tile.
    half, radius = 112.0, 46.0
    qx = abs(x - 128.0) - (half - radius)
    qy = abs(y - 128.0) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def _wave_distance(x, y, x0, x1, centre_y, amplitude, half_width):
    # Signed distance to a thick sine stroke with round caps. Near the curve
    # the first-order estimate is plenty for a 1-pixel antialiasing ramp; where
    # the foot of the perpendicular falls past an end, the cap decides.
    def curve(u):
        return centre_y - amplitude * math.sin((u - x0) / (x1 - x0) * 2.0 * math.pi)

    caps = min(math.hypot(x - x0, y - curve(x0)), math.hypot(x - x1, y - curve(x1)))
    if x0 <= x <= x1:
        phase = (x - x0) / (x1 - x0) * 2.0 * math.pi
        slope = -amplitude * math.cos(phase) * 2.0 * math.pi / (x1 - x0)
        offset = y - curve(x)
        foot_x = x + offset * slope / (1.0 + slope * slope)
        if x0 <= foot_x <= x1:
            body = abs(offset) / math.sqrt(1.0 + slope * slope)
            return min(body, caps) - half_width
    return caps - half_width


def render_icon(size):
    """Return size x size straight-alpha RGBA pixels, top row first."""
    scale = 256.0 / size  # design units per pixel
    pixels = bytearray(size * size * 4)
    for row in range(size):
        y = (row + 0.5) * scale
        for col in range(size):
            x = (col + 0.5) * scale
            tile = min(max(0.5 - _rounded_square_distance(x, y) / scale, 0.0), 1.0)
            if tile <= 0.0:
                continue
            # Two waves, the lower one lighter; at 16 px only a bolder upper
            # wave, since two strokes blur into one there.
            if size <= 16:
                upper = _wave_distance(x, y, 58.0, 198.0, 128.0, 34.0, 22.0)
                mark = min(max(0.5 - upper / scale, 0.0), 1.0)
            else:
                upper = _wave_distance(x, y, 62.0, 194.0, 112.0, 26.0, 12.0)
                lower = _wave_distance(x, y, 86.0, 170.0, 166.0, 14.0, 9.0)
                mark = max(
                    min(max(0.5 - upper / scale, 0.0), 1.0),
                    0.7 * min(max(0.5 - lower / scale, 0.0), 1.0),
                )
            i = (row * size + col) * 4
            for c in range(3):
                pixels[i + c] = round(TILE_RGB[c] + (MARK_RGB[c] - TILE_RGB[c]) * mark)
            pixels[i + 3] = round(255 * tile)
    return pixels


def _png_chunk(kind, data):
    return (
        struct.pack(">I", len(data))
        + kind
        + data
        + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    )


def make_png(size, rgba, total_size, pad_seed):
    """Encode RGBA as PNG and pad it to exactly total_size bytes.

    The padding goes in a private ancillary chunk ("qfPd": ancillary, private,
    safe to copy), which every decoder skips, so the icon file can match the
    shipping one byte for byte in size.
    """
    raw = b"".join(b"\x00" + bytes(rgba[r * size * 4 : (r + 1) * size * 4]) for r in range(size))
    signature = b"\x89PNG\r\n\x1a\n"
    ihdr = _png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    idat = _png_chunk(b"IDAT", zlib.compress(raw, 9))
    iend = _png_chunk(b"IEND", b"")
    padding = total_size - (len(signature) + len(ihdr) + len(idat) + len(iend))
    if padding < 12:
        raise RuntimeError(f"icon PNG does not fit in {total_size} bytes")
    # Incompressible filler, like the product's icon, whose PNG is already compressed.
    pad = _png_chunk(b"qfPd", random.Random(pad_seed).randbytes(padding - 12))
    return signature + ihdr + idat + pad + iend


def make_bmp_image(size, rgba):
    """Icon-resource DIB: BITMAPINFOHEADER, bottom-up BGRA, then the AND mask."""
    header = struct.pack(
        "<IiiHHIIiiII",
        40,  # biSize
        size,
        size * 2,  # icon DIBs count the AND mask in the height
        1,  # planes
        32,  # bits per pixel
        0,  # BI_RGB
        0,  # image size may be 0 for BI_RGB
        0,
        0,
        0,
        0,
    )
    xor = bytearray()
    mask_stride = align((size + 7) // 8, 4)
    mask = bytearray()
    for row in reversed(range(size)):
        mask_row = bytearray(mask_stride)
        for col in range(size):
            i = (row * size + col) * 4
            r, g, b, a = rgba[i : i + 4]
            xor += bytes((b, g, r, a))
            if a == 0:  # old renderers that ignore alpha still get the shape
                mask_row[col // 8] |= 0x80 >> (col % 8)
        mask += mask_row
    return header + bytes(xor) + bytes(mask)


def make_plugin_ico():
    images = []  # (size, bytes)
    for size in (16, 32, 48):
        images.append((size, make_bmp_image(size, render_icon(size))))
    header_size = 6 + 16 * 4
    used = header_size + sum(len(data) for _, data in images)
    images.append((256, make_png(256, render_icon(256), ICO_SIZE - used, 0x1C0)))

    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))  # reserved, type icon, count
    offset = header_size
    for size, data in images:
        out += struct.pack(
            "<BBBBHHII",
            size % 256,  # 0 means 256
            size % 256,
            0,  # no palette
            0,
            1,  # planes
            32,  # bits per pixel
            len(data),
            offset,
        )
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


# ---------------------------------------------------------------------------
# moduleinfo.json
# ---------------------------------------------------------------------------


def make_moduleinfo():
    cid = hashlib.md5(f"{VENDOR} {PRODUCT} processor".encode()).hexdigest().upper()
    info = {
        "Name": PRODUCT,
        "Version": MODULE_VERSION_TEXT,
        "Factory Info": {
            "Vendor": VENDOR,
            "URL": "",
            "E-Mail": "",
            "Flags": {
                "Unicode": True,
                "Classes Discardable": False,
                "Component Non Discardable": False,
            },
        },
        "Compatibility": [],
        "Classes": [
            {
                "CID": cid,
                "Category": "Audio Module Class",
                "Name": PRODUCT,
                "Vendor": VENDOR,
                "Version": MODULE_VERSION_TEXT,
                "SDKVersion": "VST 3.7.7",
                "Sub Categories": ["Instrument", "Synth"],
                "Class Flags": 1,
                "Cardinality": 2147483647,
                "Snapshots": [],
            }
        ],
    }
    text = json.dumps(info, indent=2).encode("utf-8")
    if len(text) + 1 > MODULEINFO_SIZE:
        raise RuntimeError("moduleinfo.json is larger than the shipping file")
    # Trailing whitespace keeps it valid JSON at the shipping size.
    return text + b" " * (MODULEINFO_SIZE - len(text) - 1) + b"\n"


# ---------------------------------------------------------------------------
# Filler standing in for compiled code and data
# ---------------------------------------------------------------------------

# Most frequent bytes of x86-64 machine code (zero, REX prefixes, MOV/LEA/CALL
# opcodes, ModRM values) get several slots, as many of the other values as fit
# one each; translating random bytes through the table gives code-like byte
# statistics at C speed.
_CODE_BYTE_WEIGHTS = {
    0x00: 30, 0x48: 12, 0x8B: 9, 0xFF: 8, 0x89: 8, 0x24: 5, 0x44: 5, 0x4C: 5,
    0x0F: 5, 0xE8: 4, 0x83: 4, 0x8D: 4, 0x01: 3, 0x40: 3, 0x41: 3, 0x45: 3,
    0x85: 2, 0x74: 2, 0x75: 2, 0xC3: 2, 0x10: 2, 0x20: 2, 0x08: 2, 0x28: 2,
    0x30: 2, 0x38: 2, 0xC0: 2, 0x4D: 2, 0x49: 2, 0xCC: 2,
}  # fmt: skip


def _code_byte_table(rng):
    table = [b for b, weight in _CODE_BYTE_WEIGHTS.items() for _ in range(weight)]
    rest = [b for b in range(256) if b not in _CODE_BYTE_WEIGHTS]
    rng.shuffle(rest)
    return bytes((table + rest)[:256])


def _code_block(rng, table, n):
    # Fresh code-like bytes, then short back-references (repeated instruction
    # sequences, prologues) that give deflate the matches real code has.
    buf = bytearray(rng.randbytes(n).translate(table))
    bits = rng.getrandbits
    pos = bits(4)
    while pos < n - 64:
        length = 3 + bits(5)
        distance = 1 + (bits(15) if bits(1) else bits(10))
        if distance < pos:
            buf[pos : pos + length] = buf[pos - distance : pos - distance + length]
        pos += length + bits(5)
    return buf


def _string_block(rng, words, n):
    # Symbol names, format strings and messages, NUL separated.
    parts = rng.choices(words, k=n // 6 + 1)
    return bytearray(b"\0".join(parts)[:n])


def _pointer_table_block(rng, n):
    # vtables, jump and relocation tables: ascending 64-bit addresses.
    count = n // 8 + 1
    base = 0x180001000 + rng.getrandbits(20) * 16
    strides = (s * 16 for s in rng.randbytes(count))
    table = array("Q", itertools.accumulate(strides, initial=base))[:count]
    if sys.byteorder != "little":
        table.byteswap()
    return bytearray(table.tobytes()[:n])


def _make_words(rng, count):
    syllables = [
        "au", "dio", "pro", "ces", "sor", "buf", "fer", "para", "me", "ter",
        "voi", "ce", "osc", "fil", "env", "lfo", "mod", "gain", "mix", "sam",
        "ple", "ra", "te", "state", "get", "set", "val", "ue", "juce", "vst",
        "clap", "aax", "host", "bus", "chan", "nel", "midi", "note", "pre", "set",
    ]  # fmt: skip
    words = []
    for _ in range(count):
        word = "".join(rng.choices(syllables, k=rng.randint(2, 5)))
        style = rng.randrange(4)
        if style == 0:
            word = "juce::" + word.capitalize()
        elif style == 1:
            word = "?" + word + "@@QEAAXXZ"
        elif style == 2:
            word = word + "%d: %s"
        words.append(word.encode("ascii"))
    return words


def make_filler(size, seed, incompressible_share):
    """size bytes that deflate about as well as a compiled plug-in binary.

    Blocks of machine-code-like bytes, strings, pointer tables and zero
    padding, with incompressible blocks standing in for embedded compressed
    resources (fonts, images, wavetables). The next block is always of the
    kind furthest below its share of the bytes so far, so the mix holds to
    the shares instead of to the luck of the block draw.
    """
    rng = random.Random(seed)
    table = _code_byte_table(rng)
    words = _make_words(rng, 600)
    rest = 1.0 - incompressible_share
    shares = {
        "resource": incompressible_share,
        "code": rest * 0.74,
        "strings": rest * 0.12,
        "pointers": rest * 0.09,
        "zeros": rest * 0.05,
    }
    produced = dict.fromkeys(shares, 0)
    out = bytearray()
    while len(out) < size:
        kind = max(shares, key=lambda k: shares[k] * (len(out) + 1) - produced[k])
        if kind == "resource":
            block = rng.randbytes(rng.randint(16 << 10, 128 << 10))
        else:
            n = rng.randint(4 << 10, 64 << 10)
            if kind == "code":
                block = _code_block(rng, table, n)
            elif kind == "strings":
                block = _string_block(rng, words, n)
            elif kind == "pointers":
                block = _pointer_table_block(rng, n)
            else:
                block = bytes(n)
        produced[kind] += len(block)
        out += block
    del out[size:]
    return out


# ---------------------------------------------------------------------------
# PE32+ image
# ---------------------------------------------------------------------------

FILE_ALIGNMENT = 0x200
SECTION_ALIGNMENT = 0x1000
IMAGE_BASE = 0x180000000  # the linker's default for 64-bit DLLs

IMAGE_FILE_MACHINE_AMD64 = 0x8664
IMAGE_FILE_EXECUTABLE_IMAGE = 0x0002
IMAGE_FILE_LARGE_ADDRESS_AWARE = 0x0020
IMAGE_FILE_DLL = 0x2000
IMAGE_NT_OPTIONAL_HDR64_MAGIC = 0x20B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA = 0x0020
IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE = 0x0040
IMAGE_DLLCHARACTERISTICS_NX_COMPAT = 0x0100
IMAGE_DIRECTORY_ENTRY_RESOURCE = 2
IMAGE_NUMBEROF_DIRECTORY_ENTRIES = 16
IMAGE_SCN_CNT_CODE = 0x00000020
IMAGE_SCN_CNT_INITIALIZED_DATA = 0x00000040
IMAGE_SCN_MEM_EXECUTE = 0x20000000
IMAGE_SCN_MEM_READ = 0x40000000

RT_VERSION = 16
VS_VERSION_INFO_ID = 1
LANG_EN_US = 1033
CODEPAGE_WINDOWS_1252 = 1252

DOS_HEADER_FORMAT = "<2s13H4H2H10HI"  # IMAGE_DOS_HEADER, 64 bytes
COFF_HEADER_FORMAT = "<HHIIIHH"  # IMAGE_FILE_HEADER, 20 bytes
OPTIONAL_HEADER_FORMAT = "<HBBIIIIIQIIHHHHHHIIIIHHQQQQII"  # IMAGE_OPTIONAL_HEADER64 without directories
SECTION_HEADER_FORMAT = "<8sIIIIIIHHI"  # IMAGE_SECTION_HEADER, 40 bytes


def _dos_stub():
    """The 16-bit program DOS runs instead of the DLL: print a line and exit."""
    code = bytes(
        [
            0x0E,  # push cs
            0x1F,  # pop ds            ; ds = our code segment
            0xBA, 0x0E, 0x00,  # mov dx, 000Eh  ; the message follows this code
            0xB4, 0x09,  # mov ah, 09h      ; DOS: print '$'-terminated string
            0xCD, 0x21,  # int 21h
            0xB8, 0x01, 0x4C,  # mov ax, 4C01h  ; DOS: exit with code 1
            0xCD, 0x21,  # int 21h
        ]
    )  # fmt: skip
    message = b"This program cannot be run in DOS mode.\r\r\n$"
    return code + message + bytes(-(len(code) + len(message)) % 8)


def _dos_header(e_lfanew):
    return struct.pack(
        DOS_HEADER_FORMAT,
        b"MZ",
        0x90,  # bytes on the last 512-byte page
        3,  # pages in the DOS program
        0,  # relocations
        4,  # header size in paragraphs (64 bytes)
        0,  # minimum extra paragraphs
        0xFFFF,  # maximum extra paragraphs
        0,  # initial SS
        0xB8,  # initial SP
        0,  # checksum
        0,  # initial IP
        0,  # initial CS
        0x40,  # relocation table offset
        0,  # overlay number
        *([0] * 4),  # reserved
        0,  # OEM id
        0,  # OEM info
        *([0] * 10),  # reserved
        e_lfanew,
    )


def _version_node(key, value=b"", value_length=0, text=False, children=()):
    """One node of a VS_VERSIONINFO tree (VS_VERSIONINFO, StringFileInfo,
    StringTable, String, VarFileInfo, Var all share this shape).

    wValueLength counts WCHARs for text values and bytes otherwise; the key,
    the value and every child start on a DWORD boundary; wLength covers the
    node up to the end of its last child, without trailing padding.
    """
    node = bytearray(6)  # wLength, wValueLength, wType, patched below
    node += (key + "\0").encode("utf-16-le")
    node += bytes(-len(node) % 4)
    node += value
    for child in children:
        node += bytes(-len(node) % 4)
        node += child
    struct.pack_into("<HHH", node, 0, len(node), value_length, 1 if text else 0)
    return bytes(node)


def _version_string(key, text):
    value = (text + "\0").encode("utf-16-le")
    return _version_node(key, value, len(value) // 2, text=True)


def make_version_info(version, strings):
    major, minor, patch, build = version
    version_ms = (major << 16) | minor
    version_ls = (patch << 16) | build
    fixed = struct.pack(
        "<13I",
        0xFEEF04BD,  # signature
        0x00010000,  # structure version 1.0
        version_ms,  # file version
        version_ls,
        version_ms,  # product version
        version_ls,
        0x3F,  # VS_FFI_FILEFLAGSMASK
        0,  # no flags: a release build
        0x00040004,  # VOS_NT_WINDOWS32
        0x2,  # VFT_DLL
        0,
        0,  # no file date
        0,
    )
    table = _version_node(
        "040904E4",  # US English, Windows-1252
        text=True,
        children=[_version_string(k, v) for k, v in strings],
    )
    string_info = _version_node("StringFileInfo", text=True, children=[table])
    translation = struct.pack("<HH", LANG_EN_US, CODEPAGE_WINDOWS_1252)
    var = _version_node("Translation", translation, len(translation))
    var_info = _version_node("VarFileInfo", text=True, children=[var])
    return _version_node(
        "VS_VERSION_INFO", fixed, len(fixed), children=[string_info, var_info]
    )


def make_resource_section(section_rva, version_info):
    """.rsrc holding a single RT_VERSION resource (id 1, en-US).

    Three directory levels (type, name, language), each with one id entry;
    the leaf's data entry holds an RVA, hence section_rva.
    """

    def directory(id_, target, target_is_directory):
        header = struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1)  # 0 named, 1 id entry
        flag = 0x80000000 if target_is_directory else 0
        return header + struct.pack("<II", id_, flag | target)

    # Each directory with its single entry takes 24 bytes, the data entry 16.
    name_dir, lang_dir, data_entry = 24, 48, 72
    data = align(data_entry + 16, 16)
    section = bytearray()
    section += directory(RT_VERSION, name_dir, True)
    section += directory(VS_VERSION_INFO_ID, lang_dir, True)
    section += directory(LANG_EN_US, data_entry, False)
    assert len(section) == data_entry
    section += struct.pack("<IIII", section_rva + data, len(version_info), 0, 0)
    section += bytes(data - len(section))
    section += version_info
    return bytes(section)


def _pe_checksum(image, checksum_offset):
    # Sum of 16-bit words with end-around carry, the field itself as zero,
    # plus the file length (what the linker's /RELEASE and imagehlp compute).
    words = array("H")
    words.frombytes(bytes(image) + bytes(len(image) % 2))
    if sys.byteorder != "little":
        words.byteswap()
    total = sum(words) - words[checksum_offset // 2] - words[checksum_offset // 2 + 1]
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


def make_pe_dll(file_size, filler_seed, incompressible_share):
    """A PE32+ x86-64 DLL of exactly file_size bytes: a .text section of
    filler and a .rsrc section with the version resource.

    It has no entry point and no imports, so even a plain LoadLibrary runs
    nothing from it. The shipping binaries are code-signed, which leaves
    their sizes off the 512-byte file alignment; the sample keeps the exact
    size with unreferenced trailing bytes rather than a fake signature.
    """
    strings = [
        ("CompanyName", VENDOR),
        ("FileDescription", PRODUCT),
        ("FileVersion", VERSION_TEXT),
        ("ProductName", PRODUCT),
        ("ProductVersion", VERSION_TEXT),
    ]
    version_info = make_version_info(VERSION, strings)

    stub = _dos_stub()
    e_lfanew = 64 + len(stub)
    sections = 2
    optional_header_size = struct.calcsize(OPTIONAL_HEADER_FORMAT) + 8 * IMAGE_NUMBEROF_DIRECTORY_ENTRIES
    headers_end = (
        e_lfanew + 4 + struct.calcsize(COFF_HEADER_FORMAT) + optional_header_size
        + sections * struct.calcsize(SECTION_HEADER_FORMAT)
    )  # fmt: skip
    size_of_headers = align(headers_end, FILE_ALIGNMENT)

    # Lay the .rsrc out once with a provisional RVA to learn its raw size.
    rsrc_raw_size = align(len(make_resource_section(0, version_info)), FILE_ALIGNMENT)
    trailing = file_size % FILE_ALIGNMENT
    text_raw_size = file_size - trailing - size_of_headers - rsrc_raw_size
    if text_raw_size < FILE_ALIGNMENT:
        raise RuntimeError(f"{file_size} bytes is too small for the sample DLL")

    text_rva = SECTION_ALIGNMENT
    text_offset = size_of_headers
    rsrc_rva = align(text_rva + text_raw_size, SECTION_ALIGNMENT)
    rsrc_offset = text_offset + text_raw_size
    rsrc = make_resource_section(rsrc_rva, version_info)
    size_of_image = align(rsrc_rva + len(rsrc), SECTION_ALIGNMENT)

    image = bytearray(file_size)
    image[0:64] = _dos_header(e_lfanew)
    image[64:e_lfanew] = stub

    pos = e_lfanew
    image[pos : pos + 4] = b"PE\0\0"
    pos += 4
    coff = struct.pack(
        COFF_HEADER_FORMAT,
        IMAGE_FILE_MACHINE_AMD64,
        sections,
        BUILD_TIMESTAMP,
        0,  # no COFF symbol table
        0,
        optional_header_size,
        IMAGE_FILE_DLL | IMAGE_FILE_EXECUTABLE_IMAGE | IMAGE_FILE_LARGE_ADDRESS_AWARE,
    )
    image[pos : pos + len(coff)] = coff
    pos += len(coff)

    optional_offset = pos
    optional = struct.pack(
        OPTIONAL_HEADER_FORMAT,
        IMAGE_NT_OPTIONAL_HDR64_MAGIC,
        14,  # linker version 14.36 (Visual Studio 2022)
        36,
        text_raw_size,  # SizeOfCode
        rsrc_raw_size,  # SizeOfInitializedData
        0,  # SizeOfUninitializedData
        0,  # AddressOfEntryPoint: none, no DllMain
        text_rva,  # BaseOfCode
        IMAGE_BASE,
        SECTION_ALIGNMENT,
        FILE_ALIGNMENT,
        6, 0,  # operating system version
        0, 0,  # image version
        6, 0,  # subsystem version
        0,  # Win32VersionValue
        size_of_image,
        size_of_headers,
        0,  # CheckSum, filled in last
        IMAGE_SUBSYSTEM_WINDOWS_GUI,
        IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA
        | IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE
        | IMAGE_DLLCHARACTERISTICS_NX_COMPAT,
        0x100000,  # stack reserve
        0x1000,  # stack commit
        0x100000,  # heap reserve
        0x1000,  # heap commit
        0,  # LoaderFlags
        IMAGE_NUMBEROF_DIRECTORY_ENTRIES,
    )  # fmt: skip
    image[pos : pos + len(optional)] = optional
    pos += len(optional)
    for index in range(IMAGE_NUMBEROF_DIRECTORY_ENTRIES):
        entry = (rsrc_rva, len(rsrc)) if index == IMAGE_DIRECTORY_ENTRY_RESOURCE else (0, 0)
        image[pos : pos + 8] = struct.pack("<II", *entry)
        pos += 8

    for name, virtual_size, rva, raw_size, offset, flags in [
        (b".text", text_raw_size, text_rva, text_raw_size, text_offset,
         IMAGE_SCN_CNT_CODE | IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_MEM_READ),
        (b".rsrc", len(rsrc), rsrc_rva, rsrc_raw_size, rsrc_offset,
         IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ),
    ]:  # fmt: skip
        header = struct.pack(SECTION_HEADER_FORMAT, name, virtual_size, rva, raw_size, offset, 0, 0, 0, 0, flags)
        image[pos : pos + len(header)] = header
        pos += len(header)
    assert pos == headers_end

    image[text_offset:rsrc_offset] = make_filler(text_raw_size, filler_seed, incompressible_share)
    image[rsrc_offset : rsrc_offset + len(rsrc)] = rsrc

    checksum_offset = optional_offset + 64  # CheckSum's place in the optional header
    struct.pack_into("<I", image, checksum_offset, _pe_checksum(image, checksum_offset))
    assert len(image) == file_size
    return image


# ---------------------------------------------------------------------------
# Output
# ---------------------------------------------------------------------------


def _write(root, relpath, data):
    path = os.path.join(root, *relpath.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def write_payload(outdir):
    os.makedirs(outdir, exist_ok=True)
    # Build everything beside the final place first, so an interrupted run
    # leaves each item whole (old or new) or absent, never a truncated binary.
    staging = tempfile.mkdtemp(prefix=".sample-payload-", dir=outdir)
    try:
        desktop_ini = make_desktop_ini()
        ico = make_plugin_ico()
        if len(ico) != ICO_SIZE:
            raise RuntimeError(f"Plugin.ico came out at {len(ico)} bytes")
        for bundle in (f"{PRODUCT}.vst3", f"{PRODUCT}.aaxplugin"):
            _write(staging, f"{bundle}/desktop.ini", desktop_ini)
            _write(staging, f"{bundle}/Plugin.ico", ico)
        _write(staging, f"{PRODUCT}.vst3/Contents/Resources/moduleinfo.json", make_moduleinfo())
        for relpath, size, seed, share in BINARIES:
            _write(staging, relpath, make_pe_dll(size, seed, share))

        for item in TOP_LEVEL_ITEMS:
            target = os.path.join(outdir, item)
            if os.path.isdir(target) and not os.path.islink(target):
                shutil.rmtree(target)
            elif os.path.lexists(target):
                os.remove(target)
            os.replace(os.path.join(staging, item), target)
    finally:
        shutil.rmtree(staging, ignore_errors=True)


def main(argv):
    # Build tools stop jobs with SIGTERM as well as SIGINT; turn it into an
    # exception so the temporary files are cleaned up either way.
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(128 + signum))
    if len(argv) != 2:
        print("usage: make_sample_payload.py OUTDIR", file=sys.stderr)
        return 2
    try:
        write_payload(argv[1])
    except (OSError, RuntimeError) as error:
        print(f"make_sample_payload.py: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
