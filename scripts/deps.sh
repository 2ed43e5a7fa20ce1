#!/usr/bin/env bash
# Installs what Zentrilo needs on Debian 12 (missing packages only): with "run", only what
# building and running the program needs; with "windows", what the Windows build, its SDK, its
# tests under Wine and its installer need; otherwise also what testing and packaging it need.
# Debian's `wine` package is the one that puts wine, wineserver and wineboot on the PATH;
# `wine64` alone installs only the loader.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev libqt6sql6-sqlite libssl-dev
)
if [ "${1:-}" = windows ]; then
    packages=(
        g++-mingw-w64-x86-64-posix cmake ninja-build ccache perl tcl dpkg-dev qt6-base-dev
        libgtest-dev libgmock-dev
        wine wine64 nsis
        xvfb trayer xdotool xauth python3 file
    )
elif [ "${1:-}" != run ]; then
    packages+=(
        clang-format libgtest-dev libgmock-dev libbenchmark-dev libcurl4-openssl-dev
        xvfb trayer xdotool imagemagick dbus-x11 xdg-utils socat python3 xauth
        desktop-file-utils appstream dpkg-dev file iproute2
    )
fi

# One query for all of them: a start with nothing missing costs no more than that.
declare -A installed
while read -r name status; do
    [ "$status" = "install ok installed" ] && installed[$name]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
    [ -n "${installed[$p]:-}" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
