#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit and end-to-end, headless).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
# Only loopback is reachable (scripts/offline.sh). The soak measures resources and time: it
# runs alone, after the rest.
scripts/offline.sh ctest --test-dir build --output-on-failure --timeout 300 -j"$(nproc)" -E '^Soak\.'
scripts/offline.sh ctest --test-dir build --output-on-failure --timeout 300 -R '^Soak\.'
