// The digit-extraction sums against exact integer arithmetic: residues by
// 128-bit products, sums as 128-bit fixed-point fractions (exact to 2^-128
// per term, wrapping modulo 1); and frac(2^p Pi) against known hex digits.
#include "verify/digit_extraction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

using u128 = unsigned __int128;

uint64_t ExactPowMod2(uint64_t e, uint64_t m) {
  u128 r = 1 % m, b = 2 % m;
  for (; e; e >>= 1, b = b * b % m)
    if (e & 1) r = r * b % m;
  return static_cast<uint64_t>(r);
}

// floor(2^128 num / m) for num < m, by two long-division steps of 64 bits.
u128 FixedFraction(u128 num, uint64_t m) {
  const u128 hi = (num << 64) / m;
  return (hi << 64) | (((num << 64) % m << 64) / m);
}

// The same truncated sum as DigitExtractionSum, in 128-bit fixed point.
double ReferenceSum(int a, int b, int c, int d, int64_t n) {
  u128 s = 0;
  int64_t k = 0;
  for (int64_t e = n + b; e >= -30; e -= a, k++) {
    const uint64_t m = static_cast<uint64_t>(c * k + d);
    // 2^e / m for e < 0 is floor(2^(128+e) / m) in fixed point.
    const u128 t = e >= 0 ? FixedFraction(ExactPowMod2(e, m), m) : (u128{1} << (128 + e)) / m;
    s = k % 2 ? s - t : s + t;
  }
  return std::ldexp(static_cast<double>(static_cast<uint64_t>(s >> 64)), -64) +
         std::ldexp(static_cast<double>(static_cast<uint64_t>(s)), -128);
}

// Distance of two fractions modulo 1.
double Distance(double x, double y) {
  double d = x - y;
  return std::fabs(d - std::round(d));
}

TEST(DigitExtraction, PowersModuloAcrossTheExactnessRanges) {
  std::mt19937_64 g(11);
  const double edges[] = {1, 2, 3, 67108863, 67108864, 67108865, 1099511627775};
  for (int i = 0; i < 30000; i++) {
    const double m =
        i < 7 * 40 ? edges[i % 7] : std::floor(std::ldexp(1.0 + (g() % 1000) / 1000.0, g() % 40));
    const int64_t e = i % 3 == 0 ? g() % 70 : g() % (int64_t{1} << 45);
    ASSERT_EQ(PowMod2(e, m), static_cast<double>(ExactPowMod2(e, static_cast<uint64_t>(m))))
        << "2^" << e << " mod " << m;
  }
}

TEST(DigitExtraction, SumsAgreeWithExactFixedPoint) {
  const int kSums[7][4] = {{10, 5, 4, 1},  {10, 0, 4, 3},  {10, 8, 10, 1}, {10, 6, 10, 3},
                           {10, 2, 10, 5}, {10, 2, 10, 7}, {10, 0, 10, 9}};
  // Starting exponents 31 and 32 (the first loop takes 32 and above), one
  // step beyond them, the smallest positions, and a long sum.
  for (const auto& t : kSums)
    for (int64_t e0 : {-5L, 0L, 31L, 32L, 41L, 42L, 3229L, 1234567L}) {
      const int64_t n = e0 - t[1];
      const WideFraction f = DigitExtractionSum(t[0], t[1], t[2], t[3], n);
      EXPECT_LT(Distance(FractionPart(f), ReferenceSum(t[0], t[1], t[2], t[3], n)), 0x1p-50)
          << t[1] << " " << t[2] << " " << t[3] << " n=" << n;
    }
}

TEST(DigitExtraction, KnownHexDigitsOfPi) {
  // Pi = 3.243F6A8885A308D3..., and the hex digits from position 10^6 + 1 on
  // are 6C65E52CB459 (position 10^6 holds the 2 of 26C65E52CB4593). At small
  // positions the omitted tail (below 2^-31 / m, m small) leaves 32 bits.
  const struct {
    int64_t p;
    uint64_t top48;
    int bits;
  } known[] = {{0, 0x243F6A8885A3, 32},
               {1, 0x487ED5110B46, 32},
               {4, 0x43F6A8885A30, 32},
               {4000000, 0x6C65E52CB459, 48}};
  for (const auto& k : known)
    EXPECT_EQ(static_cast<uint64_t>(std::ldexp(PiBinaryFraction(k.p), k.bits)),
              k.top48 >> (48 - k.bits))
        << k.p;
  int sums = 0;
  PiBinaryFraction(100, [&sums] { sums++; });
  EXPECT_EQ(sums, 7);
}

}  // namespace
