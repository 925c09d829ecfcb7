#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QF_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

# Each suite runs guarded: it fails if anything was written to /usr/lib, /opt or the top of /.
guarded=$root/scripts/guarded.sh

# Serially: the fade tests measure time, and a parallel real-window test would skew it.
(cd "$build" && bash "$guarded" ctest --output-on-failure --timeout 600)

# The Windows build and its suite under Wine (QF_SKIP_WINDOWS=1 leaves it out on a quick run).
if [ "${QF_SKIP_WINDOWS:-0}" != 1 ]; then
    windows_build=${QF_WINDOWS_BUILD_DIR:-$root/build-windows}
    bash "$root/scripts/build-windows.sh"
    (cd "$windows_build" && bash "$guarded" ctest --output-on-failure --timeout 300 -j "${QF_JOBS:-2}")
fi
