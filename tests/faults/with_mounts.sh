#!/usr/bin/env bash
# Runs the disk-fault tests inside a private mount namespace: a 4 MB tmpfs that fills up half way
# through an archive, and a folder with an old installation bind-mounted read-only (chmod alone
# does not stop root).
set -euo pipefail
tests=$(readlink -f "$1")

exec unshare --mount --propagation private -- bash -s "$tests" <<'INNER'
set -euo pipefail
tests=$1
work=$(mktemp -d)
trap 'umount "$work/small" "$work/readonly" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/small" "$work/readonly/Halcyra 2.vst3/Contents"
echo "old binary" > "$work/readonly/Halcyra 2.vst3/Contents/binary"
mount -t tmpfs -o size=4m qf_small "$work/small"
mount --bind "$work/readonly" "$work/readonly"
mount -o remount,bind,ro "$work/readonly"
QF_TEST_SMALL_DISK="$work/small" QF_TEST_READONLY_DIR="$work/readonly" \
    "$tests" --gtest_filter='InstallEngineFaults.AFullDiskOrReadOnlyFolderLosesNothing'
INNER
