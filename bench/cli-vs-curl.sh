#!/usr/bin/env bash
# Whole-process time of `zentrilo-check --fetch` against `curl -s` on one loopback URL: start-up,
# library loading, one fetch and exit, as a user or a script meets them. The two run alternately
# (so that a busy moment of the machine costs both alike) and each one's median is compared.
#   bench/cli-vs-curl.sh [BUILD_DIR] [RUNS]   (defaults: build, 25)
# Goal: the ratio at most 1.0.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-25}
check="$build/tools/zentrilo-check/zentrilo-check"
sim="$build/tools/zentrilo-sim/zentrilo-sim"
for program in "$check" "$sim"; do
    [[ -x $program ]] || { echo "missing $program: build it first" >&2; exit 2; }
done
command -v curl >/dev/null || { echo "curl is not installed" >&2; exit 2; }

# The simulator answers the indicator service's request on a loopback port of its own.
exec {simOut}< <(exec "$sim" bob=online)
simPid=$!
trap 'kill "$simPid" 2>/dev/null || true' EXIT
read -r -u "$simOut" word port
[[ $word == PORT ]] || { echo "the simulator did not start" >&2; exit 1; }
url="http://127.0.0.1:$port/online?u=bob&m=t&t=1"
[[ $("$check" --fetch "$url") == "$(curl -s "$url")" ]] ||
    { echo "the two programs fetch different bodies" >&2; exit 1; }

# Microseconds one run of the command takes, its output dropped.
elapsed() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null
    local end=$EPOCHREALTIME
    echo $(((${end/./} - ${start/./})))
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

elapsed "$check" --fetch "$url" >/dev/null # both once before measuring: caches warm
elapsed curl -s "$url" >/dev/null
ours=()
theirs=()
for ((i = 0; i < runs; i++)); do
    ours+=("$(elapsed "$check" --fetch "$url")")
    theirs+=("$(elapsed curl -s "$url")")
done
ourMedian=$(printf '%s\n' "${ours[@]}" | median)
curlMedian=$(printf '%s\n' "${theirs[@]}" | median)
awk -v o="$ourMedian" -v c="$curlMedian" -v n="$runs" 'BEGIN {
    printf "zentrilo-check --fetch: median %.2f ms over %d runs\n", o / 1000, n
    printf "curl -s:                median %.2f ms over %d runs\n", c / 1000, n
    printf "ratio: %.2f x (goal: at most 1.0)\n", o / c
}'
