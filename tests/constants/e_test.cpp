// The binary splitting of the two factorial series against exact integers of the
// reference arithmetic, the series sizing, and the known-digit check.
#include <gtest/gtest.h>

#include <cmath>

#include "constants/e_computation.h"
#include "fft/fft_product.h"
#include "reference/refnum.h"

namespace {

// A signed value as plus - minus, both non-negative base-10^6 reference numbers.
struct Signed {
  ref::Digits plus{0}, minus{0};
};

void AddTo(ref::Digits& sum, double x, long limb) {
  ref::Digits d(limb + 2, 0);
  d[limb] = static_cast<int64_t>(std::fmod(x, 1e6));
  d[limb + 1] = static_cast<int64_t>(std::floor(x / 1e6));
  sum = ref::Add(sum, d, 6);
}

// The value of limbs of `per` base-10^6 digits each, lowest at exponent offset.
Signed FromLimbs(const double* limbs, long size, long offset, int per) {
  Signed s;
  for (long i = 0; i < size; i++)
    for (int k = 0; k < per; k++) {
      double v = std::floor(std::fabs(limbs[i]) / std::pow(1e6, k));
      if (k < per - 1) v = std::fmod(v, 1e6);  // the top piece keeps any excess
      AddTo(limbs[i] < 0 ? s.minus : s.plus, v, (i + offset) * per + k);
    }
  return s;
}

// Q and A of the interval (a, b), the terms of A sorted by sign.
void ExactInterval(int series, double a, double b, Signed& A, ref::Digits& Q) {
  Q = {1};  // (j+1)...b
  for (double j = b; j > a; j--) {
    ref::Digits& sum = series == 1 && std::fmod(j, 2) != 0 ? A.minus : A.plus;
    sum = ref::Add(sum, Q, 6);
    ref::Digits jd{0};
    AddTo(jd, j, 0);
    Q = ref::Mul(Q, jd, 6);
  }
}

bool Same(const Signed& x, const Signed& y) {
  ref::Digits l = ref::Add(x.plus, y.minus, 6), r = ref::Add(x.minus, y.plus, 6);
  ref::Trim(l);
  ref::Trim(r);
  return ref::Compare(l, r) == 0;
}

::testing::AssertionResult Matches(const Signed& A, const Signed& Q, int series, double a,
                                   double b) {
  Signed exactA, exactQ;
  ExactInterval(series, a, b, exactA, exactQ.plus);
  if (Same(A, exactA) && Same(Q, exactQ)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "series " << series << " (" << a << ", " << b << ")";
}

// A computation set up for direct calls of the recursion with chosen limits.
struct Splitter : EComputation {
  Splitter(int series, int lastLimit, int babyLimit) : EComputation(series) {
    nLastBabyStepLimit = lastLimit;
    nBabyStepLimit = babyLimit;
    N = 1e12;  // no progress dots
    ProgressCounter = 1;
    SmallA.Alloc(4000);
    SmallQ.Alloc(4000);
    SmallWork.Alloc(4000);
  }
};

TEST(ESeries, SmallIntervalsGiveTheExactSumAndProduct) {
  struct Case {
    int series;
    double a, b;
    int lastLimit;  // 1000: the leaf alone
  } cases[] = {
      {0, 0, 3, 1000}, {1, 1, 4, 1000}, {1, 2, 4, 1000}, {0, 0, 5, 2},
      {0, 0, 400, 5},  {1, 1, 400, 7},  {1, 6, 333, 4},
      // indices above one SmallInt limb
      {0, 999990, 1000020, 1000}, {1, 999990, 1000020, 1000},
      {0, 4999000, 4999300, 17},  {1, 4999000, 4999301, 17},
  };
  for (const Case& k : cases) {
    Splitter s(k.series, k.lastLimit, 100000);
    SmallInt A(4000), Q(4000);
    s.BabyStep(k.a, k.b, A, Q);
    EXPECT_TRUE(Matches(FromLimbs(A.Limbs, A.Size, 0, 1), FromLimbs(Q.Limbs, Q.Size, 0, 1),
                        k.series, k.a, k.b));
  }
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
  } cases[] = {{0, 0, 60, 7},    {1, 1, 61, 7},    {1, 2, 90, 5},
               {0, 0, 2500, 40}, {1, 1, 2501, 33}, {1, 100, 1700, 60}};
  for (const Case& k : cases) {
    Splitter s(k.series, 4, k.babyLimit);
    BigInt A, Q;
    A.Alloc(2000);
    Q.Alloc(2000);
    s.W.Alloc(2000);
    s.GiantStep(k.a, k.b, A, Q);
    EXPECT_TRUE(Matches(FromLimbs(A.Limbs, A.Size, A.Offset, 2),
                        FromLimbs(Q.Limbs, Q.Size, Q.Offset, 2), k.series, k.a, k.b));
    A.Free();
    Q.Free();
    s.W.Free();
  }
}

TEST(ESeries, SizingLeavesTheTailBelowTheGuardDigits) {
  for (double d : {10000.0, 12345.0, 1e5, 1e6, 1e7, 1e9}) {
    EComputation c(0);
    c.Digits = d;
    c.SizeSeries();
    // The first term left out, 1/(N+1)!, lies well below the last digit wanted.
    EXPECT_GT(std::lgamma(c.N + 2) / std::log(10.0), d + 50) << d;
    EXPECT_GT(c.nBabyStepLimit, c.nLastBabyStepLimit) << d;
    EXPECT_GE(c.nLastBabyStepLimit, 2) << d;
  }
}

TEST_F(EGiantStep, DamagedResultFailsTheCheck) {
  for (int series : {0, 1}) {
    EComputation c(series);
    c.Digits = 30000;
    c.Mode = kModeStandard;
    c.FFTSize = 1024;
    ASSERT_EQ(c.Compute(), 1);
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
