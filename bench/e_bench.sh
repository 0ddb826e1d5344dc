#!/usr/bin/env bash
# Times the two e entries of the menu (2: sum 1/n!, 3: 1/sum (-1)^n/n!) as whole
# processes at 10^6 and 10^7 digits, standard mode, fastest FFT size, e.txt
# written. With libgmp-dev present, a plain GMP program computes the same digits
# in the same run, and the digits of every run are compared with it.
#
# Usage: bench/e_bench.sh [digit counts...]   NUMORA_BUILD: build directory.
source "$(dirname "$0")/lib.sh"

GMP_E=""
have_gmp && GMP_E=$(build_gmp gmp_e)

for digits in "${COUNTS[@]}"; do
  k=$(fastest_k "$digits")
  echo "== e to $digits digits, FFT size $k k"
  ref=""
  if [ -n "$GMP_E" ]; then
    gdir="$WORK/gmp-$digits"
    mkdir -p "$gdir"
    /usr/bin/time -v "$GMP_E" "$digits" "$gdir/e.txt" >"$gdir/out" 2>"$gdir/time"
    printf "GMP binary splitting        : %s\n" "$(report "$gdir/time")"
    ref="$gdir/e.txt"
  fi
  for entry in 2 3; do
    dir=$(run_numora "numora-$entry-$digits" "$entry\n0\n$digits\n$k\n0\n")
    label="Numora entry $entry"
    [ "$entry" = 2 ] && label="$label (SUM 1/n!)   " || label="$label (1/SUM (-1)^n)"
    same=""
    if [ -n "$ref" ]; then
      if [ "$(result_digits "$dir/e.txt" E)" = "$(sed -n 's/^2\.//p' "$ref")" ]; then
        same=", digits = GMP"
      else
        same=", digits DIFFER from GMP"
      fi
    fi
    printf "%s: %s, %s%s\n" "$label" "$(report "$dir/time")" "$(verdict_of "$dir")" "$same"
    grep -E "time : |Total computation time" "$dir/out" | sed 's/^/    /'
  done
done
