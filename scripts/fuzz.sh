#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a bounded time.
# Usage: scripts/fuzz.sh [seconds per target, default 30] [target ...]
# Fails when any target crashes; the crash input is left in the build dir's artifacts folder.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
build="${ZENTRILO_FUZZ_BUILD:-build-fuzz}"

if ! command -v clang++ >/dev/null ||
    ! ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends clang libclang-rt-14-dev
fi

# Libraries get coverage only; the fuzz targets themselves link libFuzzer's main. Code that no
# target's input reaches is left without coverage (see the list).
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
flags+=" -fsanitize-coverage-ignorelist=$PWD/fuzz/coverage-ignorelist.txt"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DZENTRILO_FUZZ=ON -DZENTRILO_BUILD_TESTS=OFF -DZENTRILO_BUILD_BENCH=OFF >/dev/null

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(response uri remote_settings integer_text presence)
cmake --build "$build" -j"${ZENTRILO_JOBS:-2}" --target "${targets[@]/#/fuzz_}"

artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
status=0
for target in "${targets[@]}"; do
    corpus="$build/fuzz-corpus/$target"
    mkdir -p "$corpus"
    echo "== fuzz_$target for ${seconds}s"
    # The seeds stay read-only in the tree; new inputs go to the build dir's corpus.
    if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
        "$corpus" "fuzz/corpus/$target" 2>"$build/fuzz-$target.log"; then
        echo "fuzz_$target FAILED: see $build/fuzz-$target.log and $artifacts" >&2
        status=1
    fi
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$build/fuzz-$target.log" || true
done
exit $status
