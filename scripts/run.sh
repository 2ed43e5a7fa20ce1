#!/usr/bin/env bash
# Installs what is missing, builds the program and the simulator of its demo (not the tests) in
# build-run/, and starts Zentrilo. When the build configured no service hosts (the default: the
# public services no longer answer), it starts the local simulator and runs a demo with a
# settings folder of its own, so a person's real settings are never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
build=build-run
# Configured once: a later build configures again by itself when a CMakeLists.txt has changed.
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZENTRILO_BUILD_TESTS=OFF -DZENTRILO_BUILD_BENCH=OFF
fi
cmake --build "$build" --target zentrilo zentrilo-sim -j"$(nproc)"

configured=$(grep -E '^ZENTRILO_(SITE|DETECT_HOST|INDICATOR_HOST):' "$build/CMakeCache.txt" | cut -d= -f2- | tr -d '\n')
if [ -n "$configured" ] || [ -n "${ZENTRILO_SITE:-}${ZENTRILO_DETECT_HOST:-}${ZENTRILO_INDICATOR_HOST:-}" ]; then
    exec "$build/app/zentrilo" "$@"
fi

demo=$(mktemp -d "${TMPDIR:-/tmp}/zentrilo-demo.XXXXXX")
sim_pid=
trap 'if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi; rm -rf "$demo"' EXIT
printf 'alice online\nbob offline\ncarol in-game\n' >"$demo/state"
"$build/tools/zentrilo-sim/zentrilo-sim" --port 0 --state "$demo/state" --demo >"$demo/sim.out" &
sim_pid=$!
for _ in $(seq 50); do grep -q '^PORT ' "$demo/sim.out" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/^PORT //p' "$demo/sim.out")
host="127.0.0.1:$port"
# One ID on the program's own service, one on a source in the chess service's format and one in
# the game service's, both served by the simulator.
mkdir -p "$demo/config/ZentriloSoft"
cat >"$demo/config/ZentriloSoft/Zentrilo.conf" <<CONF
[Items]
User0=alice
Interval0=1
User1=bob
Interval1=1
Source1=Chess demo
User2=carol
Interval2=1
Source2=Games demo

[Sources]
size=2
1\\Name=Chess demo
1\\Url=http://$host/api/users/status?ids=%s
1\\Rule=json:/0/online
1\\Open=http://$host/@/%s
2\\Name=Games demo
2\\Url=http://$host/id/%s/?xml=1
2\\Rule="xml:onlineState=online|in-game"
2\\Open=http://$host/id/%s
CONF
cat <<MSG
Demo mode: no service hosts were configured at build time, so Zentrilo talks to a local
simulator on $host with a settings folder of its own. It watches alice on Zentrilo's own
service, bob on "Chess demo" and carol on "Games demo" (sources in the formats of the Lichess
and Steam presets). Every 20 to 40 s the simulator flips one of them between online and
offline; flip one yourself by editing $demo/state (for example "bob online").
MSG
# A signal to the terminal's process group reaches the program as well: the script waits until
# the program has saved and ended, and only then removes the demo folder.
app_pid=
stopping=
stop_program() {
    stopping=1
    if [ -n "$app_pid" ]; then kill -TERM "$app_pid" 2>/dev/null || true; fi
}
trap stop_program TERM HUP INT
XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/data" ZENTRILO_SITE="$host" ZENTRILO_SITE_RO="$host" \
    ZENTRILO_DETECT_HOST="$host" ZENTRILO_INDICATOR_HOST="$host" "$build/app/zentrilo" "$@" &
app_pid=$!
if [ -n "$stopping" ]; then stop_program; fi
status=0
while :; do
    wait "$app_pid" && status=0 || status=$?
    kill -0 "$app_pid" 2>/dev/null || break # a trapped signal only interrupted the wait
done
exit "$status"
