#!/usr/bin/env bash
# Configures and builds the native program and its tests.
#   build.sh          on the vendored JUCE 8.0.10, into build/ (or $QF_BUILD_DIR)
#   build.sh --juce7  the program and its tests on Debian's JUCE 7.0.5, the JUCE the Windows cross
#                     build compiles against, into build-juce7/ (or $QF_JUCE7_BUILD_DIR)
# Further arguments go to the first configure of a build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

juce=(-DQF_JUCE=vendored)
build=${QF_BUILD_DIR:-$root/build}

if [ "${1:-}" = "--juce7" ]; then
    shift
    juce=(-DQF_JUCE=system -DJUCE_DIR=/usr/lib/x86_64-linux-gnu/cmake/JUCE-7.0.5 -DQF_BUILD_BENCHMARKS=OFF)
    build=${QF_JUCE7_BUILD_DIR:-$root/build-juce7}
fi

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
export CCACHE_BASEDIR="$root"

# A folder configured before the choice of JUCE existed is configured again.
if ! grep -qs "^QF_JUCE:" "$build/CMakeCache.txt"; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${QF_BUILD_TYPE:-Release}" "${juce[@]}" "${launcher[@]}" "$@"
fi
cmake --build "$build" --parallel "${QF_JOBS:-2}"
