// What no run of the program shows: negative and tiny numbers, ranges that
// start inside a limb or between digits, integers longer than one read. The
// layouts and the long fractions are checked on the results of whole runs.
#include "vec_number.h"

namespace {

std::string Print(const MPInt& x, double start, double end, const OutputFormat& f = {}) {
  return Capture([&](FILE* out) { PrintDigits(x, out, x.Sign(), start, end, f); });
}

TEST(PrintDigits, OddRangesAndIntegersLongerThanOneRead) {
  const std::string frac = PatternDigits(2400);
  VecNumber x = FromDecimal("2", frac);
  EXPECT_EQ(Print(x, 5, 37), "2.\n" + RefLayout(frac, 5, 37));  // inside the first limb
  EXPECT_EQ(Print(x, 100.5, 130.2), RefLayout(frac, 100, 130));
  // An integer of 9000 limbs and no stored fraction: the fraction reads as zeros.
  const std::string big = "9" + PatternDigits(107999);
  VecNumber n = FromDecimal(big, "");
  EXPECT_EQ(Print(n, 0, 24), big + ".\n0000000000 0000000000 0000\n");
  EXPECT_LE(n.largestRead, 8000);
}

TEST(PrintDigits, NegativeAndTinyNumbers) {
  // -3.141592653589793238462643 = -4 + 0.858407346410206761537357; the nines'
  // complement shows the magnitude less one unit of the last limb.
  VecNumber pi({206761537357, 858407346410, 999999999996, -1}, -2);
  EXPECT_EQ(Print(pi, 0, 24), "-3.\n1415926535 8979323846 2642\n");
  EXPECT_EQ(Print(pi, 12, 24), "79323846 2642\n");
  EXPECT_EQ(Print(VecNumber({5e11, 999999999999, 999999999998, -1}, -1), 0, 12),
            "-1000000000000.\n4999999999 99\n");
  EXPECT_EQ(Print(VecNumber({5e11, -1}, -1), 0, 12), "-0.\n4999999999 99\n");
  EXPECT_EQ(Print(VecNumber({999e9, -1}, -2), 0, 12),
            "-10^(-12) * 0.\n0009999999 99\n");  // -10^-15
  EXPECT_EQ(Print(VecNumber({222222222222, 5}, -3), 0, 24),
            "10^(-12) * 0.\n0000000000 0522222222 2222\n");
  EXPECT_EQ(Print(VecNumber({7}, -4), 0, 12), "10^(-36) * 0.\n0000000000 07\n");
  EXPECT_EQ(Print(VecNumber({123456789012}, -1), 12, 14), "00\n");
}

}  // namespace
