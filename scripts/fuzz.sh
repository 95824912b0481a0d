#!/usr/bin/env bash
# Builds the libFuzzer targets of the colour engine with clang (address and
# undefined-behaviour sanitizers) and runs each for N seconds (default 60),
# seeded with the profile fixtures.
#   scripts/fuzz.sh [seconds] [extra libFuzzer arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
dir="build-fuzz"
CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" \
  -DMORVELIN_SANITIZE=address,undefined -DMORVELIN_LIBS_ONLY=ON -DMORVELIN_BUILD_BENCH=OFF \
  -DMORVELIN_FUZZ=ON >/dev/null
cmake --build "$dir" -j"${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" --target FuzzIccProfile FuzzIccTag

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# Seeds: whole profiles for the profile target; their tags, each behind the
# two selector bytes, for the tag target.
seeds="$dir/seeds"
rm -rf "$seeds"
mkdir -p "$seeds/profile" "$seeds/tag"
find tests/data/cmm resources/profile -type f \( -name '*.icc' -o -name '*.ICM' \) -exec cp {} "$seeds/profile/" \;
python3 - "$seeds/profile" "$seeds/tag" <<'PY'
import os, struct, sys
src, dst = sys.argv[1], sys.argv[2]
n = 0
for name in sorted(os.listdir(src)):
    data = open(os.path.join(src, name), 'rb').read()
    if len(data) < 132:
        continue
    count = struct.unpack('>I', data[128:132])[0]
    for i in range(min(count, 64)):
        entry = data[132 + 12 * i:144 + 12 * i]
        if len(entry) < 12:
            break
        sig, off, size = struct.unpack('>III', entry)
        body = data[off:off + min(size, 200000)]
        for sel in range(16):
            open(os.path.join(dst, '%05d' % n), 'wb').write(bytes([sel, i % 8]) + body)
            n += 1
PY

status=0
for target in FuzzIccProfile FuzzIccTag; do
  corpus="$dir/corpus-$target"
  mkdir -p "$corpus"
  case $target in FuzzIccProfile) seed="$seeds/profile" ;; *) seed="$seeds/tag" ;; esac
  echo "== $target for ${seconds}s"
  "$dir/tests/cmm/$target" "$corpus" "$seed" -max_total_time="$seconds" -max_len=1048576 \
    -rss_limit_mb=2048 -print_final_stats=1 "$@" 2>&1 | tail -n 25 || status=1
done
exit $status
