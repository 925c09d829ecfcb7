#!/usr/bin/env bash
# Checks that the program is reproducible: builds the checked-out commit twice from scratch, in two
# fresh clones in different folders (of different lengths) one after the other, with no compiler
# cache, and compares the hashes of the Windows program (qf_installer.exe) and of the native one.
# Exits non-zero on any difference. It takes four full builds; nothing outside a temporary folder
# under /tmp is written, and that folder goes at the end.
#   check-reproducible.sh [--native | --windows]   only the one program
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
which=${1:-both}

bash "$root/scripts/setup.sh"

commit=$(git -C "$root" rev-parse HEAD)
[ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] ||
    echo "note: uncommitted changes are not part of the check; it builds $commit"

work=$(mktemp -d /tmp/qf-repro.XXXXXX)
trap 'rm -rf "$work"' EXIT
# A cache would hand the second build the first one's objects.
export CCACHE_DISABLE=1

programs=()
[ "$which" = --windows ] || programs+=(native)
[ "$which" = --native ] || programs+=(windows)

declare -A hashes
for run in 1 2; do
    source=$work/$([ "$run" = 1 ] && echo a || echo second-clone)/qf
    git clone -q --no-checkout "$root" "$source"
    git -C "$source" checkout -q --detach "$commit"

    for program in "${programs[@]}"; do
        echo "== build $run of the $program program, in $source ($(date -u +%T))"
        if [ "$program" = native ]; then
            QF_BUILD_DIR=$source/build bash "$source/scripts/build.sh" \
                -DQF_BUILD_TESTS=OFF -DQF_BUILD_BENCHMARKS=OFF >"$work/build-$run-$program.log" 2>&1 ||
                { tail -n 30 "$work/build-$run-$program.log"; exit 1; }
            file=$source/build/qf_installer_artefacts/Release/qf_installer
        else
            QF_WINDOWS_BUILD_DIR=$source/build-windows bash "$source/scripts/build-windows.sh" \
                -DQF_BUILD_TESTS=OFF >"$work/build-$run-$program.log" 2>&1 ||
                { tail -n 30 "$work/build-$run-$program.log"; exit 1; }
            file=$source/build-windows/qf_installer_artefacts/Release/qf_installer.exe
        fi
        hashes[$run-$program]=$(sha256sum "$file" | cut -d' ' -f1)
        echo "   ${hashes[$run-$program]}  ${file#"$work"/}"
        # Kept for a look at what differs, should anything.
        cp "$file" "$work/$run-$program"
    done
    # The first clone's build folders go: only its programs are still needed.
    rm -rf "$source"
done

status=0
for program in "${programs[@]}"; do
    if [ "${hashes[1-$program]}" = "${hashes[2-$program]}" ]; then
        echo "SAME      $program program  ${hashes[1-$program]}"
    else
        echo "DIFFERENT $program program: $(cmp "$work/1-$program" "$work/2-$program" | head -n 1)"
        status=1
    fi
done
exit $status
