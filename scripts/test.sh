#!/usr/bin/env bash
# Installs what is missing, checks the formatting of our C++ files, builds everything and runs
# every test:
#   1. the native suite and the real-window tests on the vendored JUCE 8.0.10 (build/);
#   2. the native headless suite on Debian's JUCE 7.0.5 (build-juce7/), the JUCE the shipped
#      Windows build compiles against;
#   3. the Windows build and its suite under Wine (build-windows/); QF_SKIP_WINDOWS=1 leaves it
#      out of a quick run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QF_BUILD_DIR:-$root/build}
juce7_build=${QF_JUCE7_BUILD_DIR:-$root/build-juce7}

bash "$root/scripts/setup.sh"
bash "$root/scripts/check-format.sh"

# Each suite runs guarded: it fails if anything was written to /usr/lib, /opt or the top of /.
# In a network namespace of its own, it meets no X server but those its tests start.
guarded=("$root/scripts/private_machine.sh" --guard --net)

# Serially: the fade tests measure time, and a parallel real-window test would skew it.
bash "$root/scripts/build.sh"
(cd "$build" && bash "${guarded[@]}" ctest --output-on-failure --timeout 600)

bash "$root/scripts/build.sh" --juce7
(cd "$juce7_build" && bash "${guarded[@]}" ctest --output-on-failure --timeout 600 -LE real_window)

if [ "${QF_SKIP_WINDOWS:-0}" != 1 ]; then
    windows_build=${QF_WINDOWS_BUILD_DIR:-$root/build-windows}
    bash "$root/scripts/build-windows.sh"
    (cd "$windows_build" && bash "${guarded[@]}" ctest --output-on-failure --timeout 300 -j "${QF_JOBS:-2}")
fi
