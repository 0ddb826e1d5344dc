#!/usr/bin/env bash
# Times the two e entries of the menu (2: sum 1/n!, 3: 1/sum (-1)^n/n!) as whole
# processes at 10^6 and 10^7 digits, standard mode, fastest FFT size, e.txt
# written; prints wall time and peak memory. With libgmp-dev present, a plain
# GMP program computes the same digits in the same run for comparison, and the
# digits of every run are compared with it.
#
# Usage: bench/e_bench.sh [digit counts...]   (default: 1000000 10000000)
# NUMORA_BUILD selects the build directory (default: build-bench).
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${NUMORA_BUILD:-$ROOT/build-bench}"
COUNTS=("$@")
[ ${#COUNTS[@]} -eq 0 ] && COUNTS=(1000000 10000000)

if [ ! -x /usr/bin/time ]; then
  echo "/usr/bin/time is missing: apt-get install time" >&2
  exit 1
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

GMP_E=""
if [ -f /usr/include/gmp.h ] || [ -f /usr/include/x86_64-linux-gnu/gmp.h ]; then
  GMP_E="$BUILD/gmp_e"
  g++ -O2 -o "$GMP_E" "$ROOT/bench/gmp_e.cpp" -lgmp
fi

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

# Wall time, processor time and peak memory from the report of /usr/bin/time -v
# (processor time stays meaningful on a machine shared with other work).
report() {
  local wall user sys rss
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$1")
  user=$(sed -n 's/.*User time (seconds): //p' "$1")
  sys=$(sed -n 's/.*System time (seconds): //p' "$1")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$1")
  printf "wall %s, cpu %.2f s, peak memory %s MB" "$wall" "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" \
    "$((rss / 1024))"
}

# The digits after "E = 2." in a result file, without layout.
numora_digits() {
  sed -n '/^E = 2\.$/,$p' "$1" | tail -n +2 | sed 's/ *:.*//' | tr -d ' \n'
}

for digits in "${COUNTS[@]}"; do
  k=$(fastest_k "$digits")
  echo "== e to $digits digits, FFT size $k k"
  ref=""
  if [ -n "$GMP_E" ]; then
    dir="$WORK/gmp-$digits"
    mkdir -p "$dir"
    /usr/bin/time -v "$GMP_E" "$digits" "$dir/e.txt" >"$dir/out" 2>"$dir/time"
    printf "GMP binary splitting      : %s\n" "$(report "$dir/time")"
    ref="$dir/e.txt"
  fi
  for entry in 2 3; do
    dir="$WORK/numora-$entry-$digits"
    mkdir -p "$dir"
    printf '%s\n0\n%s\n%s\n0\n' "$entry" "$digits" "$k" >"$dir/in"
    (cd "$dir" && /usr/bin/time -v "$NUMORA" <in >out 2>time)
    label="Numora entry $entry"
    [ "$entry" = 2 ] && label="$label (SUM 1/n!)   " || label="$label (1/SUM (-1)^n)"
    verdict="check: none"
    grep -q "The computation seems OK" "$dir/out" && verdict="check: OK"
    grep -q "ERROR in computation" "$dir/out" && verdict="check: FAILED"
    same=""
    if [ -n "$ref" ]; then
      if [ "$(numora_digits "$dir/e.txt")" = "$(sed -n 's/^2\.//p' "$ref")" ]; then
        same=", digits = GMP"
      else
        same=", digits DIFFER from GMP"
      fi
    fi
    printf "%s: %s, %s%s\n" "$label" "$(report "$dir/time")" "$verdict" "$same"
    grep -E "time : |Total computation time" "$dir/out" | sed 's/^/    /'
  done
done
