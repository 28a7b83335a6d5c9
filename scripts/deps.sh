#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those missing. Sourced by the
# other scripts with the package set as arguments.
set -euo pipefail

need_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# libstb-dev: PNG writing (header only, so the Windows build uses the same headers);
# libosmesa6-dev: pimo-sim --png and the picture tests draw without a display;
# zlib1g-dev: the checksum of world files; libinih-dev: reading settings.ini.
BUILD_PACKAGES=(cmake ninja-build g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev
                libsdl2-dev libsdl2-mixer-dev libgl-dev libgl1-mesa-dri libstb-dev libosmesa6-dev zlib1g-dev libinih-dev)
TEST_PACKAGES=(xvfb xfonts-base xauth xdotool x11-utils imagemagick libx11-dev clang libclang-rt-14-dev)
# The Windows build: the mingw-w64 cross compiler and its zlib, GoogleTest's source, 64-bit Wine
# to run what it builds (its fonts for message boxes, GStreamer's MP3 decoder for the
# music), zip to package. Recommends are not installed, so what Wine needs is named.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine64 fonts-wine gstreamer1.0-plugins-good zip)
# The packages: CPack's .deb finds its library dependencies with dpkg-shlibdeps
# (dpkg-dev) and file; help2man writes the man pages; lintian checks the result.
# NSIS makes the Windows installer.
PACKAGE_PACKAGES=(dpkg-dev file help2man lintian)
WINDOWS_PACKAGE_PACKAGES=(nsis)
