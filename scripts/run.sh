#!/usr/bin/env bash
# Builds the installer and opens its window. Without a display it runs under a private Xvfb and
# saves a screenshot instead, and says where.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QF_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

app="$build/qf_installer_artefacts/Release/qf_installer"
[ -x "$app" ] || app=$(find "$build" -type f -name qf_installer -perm -u+x | head -n 1)

if [ -n "${DISPLAY:-}" ]; then
    exec "$app"
fi

shot="$build/qf_installer-screenshot.png"
Xvfb :93 -noreset -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$app_pid" 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=:93
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$app" &
app_pid=$!
for _ in $(seq 100); do xwininfo -name qf_installer >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1
import -window root "$shot"
kill -INT "$app_pid"
wait "$app_pid" || true
echo "No display: the installer ran under Xvfb. Screenshot: $shot"
