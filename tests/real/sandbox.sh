#!/usr/bin/env bash
# Runs a real-window test of the installer on a private machine:
#   sandbox.sh INSTALLER DRIVER.py [ARTEFACT_DIR]
#
# Inside a private mount namespace, /tmp, /opt and /usr/lib get private copies (tmpfs, and an
# overlay over /usr/lib), so the program writes nothing to the real machine. A fresh Xvfb gives it
# a display; the driver script then starts the installer and works it with real mouse and keys.
# QF_TEXT_RENDERER, when set, names the test binary that draws reference texts (reference.py);
# it comes along into the sandbox.
set -euo pipefail

installer=$(readlink -f "$1")
driver=$(readlink -f "$2")
artefacts=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
renderer=${QF_TEXT_RENDERER:+$(readlink -f "$QF_TEXT_RENDERER")}

if [ "$(id -u)" -ne 0 ]; then
    echo "needs root for a private mount namespace" >&2
    exit 1
fi

[ -z "$artefacts" ] || { mkdir -p "$artefacts"; artefacts=$(readlink -f "$artefacts"); }

exec unshare --mount --propagation private -- bash -s "$installer" "$driver" "$here" "$artefacts" "$renderer" <<'INNER'
set -euo pipefail
installer=$1 driver=$2 here=$3 artefacts=$4 renderer=$5

# A private work area first: /tmp is about to be replaced, and the build may live below it.
mount -t tmpfs -o size=512m qf_sandbox /mnt
mkdir -p /mnt/bin /mnt/lib/upper /mnt/lib/work /mnt/artefacts /mnt/keep
[ -z "$artefacts" ] || mount --bind "$artefacts" /mnt/keep
cp "$installer" /mnt/bin/qf_installer
[ -z "$renderer" ] || cp "$renderer" /mnt/bin/qf_text_renderer
cp -r "$here" /mnt/driver

mount -t tmpfs -o size=512m qf_tmp /tmp
mount -t tmpfs -o size=256m qf_opt /opt
mount -t overlay overlay -o lowerdir=/usr/lib,upperdir=/mnt/lib/upper,workdir=/mnt/lib/work /usr/lib

status=0
QF_INSTALLER=/mnt/bin/qf_installer QF_ARTEFACTS=/mnt/artefacts QF_TEXT_RENDERER=${renderer:+/mnt/bin/qf_text_renderer} \
    /usr/bin/python3 "/mnt/driver/$(basename "$driver")" || status=$?

if [ "$status" -ne 0 ] && [ -n "$artefacts" ]; then
    cp -r /mnt/artefacts/. /mnt/keep/ 2>/dev/null || true
    echo "screenshots kept in $artefacts" >&2
fi

exit "$status"
INNER
