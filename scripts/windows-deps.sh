#!/usr/bin/env bash
# Installs what the Windows build, its SDK, its tests under Wine and its installer need on
# Debian 12 (missing packages only); the list is kept with the others in deps.sh.
exec "$(dirname "$0")/deps.sh" windows
