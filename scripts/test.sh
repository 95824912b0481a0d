#!/usr/bin/env bash
# Runs the whole test suite of the Release build made by scripts/setup.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --no-tests=error -j"${JOBS:-$(nproc)}" "$@"
