#!/usr/bin/env bash
# Fails when a source file includes a header of a higher layer: the layers
# form a chain from the runtime services up to the menus (see CMakeLists.txt).
set -euo pipefail
src="${1:-$(dirname "$0")/../src}"
runtime="clock memory console error_report debug_state version files progress platform"
computation="computation resume unavailable current result_file"
# The CRT and the NTT products of disk numbers (in src/ntt): a layer above the disk numbers.
crt="tiny_int mul_rows crt ntt_product"

layer() {  # layer of a path relative to src, e.g. shell/files.h
  local folder="${1%%/*}" base
  base="$(basename "$1")"
  base="${base%.*}"
  case "$folder" in
    shell)
      if [[ " $runtime " == *" $base "* ]]; then echo 0
      elif [[ " $computation " == *" $base "* ]]; then echo 7
      else echo 11; fi ;;
    ntt)
      if [[ " $crt " == *" $base "* ]]; then echo 5; else echo 2; fi ;;
    fft) echo 1 ;; mpint) echo 3 ;; disk) echo 4 ;; output) echo 6 ;;
    constants) echo 8 ;; userconst) echo 9 ;; verify) echo 10 ;;
    main.cpp) echo 12 ;;
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
