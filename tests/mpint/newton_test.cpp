// Reciprocal, quotient and reciprocal square root checked against schoolbook
// products and long division of the reference module, at sizes around the
// one-time cut of the iterations, the band residual and the transform blocks.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "fft/fft_product.h"
#include "mpint/bigint.h"
#include "mpint/newton.h"
#include "reference/refnum.h"

namespace {

// Transform size of these tests: small, so that the larger operands go through
// the blocked products and the division needs correction passes.
constexpr long kNFFT = 8192;

class Newton : public ::testing::Test {
 protected:
  void SetUp() override { InitBigIntFFT(kNFFT); }
  void TearDown() override {
    for (BigInt* b : owned_) {
      b->Free();
      delete b;
    }
  }
  BigInt& Make(long nalloc) {
    BigInt* b = new BigInt;
    b->Alloc(nalloc);
    owned_.push_back(b);
    return *b;
  }
  std::vector<BigInt*> owned_;
};

void Set(BigInt& b, const std::vector<double>& limbs, long offset) {
  for (size_t i = 0; i < limbs.size(); i++) b.Limbs[i] = limbs[i];
  b.Size = static_cast<long>(limbs.size());
  b.Offset = offset;
}

std::vector<double> RandomLimbs(std::mt19937_64& rng, long n) {
  std::uniform_int_distribution<int64_t> d(0, 999999999999);
  std::vector<double> v(n);
  for (auto& x : v) x = static_cast<double>(d(rng));
  while (v.back() == 0) v.back() = static_cast<double>(d(rng));
  return v;
}

// The integer of the limbs (Offset ignored) as reference digits of 6.
ref::Digits Int(const BigInt& b) {
  ref::Digits r;
  for (long i = 0; i < b.Size; i++) {
    int64_t x = static_cast<int64_t>(b.Limbs[i]);
    r.push_back(x % 1000000);
    r.push_back(x / 1000000);
  }
  ref::Trim(r);
  return r;
}

ref::Digits Shifted(const ref::Digits& a, long limbs) {  // a * B^limbs
  ref::Digits r(2 * limbs, 0);
  r.insert(r.end(), a.begin(), a.end());
  return r;
}

ref::Digits PowB(long limbs) { return Shifted(ref::Digits{1}, limbs); }

// Number of leading 12-digit limbs in which u and v agree, measured on |u - v|
// against v.
long AgreeingLimbs(const ref::Digits& u, const ref::Digits& v) {
  ref::Digits d = ref::Compare(u, v) >= 0 ? ref::Sub(u, v, 6) : ref::Sub(v, u, 6);
  if (d.size() == 1 && d[0] == 0) return 1 << 30;
  const long vd = static_cast<long>(ref::ToDecimal(v, 6).size());
  const long dd = static_cast<long>(ref::ToDecimal(d, 6).size());
  return (vd - dd) / 12;
}

// How many limbs of x = 1/a are right: a * x against 1.
long InverseLimbs(const BigInt& a, const BigInt& x) {
  const long e = a.Offset + x.Offset;  // a x = Int(a) Int(x) B^e
  EXPECT_LT(e, 0);
  return AgreeingLimbs(ref::Mul(Int(a), Int(x), 6), PowB(-e));
}

TEST_F(Newton, InverseOfSmallIntegersHasTheirRepeatingDigits) {
  BigInt& a = Make(4);
  BigInt& x = Make(10);
  BigInt& t = Make(40);
  Set(a, {3}, 0);
  InverseBigInt(a, x, t);
  // All limbs but the lowest, which carries the truncation of the last product.
  ASSERT_EQ(x.Size, 10);
  for (long i = 1; i < x.Size; i++) EXPECT_EQ(x.Limbs[i], 333333333333.0) << i;
  EXPECT_NEAR(x.Limbs[0], 333333333333.0, 1e4);
  EXPECT_EQ(x.Offset + x.Size, 0);  // 0.333...: the top limb is the first after the point

  // 1/7 past the one-time cut at 256 limbs, against long division.
  for (long n : {255L, 300L, 1000L}) {
    BigInt& y = Make(n);
    BigInt& w = Make(2 * n + 8);
    Set(a, {7}, 0);
    InverseBigInt(a, y, w);
    ASSERT_GE(y.Size, n - 1);
    std::string q = ref::Div("1" + std::string(12 * y.Size, '0'), "7");
    // y = Int(y) B^Offset with Offset = -Size: its digits are those of 10^(12 Size) / 7.
    EXPECT_EQ(y.Offset, -y.Size);
    EXPECT_GE(AgreeingLimbs(Int(y), ref::FromDecimal(q, 6)), n - 2) << n;
  }
}

TEST_F(Newton, InverseOfRandomNumbersAcrossSizes) {
  std::mt19937_64 rng(20240611);
  const long sizes[][2] = {{1, 30},   {2, 2},     {5, 255},   {40, 256},  {300, 257},
                           {256, 600}, {1500, 800}, {700, 1400}, {3000, 2600}};
  for (auto& st : sizes) {
    const long na = st[0], nx = st[1];
    BigInt& a = Make(na);
    BigInt& x = Make(nx);
    BigInt& t = Make(nx + 2);
    Set(a, RandomLimbs(rng, na), static_cast<long>(rng() % 7) - 3);
    InverseBigInt(a, x, t);
    EXPECT_GE(InverseLimbs(a, x), std::min(nx, na + nx) - 2) << na << " " << nx;
  }
  // A power of the base: the reciprocal is exact.
  BigInt& a = Make(3);
  BigInt& x = Make(50);
  BigInt& t = Make(120);
  Set(a, {0, 0, 1}, 5);
  InverseBigInt(a, x, t);
  EXPECT_GE(InverseLimbs(a, x), 1 << 20);
}

// q = a / b to a's precision: q * b against a.
void ExpectQuotient(const BigInt& q, const BigInt& b, const ref::Digits& a, long aOffset,
                    long limbs) {
  ref::Digits qb = ref::Mul(Int(q), Int(b), 6);
  long e = q.Offset + b.Offset;
  ref::Digits lhs = e >= aOffset ? Shifted(qb, e - aOffset) : qb;
  ref::Digits rhs = e >= aOffset ? a : Shifted(a, aOffset - e);
  EXPECT_GE(AgreeingLimbs(lhs, rhs), limbs);
}

TEST_F(Newton, QuotientMultipliedBackGivesTheNumerator) {
  std::mt19937_64 rng(77);
  // b fits one reciprocal (no correction pass), then b longer than NFFT/3 - a
  // little (passes with the cached spectrum), then a longer numerator.
  const long cases[][2] = {{40, 40}, {2000, 2000}, {4000, 4000}, {6000, 3500}, {8000, 8000}};
  for (auto& c : cases) {
    const long na = c[0], nb = c[1];
    BigInt& a = Make(na + 1);
    BigInt& b = Make(nb);
    BigInt& t = Make(std::max(na + 1, nb) + 8 + 2 * 2730);
    BigInt& v = Make(4);
    BigInt& q = Make(2730 + 8);
    Set(a, RandomLimbs(rng, na), -3);
    Set(b, RandomLimbs(rng, nb), 2);
    ref::Digits a0 = Int(a);
    BigInt& keep = Make(nb);  // b is destroyed: a copy for the check
    b.CopyTo(keep);
    DivBigInt(a, b, t, v, q);
    EXPECT_EQ(v.NAlloc, 4);
    EXPECT_GE(a.Size, std::min(na, nb) - 2);
    ExpectQuotient(a, keep, a0, -3, std::min(na, nb) - 3);
  }
}

TEST_F(Newton, QuotientOfNegativeNumbers) {
  std::mt19937_64 rng(5);
  const long n = 300;
  BigInt& a = Make(n + 2);
  BigInt& b = Make(n + 1);
  BigInt& t = Make(4 * n);
  BigInt& v = Make(4);
  BigInt& q = Make(40);  // a short reciprocal: several correction passes
  BigInt& keep = Make(n + 1);
  Set(a, RandomLimbs(rng, n), 0);
  Set(b, RandomLimbs(rng, n), 0);
  ref::Digits a0 = Int(a);
  b.CopyTo(keep);
  // -a / -b in the B-complement form of negative numbers.
  BigInt& zero = Make(1);
  SubstractBigInt(zero, a, a);
  SubstractBigInt(zero, b, b);
  ASSERT_EQ(a.Limbs[a.Size - 1], -1);
  DivBigInt(a, b, t, v, q);
  ASSERT_GT(a.Limbs[a.Size - 1], 0);
  ExpectQuotient(a, keep, a0, 0, n - 3);
  // A zero divisor is refused.
  Set(b, {0}, 0);
  EXPECT_DEATH(DivBigInt(a, b, t, v, q), "");
}

// How many limbs of x = 1/sqrt(m) are right: m x^2 against 1.
long InvSqrtLimbs(long m, const BigInt& x) {
  ref::Digits xi = Int(x);
  ref::Digits sq = ref::Mul(ref::Mul(xi, xi, 6), ref::Digits{m % 1000000, m / 1000000}, 6);
  return AgreeingLimbs(sq, PowB(-2 * x.Offset));
}

TEST_F(Newton, InverseSquareRootSquaredBack) {
  // 1000: full steps only; 1395 and 2800: the last step is a band residual.
  const long ms[] = {2, 3, 10005, 999999};
  const long sizes[] = {2, 5, 100, 255, 1000, 1395, 2800};
  for (long m : ms) {
    for (long n : sizes) {
      if (m != 2 && n > 1000 && n != 1395) continue;  // keep the schoolbook checks short
      BigInt& x = Make(n);
      BigInt& t = Make(n + 1);
      InvSqrtBigInt(m, x, t);
      EXPECT_EQ(x.Size, n);
      EXPECT_EQ(x.Offset, -n);
      EXPECT_GE(InvSqrtLimbs(m, x), n - 2) << m << " " << n;
    }
  }
  // 1/sqrt(2) = 0.7071067811865475244...
  BigInt& x = Make(1000);
  BigInt& t = Make(1001);
  InvSqrtBigInt(2, x, t);
  EXPECT_EQ(x.Limbs[999], 707106781186.0);
  EXPECT_EQ(x.Limbs[998], 547524400844.0);
}

TEST_F(Newton, ResidualBandMatchesTheSquare) {
  // x = 1/sqrt(2) to 600 limbs from the reference, and 1 - 2 x^2 on the band
  // of limbs 400 .. 605 of x^2.
  const long n = 600;
  std::string r = ref::ISqrt("5" + std::string(24 * n - 1, '0'));  // 10^(12n) / sqrt(2)
  BigInt& x = Make(n);
  ref::Digits xr = ref::FromDecimal(r, 6);
  std::vector<double> limbs;
  for (long i = 0; i < n; i++) limbs.push_back(static_cast<double>(xr[2 * i] + 1000000 * xr[2 * i + 1]));
  Set(x, limbs, -n);
  BigInt& t = Make(3 * n);
  int s = 0;
  const long lo = 400, hi = n + 5;
  SqrtResidualBand(x, lo, hi, 2, t, s);
  // x is the floor: 2 x^2 < 1, so the sign is +1 and t = 1 - 2 x^2 from limb lo of x^2.
  ASSERT_EQ(s, 1);
  ref::Digits two = ref::Mul(ref::Mul(Int(x), Int(x), 6), ref::Digits{2}, 6);
  ref::Digits dev = ref::Sub(PowB(2 * n), two, 6);
  // Drop the limbs under lo, compare with t (the lowest limb may differ by the
  // carry from under the band and the unit of the complement).
  ref::Digits top(dev.begin() + std::min<size_t>(2 * lo, dev.size()), dev.end());
  ref::Trim(top);
  EXPECT_EQ(t.Offset, lo - 2 * n);
  ref::Digits got = Int(t);
  ref::Digits diff = ref::Compare(got, top) >= 0 ? ref::Sub(got, top, 6) : ref::Sub(top, got, 6);
  EXPECT_LE(diff.size(), 1u);
  EXPECT_LE(diff[0], 2);
  // Fewer than 200 limbs: nothing done.
  BigInt& y = Make(150);
  Set(y, std::vector<double>(150, 1), -150);
  int s2 = 0;
  SqrtResidualBand(y, 100, 155, 2, t, s2);
  EXPECT_EQ(s2, 0);
}

}  // namespace
