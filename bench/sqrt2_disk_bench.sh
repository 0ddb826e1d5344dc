#!/usr/bin/env bash
# Times menu entry 4 (square root of 2) in basic disk mode with a small FFT size
# (64 k) next to the standard mode with the fastest FFT size, at 10^7 and 10^8
# digits: processor and wall time, peak memory against the table's estimate,
# the bytes the process read and wrote, and the disk time of the run report.
#
# Usage: bench/sqrt2_disk_bench.sh [digit counts...]   NUMORA_BUILD: build directory.
#        DISK_FFT_K: the FFT size of the disk mode in k (default 64).
[ $# -eq 0 ] && set -- 10000000 100000000
source "$(dirname "$0")/lib.sh"
DISK_K="${DISK_FFT_K:-64}"

status=0
for digits in "${COUNTS[@]}"; do
  k=$(fastest_k "$digits")
  for mode in 1 0; do
    fft=$([ "$mode" = 1 ] && echo "$DISK_K" || echo "$k")
    dir=$(run_counted "sqrt2-$mode-$digits" "4\n$mode\n$digits\n$fft\n0\n")
    check="OK"
    grep -q '^The computation is OK$' "$dir/out" || { check="FAILED"; status=1; }
    sqrt=$(sed -n 's/^Time of sqrt(2) computation : //p' "$dir/out")
    square=$(sed -n 's/^Squaring Time : //p' "$dir/out")
    allocated=$(sed -n 's/^Total Physical Memory Allocated = \([0-9]*\) Kbytes/\1/p' "$dir/out")
    estimate=$(sed -n 's/^Physical memory used : ~ \([0-9]*\) K/\1/p' "$dir/sqrt2.txt")
    swap=$(sed -n 's/^Time spent in disk swapping : //p' "$dir/sqrt2.txt")
    read=$(sed -n 's/^rchar: //p' "$dir/io" 2>/dev/null || echo 0)
    written=$(sed -n 's/^wchar: //p' "$dir/io" 2>/dev/null || echo 0)
    echo "== sqrt(2) to $digits digits, mode $mode, FFT size $fft k"
    printf "sqrt %ss, squaring check %ss (%s); whole process: %s\n" \
      "$sqrt" "$square" "$check" "$(report "$dir/time")"
    printf "memory allocated %s K, table estimate %s K" "$allocated" "$estimate"
    # The counts are those of the last sample: the digits written at the very
    # end (a byte per digit) are mostly not in them.
    [ "$mode" = 1 ] && printf "; read %s MB, written %s MB (sampled); disk swapping %s" \
      "$(mb "${read:-0}")" "$(mb "${written:-0}")" "$swap"
    printf "\n"
  done
done
exit $status
