#!/usr/bin/env bash
# Builds the whole program for 64-bit Windows (scripts/windows-build.sh, with the SDK built
# first when it is not cached) and tests it under Wine in a throwaway prefix: every unit test
# that is not Linux-specific, the windows' tests on Qt's offscreen platform, then the program
# itself on Xvfb with a tray host (tests/e2e/e2e_wine.py).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/windows-deps.sh
scripts/windows-build.sh
sdk=$(sed -n 's/^ZENTRILO_WINDOWS_SDK:[A-Z]*=//p' build-win/CMakeCache.txt)

# The loopback simulator of the end-to-end run is the Linux one: Wine's sockets are the host's.
sim=build/tools/zentrilo-sim/zentrilo-sim
if [ ! -x "$sim" ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build --target zentrilo-sim -j"$(nproc)"
fi

WINEPREFIX=$(mktemp -d)
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no prompts for the .NET and HTML runtimes
# The Qt DLLs and plugins of the SDK, and the compiler's C++ and thread runtime DLLs.
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
export WINEPATH="Z:$sdk/bin;Z:$runtime;Z:/usr/x86_64-w64-mingw32/lib"
export QT_PLUGIN_PATH="Z:$sdk/plugins"
stop_wine() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap stop_wine EXIT
# Wine's services start first with their output elsewhere: CTest would otherwise wait on a
# pipe they keep open.
wineserver -p
wineboot --init </dev/null >/dev/null 2>&1

# Tests of Linux behaviour that the shared test files hold: a settings folder that cannot be
# made, and the end of the session by a signal.
linux_only="LanguageStore.UncreatableStoreDoesNothing:ExitPathsTest.TheEndOfTheSessionByASignalExits"
# The soak's full length takes minutes under Wine; a shorter run still covers every fault.
ZENTRILO_SOAK_FETCHES="${ZENTRILO_SOAK_FETCHES:-2000}" QT_QPA_PLATFORM=offscreen \
    ZENTRILO_SCRATCH_REGISTRY=1 GTEST_FILTER="-$linux_only" \
    ctest --test-dir build-win --timeout 300 --output-on-failure

python3 tests/e2e/e2e_wine.py --exe build-win/app/zentrilo.exe \
    --post-exit build-win/tests/zentrilo-e2e-post-exit.exe --sim "$sim" \
    --out build-win/e2e-output
