// What the stand-alone comparison programs share: a wall clock, and their
// arguments DIGITS OUTFILE.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>

inline double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The digit count, or the usage line and status 2.
inline unsigned long DigitsArgument(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s DIGITS OUTFILE\n", argv[0]);
    std::exit(2);
  }
  return std::strtoul(argv[1], nullptr, 10);
}
