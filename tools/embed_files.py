#!/usr/bin/env python3
"""Turn files into read-only byte arrays the assembler pulls in with .incbin.

Usage: embed_files.py --format elf|coff --namespace NS --header OUT.h --asm-dir DIR FILE...

For every FILE it writes DIR/<name>.s, which places the file's bytes in the
read-only data section under the symbol of the C++ array NS::<name>, and one
header OUT.h that declares the arrays and their byte counts:

    namespace NS
    {
        extern const char vst3_zip[];
        const int         vst3_zipSize = 9779661;
    }

The arrays are laid out as juceaide's binary-data generator lays out its
arrays for GCC and Clang, so the program sees the same bytes at the same
alignment whichever way it was built: 32-byte aligned, followed by two zero
bytes that the byte count leaves out. <name> is juceaide's name for the file
as well ("SourceSansPro-Bold.ttf" becomes SourceSansProBold_ttf).

The assembler copies each file in one pass, so embedding costs about as much
as reading the file, whatever its size; one .s per file keeps each assembler
process to one file's bytes. The .s files name the inputs by absolute path,
which ends up nowhere in the objects. Every file is rewritten on each run,
so that everything built from them follows a changed input. Prints nothing
on success; exits non-zero with a message on any failure.
"""

import argparse
import os
import re
import sys

# What a 32-bit signed byte count can hold, as the header's int does.
MAX_BYTES = 2**31 - 1


def identifier(file_name):
    name = re.sub(r"[ .]", "_", file_name)
    name = re.sub(r"[^A-Za-z0-9_]", "", name)
    return "_" + name if not name or name[0].isdigit() else name


def mangled(namespace, name):
    # The Itanium C++ ABI's name for the variable namespace::name, which GCC and Clang use on
    # Linux and MinGW alike.
    return f"_ZN{len(namespace)}{namespace}{len(name)}{name}E"


def assembly(object_format, symbol, path):
    quoted = path.replace("\\", "\\\\").replace('"', '\\"')
    if object_format == "elf":
        section = ".section .rodata"
        typed = [f"    .type {symbol}, @object", f"    .size {symbol}, .Lend - {symbol}"]
        trailer = ['    .section .note.GNU-stack,"",@progbits']
    else:
        section = '.section .rdata,"dr"'
        typed, trailer = [], []
    lines = [
        f"    {section}",
        "    .balign 32",
        f"    .globl {symbol}",
        *typed,
        f"{symbol}:",
        f'    .incbin "{quoted}"',
        "    .byte 0, 0",
        ".Lend:",
        *trailer,
    ]
    return "\n".join(lines) + "\n"


def write(path, text):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8", newline="\n") as out:
        out.write(text)
    os.replace(tmp, path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--format", choices=["elf", "coff"], required=True)
    parser.add_argument("--namespace", required=True)
    parser.add_argument("--header", required=True)
    parser.add_argument("--asm-dir", required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    declarations = []
    os.makedirs(args.asm_dir, exist_ok=True)

    for path in args.files:
        path = os.path.abspath(path)
        size = os.path.getsize(path)
        if size > MAX_BYTES:
            sys.exit(f"embed_files.py: {path} is {size} bytes, more than a byte count of type int holds")
        name = identifier(os.path.basename(path))
        write(os.path.join(args.asm_dir, name + ".s"), assembly(args.format, mangled(args.namespace, name), path))
        declarations.append(f"    extern const char {name}[];\n    const int {name}Size = {size};\n")

    write(args.header, "// Written by tools/embed_files.py: do not edit.\n\n#pragma once\n\nnamespace "
          + args.namespace + "\n{\n" + "\n".join(declarations) + "} // namespace " + args.namespace + "\n")


if __name__ == "__main__":
    try:
        main()
    except OSError as error:
        sys.exit(f"embed_files.py: {error}")
