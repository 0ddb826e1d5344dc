#!/usr/bin/env bash
# FFT rounding headroom per transform size (worst inputs, random inputs) and the
# time of one square, up to 2^25 points (the largest size of the standard-mode
# table) or the log2 size given as argument.
#
# Usage: bench/headroom_bench.sh [log2 of the largest size]   NUMORA_BUILD: build directory.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${NUMORA_BUILD:-$ROOT/build-bench}"
cmake -S "$ROOT" -B "$BUILD" -DNUMORA_BENCH=ON >/dev/null
cmake --build "$BUILD" --target fft_headroom -j2 >/dev/null
echo "== FFT rounding headroom"
"$BUILD/bench/fft_headroom" "${1:-25}"
