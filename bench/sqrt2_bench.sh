#!/usr/bin/env bash
# Times menu entry 4 (square root of 2) as a whole process in standard mode at
# 10^6 and 10^7 digits with the fastest FFT size, sqrt2.txt written; prints the
# program's own timings, wall time and peak memory, and the squaring check.
#
# Usage: bench/sqrt2_bench.sh [digit counts...]   NUMORA_BUILD: build directory.
source "$(dirname "$0")/lib.sh"

status=0
for digits in "${COUNTS[@]}"; do
  k=$(fastest_k "$digits")
  dir=$(run_numora "sqrt2-$digits" "4\n0\n$digits\n$k\n0\n")
  sqrt=$(sed -n 's/^Time of sqrt(2) computation : //p' "$dir/out")
  square=$(sed -n 's/^Squaring Time : //p' "$dir/out")
  if grep -q '^The computation is OK$' "$dir/out"; then
    check="OK"
  else
    check="FAILED: $(grep 'digits of the result are wrong' "$dir/out" || echo 'no verdict')"
    status=1
  fi
  echo "== sqrt(2) to $digits digits, FFT size $k k"
  printf "sqrt %ss, squaring check %ss (%s); whole process: %s; sqrt2.txt %s bytes\n" \
    "$sqrt" "$square" "$check" "$(report "$dir/time")" "$(stat -c %s "$dir/sqrt2.txt" 2>/dev/null || echo 0)"
done
exit $status
