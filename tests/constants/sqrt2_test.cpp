// The squaring check of sqrt(2) on made-up squares (the computation itself is
// checked end to end against the reference).
#include <gtest/gtest.h>

#include <string>

#include "constants/sqrt2.h"
#include "mpint/bigint.h"

namespace {

// A square with the given top limb over `lower` limbs of the same value, at
// exponent 0 for the top limb.
struct Square {
  BigInt b;
  Square(double top, long lower, double fill) {
    b.Alloc(lower + 1);
    for (long i = 0; i < lower; i++) b.Limbs[i] = fill;
    b.Limbs[lower] = top;
    b.Size = lower + 1;
    b.Offset = -lower;
  }
  ~Square() { b.Free(); }
};

std::string Verdict(double wrong) {
  testing::internal::CaptureStdout();
  PrintSqrt2Check(wrong);
  return testing::internal::GetCapturedStdout();
}

TEST(Sqrt2Check, ExactAndNearlyExactSquaresPass) {
  Square two(2, 50, 0);
  EXPECT_EQ(Sqrt2WrongDigits(two.b), 0);
  EXPECT_EQ(Verdict(Sqrt2WrongDigits(two.b)), "The computation is OK\n");

  Square below(1, 50, kBigIntMaxLimb);
  EXPECT_EQ(Sqrt2WrongDigits(below.b), 0);
  below.b.Limbs[0] = 123;  // the lowest limb is rounding noise
  EXPECT_EQ(Sqrt2WrongDigits(below.b), 0);
  below.b.Limbs[1] = 5;  // and so is the one above it
  EXPECT_EQ(Sqrt2WrongDigits(below.b), 12);
  EXPECT_EQ(Verdict(12), "The computation is OK\n");
}

TEST(Sqrt2Check, DamagedSquaresReportTheirWrongDigits) {
  Square two(2, 50, 0);
  two.b.Limbs[2] = 1;
  EXPECT_EQ(Sqrt2WrongDigits(two.b), 24);
  EXPECT_EQ(Verdict(24), "The last 24 digits of the result are wrong\n");
  two.b.Limbs[40] = 7;  // the highest difference counts
  EXPECT_EQ(Sqrt2WrongDigits(two.b), 480);

  // 1.5 is not a square root of 2 squared: wrong from the first limb on.
  Square half(1, 50, 500000000000.0);
  EXPECT_EQ(Sqrt2WrongDigits(half.b), 12 * 49);
  // An integer limb other than 1 or 2, or at another exponent.
  Square three(3, 10, 0);
  EXPECT_EQ(Sqrt2WrongDigits(three.b), 12 * 11);
  Square shifted(2, 10, 0);
  shifted.b.Offset += 1;
  EXPECT_EQ(Sqrt2WrongDigits(shifted.b), 12 * 11);
}

TEST(Sqrt2Check, LongSquaresAreReadInRuns) {
  // 8001 lower limbs: one run of 8000 and one of a single limb.
  Square s(1, 8001, kBigIntMaxLimb);
  EXPECT_EQ(Sqrt2WrongDigits(s.b), 0);
  s.b.Limbs[8000] = 0;  // the limb alone in the first run
  EXPECT_EQ(Sqrt2WrongDigits(s.b), 12 * 8000);
  s.b.Limbs[8000] = kBigIntMaxLimb;
  s.b.Limbs[7999] = 0;
  EXPECT_EQ(Sqrt2WrongDigits(s.b), 12 * 7999);
  s.b.Limbs[7999] = kBigIntMaxLimb;
  s.b.Limbs[3] = 0;
  EXPECT_EQ(Sqrt2WrongDigits(s.b), 36);
}

}  // namespace
