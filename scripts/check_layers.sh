#!/usr/bin/env bash
# Fails when a source file includes a header of a higher layer: the layers
# form a chain from the runtime services up to the menus (see CMakeLists.txt).
set -euo pipefail
src="${1:-$(dirname "$0")/../src}"
runtime="clock memory console error_report debug_state version files progress platform"
computation="computation resume unavailable current result_file"
# The CRT and the NTT products of disk numbers (in src/ntt): a layer above the disk numbers.
crt="tiny_int mul_rows crt ntt_product"
# The products of disk numbers and the disk Newton operations (in src/disk): above the CRT.
diskmul="disk_mul disk_newton"

layer() {  # layer of a path relative to src, e.g. shell/files.h
  local folder="${1%%/*}" base
  base="$(basename "$1")"
  base="${base%.*}"
  case "$folder" in
    shell)
      if [[ " $runtime " == *" $base "* ]]; then echo 0
      elif [[ " $computation " == *" $base "* ]]; then echo 8
      else echo 12; fi ;;
    ntt)
      if [[ " $crt " == *" $base "* ]]; then echo 5; else echo 2; fi ;;
    disk)
      if [[ " $diskmul " == *" $base "* ]]; then echo 6; else echo 4; fi ;;
    fft) echo 1 ;; mpint) echo 3 ;; output) echo 7 ;;
    constants) echo 9 ;; userconst) echo 10 ;; verify) echo 11 ;;
    main.cpp) echo 13 ;;
    *) echo "unknown folder $folder" >&2; exit 2 ;;
  esac
}

bad=0
cd "$src"
while IFS= read -r file; do
  file="${file#./}"
  own=$(layer "$file")
  while IFS= read -r inc; do
    [ -n "$inc" ] || continue
    if [ "$(layer "$inc")" -gt "$own" ]; then
      echo "$file includes $inc, a higher layer" >&2
      bad=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(find . -name '*.cpp' -o -name '*.h' | sort)
if [ "$bad" -ne 0 ]; then exit 1; fi
echo "Layers: every include goes down"
