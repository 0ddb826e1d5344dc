#!/usr/bin/env bash
# Installs what the build and the tests need, from Debian's packages, when missing.
set -euo pipefail
need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v make >/dev/null 2>&1 || need+=(make)
if [ "${1:-}" = "--tests" ]; then
  # The library directory depends on the machine (x86_64-linux-gnu, aarch64-linux-gnu, ...).
  shopt -s nullglob
  libs=(/usr/lib/libgtest.* /usr/lib/*/libgtest.* /usr/local/lib/libgtest.* /usr/local/lib/*/libgtest.*)
  shopt -u nullglob
  { [ -f /usr/include/gtest/gtest.h ] && [ ${#libs[@]} -gt 0 ]; } || need+=(libgtest-dev googletest)
fi
if [ ${#need[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${need[@]}"
fi
