#!/usr/bin/env bash
# Cross-compiles the Windows program (qf_installer.exe) and its tests with MinGW-w64 into
# build-windows/ (or $QF_WINDOWS_BUILD_DIR). The tests run under Wine: see scripts/test.sh.
#   build-windows.sh [--sign PFX [--timestamp URL]] [CMAKE_ARGS...]
# --sign signs qf_installer.exe once built (scripts/sign-windows.sh; the PFX's password in
# QF_SIGN_PASSWORD), with an RFC 3161 time stamp from URL if given. Further arguments go to the
# first configure of the build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QF_WINDOWS_BUILD_DIR:-$root/build-windows}

sign="" timestamp=""
while [ $# -gt 0 ]; do
    case $1 in
        --sign) sign=${2:?--sign needs a PFX file}; shift 2 ;;
        --timestamp) timestamp=${2:?--timestamp needs a URL}; shift 2 ;;
        *) break ;;
    esac
done
[ -z "$timestamp" ] || [ -n "$sign" ] || { echo "--timestamp needs --sign" >&2; exit 2; }
[ -z "$sign" ] || [ -f "$sign" ] || { echo "no such certificate file: $sign" >&2; exit 2; }

# Every time a build writes down is the commit's (see CMakeLists.txt), the image libraries' too.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && epoch=$(git -C "$root" log -1 --format=%ct 2>/dev/null); then
    export SOURCE_DATE_EPOCH=$epoch
fi

bash "$root/scripts/build-mingw-deps.sh" "$build/deps"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR="$root"

# A folder configured before the choice of JUCE existed is configured again.
if ! grep -qs "^QF_JUCE:" "$build/CMakeCache.txt"; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${QF_BUILD_TYPE:-Release}" \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DQF_MINGW_DEPS="$build/deps/prefix" \
        -DQF_JUCE=system -DJUCE_DIR=/usr/lib/x86_64-linux-gnu/cmake/JUCE-7.0.5 \
        -DQF_BUILD_BENCHMARKS=OFF \
        "${launcher[@]}" "$@"
fi
cmake --build "$build" --parallel "${QF_JOBS:-2}"

if [ -n "$sign" ]; then
    # The program of the build type the folder was configured with: QF_BUILD_TYPE only counts at
    # the first configure. JUCE puts each configuration's program in a folder of that name.
    type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
    bash "$root/scripts/sign-windows.sh" "$build/qf_installer_artefacts/${type:+$type/}qf_installer.exe" "$sign" ${timestamp:+"$timestamp"}
fi
