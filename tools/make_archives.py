#!/usr/bin/env python3
"""Pack the plug-in payload into the three archives the installer embeds.

Usage: make_archives.py --payload DIR --out OUTDIR

DIR holds the three plug-in formats as the maker's build lays them out (or as
make_sample_payload.py writes them):

    Halcyra 2.vst3/        ->  OUTDIR/vst3.zip
    Halcyra 2.clap         ->  OUTDIR/clap.zip
    Halcyra 2.aaxplugin/   ->  OUTDIR/aax.zip

The archives are the plainest ZIP there is, the same bytes from build to build for the same
payload: deflate only, no ZIP64, no extra fields, no data descriptors, no comments, version 2.0
on an MS-DOS host, no attributes, one fixed timestamp, backslash separators and a fixed entry
order (see entries). The installer unpacks them with juce::ZipFile, which reads only the classic
fields. Each archive is written beside its place and renamed into it, so an interrupted build
never leaves a truncated one. Prints nothing on success.
"""

import argparse
import os
import shutil
import signal
import sys
import zipfile

PRODUCT = "Halcyra 2"

# (archive name, top-level item in the payload, whether the item is a folder)
ARCHIVES = [
    ("vst3.zip", f"{PRODUCT}.vst3", True),
    ("clap.zip", f"{PRODUCT}.clap", False),
    ("aax.zip", f"{PRODUCT}.aaxplugin", True),
]

# 2024-11-12 10:00:00 on every entry, so that an unchanged payload packs to the same bytes.
TIMESTAMP = (2024, 11, 12, 10, 0, 0)


class PayloadError(Exception):
    pass


def _sorted(names):
    # Case-insensitive, as Explorer lists them; the exact name breaks ties so the order never
    # depends on the file system's listing order.
    return sorted(names, key=lambda name: (name.casefold(), name))


def _entry_name(parts):
    for part in parts:
        # A backslash inside a (POSIX) file name would read back as a separator; ".." or "."
        # would escape or alias the install folder.
        if "\\" in part or "/" in part or part in ("", ".", ".."):
            raise PayloadError(f"file name cannot be stored in the archive: {part!r}")
    return "\\".join(parts)


def entries(payload, item, is_folder):
    """(entry name, source file or None for a folder entry) in archive order.

    For a bundle: one folder entry per immediate subfolder, then the files directly in it, then
    the files further down, depth-first, each folder's files before its subfolders. Deeper
    folders get an entry only when empty, since unpacking a file creates its folders."""
    path = os.path.join(payload, item)
    if os.path.islink(path) or not (os.path.isdir(path) if is_folder else os.path.isfile(path)):
        raise PayloadError(f"missing from the payload (expected a {'folder' if is_folder else 'file'}): {path}")
    if not is_folder:
        return [(_entry_name([item]), path)]

    result = []
    for folder, subfolders, files in os.walk(path):
        parts = [item] + ([] if folder == path else os.path.relpath(folder, path).split(os.sep))
        subfolders[:] = _sorted(subfolders)
        for name in subfolders + files:
            if os.path.islink(os.path.join(folder, name)):
                raise PayloadError(f"symbolic link in the payload: {os.path.join(folder, name)}")
        if folder == path:
            result += [(_entry_name(parts + [name]) + "\\", None) for name in subfolders]
        elif len(parts) > 2 and not subfolders and not files:
            result.append((_entry_name(parts) + "\\", None))
        result += [(_entry_name(parts + [name]), os.path.join(folder, name)) for name in _sorted(files)]
    if not any(source for _, source in result):
        raise PayloadError(f"bundle has no files: {path}")
    return result


def write_archive(path, archive_entries):
    temporary = path + ".tmp"
    try:
        with zipfile.ZipFile(temporary, "w", allowZip64=False) as archive:
            for name, source in archive_entries:
                info = zipfile.ZipInfo(date_time=TIMESTAMP)
                # Set after construction: the constructor turns backslashes into slashes on Windows.
                info.filename = name
                info.create_system = 0  # MS-DOS; made by and needed stay 2.0, zipfile's default
                if source is None:
                    archive.writestr(info, b"")
                else:
                    # At zlib's default level, 6: on plug-in binaries level 9 came out slightly
                    # larger and took over twice as long.
                    info.compress_type = zipfile.ZIP_DEFLATED
                    info.file_size = os.path.getsize(source)  # so that zipfile refuses ZIP64 up front
                    with open(source, "rb") as f, archive.open(info, "w") as out:
                        shutil.copyfileobj(f, out, 1 << 20)
                # zipfile gives an entry without attributes Unix rw------- when it writes it;
                # they only go into the central directory, written on close, so clear them here.
                info.external_attr = 0
        os.replace(temporary, path)
    except BaseException:
        if os.path.exists(temporary):
            os.remove(temporary)
        raise


def main(argv):
    # Build tools stop jobs with SIGTERM as well as SIGINT; turn it into an exception so the
    # temporary files are cleaned up either way.
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(128 + signum))
    parser = argparse.ArgumentParser(description="Pack the plug-in payload into vst3.zip, clap.zip and aax.zip.")
    parser.add_argument("--payload", required=True, help="folder holding the three plug-in formats")
    parser.add_argument("--out", required=True, help="folder to write the archives to")
    args = parser.parse_args(argv[1:])

    try:
        # Check the whole payload before writing anything, so a broken one never leaves a mix of
        # fresh and stale archives.
        plans = [(name, entries(args.payload, item, is_folder)) for name, item, is_folder in ARCHIVES]
        os.makedirs(args.out, exist_ok=True)
        for name, archive_entries in plans:
            write_archive(os.path.join(args.out, name), archive_entries)
    except (OSError, PayloadError, zipfile.LargeZipFile) as error:
        print(f"make_archives.py: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
