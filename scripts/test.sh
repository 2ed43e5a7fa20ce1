#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit and end-to-end, headless).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
# The soak measures resources and time: it runs alone, after the rest.
ctest --test-dir build --output-on-failure --timeout 300 -j"$(nproc)" -E '^Soak\.'
ctest --test-dir build --output-on-failure --timeout 300 -R '^Soak\.'
