// The squaring check of sqrt(2) on made-up squares, and one computation in
// the process checked against the reference square root.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "constants/sqrt2.h"
#include "mpint/bigint.h"
#include "reference/refnum.h"

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

TEST(Sqrt2Compute, ResultHoldsTheDigitsAndPassesTheCheck) {
  Sqrt2Computation c;
  c.Digits = 13000;
  c.Mode = kModeStandard;
  c.FFTSize = 1024;  // smaller than the number: every product goes by blocks
  testing::internal::CaptureStdout();
  EXPECT_EQ(c.Compute(), 1);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Computing Sqrt(2) with 13000 digits...\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\nThe computation is OK\n"), std::string::npos) << out;
  ASSERT_NE(c.Result, nullptr);
  const BigInt& r = static_cast<const BigInt&>(*c.Result);
  const long limbs = (13000 + 100) / 12;
  EXPECT_EQ(r.Size, limbs);
  EXPECT_EQ(r.Offset, -(limbs - 1));
  // floor(sqrt(2) 10^(12 (limbs - 1))) from the reference, against the limbs.
  const long frac = 12 * (limbs - 1);
  std::string want = ref::ISqrt("2" + std::string(2 * frac, '0'));
  std::string got = "1";
  char buf[16];
  for (long i = r.Size - 2; i >= 0; i--) {
    std::snprintf(buf, sizeof buf, "%012.0f", r.Limbs[i]);
    got += buf;
  }
  ASSERT_EQ(got.size(), want.size());
  // The last limb carries the truncation of the last products.
  EXPECT_EQ(got.substr(0, got.size() - 12), want.substr(0, want.size() - 12));
  c.Result->Free();
  delete c.Result;
}

}  // namespace
