#!/usr/bin/env bash
# Builds and runs the benchmarks and prints their figures with the goals, PASS or FAIL each.
# Native Linux build only. Nothing is written outside the build folder and a private namespace:
# the start-up probe runs with its own /tmp, /opt and /usr/lib, and its own Xvfb in a network
# namespace of its own, so it never meets another Xvfb of the same display number.
#   QF_BENCH_RUNS (default 7) and QF_BENCH_STARTUP_RUNS (default 9) set the repetitions.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QF_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
cmake --build "$build" --parallel "${QF_JOBS:-2}" --target qf_bench qf_bare_window

work="$build/bench-files"
rm -rf "$work" && mkdir -p "$work"
"$build/benchmarks/qf_bench" --root "$work" --runs "${QF_BENCH_RUNS:-7}"
echo

if [ "$(id -u)" -ne 0 ]; then
    echo "start-up: skipped (needs root for a private mount namespace)"
    exit 0
fi

QF_INSTALLER="$build/qf_installer_artefacts/Release/qf_installer" \
QF_BARE_WINDOW="$build/benchmarks/qf_bare_window_artefacts/Release/qf_bare_window" \
QF_XDRIVER_DIR="$root/tests/real" QF_BENCH_DIR="$root/benchmarks" \
    unshare --mount --net --propagation private -- bash -c '
        set -euo pipefail
        mount -t tmpfs -o size=256m qf_tmp /tmp
        mount -t tmpfs -o size=64m qf_opt /opt
        mkdir -p /tmp/lib/upper /tmp/lib/work
        mount -t overlay overlay -o lowerdir=/usr/lib,upperdir=/tmp/lib/upper,workdir=/tmp/lib/work /usr/lib
        /usr/bin/python3 "$QF_BENCH_DIR/startup.py"'
