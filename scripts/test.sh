#!/usr/bin/env bash
# Builds everything and runs the whole test suite twice: as released, and
# under AddressSanitizer and UndefinedBehaviorSanitizer (in build-sanitize).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests
jobs="$(nproc)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DNUMORA_TESTS=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Release -DNUMORA_TESTS=ON -DNUMORA_SANITIZE=ON
cmake --build build-sanitize -j"$jobs"
# A sanitizer finding ends the program with status 86, which no test expects
# (runs end with 0, 1 or 2), so it can never pass for an expected failure.
# A failed allocation returns null, as without the sanitizer, so that the
# program's own message about memory is what the tests see.
export ASAN_OPTIONS="exitcode=86:abort_on_error=0:detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="exitcode=86:halt_on_error=1:print_stacktrace=1"
(cd build-sanitize && ctest --output-on-failure -j"$jobs")
