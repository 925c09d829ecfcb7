#!/usr/bin/env python3
"""Write the sample plug-in payload the installer is built with by default.

Usage: make_sample_payload.py OUTDIR

The maker's real build output is not part of this repository. This stand-in has its names, its
folders and its byte sizes, so the installer, its archives and its tests behave as they do with
the product:

    Halcyra 2.vst3/       desktop.ini, Plugin.ico, Contents/Resources/moduleinfo.json and the
                          binary Contents/x86_64-win/Halcyra 2.vst3
    Halcyra 2.clap        the binary
    Halcyra 2.aaxplugin/  desktop.ini, Plugin.ico and the binary Contents/x64/Halcyra 2.aaxplugin

The binaries are PE32+ DLL images with the product's version record, which the installer reads
with GetFileVersionInfoW; the rest of every file is filler. The same bytes come out on every run
(reproducible builds depend on it). Only the three items above are replaced inside OUTDIR.
Prints nothing on success.
"""

import hashlib
import json
import os
import shutil
import signal
import struct
import sys
import tempfile

PRODUCT = "Halcyra 2"
VERSION = (2, 1, 4, 0)

# The shipping files' byte sizes, which the installer and its tests see.
ICO_SIZE = 57688
MODULEINFO_SIZE = 1161
BINARIES = [
    (f"{PRODUCT}.vst3/Contents/x86_64-win/{PRODUCT}.vst3", 17072608),
    (f"{PRODUCT}.clap", 16658912),
    (f"{PRODUCT}.aaxplugin/Contents/x64/{PRODUCT}.aaxplugin", 16864352),
]
TOP_LEVEL_ITEMS = [f"{PRODUCT}.vst3", f"{PRODUCT}.clap", f"{PRODUCT}.aaxplugin"]

# Each binary's code section starts with this many incompressible bytes and is zeros after
# them, so that every archive deflates to about the product's size (9.5 to 9.8 MB) and the
# program carries about the 29 MB of archives it carries with the real payload.
INCOMPRESSIBLE_BYTES = 9_600_000


def noise(label, size):
    # A standard hash rather than the random module, whose streams may change between versions.
    return hashlib.shake_256(label.encode()).digest(size)


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def make_desktop_ini():
    # Explorer only honours desktop.ini with CR LF line ends.
    lines = ["[.ShellClassInfo]", "IconResource=Plugin.ico,0", "IconFile=Plugin.ico", "IconIndex=0"]
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def make_moduleinfo():
    text = json.dumps({"Name": PRODUCT, "Version": ".".join(map(str, VERSION[:3]))}).encode()
    # Trailing spaces keep it valid JSON at the shipping size.
    return text + b" " * (MODULEINFO_SIZE - len(text) - 1) + b"\n"


# ---------------------------------------------------------------------------
# The version record: a VS_VERSIONINFO tree in the one resource of a PE32+ DLL
# ---------------------------------------------------------------------------


def _version_node(key, value=b"", value_length=0, text=False, children=()):
    """One node of a VS_VERSIONINFO tree: wLength, wValueLength (WCHARs for text, bytes
    otherwise), wType, the key; the value and every child start on a DWORD boundary."""
    node = bytearray(6) + (key + "\0").encode("utf-16-le")
    node += bytes(-len(node) % 4) + value
    for child in children:
        node += bytes(-len(node) % 4) + child
    struct.pack_into("<HHH", node, 0, len(node), value_length, 1 if text else 0)
    return bytes(node)


def make_version_info():
    major, minor, patch, build = VERSION
    ms, ls = (major << 16) | minor, (patch << 16) | build
    # VS_FIXEDFILEINFO: signature, structure version, file and product version, flags mask,
    # flags, VOS_NT_WINDOWS32, VFT_DLL, subtype, date.
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, ms, ls, ms, ls, 0x3F, 0, 0x40004, 2, 0, 0, 0)
    text = ".".join(map(str, VERSION))
    strings = []
    for key in ("FileVersion", "ProductVersion"):
        value = (text + "\0").encode("utf-16-le")
        strings.append(_version_node(key, value, len(value) // 2, text=True))
    table = _version_node("040904E4", text=True, children=strings)  # US English, Windows-1252
    translation = struct.pack("<HH", 0x0409, 1252)
    var_info = _version_node("VarFileInfo", text=True, children=[_version_node("Translation", translation, 4)])
    string_info = _version_node("StringFileInfo", text=True, children=[table])
    return _version_node("VS_VERSION_INFO", fixed, len(fixed), children=[string_info, var_info])


def make_resource_section(section_rva, version_info):
    """.rsrc with the single RT_VERSION resource, id 1, en-US: three directory levels (type,
    name, language) of one id entry each, then the data entry, which holds an RVA."""

    def directory(id_, target, flag):
        return struct.pack("<IIHHHHII", 0, 0, 0, 0, 0, 1, id_, flag | target)

    data = 96  # after the three 24-byte directories and the 16-byte data entry, 16-aligned
    section = directory(16, 24, 0x80000000) + directory(1, 48, 0x80000000) + directory(1033, 72, 0)
    section += struct.pack("<IIII", section_rva + data, len(version_info), 0, 0)
    return section + bytes(data - len(section)) + version_info


def make_pe_dll(file_size, filler):
    """A PE32+ x86-64 DLL of exactly file_size bytes: .text holds the filler, .rsrc the version
    record. No entry point and no imports, so loading it runs nothing. The shipping binaries are
    signed, which leaves their sizes off the file alignment; trailing bytes keep the size here."""
    file_alignment, section_alignment = 0x200, 0x1000
    e_lfanew, sections, optional_size = 0x40, 2, 240
    size_of_headers = align(e_lfanew + 4 + 20 + optional_size + 40 * sections, file_alignment)
    version_info = make_version_info()
    rsrc_raw_size = align(len(make_resource_section(0, version_info)), file_alignment)
    text_raw_size = file_size - file_size % file_alignment - size_of_headers - rsrc_raw_size
    text_rva = section_alignment
    rsrc_rva = align(text_rva + text_raw_size, section_alignment)
    rsrc = make_resource_section(rsrc_rva, version_info)
    size_of_image = align(rsrc_rva + len(rsrc), section_alignment)

    headers = bytearray(b"MZ" + bytes(e_lfanew - 6) + struct.pack("<I", e_lfanew))
    headers += b"PE\0\0" + struct.pack("<HHIIIHH", 0x8664, sections, 0, 0, 0, optional_size, 0x2022)  # DLL, large address aware
    # IMAGE_OPTIONAL_HEADER64: Windows GUI subsystem 6.0, NX and ASLR compatible.
    headers += struct.pack(
        "<HBBIIIIIQIIHHHHHHIIIIHHQQQQII", 0x20B, 14, 0, text_raw_size, rsrc_raw_size, 0, 0, text_rva,
        0x180000000, section_alignment, file_alignment, 6, 0, 0, 0, 6, 0, 0, size_of_image,
        size_of_headers, 0, 2, 0x160, 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)  # fmt: skip
    headers += bytes(16) + struct.pack("<II", rsrc_rva, len(rsrc)) + bytes(13 * 8)  # data directories
    for name, size, rva, raw_size, offset, flags in [
        (b".text", text_raw_size, text_rva, text_raw_size, size_of_headers, 0x60000020),  # code, read, execute
        (b".rsrc", len(rsrc), rsrc_rva, rsrc_raw_size, size_of_headers + text_raw_size, 0x40000040),  # data, read
    ]:  # fmt: skip
        headers += struct.pack("<8sIIIIIIHHI", name, size, rva, raw_size, offset, 0, 0, 0, 0, flags)

    text = filler[:text_raw_size].ljust(text_raw_size, b"\0")
    image = headers.ljust(size_of_headers, b"\0") + text + rsrc.ljust(rsrc_raw_size, b"\0")
    return bytes(image.ljust(file_size, b"\0"))


def _write(root, relpath, data):
    path = os.path.join(root, *relpath.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def write_payload(outdir):
    os.makedirs(outdir, exist_ok=True)
    # Build everything beside the final place first, so an interrupted run leaves each item
    # whole (old or new) or absent, never a truncated binary.
    staging = tempfile.mkdtemp(prefix=".sample-payload-", dir=outdir)
    try:
        for bundle in (f"{PRODUCT}.vst3", f"{PRODUCT}.aaxplugin"):
            _write(staging, f"{bundle}/desktop.ini", make_desktop_ini())
            _write(staging, f"{bundle}/Plugin.ico", noise("Plugin.ico", ICO_SIZE))
        _write(staging, f"{PRODUCT}.vst3/Contents/Resources/moduleinfo.json", make_moduleinfo())
        filler = noise("code", INCOMPRESSIBLE_BYTES)
        for relpath, size in BINARIES:
            _write(staging, relpath, make_pe_dll(size, filler))

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
    # Build tools stop jobs with SIGTERM as well as SIGINT; turn it into an exception so the
    # temporary files are cleaned up either way.
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(128 + signum))
    if len(argv) != 2:
        print("usage: make_sample_payload.py OUTDIR", file=sys.stderr)
        return 2
    try:
        write_payload(argv[1])
    except OSError as error:
        print(f"make_sample_payload.py: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
