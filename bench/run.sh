#!/usr/bin/env bash
# Runs the benchmarks of the project: the side-by-side report (Pi, e and
# sqrt(2) at 10^6, 10^7 and 10^8 digits against GMP and MPFR, the transform
# against the memory bandwidth, the disk modes), the memory estimates against
# the runs' peaks, and the FFT rounding headroom. The scripts pi_bench.sh,
# e_bench.sh and sqrt2_bench.sh time one constant in detail.
set -euo pipefail
cd "$(dirname "$0")"
for script in report.sh memory_bench.sh headroom_bench.sh; do
  bash "$script"
done
