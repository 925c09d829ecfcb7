#!/usr/bin/env bash
# Builds and runs the benchmarks and prints their figures with the goals, PASS or FAIL each, and
# last the verdict: it exits non-zero when a goal was missed or could not be measured. Works from
# any folder, a checkout under /tmp included. Native Linux build (JUCE 8) only. Nothing is written
# outside the build folder and a private machine (scripts/private_machine.sh): the start-up probe
# runs with its own /tmp, /opt and /usr/lib (and, the second time, its own font folder), and its
# own Xvfb in a network namespace of its own, so it never meets another Xvfb of the same number.
#   QF_BENCH_RUNS (default 7) and QF_BENCH_STARTUP_RUNS (default 11) set the repetitions.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QF_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
cmake --build "$build" --parallel "${QF_JOBS:-2}" --target qf_bench qf_bare_window

work="$build/bench-files"
rm -rf "$work" && mkdir -p "$work"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
unmeasured=()

# Each stage prints its figures and one PASS or FAIL line per goal, and exits 0 when it met all
# of its goals and 1 when it missed one. Any other ending, or one without its goal lines (a
# Python error also exits 1), means it could not measure.
goals() { grep -c "^  $1 " "$log" || true; }

stage() {
    local name=$1 status passed failed
    shift
    passed=$(goals PASS) failed=$(goals FAIL)
    set +e
    "$@" 2>&1 | tee -a "$log"
    status=${PIPESTATUS[0]}
    set -e
    if [ "$status" -eq 0 ] && [ "$(goals PASS)" -gt "$passed" ] && [ "$(goals FAIL)" -eq "$failed" ]; then
        return
    fi
    [ "$status" -eq 1 ] && [ "$(goals FAIL)" -gt "$failed" ] || unmeasured+=("$name (exit $status)")
}

stage install,memory,paint "$build/benchmarks/qf_bench" --root "$work" --runs "${QF_BENCH_RUNS:-7}"
echo

# The embedding step of the build, and an install, with the sample payload and one of over 512 MiB
# (made in $build/bench-large and deleted again: it needs about 5 GB of disk for a while).
# QF_BENCH_LARGE_RUNS (default 3) sets the repetitions of the large install.
stage embedding python3 "$root/benchmarks/embedding.py" --source "$root" --build "$build" --runs "${QF_BENCH_LARGE_RUNS:-3}"
echo

if [ "$(id -u)" -ne 0 ]; then
    echo "start-up: not measured (needs root for a private mount namespace)"
    unmeasured+=("start-up (needs root)")
else
    cmake --build "$build" --parallel "${QF_JOBS:-2}" --target qf_startup_steps
    QF_INSTALLER="$build/qf_installer_artefacts/Release/qf_installer" \
    QF_BARE_WINDOW="$build/benchmarks/qf_bare_window_artefacts/Release/qf_bare_window" \
    QF_STARTUP_STEPS="$build/benchmarks/qf_startup_steps" \
    QF_WINDOW_DRIVER_DIR="$root/tests/window" QF_BENCH_DIR="$root/benchmarks" QF_KEEP="$build" \
        stage start-up bash "$root/scripts/private_machine.sh" --fresh --net bash -c '
            set -euo pipefail
            # A goal missed in the first run still leaves the second to be measured; the worse
            # of the two statuses ends the stage.
            first=0
            /usr/bin/python3 "$QF_BENCH_DIR/startup.py" || first=$?
            echo
            # Again as on a desktop with many fonts: 40 times this machine'"'"'s (hard links, so they
            # cost no space). JUCE scans every font file the first time it makes a typeface,
            # unless the program keeps it from doing so.
            mkdir -p /tmp/fonts/0
            cp -r /usr/share/fonts/. /tmp/fonts/0/
            for i in $(seq 39); do cp -al /tmp/fonts/0 "/tmp/fonts/$i"; done
            mount --bind /tmp/fonts /usr/share/fonts
            second=0
            /usr/bin/python3 "$QF_BENCH_DIR/startup.py" || second=$?
            exit $((first > second ? first : second))'
fi

# The verdict comes last, once every goal has been measured or found unmeasurable.
passed=$(goals PASS) failed=$(goals FAIL)
echo
if [ "$failed" -eq 0 ] && [ ${#unmeasured[@]} -eq 0 ] && [ "$passed" -gt 0 ]; then
    echo "ALL GOALS MET ($passed)"
    exit 0
fi
echo "GOALS MISSED: $failed failed, $passed met${unmeasured:+, not measured: ${unmeasured[*]}}"
exit 1
