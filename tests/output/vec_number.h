// A vector-backed number for the writer tests, with limbs, Size and Offset set
// directly, and a plain position-by-position layout to compare against.
#pragma once

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mpint/mpint.h"
#include "output/digit_writer.h"

class VecNumber : public MPInt {
 public:
  std::vector<double> limbs;  // lowest first
  long offset = 0;
  mutable long largestRead = 0;

  VecNumber(std::vector<double> l, long off) : limbs(std::move(l)), offset(off) {
    Size = static_cast<long>(limbs.size());
  }
  int GetType() const override { return 2; }
  int GetNbDecPerLimb() const override { return 12; }
  long GetOffset() const override { return offset; }
  void WriteToBuffer(double* dst, long count, long start) const override {
    // The writer must never ask for limbs the number does not hold.
    EXPECT_GE(start, 0);
    EXPECT_LE(start + count, Size);
    largestRead = std::max(largestRead, count);
    for (long i = 0; i < count; i++) dst[i] = limbs.at(static_cast<size_t>(start + i));
  }
};

// intDigits "" or a decimal integer; frac the digits after the point, padded
// with zeros to whole limbs.
inline VecNumber FromDecimal(const std::string& intDigits, std::string frac) {
  while (frac.size() % 12) frac += '0';
  std::vector<double> l;
  for (size_t i = frac.size(); i >= 12; i -= 12) l.push_back(std::stod(frac.substr(i - 12, 12)));
  for (size_t e = intDigits.size(); e > 0; e -= std::min<size_t>(e, 12)) {
    size_t b = e >= 12 ? e - 12 : 0;
    l.push_back(std::stod(intDigits.substr(b, e - b)));
  }
  return VecNumber(l, -static_cast<long>(frac.size() / 12));
}

// Digits that repeat with no short period, so that a misplaced limb shows.
inline std::string PatternDigits(long n) {
  std::string s;
  for (long p = 1; p <= n; p++) s += static_cast<char>('0' + (p * p * 7 + p * 3 + p / 13) % 10);
  return s;
}

// What the code writes to a stream, read back.
inline std::string Capture(const std::function<void(FILE*)>& write) {
  FILE* f = std::tmpfile();
  write(f);
  std::fflush(f);
  std::rewind(f);
  std::string s;
  int ch;
  while ((ch = std::fgetc(f)) != EOF) s += static_cast<char>(ch);
  std::fclose(f);
  return s;
}

// Layout of the digits start < p <= end of frac (frac[0] is digit 1), one position at a time.
inline std::string RefLayout(const std::string& frac, long start, long end,
                             const OutputFormat& f = OutputFormat()) {
  std::string s;
  for (long p = start + 1; p <= end; p++) {
    s += frac[static_cast<size_t>(p - 1)];
    if (p % 10) continue;
    if (f.SpaceEvery10) s += ' ';
    if (p % 50 == 0 && f.SpaceEvery50) s += ' ';
    if (p % 100 == 0 && f.SpaceEvery100) s += ' ';
    if (f.DigitsPerLine > 0 && p % f.DigitsPerLine == 0) {
      if (f.Counter) s += " : " + std::to_string(p);
      s += '\n';
      if (f.EmptyLineEvery && p % f.EmptyLineEvery == 0) s += '\n';
    }
  }
  return s + "\n";
}

inline const std::string kPi100 =
    "1415926535897932384626433832795028841971693993751058209749445923078164062862089986280348253421170679";
