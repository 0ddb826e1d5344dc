#!/usr/bin/env bash
# The side-by-side report of one run on this machine: Pi (menu entry 0) and e
# (entry 2) against the GMP programs, the square root of 2 (entry 4) against
# MPFR, at 10^6, 10^7 and 10^8 digits (or the counts given), each a whole
# process with its result file written, in processor time (user + system) and
# peak memory, with the digits compared; then the 2^22-point transform against
# the machine's copy bandwidth, and the disk modes (bench/disk_series_bench.sh,
# bench/sqrt2_disk_bench.sh).
#
# Usage: bench/report.sh [digit counts...]   NUMORA_BUILD: build directory.
set -euo pipefail
if [ $# -eq 0 ]; then set -- 1000000 10000000 100000000; fi
source "$(dirname "$0")/lib.sh"

have_mpfr() { [ -f /usr/include/mpfr.h ]; }
GMP_PI="" GMP_E="" MPFR_SQRT2=""
if have_gmp; then
  GMP_PI=$(build_gmp gmp_chudnovsky)
  GMP_E=$(build_gmp gmp_e)
else
  echo "(libgmp-dev is missing: no GMP comparison)"
fi
if have_mpfr; then
  g++ -O2 -o "$BUILD/mpfr_sqrt2" "$ROOT/bench/mpfr_sqrt2.cpp" -lmpfr -lgmp
  MPFR_SQRT2="$BUILD/mpfr_sqrt2"
else
  echo "(libmpfr-dev is missing: no MPFR comparison)"
fi

# The digits after the point of a reference file ("I.digits").
ref_digits() { sed -n 's/^[0-9]\.//p' "$1"; }

# One line: constant, digits, Numora, reference, ratio, digit comparison.
# Args: label entry name file digits refprog refname cut
compare() {
  local label=$1 entry=$2 name=$3 file=$4 digits=$5 ref=$6 refname=$7 cut=$8
  local k dir mine line
  k=$(fastest_k "$digits")
  dir=$(run_numora "$label-$digits" "$entry\n0\n$digits\n$k\n0\n")
  mine=$(result_digits "$dir/$file" "$name")
  line=$(printf "%-7s %10s  Numora cpu %8s s, %5s MB" "$label" "$digits" "$(cpu_of "$dir/time")" \
    "$(rss_mb_of "$dir/time")")
  if [ -n "$ref" ]; then
    local rdir="$WORK/$refname-$label-$digits" same
    mkdir -p "$rdir"
    /usr/bin/time -v "$ref" "$digits" "$rdir/out.txt" >"$rdir/out" 2>"$rdir/time"
    # A reference that rounds its last digit is compared on the others.
    if [ "$(echo "$mine" | cut -c1-$((digits - cut)))" = "$(ref_digits "$rdir/out.txt" | cut -c1-$((digits - cut)))" ]; then
      same="digits equal"
    else
      same="DIGITS DIFFER"
    fi
    line="$line | $refname cpu $(printf "%8s" "$(cpu_of "$rdir/time")") s, $(printf "%5s" "$(rss_mb_of "$rdir/time")") MB"
    line="$line | ratio $(ratio "$(cpu_of "$dir/time")" "$(cpu_of "$rdir/time")"), $same"
  fi
  echo "$line, $(verdict_of "$dir")"
}

echo "== Whole processes (processor time), $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(nproc) cpus"
for digits in "$@"; do
  compare Pi 0 Pi pi.txt "$digits" "$GMP_PI" GMP 1
  compare e 2 E e.txt "$digits" "$GMP_E" GMP 0
  compare sqrt2 4 Sqrt2 sqrt2.txt "$digits" "$MPFR_SQRT2" MPFR 0
done

echo "== The transform against the memory bandwidth"
cmake -S "$ROOT" -B "$BUILD" -DNUMORA_BENCH=ON >/dev/null
cmake --build "$BUILD" --target fft_bandwidth -j2 >/dev/null
"$BUILD/bench/fft_bandwidth" 22 5

echo "== Disk modes (counts up to 10^7; the disk scripts take larger ones)"
disk_counts=()
for digits in "$@"; do [ "$digits" -le 10000000 ] && disk_counts+=("$digits"); done
if [ ${#disk_counts[@]} -gt 0 ]; then
  bash "$ROOT/bench/disk_series_bench.sh" "${disk_counts[@]}" || true
  bash "$ROOT/bench/sqrt2_disk_bench.sh" "${disk_counts[@]}" || true
fi
