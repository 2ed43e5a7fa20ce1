#!/usr/bin/env bash
# Installs what building, running and testing Zentrilo need on Debian 12 (missing packages only).
set -euo pipefail

packages=(
    build-essential cmake pkg-config clang-format
    qt6-base-dev libgl-dev libqt6sql6-sqlite
    libssl-dev libgtest-dev libgmock-dev libbenchmark-dev libcurl4-openssl-dev
    xvfb trayer xdotool imagemagick dbus-x11 xdg-utils socat python3 xauth
    desktop-file-utils appstream dpkg-dev file iproute2
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
