#!/usr/bin/env bash
# Builds the libFuzzer targets of the colour engine with clang (address and
# undefined-behaviour sanitizers) and runs each for N seconds (default 60),
# seeded with the profile fixtures. A single input that takes more than 25 s
# counts as a failure: libFuzzer would otherwise wait 20 minutes for it.
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
be32() { od -An -tu4 --endian=big -j"$2" -N4 "$1" | tr -d ' '; }
bytes() { dd if="$1" iflag=skip_bytes,count_bytes skip="$2" count="$3" bs=65536 status=none; }
# The tag target's first byte picks one of its signatures; see FuzzIccTag.cpp.
selector() {
  case "$1" in
    desc|dmdd|dmnd|vued|targ) echo 0 ;; cprt) echo 1 ;; wtpt|bkpt) echo 2 ;; rXYZ|gXYZ|bXYZ) echo 3 ;;
    chad) echo 4 ;; rTRC|gTRC|bTRC) echo 5 ;; kTRC) echo 6 ;; A2B0|A2B2) echo 7 ;; A2B1) echo 8 ;;
    B2A0|B2A1) echo 9 ;; B2A2) echo 10 ;; pre0|pre1|pre2) echo 11 ;; gamt) echo 12 ;; chrm) echo 13 ;;
    calt) echo 14 ;; *) echo 15 ;;
  esac
}
n=0
for f in "$seeds"/profile/*; do
  size=$(stat -c %s "$f")
  [ "$size" -ge 132 ] || continue
  count=$(be32 "$f" 128)
  [ "$count" -le 64 ] || count=64
  for ((k = 0; k < count; k++)); do
    at=$((132 + 12 * k))
    [ $((at + 12)) -le "$size" ] || break
    sig=$(bytes "$f" "$at" 4 | tr -c 'A-Za-z0-9 ' '?')
    off=$(be32 "$f" $((at + 4)))
    len=$(be32 "$f" $((at + 8)))
    [ "$off" -lt "$size" ] || continue
    [ "$len" -le 200000 ] || len=200000
    sel=$(selector "$sig")
    { printf "\\x$(printf %02x "$sel")\\x$(printf %02x $((k % 8)))"; bytes "$f" "$off" "$len"; } \
      > "$seeds/tag/$(printf %05d $n)"
    n=$((n + 1))
  done
done

status=0
for target in FuzzIccProfile FuzzIccTag; do
  corpus="$dir/corpus-$target"
  mkdir -p "$corpus"
  case $target in FuzzIccProfile) seed="$seeds/profile" ;; *) seed="$seeds/tag" ;; esac
  echo "== $target for ${seconds}s"
  log="$dir/$target.log"
  if ! "$dir/tests/cmm/$target" "$corpus" "$seed" -max_total_time="$seconds" -max_len=1048576 \
      -rss_limit_mb=2048 -timeout=25 -print_final_stats=1 -artifact_prefix="$dir/" "$@" > "$log" 2>&1; then
    status=1
    grep -m1 -A25 -E "ERROR|runtime error|deadly signal" "$log" || tail -n 40 "$log"
  fi
  grep -E "^Done|^stat::" "$log" || true
done
exit $status
