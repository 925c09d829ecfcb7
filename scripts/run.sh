#!/usr/bin/env bash
# Builds the installer and opens its window. Without a display it runs under a private Xvfb and
# saves a screenshot instead, and says where. With --windows it builds the Windows program and
# opens it under Wine instead, in a Wine prefix of its own under build-windows/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QF_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"

# A private X server for a run without a display: starts it on :$1, exports DISPLAY and waits for
# it to answer; its pid is left in $xvfb.
start_private_display() {
    Xvfb ":$1" -noreset -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=":$1"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

if [ "${1:-}" = "--windows" ]; then
    build=${QF_WINDOWS_BUILD_DIR:-$root/build-windows}
    bash "$root/scripts/build-windows.sh"
    app="$build/qf_installer_artefacts/Release/qf_installer.exe"
    export WINEPREFIX="$build/wineprefix-run" WINEARCH=win64 WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

    if [ -n "${DISPLAY:-}" ]; then
        exec wine "$app"
    fi

    shot="$build/qf_installer-screenshot.png"
    start_private_display 94
    trap 'timeout 30 wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT

    # The first start of a new prefix sets it up, which takes a while.
    timeout 300 wine "$app" >/dev/null 2>&1 &
    disown
    for _ in $(seq 1200); do xwininfo -name qf_installer >/dev/null 2>&1 && break; sleep 0.25; done
    sleep 3
    import -window root "$shot"
    echo "No display: the Windows installer ran under Wine on Xvfb. Screenshot: $shot"
    exit 0
fi
bash "$root/scripts/build.sh"

app="$build/qf_installer_artefacts/Release/qf_installer"
[ -x "$app" ] || app=$(find "$build" -type f -name qf_installer -perm -u+x | head -n 1)

if [ -n "${DISPLAY:-}" ]; then
    exec "$app"
fi

shot="$build/qf_installer-screenshot.png"
start_private_display 93
trap 'kill "${app_pid:-}" 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT

"$app" &
app_pid=$!
for _ in $(seq 100); do xwininfo -name qf_installer >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1
import -window root "$shot"
kill -INT "$app_pid"
wait "$app_pid" || true
echo "No display: the installer ran under Xvfb. Screenshot: $shot"
