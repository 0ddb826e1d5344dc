// The binary splitting of the two factorial series against exact integers of the
// reference arithmetic, and the series sizing.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "constants/e_computation.h"
#include "mpint/guarded_num.h"

namespace {

// A and Q of the interval (a, b]: Q = (a+1)...b, A = sum of eps(j) (j+1)...b.
std::vector<std::string> Exact(int series, double a, double b) {
  ref::Digits plus{0}, minus{0}, q{1};
  for (double j = b; j > a; j--) {
    ref::Digits& sum = series == 1 && std::fmod(j, 2) != 0 ? minus : plus;
    sum = ref::Add(sum, q, 12);
    q = ref::Mul(q, ref::FromDecimal(std::to_string(static_cast<long>(j)), 12), 12);
  }
  return {fftt::Signed(plus, minus, 12), ref::ToDecimal(q, 12)};
}

// A computation set up for direct calls of the recursion with chosen limits.
struct Splitter : EComputation {
  Splitter(int series, int lastLimit, int babyLimit) : EComputation(series) {
    nLastBabyStepLimit = lastLimit;
    nBabyStepLimit = babyLimit;
    N = 1e12;  // no progress dots
    ProgressCounter = 1;
    AllocWorkNumbers(4000);
    MergeScratch = &w.b;
  }
  mpt::Num w{2000};
};

// The SmallInt levels alone (large BabyStep limit), then cut into BigInt merges
// with small transforms, so that the products are cut into blocks.
TEST(ESeries, IntervalsGiveTheExactSumAndProduct) {
  fftt::EnsureFFT(1024);
  struct Case {
    int series;
    double a, b;
    int lastLimit, babyLimit;  // babyLimit 0: no cut
  } cases[] = {{0, 0, 3, 1000, 0}, {1, 2, 4, 1000, 0}, {0, 0, 400, 5, 0}, {1, 6, 333, 4, 0},
               {0, 0, 60, 4, 7}, {1, 2, 90, 4, 5}, {0, 0, 2500, 4, 40}, {1, 100, 1700, 4, 60},
               // indices above one SmallInt limb
               {0, 999990, 1000020, 1000, 0}, {1, 999990, 1000020, 1000, 0},
               {0, 4999000, 4999300, 17, 0}, {1, 4999000, 4999301, 17, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE("series " + std::to_string(k.series) + " (" + std::to_string(k.a) + ", " +
                 std::to_string(k.b) + ")");
    Splitter s(k.series, k.lastLimit, k.babyLimit ? k.babyLimit : 100000);
    mpt::Num A(2000), Q(2000);
    s.GiantStep(k.a, k.b, A.b, Q.b);
    EXPECT_EQ(std::vector<std::string>({fftt::Text(A.b.Limbs, A.b.Size, 12, A.b.Offset),
                                        fftt::Text(Q.b.Limbs, Q.b.Size, 12, Q.b.Offset)}),
              Exact(k.series, k.a, k.b));
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

}  // namespace
