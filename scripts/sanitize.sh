#!/usr/bin/env bash
# Second configurations: the unit and end-to-end tests under AddressSanitizer +
# UndefinedBehaviorSanitizer, then the HTTP and net tests under ThreadSanitizer, which
# watches the connect helper thread and the network worker (its thread logic is Qt-free, so
# that it runs here: Qt itself is not built with ThreadSanitizer). Any sanitizer report fails the run (in an end-to-end
# case the program's exit code, or the leak report at its exit, does).
# The soak runs fewer fetches there: sanitized fetches are several times slower.
# Usage: scripts/sanitize.sh [asan|tsan]   (both by default)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${ZENTRILO_JOBS:-2}"
asan_build="${ZENTRILO_ASAN_BUILD:-build-asan}"
tsan_build="${ZENTRILO_TSAN_BUILD:-build-tsan}"
export QT_QPA_PLATFORM=offscreen

run_asan() {
    local flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
    cmake -S . -B "$asan_build" -DCMAKE_BUILD_TYPE=Debug -DZENTRILO_BUILD_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
        >/dev/null
    cmake --build "$asan_build" -j"$jobs"
    local -x LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    local -x UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    local asan=detect_leaks=1:abort_on_error=1
    ASAN_OPTIONS=$asan:strict_string_checks=1 ZENTRILO_SOAK_FETCHES=5000 \
        scripts/offline.sh ctest --test-dir "$asan_build" --output-on-failure --timeout 300 \
        -j"$jobs" -LE e2e
    # The real program on X: the keyboard library hands strndup a string without its NUL,
    # which strict string checks would report, though strndup stops at its length.
    ASAN_OPTIONS=$asan scripts/offline.sh ctest --test-dir "$asan_build" --output-on-failure \
        --timeout 300 -L e2e
}

run_tsan() {
    # Qt-free core only: Qt itself is not built with ThreadSanitizer.
    cmake -S . -B "$tsan_build" -DCMAKE_BUILD_TYPE=Debug -DZENTRILO_NET_ONLY=ON \
        -DZENTRILO_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
    cmake --build "$tsan_build" -j"$jobs" --target zentrilo_tests_http zentrilo_tests_net \
        zentrilo_tests_tools
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ZENTRILO_SOAK_FETCHES=3000 \
        scripts/offline.sh ctest --test-dir "$tsan_build" --output-on-failure --timeout 300 -j"$jobs"
}

case "${1:-all}" in
asan) run_asan ;;
tsan) run_tsan ;;
all) run_asan && run_tsan ;;
*) echo "usage: $0 [asan|tsan]" >&2 && exit 2 ;;
esac
