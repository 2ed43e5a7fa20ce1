#!/usr/bin/env bash
# Installs what is missing, builds, and starts Zentrilo. When the build configured no service
# hosts (the default: the public services no longer answer), it starts the local simulator and
# runs a demo with a settings folder of its own, so a person's real settings are never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh

configured=$(grep -E '^ZENTRILO_(SITE|DETECT_HOST|INDICATOR_HOST):' build/CMakeCache.txt | cut -d= -f2- | tr -d '\n')
if [ -n "$configured" ] || [ -n "${ZENTRILO_SITE:-}${ZENTRILO_DETECT_HOST:-}${ZENTRILO_INDICATOR_HOST:-}" ]; then
    exec build/app/zentrilo "$@"
fi

demo=$(mktemp -d "${TMPDIR:-/tmp}/zentrilo-demo.XXXXXX")
trap 'kill "$sim_pid" 2>/dev/null || true; rm -rf "$demo"' EXIT
printf 'alice online\nbob offline\ncarol invisible\n' >"$demo/state"
build/tools/zentrilo-sim/zentrilo-sim --port 0 --state "$demo/state" >"$demo/sim.out" &
sim_pid=$!
for _ in $(seq 50); do grep -q '^PORT ' "$demo/sim.out" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/^PORT //p' "$demo/sim.out")
host="127.0.0.1:$port"
mkdir -p "$demo/config/ZentriloSoft"
printf '[Items]\nUser0=alice\nInterval0=1\nUser1=bob\nInterval1=1\nUser2=carol\nInterval2=1\n' \
    >"$demo/config/ZentriloSoft/Zentrilo.conf"
cat <<MSG
Demo mode: no service hosts were configured at build time, so Zentrilo talks to a local
simulator on $host with demo IDs alice, bob and carol, and a settings folder of its own.
Flip a buddy by editing $demo/state (for example "bob online") and watch the balloon.
MSG
XDG_CONFIG_HOME="$demo/config" ZENTRILO_SITE="$host" ZENTRILO_SITE_RO="$host" \
    ZENTRILO_DETECT_HOST="$host" ZENTRILO_INDICATOR_HOST="$host" build/app/zentrilo "$@"
