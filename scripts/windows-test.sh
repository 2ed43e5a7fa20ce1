#!/bin/sh
# Builds the network core (http/, net/, zentrilo-check) for 64-bit Windows with MinGW-w64 and
# runs its tests under Wine.
set -eu
cd "$(dirname "$0")/.."

if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null || ! command -v wine >/dev/null; then
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd=sudo
    $sudo_cmd apt-get update
    $sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        g++-mingw-w64-x86-64-posix wine64
fi

cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DZENTRILO_NET_ONLY=ON -DZENTRILO_BUILD_BENCH=OFF
cmake --build build-win -j2

# Wine's services start first with their output elsewhere: CTest would otherwise wait on a
# pipe they keep open.
WINEPREFIX=$(mktemp -d)
export WINEPREFIX
export WINEDEBUG=-all
# The soak's full length takes minutes under Wine; a shorter run still covers every fault.
export ZENTRILO_SOAK_FETCHES="${ZENTRILO_SOAK_FETCHES:-2000}"
stop_wine() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap stop_wine EXIT
wineserver -p
wineboot --init </dev/null >/dev/null 2>&1

ctest --test-dir build-win --timeout 60 --output-on-failure
