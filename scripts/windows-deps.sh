#!/usr/bin/env bash
# Installs what the Windows build, its SDK, its tests under Wine and its installer need on
# Debian 12 (missing packages only). Debian's `wine` package is the one that puts wine,
# wineserver and wineboot on the PATH; `wine64` alone installs only the loader.
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64-posix cmake ninja-build ccache perl tcl dpkg-dev qt6-base-dev
    libgtest-dev libgmock-dev
    wine wine64 nsis
    xvfb trayer xdotool xauth python3 file
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
