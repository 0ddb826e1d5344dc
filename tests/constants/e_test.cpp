// The sizing of the factorial series, for digit counts no test run reaches
// (the splitting itself is checked by the digits of whole runs).
#include <gtest/gtest.h>

#include <cmath>

#include "constants/e_computation.h"

namespace {

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
