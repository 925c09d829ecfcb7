#!/usr/bin/env bash
# Installs every Debian package the native build, the app and the tests need.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ccache clang-format python3
    juce-modules-source
    libfreetype-dev libfontconfig1-dev libx11-dev libxext-dev libxrandr-dev
    libxinerama-dev libxcursor-dev libxcomposite-dev
    zlib1g-dev libpng-dev libjpeg-dev
    googletest libgtest-dev
    xvfb xdotool x11-utils imagemagick util-linux python3-xlib
    unzip
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
