#!/usr/bin/env python3
"""Reads the Windows resources and imports back out of the built qf_installer.exe and checks
every field: version record, manifest, both icon groups, and that only system DLLs are imported.

Usage: check_resources.py qf_installer.exe [--same-as ORIGINAL.exe]
With --same-as (a signed copy against the program it was made from), also checks that the two
hold the same resources and the same sections, byte for byte: signing added its signature and
nothing else changed. Prints "N passed, N failed" and exits non-zero on any failure.
"""

import re
import struct
import sys
import xml.etree.ElementTree as ET

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
LANG_EN_US = 1033

# DLLs that every Windows installation has; anything else would have to ship beside the exe.
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll", "dwmapi.dll", "gdi32.dll",
    "imm32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "rpcrt4.dll",
    "setupapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "uuid.dll", "version.dll",
    "wininet.dll", "winmm.dll", "ws2_32.dll", "wsock32.dll", "opengl32.dll", "imagehlp.dll",
    "dbghelp.dll", "bcrypt.dll", "iphlpapi.dll", "netapi32.dll", "userenv.dll", "uxtheme.dll",
    "d2d1.dll", "dwrite.dll", "dxgi.dll", "d3d11.dll", "winspool.drv", "psapi.dll",
}

results = []


def check(condition, what):
    results.append((bool(condition), what))
    if not condition:
        print("FAILED:", what)


class PE:
    def __init__(self, data):
        self.data = data
        (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
        if data[pe_offset : pe_offset + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        coff = pe_offset + 4
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, coff)
        optional = coff + 20
        (self.magic,) = struct.unpack_from("<H", data, optional)
        directories = optional + (112 if self.magic == 0x20B else 96)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        self.raw_sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((vaddr, max(vsize, rawsize), rawptr))
            self.raw_sections.append(data[rawptr : rawptr + rawsize])

    def offset(self, rva):
        for vaddr, size, rawptr in self.sections:
            if vaddr <= rva < vaddr + size:
                return rawptr + rva - vaddr
        raise ValueError(f"RVA {rva:#x} outside every section")

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start : self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        rva, _ = self.directories[1]
        names, pos = [], self.offset(rva)
        while True:
            lookup, _, _, name, thunk = struct.unpack_from("<IIIII", self.data, pos)
            if lookup == 0 and name == 0 and thunk == 0:
                return names
            names.append(self.cstring(name))
            pos += 20

    def resources(self):
        """{(type, name): {language: bytes}}; names are ints or strings."""
        root_rva, _ = self.directories[2]
        root = self.offset(root_rva)

        def entries(directory):
            named, ids = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                if name & 0x80000000:
                    at = root + (name & 0x7FFFFFFF)
                    (length,) = struct.unpack_from("<H", self.data, at)
                    name = self.data[at + 2 : at + 2 + 2 * length].decode("utf-16-le")
                yield name, target

        found = {}
        for kind, kind_dir in entries(root):
            for name, name_dir in entries(root + (kind_dir & 0x7FFFFFFF)):
                for lang, leaf in entries(root + (name_dir & 0x7FFFFFFF)):
                    data_rva, size, _, _ = struct.unpack_from("<IIII", self.data, root + leaf)
                    start = self.offset(data_rva)
                    found.setdefault((kind, name), {})[lang] = self.data[start : start + size]
        return found


def parse_version_node(data, pos):
    """One VS_VERSIONINFO-style node: (key, value bytes, value type, children, end)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, pos)
    end = pos + length
    key_start = pos + 6
    key_end = key_start
    while data[key_end : key_end + 2] != b"\0\0":
        key_end += 2
    key = data[key_start:key_end].decode("utf-16-le")
    at = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if value_type == 1 else value_length
    value = data[at : at + value_bytes]
    at = (at + value_bytes + 3) & ~3
    children = []
    while at < end:
        child = parse_version_node(data, at)
        children.append(child)
        at = (child[4] + 3) & ~3
    return key, value, value_type, children, end


def check_version(record):
    key, fixed, _, children, _ = parse_version_node(record, 0)
    check(key == "VS_VERSION_INFO", "version record root is VS_VERSION_INFO")
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIIIII", fixed, 0)
    check(signature == 0xFEEF04BD, "fixed file info signature")
    version = (file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF)
    check(version == (1, 0, 5, 0), f"fixed file version 1.0.5.0 (is {version})")
    product = (product_ms >> 16, product_ms & 0xFFFF, product_ls >> 16, product_ls & 0xFFFF)
    check(product == (1, 0, 5, 0), f"fixed product version 1.0.5.0 (is {product})")

    blocks = {child[0]: child for child in children}
    check("StringFileInfo" in blocks and "VarFileInfo" in blocks, "StringFileInfo and VarFileInfo present")
    tables = {table[0]: table for table in blocks.get("StringFileInfo", ("", b"", 0, [], 0))[3]}
    check(list(tables) == ["040904E4"], f"one string table, block 040904E4 (are {list(tables)})")
    strings = {}
    for entry in tables.get("040904E4", ("", b"", 0, [], 0))[3]:
        strings[entry[0]] = entry[1].decode("utf-16-le")
    for field, expected in (
        ("CompanyName", "Quillfen, Inc."),
        ("FileDescription", "qf_installer"),
        ("FileVersion", "1.0.5"),
        ("ProductName", "qf_installer"),
        ("ProductVersion", "1.0.5"),
    ):
        value = strings.get(field)
        # The stored value counts its terminating NUL; one, not two.
        check(value == expected + "\0", f"{field} is {expected!r} (is {value!r})")
    copyright_text = strings.get("LegalCopyright", "")
    check(re.search(r"\b(19|20)\d\d\b", copyright_text) and "Quillfen" in copyright_text,
          f"LegalCopyright holds a year and the maker ({copyright_text!r})")

    translations = blocks.get("VarFileInfo", ("", b"", 0, [], 0))[3]
    check(translations and translations[0][0] == "Translation"
          and struct.unpack_from("<HH", translations[0][1]) == (0x409, 1252),
          "translation 0409 / 1252")


def check_manifest(text):
    namespaces = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3"}
    root = ET.fromstring(text)
    level = root.find(".//v3:requestedExecutionLevel", namespaces)
    check(level is not None and level.get("level") == "requireAdministrator", "execution level requireAdministrator")
    check(level is not None and level.get("uiAccess") == "false", "uiAccess false")
    controls = [identity for identity in root.iterfind(".//v1:dependentAssembly/v1:assemblyIdentity", namespaces)
                if identity.get("name") == "Microsoft.Windows.Common-Controls"]
    check(len(controls) == 1 and controls[0].get("version") == "6.0.0.0", "depends on Common Controls 6.0.0.0")
    # Windows reads the program's own identity here; a version bump must reach it as well.
    identity = root.find("v1:assemblyIdentity", namespaces)
    check(identity is not None and identity.get("version") == "1.0.5.0",
          f"the manifest's own version is 1.0.5.0 (is {identity.get('version') if identity is not None else None})")


def check_icons(resources):
    groups = {}
    for name in ("IDI_ICON1", "IDI_ICON2"):
        by_language = resources.get((RT_GROUP_ICON, name), {})
        check(list(by_language) == [LANG_EN_US], f"icon group {name} exists in language 1033")
        groups[name] = next(iter(by_language.values()), b"")

    def pictures(group):
        """Each image's directory entry without its resource id, and the image itself."""
        count = struct.unpack_from("<H", group, 4)[0] if len(group) >= 6 else 0
        out = []
        for i in range(count):
            entry = group[6 + 14 * i : 6 + 14 * i + 12]
            (icon_id,) = struct.unpack_from("<H", group, 6 + 14 * i + 12)
            out.append((entry, next(iter(resources.get((RT_ICON, icon_id), {}).values()), b"")))
        return out

    check(pictures(groups["IDI_ICON1"]) == pictures(groups["IDI_ICON2"]), "both icon groups are identical")

    group = groups["IDI_ICON1"]
    if len(group) < 6:
        check(False, "icon group readable")
        return
    _, kind, count = struct.unpack_from("<HHH", group, 0)
    check(kind == 1 and count == 4, f"icon group holds 4 images (holds {count})")
    expected = [(16, 1128), (32, 4264), (48, 9640), (256, None)]
    for i in range(min(count, 4)):
        width, height, _, _, planes, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        width, height = width or 256, height or 256
        want_size, want_bytes = expected[i]
        check((width, height, bits) == (want_size, want_size, 32), f"image {i} is {want_size} px, 32-bit")
        image = next(iter(resources.get((RT_ICON, icon_id), {}).values()), b"")
        check(len(image) == size, f"image {i} size matches its directory entry")
        if want_bytes is not None:
            check(size == want_bytes, f"{want_size} px image is {want_bytes} bytes (is {size})")
            header = struct.unpack_from("<IiiHH", image, 0) if len(image) >= 14 else ()
            check(header == (40, want_size, want_size * 2, 1, 32), f"{want_size} px image is a 32-bit DIB")
        else:
            check(image[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack_from(">II", image, 16) == (256, 256),
                  "256 px image is a 256 x 256 PNG")
        if want_size == 48 and len(image) == want_bytes:
            pixels = image[40 : 40 + 48 * 48 * 4]
            opaque = [pixels[j : j + 3] for j in range(0, len(pixels), 4) if pixels[j + 3] >= 200]
            blue = [p for p in opaque if abs(p[0] - 0xD8) <= 24 and abs(p[1] - 0x94) <= 24 and p[2] <= 24]
            check(len(blue) * 2 > len(opaque), "the icon is drawn mainly in 0094d8")


def main(argv):
    data = open(argv[1], "rb").read()
    pe = PE(data)
    check(pe.machine == 0x8664 and pe.magic == 0x20B, "64-bit x86-64 executable")

    imports = [name.lower() for name in pe.imports()]
    foreign = [name for name in imports if name not in SYSTEM_DLLS and not name.startswith("api-ms-win-")]
    check(not foreign, f"imports only system DLLs (also imports {foreign})")

    resources = pe.resources()
    versions = resources.get((RT_VERSION, 1), {})
    check(list(versions) == [LANG_EN_US], "one version record, language 1033")
    if versions:
        check_version(versions[LANG_EN_US])
    manifests = resources.get((RT_MANIFEST, 1), {})
    check(len(manifests) == 1, "one manifest, resource 1")
    if manifests:
        check_manifest(next(iter(manifests.values())))
    check_icons(resources)

    if len(argv) == 4 and argv[2] == "--same-as":
        original = PE(open(argv[3], "rb").read())
        check(resources == original.resources(), f"the same resources as {argv[3]}")
        check(pe.raw_sections == original.raw_sections, f"the same sections as {argv[3]}, byte for byte")

    passed = sum(1 for ok, _ in results if ok)
    failed = len(results) - passed
    print(f"{passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
