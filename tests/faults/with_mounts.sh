#!/usr/bin/env bash
# The disk-fault tests, run inside scripts/private_machine.sh --fresh: a 4 MB tmpfs that fills up
# half way through an archive, and a folder with an old installation bind-mounted read-only
# (chmod alone does not stop root).
set -euo pipefail
work=$(mktemp -d)
mkdir -p "$work/small" "$work/readonly/Halcyra 2.vst3/Contents"
echo "old binary" >"$work/readonly/Halcyra 2.vst3/Contents/binary"
mount -t tmpfs -o size=4m qf_small "$work/small"
mount --bind "$work/readonly" "$work/readonly"
mount -o remount,bind,ro "$work/readonly"
QF_TEST_SMALL_DISK="$work/small" QF_TEST_READONLY_DIR="$work/readonly" \
    "$1" --gtest_filter='InstallEngineFaults.AFullDiskOrReadOnlyFolderLosesNothing'
