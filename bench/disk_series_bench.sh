#!/usr/bin/env bash
# Times Pi (Chudnovsky) and e (sum of 1/n!) in the basic and the advanced disk
# modes with a small FFT size (64 k) next to the standard mode with the fastest
# FFT size: processor
# and wall time, peak memory against the table's estimate, the bytes the
# process read and wrote, the largest size of its files, and the check. With
# STOPS=n, Pi in disk mode is also run in n + 1 runs or more (a time threshold
# of a (n+1)-th of the single run's time), and its digits compared with the
# standard mode's.
#
# Usage: bench/disk_series_bench.sh [digit counts...]   NUMORA_BUILD: build directory.
#        DISK_FFT_K: the FFT size of the disk modes in k (default 64).
#        MODES: the modes to run (default "0 1 2"); CONSTANTS (default "Pi E").
[ $# -eq 0 ] && set -- 10000000 100000000
source "$(dirname "$0")/lib.sh"
DISK_K="${DISK_FFT_K:-64}"
STOPS="${STOPS:-0}"
MODES="${MODES:-0 1 2}"
CONSTANTS="${CONSTANTS:-Pi E}"

status=0
for digits in "${COUNTS[@]}"; do
  k=$(fastest_k "$digits")
  for constant in $CONSTANTS; do
    entry=$([ "$constant" = Pi ] && echo 0 || echo 2)
    file=$([ "$constant" = Pi ] && echo pi.txt || echo e.txt)
    cpu0=""
    for mode in $MODES; do
      # Each disk mode's table starts one row lower than the previous mode's.
      fft=$k
      if [ "$mode" != 0 ]; then
        fft=$((k >> mode))
        [ "$fft" -gt "$DISK_K" ] && fft=$DISK_K
        dir=$(run_counted "$constant-$mode-$digits" "$entry\n$mode\n$digits\n$fft\n0\n0\n")
      else
        dir=$(run_counted "$constant-0-$digits" "$entry\n0\n$digits\n$k\n0\n")
      fi
      allocated=$(sed -n 's/^Total Physical Memory Allocated = \([0-9]*\) Kbytes/\1/p' "$dir/out" | tail -1)
      estimate=$(sed -n 's/^Physical memory used : ~ \([0-9]*\) K/\1/p' "$dir/$file")
      cpu=$(cpu_of "$dir/time")
      echo "== $constant to $digits digits, mode $mode, FFT size $fft k: $(verdict_of "$dir")"
      printf "%s\n" "$(report "$dir/time")"
      printf "memory allocated %s K, table estimate %s K" "$allocated" "$estimate"
      if [ "$mode" != 0 ]; then
        printf "; read %s MB, written %s MB (sampled), files at most %s MB; %s" \
          "$(mb "$(sed -n 's/^rchar: //p' "$dir/io")")" "$(mb "$(sed -n 's/^wchar: //p' "$dir/io")")" \
          "$(mb "$(cat "$dir/du")")" "$(sed -n 's/^Time spent in disk swapping : //p' "$dir/$file")"
        printf "; cpu x %s of mode 0" "$(ratio "$cpu" "$cpu0")"
        cmp -s <(result_digits "$dir/$file" "$constant") \
          <(result_digits "$WORK/$constant-0-$digits/$file" "$constant") ||
          { printf " (DIGITS DIFFER)"; status=1; }
      else
        cpu0=$cpu
      fi
      grep -q "The computation seems OK" "$dir/out" || status=1
      printf "\n"
    done
    if [ "$constant" = Pi ] && [ "$STOPS" -gt 0 ]; then
      # The threshold in hours: the single run's wall time cut into STOPS + 1.
      wall=$(wall_of "$WORK/Pi-1-$digits/time")
      hours=$(awk -v w="$wall" -v n="$STOPS" 'BEGIN { printf "%.4f", w / (n + 1) / 3600 }')
      tag="Pi-multi-$digits"
      answers="0\n1\n$digits\n$DISK_K\n0\n$hours\n"
      runs=0 cpu=0
      while :; do
        runs=$((runs + 1))
        dir=$(run_counted "$tag" "$answers")
        cpu=$(awk -v a="$cpu" -v b="$(cpu_of "$dir/time")" 'BEGIN { printf "%.2f", a + b }')
        answers="$hours\n"
        grep -q "Do not forget to continue" "$dir/out" || break
        [ "$runs" -lt 50 ] || break
      done
      same="same digits as mode 0"
      cmp -s <(result_digits "$dir/pi.txt" Pi) <(result_digits "$WORK/Pi-0-$digits/pi.txt" Pi) ||
        { same="DIGITS DIFFER"; status=1; }
      echo "== Pi to $digits digits, mode 1 in $runs runs (threshold $hours h): cpu $cpu s in all, $(verdict_of "$dir"), $same, $(grep -c 'Computation run information' "$dir/pi.txt") run reports"
    fi
  done
done
exit $status
