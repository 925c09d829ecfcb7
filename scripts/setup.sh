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
    # Kills an engine run at a chosen system call (tests/faults/kill_at_every_step.py).
    strace
    unzip
    # A system font for the font tests to see (or not see).
    fonts-dejavu-core
    # The Windows build: MinGW-w64 cross compiler, Wine to run it, and dpkg-dev to unpack the
    # source packages of the image libraries it is linked with.
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64 dpkg-dev
    # Signing the Windows program, and the throw-away certificate its test signs with.
    osslsigncode openssl
)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
updated=0

# The Windows build fetches Debian's libpng and libjpeg sources with apt-get source, which needs
# source entries; without any, mirror the binary entries apt already uses.
if ! grep -rqsE '^(deb-src |Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            | $SUDO tee /etc/apt/sources.list.d/qf-deb-src.sources >/dev/null
    elif [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | $SUDO tee /etc/apt/sources.list.d/qf-deb-src.list >/dev/null
    fi
    $SUDO apt-get update -q
    updated=1
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    [ "$updated" = 1 ] || $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
