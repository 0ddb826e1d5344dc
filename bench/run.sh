#!/usr/bin/env bash
# Runs every benchmark of the project: timed dialogues of the real binary at
# 10^6 and 10^7 digits (wall time, processor time, peak memory, GMP comparisons),
# the memory estimates against the runs' peaks, and the FFT rounding headroom.
set -euo pipefail
cd "$(dirname "$0")"
for script in pi_bench.sh e_bench.sh sqrt2_bench.sh memory_bench.sh headroom_bench.sh; do
  bash "$script"
done
