// Reciprocal, quotient and reciprocal square root checked by multiplying back
// with the schoolbook reference (and long division for 1/7), at sizes around the
// one-time cut of the iterations (256 limbs), the band residual and the blocks.
#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <string>

#include "mpint/guarded_num.h"
#include "mpint/newton.h"

namespace {

using fftt::Shifted;
using fftt::ToRef;

// Small transforms (as in the product tests of this program), so that the larger
// operands go through the blocked products and the division needs correction passes.
class Newton : public ::testing::Test {
 protected:
  void SetUp() override { fftt::EnsureFFT(8192); }
  BigInt& Make(long cap) { return pool_.emplace_back(cap).b; }
  BigInt& Random(long cap, long n, long offset) {
    BigInt& b = Make(cap);
    fftt::Fill(b, n, rng_);
    b.Offset = offset;
    return b;
  }
  std::deque<mpt::Num> pool_;
  std::mt19937_64 rng_{20240611};
};

// Number of leading limbs in which u and v agree, measured on |u - v| against v.
long AgreeingLimbs(const ref::Digits& u, const ref::Digits& v) {
  const ref::Digits d = fftt::AbsDiff(u, v);
  if (d.size() == 1 && d[0] == 0) return 1 << 30;
  return static_cast<long>(ref::ToDecimal(v, 12).size() - ref::ToDecimal(d, 12).size()) / 12;
}

// How many limbs of x = 1/a are right: a * x against 1.
long InverseLimbs(const BigInt& a, const BigInt& x) {
  EXPECT_LT(a.Offset + x.Offset, 0);
  return AgreeingLimbs(ref::Mul(ToRef(a), ToRef(x), 12), Shifted({1}, -a.Offset - x.Offset));
}

TEST_F(Newton, ReciprocalsOfSmallIntegersAndRandomNumbers) {
  // 1/3, and 1/7 past the one-time cut at 256 limbs, against long division.
  mpt::Num a(1);
  for (long n : {10L, 255L, 300L, 1000L}) {
    BigInt &x = Make(n), &t = Make(2 * n + 8);
    InverseBigInt(a.Set({n == 10 ? 3.0 : 7.0}), x, t);
    ASSERT_GE(x.Size, n - 1);
    EXPECT_EQ(x.Offset, -x.Size);
    const std::string q = ref::Div("1" + std::string(12 * x.Size, '0'), n == 10 ? "3" : "7");
    EXPECT_GE(AgreeingLimbs(ToRef(x), ref::FromDecimal(q, 12)), n - 2) << n;
  }
  const long sizes[][2] = {{1, 30},   {2, 2},      {5, 255},   {40, 256},   {300, 257},
                           {256, 600}, {1500, 800}, {700, 1400}, {3000, 2600}};
  for (auto& s : sizes) {
    BigInt& r = Random(s[0], s[0], static_cast<long>(rng_() % 7) - 3);
    BigInt &y = Make(s[1]), &w = Make(s[1] + 2);
    InverseBigInt(r, y, w);
    EXPECT_GE(InverseLimbs(r, y), std::min(s[1], s[0] + s[1]) - 2) << s[0] << " " << s[1];
  }
  // A power of the base: the reciprocal is exact.
  mpt::Num p(3);
  BigInt &x = Make(10), &t = Make(40);
  InverseBigInt(p.Set({0, 0, 1}, 5), x, t);
  EXPECT_GE(InverseLimbs(p.b, x), 1 << 20);
}

// a / b multiplied back by b gives a. b fits one reciprocal (no correction pass),
// then b longer than NFFT/3 (passes with the cached spectrum), a longer numerator,
// negative numbers with a short reciprocal (several passes).
TEST_F(Newton, QuotientMultipliedBackGivesTheNumerator) {
  struct Case {
    long na, nb, nq;
    bool negative;
  } cases[] = {{40, 40, 2738, false},   {2000, 2000, 2738, false}, {4000, 4000, 2738, false},
               {6000, 3500, 2738, false}, {8000, 8000, 2738, false}, {300, 300, 40, true}};
  for (const Case& c : cases) {
    BigInt& a = Random(c.na + 2, c.na, -3);
    BigInt& b = Random(c.nb + 1, c.nb, 2);
    BigInt &t = Make(std::max(c.na + 1, c.nb) + 8 + 2 * 2730), &q = Make(c.nq);
    BigInt& keep = Make(c.nb);  // b is destroyed: a copy for the check
    const ref::Digits a0 = ToRef(a);
    b.CopyTo(keep);
    if (c.negative) {  // -a / -b in the complement form of negative numbers
      BigInt& zero = Make(1);
      SubstractBigInt(zero, a, a);
      SubstractBigInt(zero, b, b);
      ASSERT_EQ(a.Limbs[a.Size - 1], -1);
    }
    DivBigInt(a, b, t, q);
    ASSERT_GT(a.Limbs[a.Size - 1], 0);
    EXPECT_GE(a.Size, std::min(c.na, c.nb) - 2);
    // q * b against a, at the lower of the two exponents.
    const long e = a.Offset + keep.Offset;
    const ref::Digits qb = ref::Mul(ToRef(a), ToRef(keep), 12);
    EXPECT_GE(AgreeingLimbs(Shifted(qb, std::max(e + 3, 0L)), Shifted(a0, std::max(-3 - e, 0L))),
              std::min(c.na, c.nb) - 3) << c.na << " / " << c.nb;
  }
  BigInt &a = Random(3, 2, 0), &b = Make(3), &t = Make(8), &q = Make(4);
  b.Size = 1;
  b.Limbs[0] = 0;
  EXPECT_FATAL(DivBigInt(a, b, t, q), "division by zero");
}

// x = 1/sqrt(m) checked by m x^2 against 1. 1000 limbs: full steps only; 1395
// and 2800: the last step is a band residual.
TEST_F(Newton, InverseSquareRootSquaredBack) {
  for (long m : {2L, 3L, 10005L, 999999L}) {
    for (long n : {2L, 5L, 100L, 255L, 1000L, 1395L, 2800L}) {
      if (m != 2 && n > 1000 && n != 1395) continue;  // keep the schoolbook checks short
      BigInt &x = Make(n), &t = Make(n + 1);
      InvSqrtBigInt(m, x, t);
      EXPECT_EQ(x.Size, n);
      EXPECT_EQ(x.Offset, -n);
      const ref::Digits sq = ref::Mul(ref::Mul(ToRef(x), ToRef(x), 12), ref::Digits{m}, 12);
      EXPECT_GE(AgreeingLimbs(sq, Shifted({1}, 2 * n)), n - 2) << m << " " << n;
    }
  }
}

}  // namespace
