#!/usr/bin/env bash
# The memory estimates of the FFT table against the peak memory that the runs
# then use: every constant (Pi both methods, e both series, sqrt(2), the user
# constants ln 2 and Machin) at each digit count, over every row of the
# standard-mode table, and sqrt(2) over the rows of the basic disk mode. Each
# run goes through the command line with its FFT size; the estimate is the
# one the result file reports, the peak is the process's peak resident set
# (what the machine must have). Prints one line
# per run: constant, digits, FFT size, estimate, peak, estimate / peak and the
# processor time; a ratio outside 0.75 .. 1.25 is marked "OFF".
#
# Usage: bench/memory_bench.sh [digit counts...]   NUMORA_BUILD: build directory.
#   ROWS=n keeps the n fastest rows (default 6, the whole table);
#   ONLY="pi e" keeps the constants whose names are listed.
source "$(dirname "$0")/lib.sh"

ROWS="${ROWS:-6}"
ONLY="${ONLY:-}"

# The user constants, as entry 5 saves them.
head=$'// Numora user constant file\n       ***************************************\n       *                                     *\n       *    User constant file definition    *\n       *                                     *\n       ***************************************\n\nVersion : 4.1\n'
printf '%sConstant name : ln2\nComments :\n\n.\nNumber of series : 1\n\nSeries number 0\nBeta : 1\nSeries type : 3\nZ : 1/2\n\nConstant approximate value : ln2 = 0.693147180560\n' \
  "$head" >"$WORK/ln2.numora"
printf '%sConstant name : machin\nComments :\n\n.\nNumber of series : 2\n\nSeries number 0\nBeta : 16\nSeries type : 1\nZ : 1/5\n\nSeries number 1\nBeta : -4\nSeries type : 1\nZ : 1/239\n\nConstant approximate value : machin = 3.141592653590\n' \
  "$head" >"$WORK/machin.numora"

# name | arguments before the digit count | arguments after it | result file |
# first row (0: the standard mode's; 1: the basic disk mode's, half of it)
CASES=(
  "pi|pi||pi.txt|0"
  "pi-ramanujan|pi|--method=ramanujan|pi.txt|0"
  "e|e||e.txt|0"
  "e-series1|e|--series=1|e.txt|0"
  "sqrt2|sqrt2||sqrt2.txt|0"
  "sqrt2-disk|sqrt2|--mode=1|sqrt2.txt|1"
  "ln2|const ln2||ln2.txt|0"
  "machin|const machin||machin.txt|0"
)

printf "%-13s %10s %7s %11s %11s %6s %8s\n" constant digits fft estimate peak ratio cpu
status=0
for digits in "${COUNTS[@]}"; do
  top=$(fastest_k "$digits")
  for c in "${CASES[@]}"; do
    IFS='|' read -r name before after file first <<<"$c"
    if [ -n "$ONLY" ] && [[ " $ONLY " != *" $name "* ]]; then continue; fi
    k=$((top >> first))
    for ((row = 0; row < ROWS && k >= 1; row++, k /= 2)); do
      dir="$WORK/$name-$digits-$k"
      mkdir -p "$dir"
      cp "$WORK"/*.numora "$dir"
      # shellcheck disable=SC2086
      (cd "$dir" && /usr/bin/time -v "$NUMORA" $before "$digits" $after --fft-size "$k" \
        >out 2>time) || { echo "$name $digits $k k: the run failed" >&2; status=1; continue; }
      estimate=$(sed -n 's/^Physical memory used : ~ \([0-9]*\) K$/\1/p' "$dir/$file")
      peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$dir/time")
      r=$(ratio "$estimate" "$peak")
      mark=""
      awk -v r="$r" 'BEGIN { exit !(r < 0.75 || r > 1.25) }' && { mark=" OFF"; status=1; }
      printf "%-13s %10s %5s k %9s K %9s K %6s %7ss%s\n" "$name" "$digits" "$k" "$estimate" "$peak" \
        "$r" "$(cpu_of "$dir/time")" "$mark"
      rm -f "$dir"/*.txt
    done
  done
done
exit $status
