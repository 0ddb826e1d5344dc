#!/usr/bin/env bash
# Processor time of the NTT (forward + inverse, pointwise product) at 2^20 and
# 2^22 points, or up to the log2 size given as argument, for both vector kernels.
#
# Usage: bench/ntt_bench.sh [log2 of the largest size]   NUMORA_BUILD: build directory.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${NUMORA_BUILD:-$ROOT/build-bench}"
cmake -S "$ROOT" -B "$BUILD" -DNUMORA_BENCH=ON >/dev/null
cmake --build "$BUILD" --target ntt_bench -j2 >/dev/null
echo "== NTT"
"$BUILD/bench/ntt_bench" "${1:-22}"
