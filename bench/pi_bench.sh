#!/usr/bin/env bash
# Times menu entry 0 (Pi, Chudnovsky) in standard mode as a whole process at
# 10^6 and 10^7 digits: answers on standard input, the fastest FFT size of the
# table, pi.txt written. Prints wall time and peak memory. With libgmp-dev
# present, a plain GMP Chudnovsky program (bench/gmp_chudnovsky.cpp, digits
# converted to decimal and written) runs in the same pass, its digits are
# compared with Numora's, and the time ratio is printed.
#
# Usage: bench/pi_bench.sh [digit counts...]   (default: 1000000 10000000)
# NUMORA_BUILD selects the build directory (default: build-pibench).
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${NUMORA_BUILD:-$ROOT/build-pibench}"
COUNTS=("$@")
[ ${#COUNTS[@]} -eq 0 ] && COUNTS=(1000000 10000000)

if [ ! -x /usr/bin/time ]; then
  if [ "$(id -u)" = 0 ]; then
    apt-get install -y time >/dev/null 2>&1 || { apt-get update >/dev/null && apt-get install -y time >/dev/null; }
  fi
  [ -x /usr/bin/time ] || { echo "/usr/bin/time is missing: apt-get install time" >&2; exit 1; }
fi

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DNUMORA_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target numora -j2 >/dev/null
NUMORA="$BUILD/numora"

GMP_PI=""
if [ -f /usr/include/gmp.h ] || [ -f /usr/include/x86_64-linux-gnu/gmp.h ]; then
  GMP_PI="$BUILD/gmp_chudnovsky"
  g++ -O2 -o "$GMP_PI" "$ROOT/bench/gmp_chudnovsky.cpp" -lgmp
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

seconds() { # h:mm:ss or m:ss.ss to seconds
  echo "$1" | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.2f", s }'
}

wall_of() { seconds "$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$1")"; }
rss_of() { sed -n 's/.*Maximum resident set size (kbytes): //p' "$1"; }
# Processor time (user + system): steadier than wall time on a shared machine.
cpu_of() {
  awk -F': ' '/User time \(seconds\)|System time \(seconds\)/ { s += $2 } END { printf "%.2f", s }' "$1"
}

# The digits after "Pi = 3." in a result file, without layout.
numora_digits() {
  sed -n '/^Pi = 3\.$/,$p' "$1" | tail -n +2 | sed 's/ *:.*//' | tr -d ' \n'
}

for digits in "${COUNTS[@]}"; do
  k=$(fastest_k "$digits")
  echo "== Pi to $digits digits, FFT size $k k"
  gmp_wall=""
  if [ -n "$GMP_PI" ]; then
    dir="$WORK/gmp-$digits"
    mkdir -p "$dir"
    /usr/bin/time -v "$GMP_PI" "$digits" "$dir/pi.txt" >"$dir/out" 2>"$dir/time"
    gmp_wall=$(wall_of "$dir/time")
    gmp_cpu=$(cpu_of "$dir/time")
    printf "GMP Chudnovsky : wall %s s, cpu %s s, peak memory %s MB\n" "$gmp_wall" "$gmp_cpu" \
      "$(($(rss_of "$dir/time") / 1024))"
    sed 's/^/    /' "$dir/out"
  fi
  dir="$WORK/numora-$digits"
  mkdir -p "$dir"
  printf '0\n0\n%s\n%s\n0\n' "$digits" "$k" >"$dir/in"
  (cd "$dir" && /usr/bin/time -v "$NUMORA" <in >out 2>time)
  wall=$(wall_of "$dir/time")
  cpu=$(cpu_of "$dir/time")
  verdict="check: none"
  grep -q "The computation seems OK" "$dir/out" && verdict="check: OK"
  grep -q "ERROR in computation" "$dir/out" && verdict="check: FAILED"
  extra=""
  if [ -n "$gmp_wall" ]; then
    # GMP rounds its last digit: compare all the others.
    want=$(sed -n 's/^3\.//p' "$WORK/gmp-$digits/pi.txt" | cut -c1-$((digits - 1)))
    if [ "$(numora_digits "$dir/pi.txt" | cut -c1-$((digits - 1)))" = "$want" ]; then
      extra=", digits = GMP"
    else
      extra=", digits DIFFER from GMP"
    fi
    extra="$extra, time / GMP = $(awk -v a="$wall" -v b="$gmp_wall" 'BEGIN { printf "%.2f", a / b }') (wall)"
    extra="$extra, $(awk -v a="$cpu" -v b="$gmp_cpu" 'BEGIN { printf "%.2f", a / b }') (cpu)"
  fi
  printf "Numora entry 0 : wall %s s, cpu %s s, peak memory %s MB, %s%s\n" "$wall" "$cpu" \
    "$(($(rss_of "$dir/time") / 1024))" "$verdict" "$extra"
  grep -E "time : |Total computation time" "$dir/out" | sed 's/^/    /'
done
