#!/usr/bin/env bash
# Runs every benchmark of the project: timed dialogues of the real binary at
# large digit counts, with wall time and peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."
for script in bench/*_bench.sh; do
  echo "=== $script"
  bash "$script" "$@"
done
