#!/usr/bin/env bash
# Builds the libraries and their tests with sanitizers and runs them.
#   scripts/sanitize.sh [address,undefined|thread] [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
san="${1:-address,undefined}"
shift || true
dir="build-san-${san//,/-}"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DMORVELIN_SANITIZE="$san" -DMORVELIN_LIBS_ONLY=ON -DMORVELIN_BUILD_BENCH=OFF \
  -DMORVELIN_WERROR="${MORVELIN_WERROR:-OFF}"
cmake --build "$dir" -j"${JOBS:-$(nproc)}"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:suppressions=$PWD/scripts/asan.supp"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Qt and the system libraries are not built with the thread sanitizer: their
# locks and atomics are invisible to it, so accesses made inside them (Qt's
# thread pool, its D-Bus thread) would be reported as races. Our code's
# accesses, and every lock it takes, are still checked.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1"
ctest --test-dir "$dir" --output-on-failure --no-tests=error -j"${JOBS:-$(nproc)}" "$@"
