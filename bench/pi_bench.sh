#!/usr/bin/env bash
# Times menu entry 0 (Pi, Chudnovsky) in standard mode as a whole process at
# 10^6 and 10^7 digits: answers on standard input, the fastest FFT size of the
# table, pi.txt written. With libgmp-dev present, a plain GMP Chudnovsky program
# (bench/gmp_chudnovsky.cpp, digits converted to decimal and written) runs in
# the same pass; its digits are compared with Numora's and the ratio printed.
#
# Usage: bench/pi_bench.sh [digit counts...]   NUMORA_BUILD: build directory.
source "$(dirname "$0")/lib.sh"

GMP_PI=""
have_gmp && GMP_PI=$(build_gmp gmp_chudnovsky)

for digits in "${COUNTS[@]}"; do
  k=$(fastest_k "$digits")
  echo "== Pi to $digits digits, FFT size $k k"
  extra=""
  dir=$(run_numora "numora-$digits" "0\n0\n$digits\n$k\n0\n")
  if [ -n "$GMP_PI" ]; then
    gdir="$WORK/gmp-$digits"
    mkdir -p "$gdir"
    /usr/bin/time -v "$GMP_PI" "$digits" "$gdir/pi.txt" >"$gdir/out" 2>"$gdir/time"
    printf "GMP Chudnovsky : %s\n" "$(report "$gdir/time")"
    # GMP rounds its last digit: compare all the others.
    want=$(sed -n 's/^3\.//p' "$gdir/pi.txt" | cut -c1-$((digits - 1)))
    if [ "$(result_digits "$dir/pi.txt" Pi | cut -c1-$((digits - 1)))" = "$want" ]; then
      extra=", digits = GMP"
    else
      extra=", digits DIFFER from GMP"
    fi
    extra="$extra, time / GMP = $(ratio "$(wall_of "$dir/time")" "$(wall_of "$gdir/time")") (wall)"
    extra="$extra, $(ratio "$(cpu_of "$dir/time")" "$(cpu_of "$gdir/time")") (cpu)"
  fi
  printf "Numora entry 0 : %s, %s%s\n" "$(report "$dir/time")" "$(verdict_of "$dir")" "$extra"
  grep -E "time : |Total computation time" "$dir/out" | sed 's/^/    /'
done
