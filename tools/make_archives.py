#!/usr/bin/env python3
"""Pack the plug-in payload into the three archives the installer embeds.

Usage: make_archives.py --payload DIR --out OUTDIR

DIR holds the three plug-in formats as the maker's build lays them out (or as
make_sample_payload.py writes them):

    Halcyra 2.vst3/        ->  OUTDIR/vst3.zip
    Halcyra 2.clap         ->  OUTDIR/clap.zip
    Halcyra 2.aaxplugin/   ->  OUTDIR/aax.zip

The archives are deliberately the plainest ZIP there is, identical from build
to build for the same payload: deflate only, no ZIP64, no extra fields, no
data descriptors, no comments, DOS host and version 2.0 everywhere, one fixed
timestamp, backslash separators, and a fixed entry order (see
bundle_entries). The installer unpacks them with juce::ZipFile, which reads
only the classic fields, so nothing here may depend on an extension.

The archive writer is our own rather than Python's zipfile because zipfile
turns backslashes into slashes when it runs on Windows and chooses some of
the header fields itself.

Each archive is written to a temporary file beside it and renamed into place,
so an interrupted build never leaves a truncated archive behind. Prints
nothing on success; exits non-zero with a message on any failure.
"""

import argparse
import os
import signal
import struct
import sys
import tempfile
import zlib

PRODUCT = "Halcyra 2"

# (archive name, top-level item in the payload, whether the item is a folder)
ARCHIVES = [
    ("vst3.zip", f"{PRODUCT}.vst3", True),
    ("clap.zip", f"{PRODUCT}.clap", False),
    ("aax.zip", f"{PRODUCT}.aaxplugin", True),
]

# Level 6, zlib's default: on plug-in binaries level 9 came out slightly
# larger (its longer match search favours short matches that cost more than
# literals) and took over twice as long. Either inflates the same.
DEFLATE_LEVEL = 6

# Every entry carries the same timestamp so that rebuilding an unchanged
# payload gives byte-identical archives. 2024-11-12 10:00:00 in MS-DOS form.
DOS_DATE = ((2024 - 1980) << 9) | (11 << 5) | 12
DOS_TIME = (10 << 11) | (0 << 5) | (0 // 2)

VERSION_20 = 20  # PKZIP 2.0: deflate and folders; high byte 0 = MS-DOS host
METHOD_STORED = 0
METHOD_DEFLATED = 8

LOCAL_HEADER = struct.Struct("<IHHHHHIIIHH")
CENTRAL_HEADER = struct.Struct("<IHHHHHHIIIHHHHHII")
END_OF_CENTRAL_DIRECTORY = struct.Struct("<IHHHHIIH")
LOCAL_SIGNATURE = 0x04034B50
CENTRAL_SIGNATURE = 0x02014B50
END_SIGNATURE = 0x06054B50

# Anything at or above these needs ZIP64, which we never write.
MAX_32 = 0xFFFFFFFF
MAX_ENTRIES = 0xFFFF

CHUNK = 1 << 20


class PayloadError(Exception):
    pass


def _sort_key(name):
    # Case-insensitive, as Explorer lists them; the exact name breaks ties so
    # the order never depends on the file system's listing order.
    return (name.casefold(), name)


def _list_folder(path):
    """Sorted (subfolder names, file names) of a payload folder."""
    folders, files = [], []
    with os.scandir(path) as it:
        for entry in it:
            if entry.is_symlink():
                raise PayloadError(f"symbolic link in the payload: {entry.path}")
            if entry.is_dir():
                folders.append(entry.name)
            elif entry.is_file():
                files.append(entry.name)
            else:
                raise PayloadError(f"not a regular file or folder: {entry.path}")
    return sorted(folders, key=_sort_key), sorted(files, key=_sort_key)


def _entry_name(parts):
    for part in parts:
        # A backslash inside a (POSIX) file name would read back as a
        # separator; ".." or "." would escape or alias the install folder.
        if "\\" in part or "/" in part or part in ("", ".", ".."):
            raise PayloadError(f"file name cannot be stored in the archive: {part!r}")
    return "\\".join(parts)


def bundle_entries(bundle_path, bundle_name):
    """(entry name, source file or None for a folder entry) for a bundle.

    Order: one folder entry per immediate subfolder, then the files directly
    in the bundle, then the files further down, depth-first (in each folder
    its files before its subfolders). Deeper folders get no entry of their
    own unless they are empty, since unpacking a file creates its folders
    but an empty folder would otherwise be lost. All lists sorted by
    _sort_key.
    """
    entries = []
    folders, files = _list_folder(bundle_path)
    for folder in folders:
        entries.append((_entry_name([bundle_name, folder]) + "\\", None))
    for name in files:
        entries.append((_entry_name([bundle_name, name]), os.path.join(bundle_path, name)))

    def walk(path, parts):
        sub_folders, sub_files = _list_folder(path)
        for name in sub_files:
            entries.append((_entry_name(parts + [name]), os.path.join(path, name)))
        for name in sub_folders:
            sub_path = os.path.join(path, name)
            if not os.listdir(sub_path):
                entries.append((_entry_name(parts + [name]) + "\\", None))
            else:
                walk(sub_path, parts + [name])

    for folder in folders:
        walk(os.path.join(bundle_path, folder), [bundle_name, folder])

    if not any(source is not None for _, source in entries):
        raise PayloadError(f"bundle has no files: {bundle_path}")
    return entries


def archive_entries(payload, item, is_folder):
    path = os.path.join(payload, item)
    if os.path.islink(path):
        raise PayloadError(f"symbolic link in the payload: {path}")
    if is_folder:
        if not os.path.isdir(path):
            raise PayloadError(f"missing from the payload (expected a folder): {path}")
        return bundle_entries(path, item)
    if not os.path.isfile(path):
        raise PayloadError(f"missing from the payload (expected a file): {path}")
    return [(_entry_name([item]), path)]


class PlainZipWriter:
    """Writes the classic ZIP subset described in the module docstring.

    Sizes and CRC are not known before a file is compressed, and data
    descriptors are ruled out, so each local header is written first as a
    placeholder and rewritten once the data is out.
    """

    def __init__(self, stream):
        self.stream = stream
        self.central = []

    def add_folder(self, name):
        encoded = self._encode(name)
        offset = self.stream.tell()
        self._write_local(encoded, METHOD_STORED, 0, 0, 0)
        self.central.append((encoded, METHOD_STORED, 0, 0, 0, offset))

    def add_file(self, name, source):
        encoded = self._encode(name)
        offset = self.stream.tell()
        self._write_local(encoded, METHOD_DEFLATED, 0, 0, 0)
        crc, compressed, uncompressed = 0, 0, 0
        deflater = zlib.compressobj(DEFLATE_LEVEL, zlib.DEFLATED, -zlib.MAX_WBITS)
        with open(source, "rb") as f:
            while chunk := f.read(CHUNK):
                crc = zlib.crc32(chunk, crc)
                uncompressed += len(chunk)
                data = deflater.compress(chunk)
                compressed += len(data)
                self.stream.write(data)
        data = deflater.flush()
        compressed += len(data)
        self.stream.write(data)
        if uncompressed >= MAX_32 or compressed >= MAX_32:
            raise PayloadError(f"too large for an archive without ZIP64: {source}")

        end = self.stream.tell()
        self.stream.seek(offset)
        self._write_local(encoded, METHOD_DEFLATED, crc, compressed, uncompressed)
        self.stream.seek(end)
        self.central.append((encoded, METHOD_DEFLATED, crc, compressed, uncompressed, offset))

    def finish(self):
        if len(self.central) >= MAX_ENTRIES:
            raise PayloadError("too many entries for an archive without ZIP64")
        directory_offset = self.stream.tell()
        for encoded, method, crc, compressed, uncompressed, offset in self.central:
            self.stream.write(
                CENTRAL_HEADER.pack(
                    CENTRAL_SIGNATURE,
                    VERSION_20,  # made by
                    VERSION_20,  # needed to extract
                    0,  # flags
                    method,
                    DOS_TIME,
                    DOS_DATE,
                    crc,
                    compressed,
                    uncompressed,
                    len(encoded),
                    0,  # extra field length
                    0,  # comment length
                    0,  # disk number
                    0,  # internal attributes
                    0,  # external attributes
                    offset,
                )
                + encoded
            )
        directory_size = self.stream.tell() - directory_offset
        if directory_offset + directory_size >= MAX_32:
            raise PayloadError("archive too large without ZIP64")
        count = len(self.central)
        self.stream.write(
            END_OF_CENTRAL_DIRECTORY.pack(
                END_SIGNATURE, 0, 0, count, count, directory_size, directory_offset, 0
            )
        )

    def _write_local(self, encoded, method, crc, compressed, uncompressed):
        if self.stream.tell() >= MAX_32:
            raise PayloadError("archive too large without ZIP64")
        self.stream.write(
            LOCAL_HEADER.pack(
                LOCAL_SIGNATURE,
                VERSION_20,
                0,  # flags
                method,
                DOS_TIME,
                DOS_DATE,
                crc,
                compressed,
                uncompressed,
                len(encoded),
                0,  # extra field length
            )
            + encoded
        )

    @staticmethod
    def _encode(name):
        # juce::ZipFile decodes names as UTF-8 whatever the flags say, so
        # UTF-8 it is, with flags kept at 0 like every other field.
        encoded = name.encode("utf-8")
        if len(encoded) > 0xFFFF:
            raise PayloadError(f"entry name too long: {name}")
        return encoded


def _current_umask():
    mask = os.umask(0)
    os.umask(mask)
    return mask


def write_archive(path, entries):
    folder = os.path.dirname(os.path.abspath(path))
    fd, temporary = tempfile.mkstemp(prefix="." + os.path.basename(path) + ".", suffix=".tmp", dir=folder)
    try:
        with os.fdopen(fd, "wb") as stream:
            writer = PlainZipWriter(stream)
            for name, source in entries:
                if source is None:
                    writer.add_folder(name)
                else:
                    writer.add_file(name, source)
            writer.finish()
            stream.flush()
            os.fsync(stream.fileno())
        # mkstemp makes the file private; give the archive the usual mode.
        os.chmod(temporary, 0o666 & ~_current_umask())
        os.replace(temporary, path)
    except BaseException:
        try:
            os.remove(temporary)
        except OSError:
            pass
        raise


def main(argv):
    # Build tools stop jobs with SIGTERM as well as SIGINT; turn it into an
    # exception so the temporary files are cleaned up either way.
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(128 + signum))
    parser = argparse.ArgumentParser(description="Pack the plug-in payload into vst3.zip, clap.zip and aax.zip.")
    parser.add_argument("--payload", required=True, help="folder holding the three plug-in formats")
    parser.add_argument("--out", required=True, help="folder to write the archives to")
    args = parser.parse_args(argv[1:])

    try:
        if not os.path.isdir(args.payload):
            raise PayloadError(f"payload folder not found: {args.payload}")
        # Check the whole payload before writing anything, so a broken one
        # never leaves a mix of fresh and stale archives.
        plans = [(name, archive_entries(args.payload, item, is_folder)) for name, item, is_folder in ARCHIVES]
        os.makedirs(args.out, exist_ok=True)
        for name, entries in plans:
            write_archive(os.path.join(args.out, name), entries)
    except (OSError, PayloadError) as error:
        print(f"make_archives.py: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
