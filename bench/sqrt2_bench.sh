#!/usr/bin/env bash
# Times menu entry 4 (square root of 2) as a whole process in standard mode at
# 10^6 and 10^7 digits with the fastest FFT size, sqrt2.txt written; prints
# the program's own timings, wall time and peak memory, and whether the
# squaring check passed.
#
# Usage: bench/sqrt2_bench.sh [digit counts...]   (default: 1000000 10000000)
# NUMORA_BUILD selects the build directory (default: build-bench).
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${NUMORA_BUILD:-$ROOT/build-bench}"
COUNTS=("$@")
[ ${#COUNTS[@]} -eq 0 ] && COUNTS=(1000000 10000000)

if [ ! -x /usr/bin/time ]; then
  if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
    apt-get install -y time >/dev/null
  else
    echo "/usr/bin/time is missing: apt-get install time" >&2
    exit 1
  fi
fi

# A fresh build directory gets a release build without the tests; an existing
# one keeps its settings.
if [ -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" >/dev/null
else
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DNUMORA_TESTS=OFF >/dev/null
fi
cmake --build "$BUILD" --target numora -j2 >/dev/null
NUMORA="$BUILD/numora"

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

# The fastest row of the FFT table: the smallest power of two n (in k) with
# n * 12288 >= digits.
fastest_k() {
  local n=1
  if [ "$1" -gt 12288 ]; then
    while [ $((n * 12288)) -lt "$1" ] && [ "$n" -lt 32768 ]; do n=$((n * 2)); done
  fi
  echo "$n"
}

status=0
for digits in "${COUNTS[@]}"; do
  k=$(fastest_k "$digits")
  dir="$WORK/sqrt2-$digits"
  mkdir -p "$dir"
  printf '4\n0\n%s\n%s\n0\n' "$digits" "$k" >"$dir/in"
  (cd "$dir" && /usr/bin/time -v "$NUMORA" <in >out 2>time) || status=1
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$dir/time")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$dir/time")
  sqrt=$(sed -n 's/^Time of sqrt(2) computation : //p' "$dir/out")
  square=$(sed -n 's/^Squaring Time : //p' "$dir/out")
  if grep -q '^The computation is OK$' "$dir/out"; then
    check="OK"
  else
    check="FAILED: $(grep 'digits of the result are wrong' "$dir/out" || echo 'no verdict')"
    status=1
  fi
  size=$(stat -c %s "$dir/sqrt2.txt" 2>/dev/null || echo 0)
  echo "== sqrt(2) to $digits digits, FFT size $k k"
  printf "sqrt %ss, squaring check %ss (%s); whole process: wall %s, peak memory %s MB; sqrt2.txt %s bytes\n" \
    "$sqrt" "$square" "$check" "$wall" "$((rss / 1024))" "$size"
done
exit $status
