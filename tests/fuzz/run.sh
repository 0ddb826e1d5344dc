#!/bin/bash
# Builds the libFuzzer targets (the user-constant parsers: expressions,
# fractions, ".numora" files; the FFT products against the reference
# multiplication) with AddressSanitizer and UndefinedBehaviorSanitizer, outside
# the CMake build, and runs each for a bounded time.
#
#   tests/fuzz/run.sh [seconds per target]      (default 60)
#
# Environment: CXX (default clang++-14), FUZZ_BUILD (default <repo>/build-fuzz).
# Findings (crash-*, timeout-*, leak-*) are left in FUZZ_BUILD; the exit status
# is non-zero when a target failed.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
out=${FUZZ_BUILD:-$root/build-fuzz}
seconds=${1:-60}
CXX=${CXX:-clang++-14}
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -ffp-contract=off
       -fsanitize=address,undefined -fno-sanitize-recover=undefined -I"$root/src"
       -I"$root/tests")
targets=(expression constant_file product)

mkdir -p "$out/obj"

# The program's objects (all sources but main) and the reference arithmetic,
# all instrumented, rebuilt when a source or any header is newer than the object.
newest_header=$(find "$root/src" "$root/tests" -name '*.h' -printf '%T@\n' | sort -n | tail -1)
objects=()
for src in $(cd "$root" && find src tests/reference -name '*.cpp' ! -name main.cpp | sort); do
  obj="$out/obj/${src//\//_}.o"
  objects+=("$obj")
  if [[ -f "$obj" ]]; then
    obj_time=$(stat -c %Y "$obj")
    src_time=$(stat -c %Y "$root/$src")
    if (( obj_time > src_time )) && (( obj_time > ${newest_header%.*} )); then continue; fi
  fi
  echo "compiling $src"
  "$CXX" "${flags[@]}" -fsanitize=fuzzer-no-link -c "$root/$src" -o "$obj"
done

status=0
for t in "${targets[@]}"; do
  "$CXX" "${flags[@]}" -fsanitize=fuzzer "$root/tests/fuzz/fuzz_$t.cpp" "${objects[@]}" \
    -o "$out/fuzz_$t"
  corpus="$out/corpus-$t"
  mkdir -p "$corpus"
  echo "=== fuzz_$t for $seconds s"
  if ! (cd "$out" && ./"fuzz_$t" "$corpus" "$root/tests/fuzz/seeds/$t" \
          -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
          -print_final_stats=1 2>&1 | tail -25); then
    status=1
  fi
  if compgen -G "$out/crash-*" > /dev/null || compgen -G "$out/timeout-*" > /dev/null ||
     compgen -G "$out/leak-*" > /dev/null || compgen -G "$out/oom-*" > /dev/null; then
    status=1
  fi
done
if (( status != 0 )); then echo "fuzzing found problems: see $out"; fi
exit $status
