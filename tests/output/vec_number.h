// A vector-backed number whose limbs, Size and Offset the tests set directly,
// and a position-by-position layout to compare the writer against.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "mpint/mpint.h"
#include "output/digit_writer.h"

struct VecNumber : MPInt {
  std::vector<double> limbs;  // lowest first
  long offset;
  mutable long largestRead = 0;
  VecNumber(std::vector<double> l, long off) : limbs(std::move(l)), offset(off) {
    Size = long(limbs.size());
  }
  int GetType() const override { return 2; }
  int GetNbDecPerLimb() const override { return 12; }
  long GetOffset() const override { return offset; }
  void WriteToBuffer(double* dst, long count, long start) const override {
    EXPECT_TRUE(start >= 0 && start + count <= Size) << "limbs the number does not hold";
    largestRead = std::max(largestRead, count);
    for (long i = 0; i < count; i++) dst[i] = limbs.at(size_t(start + i));
  }
};

// intDigits.frac, the fraction padded with zeros to whole limbs.
inline VecNumber FromDecimal(const std::string& intDigits, std::string frac) {
  frac.append((12 - frac.size() % 12) % 12, '0');
  std::vector<double> l;
  for (size_t i = frac.size(); i >= 12; i -= 12) l.push_back(std::stod(frac.substr(i - 12, 12)));
  for (size_t e = intDigits.size(); e > 0; e -= std::min<size_t>(e, 12))
    l.push_back(std::stod(intDigits.substr(e - std::min<size_t>(e, 12), std::min<size_t>(e, 12))));
  return VecNumber(l, -long(frac.size() / 12));
}

// Digits without a short period, so that a misplaced limb shows.
inline std::string PatternDigits(long n) {
  std::string s;
  for (long p = 1; p <= n; p++) s += char('0' + (p * p * 7 + p * 3 + p / 13) % 10);
  return s;
}

inline std::string Capture(const std::function<void(FILE*)>& write) {
  FILE* f = std::tmpfile();
  write(f);
  std::rewind(f);
  std::string s;
  for (int ch; (ch = std::fgetc(f)) != EOF;) s += char(ch);
  std::fclose(f);
  return s;
}

// The digits start < p <= end of frac (frac[0] is digit 1), laid out one position at a time.
inline std::string RefLayout(const std::string& frac, long start, long end,
                             const OutputFormat& f = {}) {
  std::string s;
  for (long p = start + 1; p <= end; p++) {
    s += frac[size_t(p - 1)];
    if (p % 10) continue;
    s += std::string(f.SpaceEvery10 ? 1 : 0, ' ') +
         std::string(p % 50 || !f.SpaceEvery50 ? 0 : 1, ' ') +
         std::string(p % 100 || !f.SpaceEvery100 ? 0 : 1, ' ');
    if (f.DigitsPerLine <= 0 || p % f.DigitsPerLine) continue;
    s += (f.Counter ? " : " + std::to_string(p) : "") + "\n";
    if (f.EmptyLineEvery && p % f.EmptyLineEvery == 0) s += '\n';
  }
  return s + "\n";
}

inline const std::string kPi100 =
    "1415926535897932384626433832795028841971693993751058209749445923078164062862089986280348253421"
    "170679";
