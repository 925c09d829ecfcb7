#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QF_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

cd "$build"
# Serially: the fade tests measure time, and a parallel real-window test would skew it.
ctest --output-on-failure --timeout 600
