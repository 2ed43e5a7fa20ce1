#!/usr/bin/env bash
# Fails when a C++ source is not formatted as the root .clang-format asks (clang-format 14, as
# Debian 12 has it); the report names each place. `clang-format -i FILE` mends one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
find . \( -path './build*' -o -path ./.git \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run -Werror
echo "every source is formatted"
