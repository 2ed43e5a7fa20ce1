#!/usr/bin/env bash
# Builds the whole program for 64-bit Windows into build-win/: zentrilo.exe, zentrilo-check.exe
# and the tests, from the same sources as Linux, against the SDK of scripts/windows-sdk.sh (built
# first when it is not cached). Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."

sdk=$(scripts/windows-sdk.sh | tail -n 1)
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DZENTRILO_WINDOWS_SDK="$sdk" -DCMAKE_PREFIX_PATH="$sdk" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DZENTRILO_BUILD_BENCH=OFF "$@"
cmake --build build-win --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
