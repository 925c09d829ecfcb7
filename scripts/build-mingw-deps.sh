#!/usr/bin/env bash
# Cross-builds libpng and libjpeg for MinGW-w64 from Debian's source packages, once, into
# $1 (default build-windows/deps). Debian's JUCE leaves out its bundled copies of both libraries,
# and Debian ships no MinGW build of them. A finished prefix is reused: delete it to rebuild.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps=${1:-$root/build-windows/deps}
prefix=$deps/prefix
stamp=$prefix/.complete

[ -f "$stamp" ] && exit 0

toolchain=$root/cmake/mingw-w64-x86_64.cmake
mkdir -p "$deps/src"
rm -rf "$prefix"

# Fetches and unpacks one source package (with Debian's patches applied); echoes its folder.
fetch() {
    local package=$1
    local existing
    existing=$(find "$deps/src" -maxdepth 1 -mindepth 1 -type d -name "$2-*" | head -n 1)
    if [ -n "$existing" ]; then
        echo "$existing"
        return
    fi
    (
        cd "$deps/src"
        # The newest listed version can be missing from a mirror for a while; older ones serve.
        if ! apt-get source --download-only "$package" >/dev/null 2>&1; then
            local fetched=0
            for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -Vr); do
                if apt-get source --download-only "$package=$version" >/dev/null 2>&1; then
                    fetched=1
                    break
                fi
            done
            [ "$fetched" = 1 ] || { echo "cannot fetch the source package $package" >&2; exit 1; }
        fi
        dsc=$(ls -1 "${package}"_*.dsc | sort -V | tail -n 1)
        dpkg-source --no-check -x "$dsc" >/dev/null
    )
    find "$deps/src" -maxdepth 1 -mindepth 1 -type d -name "$2-*" | head -n 1
}

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache)

cross_build() {
    local source=$1 name=$2
    shift 2
    cmake -S "$source" -B "$deps/build-$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQF_MINGW_DEPS="$prefix" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_POSITION_INDEPENDENT_CODE=ON -Wno-dev "${launcher[@]}" "$@" >/dev/null
    cmake --build "$deps/build-$name" --parallel "${QF_JOBS:-2}" >/dev/null
    cmake --install "$deps/build-$name" >/dev/null
}

png_src=$(fetch libpng1.6 libpng1.6)
jpeg_src=$(fetch libjpeg-turbo libjpeg-turbo)

cross_build "$png_src" png -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_ROOT=/usr/x86_64-w64-mingw32
cross_build "$jpeg_src" jpeg -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_SIMD=OFF
# JUCE includes jpeglib.h with JPEG_INTERNALS, which pulls in the private header; Debian's
# native libjpeg-dev ships it for that reason.
cp "$jpeg_src/jpegint.h" "$prefix/include/"
# jconfig.h skips its "boolean" typedef once the Windows headers have declared one, but JUCE
# includes jpeglib.h inside a namespace of its own, which must then see the type too. Repeating
# the typedef of the same type is valid C and C++ anywhere.
sed -i '/#ifndef __RPCNDR_H__/{N;N;s/#ifndef __RPCNDR_H__[^\n]*\n\(typedef unsigned char boolean;\)\n#endif/\1/}' \
    "$prefix/include/jconfig.h"
! grep -q __RPCNDR_H__ "$prefix/include/jconfig.h"

touch "$stamp"
