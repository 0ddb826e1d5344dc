// The binary splitting of the two factorial series against exact integers built
// by the reference arithmetic, the series sizing, and the known-digit check.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "constants/e_computation.h"
#include "fft/fft_product.h"
#include "mpint/bigint.h"
#include "mpint/smallint.h"
#include "reference/refnum.h"

namespace {

constexpr int kDigits6 = 6;  // reference limbs of 6 digits, as a SmallInt's

ref::Digits Small(double x) {
  ref::Digits d;
  do {
    d.push_back(static_cast<int64_t>(std::fmod(x, 1e6)));
    x = std::floor(x / 1e6);
  } while (x > 0);
  return d;
}

// The exact integers of the interval (a, b): Q, and A split by the sign of its
// terms into plus - minus, so that every reference number stays non-negative.
struct Exact {
  ref::Digits plus{0}, minus{0}, q{1};
};

Exact ExactInterval(int series, double a, double b) {
  Exact e;
  ref::Digits tail{1};  // (j+1)...b
  for (double j = b; j > a; j--) {
    bool negative = series == 1 && std::fmod(j, 2) != 0;
    ref::Digits& sum = negative ? e.minus : e.plus;
    sum = ref::Add(sum, tail, kDigits6);
    tail = ref::Mul(tail, Small(j), kDigits6);
  }
  e.q = tail;
  ref::Trim(e.plus);
  ref::Trim(e.minus);
  return e;
}

// A number given by signed limbs of `digits` decimal digits at exponent `offset`,
// split into its positive and negative limbs (value = plus - minus).
struct Signed {
  ref::Digits plus{0}, minus{0};
};

Signed FromLimbs(const double* limbs, long size, long offset, int digits) {
  Signed s;
  const int per = digits / kDigits6;
  s.plus.assign((size + offset) * per + 1, 0);
  s.minus.assign((size + offset) * per + 1, 0);
  for (long i = 0; i < size; i++) {
    double v = std::fabs(limbs[i]);
    ref::Digits& d = limbs[i] < 0 ? s.minus : s.plus;
    for (int k = 0; k < per; k++) {
      d[(i + offset) * per + k] = static_cast<int64_t>(std::fmod(v, 1e6));
      v = std::floor(v / 1e6);
    }
  }
  ref::Trim(s.plus);
  ref::Trim(s.minus);
  return s;
}

// value(s) == plus - minus, compared as s.plus + minus == s.minus + plus.
bool SameValue(const Signed& s, const ref::Digits& plus, const ref::Digits& minus) {
  ref::Digits l = ref::Add(s.plus, minus, kDigits6), r = ref::Add(s.minus, plus, kDigits6);
  ref::Trim(l);
  ref::Trim(r);
  return ref::Compare(l, r) == 0;
}

::testing::AssertionResult Matches(const SmallInt& A, const SmallInt& Q, const Exact& e) {
  if (!SameValue(FromLimbs(A.Limbs, A.Size, 0, 6), e.plus, e.minus))
    return ::testing::AssertionFailure() << "A differs";
  if (!SameValue(FromLimbs(Q.Limbs, Q.Size, 0, 6), e.q, ref::Digits{0}))
    return ::testing::AssertionFailure() << "Q differs";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult Matches(const BigInt& A, const BigInt& Q, const Exact& e) {
  if (!SameValue(FromLimbs(A.Limbs, A.Size, A.Offset, 12), e.plus, e.minus))
    return ::testing::AssertionFailure() << "A differs";
  if (!SameValue(FromLimbs(Q.Limbs, Q.Size, Q.Offset, 12), e.q, ref::Digits{0}))
    return ::testing::AssertionFailure() << "Q differs";
  return ::testing::AssertionSuccess();
}

// A computation set up for direct calls of the recursion with chosen limits.
struct Splitter {
  EComputation c;
  Splitter(int series, int lastLimit, int babyLimit, long smallLimbs) : c(series) {
    c.nLastBabyStepLimit = lastLimit;
    c.nBabyStepLimit = babyLimit;
    c.N = 1e9;  // no progress dots
    c.ProgressCounter = 1;
    c.SmallA.Alloc(smallLimbs);
    c.SmallQ.Alloc(smallLimbs);
    c.SmallWork.Alloc(smallLimbs);
  }
};

TEST(ESeries, SmallIntervalsGiveTheExactSumAndProduct) {
  struct Case {
    int series;
    double a, b;
    int lastLimit;  // 1000: the leaf alone
  } cases[] = {
      {0, 0, 3, 1000},  // A = 10, Q = 6
      {1, 1, 4, 1000},  // A = 9, Q = 24
      {1, 2, 4, 1000},  // A = -3, Q = 12 (a even: negative)
      {0, 0, 5, 2},     // (0,2) and (2,5) combined: A = 206, Q = 120
      {0, 0, 7, 3},     {1, 1, 7, 3},  {1, 2, 9, 3},
      {0, 0, 400, 5},   {1, 1, 400, 7}, {1, 6, 333, 4},
      // indices above one SmallInt limb
      {0, 999990, 1000020, 1000}, {1, 999990, 1000020, 1000},
      {0, 4999000, 4999300, 17},  {1, 4999000, 4999301, 17},
  };
  for (const Case& k : cases) {
    Splitter s(k.series, k.lastLimit, 100000, 4000);
    SmallInt A(4000), Q(4000);
    s.c.BabyStep(k.a, k.b, A, Q);
    EXPECT_TRUE(Matches(A, Q, ExactInterval(k.series, k.a, k.b)))
        << "series " << k.series << " (" << k.a << ", " << k.b << ")";
  }
  // The values the examples name, in case the reference and the code agree on a mistake.
  Splitter s(1, 1000, 100000, 100);
  SmallInt A(100), Q(100);
  s.c.BabyStep(2, 4, A, Q);
  EXPECT_EQ(A.ToDouble(), -3);
  EXPECT_EQ(Q.ToDouble(), 12);
  Splitter z(0, 2, 100000, 100);
  z.c.BabyStep(0, 5, A, Q);
  EXPECT_EQ(A.ToDouble(), 206);
  EXPECT_EQ(Q.ToDouble(), 120);
}

class EGiantStep : public ::testing::Test {
 protected:
  // Small transforms so that the products are cut into blocks.
  static void SetUpTestSuite() { InitBigIntFFT(1024); }
};

TEST_F(EGiantStep, BigIntRecursionGivesTheExactSumAndProduct) {
  struct Case {
    int series;
    double a, b;
    int babyLimit;
  } cases[] = {
      {0, 0, 60, 7},    {1, 1, 61, 7},     {1, 2, 90, 5},
      {0, 0, 2500, 40}, {1, 1, 2501, 33},  {1, 100, 1700, 60},
  };
  for (const Case& k : cases) {
    Splitter s(k.series, 4, k.babyLimit, 2000);
    const long limbs = 2000;
    BigInt A, Q;
    A.Alloc(limbs);
    Q.Alloc(limbs);
    s.c.W.Alloc(limbs);
    s.c.GiantStep(k.a, k.b, A, Q);
    EXPECT_TRUE(Matches(A, Q, ExactInterval(k.series, k.a, k.b)))
        << "series " << k.series << " (" << k.a << ", " << k.b << ")";
    A.Free();
    Q.Free();
    s.c.W.Free();
  }
}

TEST(ESeries, SizingLeavesTheTailBelowTheGuardDigits) {
  for (double d : {10000.0, 12345.0, 1e5, 1e6, 1e7, 1e9}) {
    EComputation c(0);
    c.Digits = d;
    c.SizeSeries();
    // The first term left out, 1/(N+1)!, lies well below the last digit wanted.
    EXPECT_GT(std::lgamma(c.N + 2) / std::log(10.0), d + 50) << d;
    EXPECT_GE(c.nLastBabyStepLimit, 2) << d;
    EXPECT_GT(c.nBabyStepLimit, c.nLastBabyStepLimit) << d;
  }
  EComputation c(1);
  c.Digits = 10000;
  c.SizeSeries();
  EXPECT_EQ(c.N, 3277);
  EXPECT_EQ(c.nBabyStepLimit, 3641);
  EXPECT_EQ(c.nLastBabyStepLimit, 22);
  c.Digits = 1000000;
  c.SizeSeries();
  EXPECT_EQ(c.N, 205041);
}

TEST_F(EGiantStep, DamagedResultFailsTheCheck) {
  for (int series : {0, 1}) {
    EComputation c(series);
    c.Digits = 30000;
    c.Mode = kModeStandard;
    c.FFTSize = 1024;
    ASSERT_EQ(c.Compute(), 1);
    ASSERT_NE(c.Result, nullptr);
    EXPECT_EQ(c.CheckResult(), 1) << series;
    BigInt& r = *static_cast<BigInt*>(c.Result);
    ASSERT_EQ(r.Offset + r.Size, 1);
    // Changes the digit at position p (fractional limb k holds 12k+1 .. 12k+12).
    for (long p : {10005L, 20010L}) {
      double& limb = r.Limbs[r.Size - 2 - (p - 1) / 12];
      const double weight = std::pow(10.0, 11 - (p - 1) % 12);
      const double saved = limb;
      limb += std::fmod(std::floor(limb / weight), 10) < 5 ? weight : -weight;
      EXPECT_EQ(c.CheckResult(), 0) << "series " << series << " position " << p;
      limb = saved;
    }
    c.Result->Free();
    delete c.Result;
  }
}

}  // namespace
