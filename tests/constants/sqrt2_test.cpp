// The squaring check of sqrt(2) on made-up squares (the computation itself is
// checked end to end against the reference).
#include <gtest/gtest.h>

#include <string>

#include "constants/sqrt2.h"
#include "mpint/guarded_num.h"

namespace {

// A square with the given top limb, at exponent 0, over `lower` limbs of `fill`.
BigInt& Square(mpt::Num& s, double top, long lower, double fill) {
  std::vector<double> limbs(lower, fill);
  limbs.push_back(top);
  return s.Set(limbs, -lower);
}

std::string Verdict(double wrong) {
  testing::internal::CaptureStdout();
  PrintSqrt2Check(wrong);
  return testing::internal::GetCapturedStdout();
}

TEST(Sqrt2Check, WrongDigitsOfExactAndDamagedSquares) {
  mpt::Num s(8002);
  EXPECT_EQ(Sqrt2WrongDigits(Square(s, 2, 50, 0)), 0);
  s.b.Limbs[2] = 1;
  EXPECT_EQ(Sqrt2WrongDigits(s.b), 24);
  EXPECT_EQ(Verdict(24), "The last 24 digits of the result are wrong\n");
  s.b.Limbs[40] = 7;  // the highest difference counts
  EXPECT_EQ(Sqrt2WrongDigits(s.b), 480);
  EXPECT_EQ(Sqrt2WrongDigits(Square(s, 1, 50, kBigIntMaxLimb)), 0);
  s.b.Limbs[0] = 123;  // the lowest limb is rounding noise
  EXPECT_EQ(Sqrt2WrongDigits(s.b), 0);
  s.b.Limbs[1] = 5;  // and so is the one above it
  EXPECT_EQ(Sqrt2WrongDigits(s.b), 12);
  EXPECT_EQ(Verdict(12), "The computation is OK\n");
  // 1.5 squared is not 2: wrong from the first limb on; so is an integer limb
  // other than 1 or 2, or a square at another exponent.
  EXPECT_EQ(Sqrt2WrongDigits(Square(s, 1, 50, 500000000000.0)), 12 * 49);
  Square(s, 2, 10, 0).Offset += 1;
  EXPECT_EQ(Sqrt2WrongDigits(s.b), 12 * 11);
  // 8001 lower limbs are read in a run of 8000 and one of a single limb.
  EXPECT_EQ(Sqrt2WrongDigits(Square(s, 1, 8001, kBigIntMaxLimb)), 0);
  for (long i : {8000L, 7999L}) {
    s.b.Limbs[i] = 0;
    EXPECT_EQ(Sqrt2WrongDigits(s.b), 12 * i) << i;
    s.b.Limbs[i] = kBigIntMaxLimb;
  }
}

}  // namespace
