#!/usr/bin/env bash
# Runs a command that must not reach past loopback (the tests): in a private network namespace
# with only `lo` up where the system allows one (as root), so that a test that tried the
# internet would fail instead of passing on a connected machine. Elsewhere it runs the command
# as it is, and says so.
# Usage: scripts/offline.sh COMMAND [ARG...]
set -euo pipefail
if unshare --net true 2>/dev/null && command -v ip >/dev/null; then
    exec unshare --net sh -c 'ip link set lo up && exec "$@"' offline "$@"
fi
echo "note: no private network namespace here; the tests run with the machine's network" >&2
exec "$@"
