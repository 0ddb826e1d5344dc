#include "vec_number.h"

namespace {

std::string Print(const MPInt& x, double start, double end, const OutputFormat& f = {}) {
  return Capture([&](FILE* out) { PrintDigits(x, out, x.Sign(), start, end, f); });
}

TEST(PrintDigits, PiAndDefaultLayout) {
  VecNumber pi = FromDecimal("3", kPi100 + "5820974944");
  EXPECT_EQ(Print(pi, 0, 100),
            "3.\n1415926535 8979323846 2643383279 5028841971 6939937510  : 50\n"
            "5820974944 5923078164 0628620899 8628034825 3421170679  : 100\n\n");
  const std::string frac = PatternDigits(1100);
  VecNumber x = FromDecimal("2", frac);
  for (long d : {1L, 25L, 1003L, 1020L})
    EXPECT_EQ(Print(x, 0, d), "2.\n" + RefLayout(frac, 0, d)) << d;
  EXPECT_NE(Print(x, 0, 510).find(frac.substr(490, 10) + "  : 500\n\n" + frac.substr(500, 10)),
            std::string::npos);
  OutputFormat sixty{60, 1, 120, 1, 1, 1}, bare{0, 0, 0, 0, 0, 0}, odd{25, 1, 0, 1, 0, 0};
  for (const OutputFormat& f : {sixty, bare, odd})
    EXPECT_EQ(Print(x, 0, 1100, f), "2.\n" + RefLayout(frac, 0, 1100, f));
}

TEST(PrintDigits, RangesUseAbsolutePositions) {
  const std::string frac = PatternDigits(2400);
  VecNumber x = FromDecimal("2", frac);
  // Starting and ending inside limbs and inside groups.
  for (auto [s, e] :
       {std::pair{1000L, 2000L}, {100L, 200L}, {13L, 23L}, {23L, 25L}, {35L, 1237L}, {59L, 61L}})
    EXPECT_EQ(Print(x, s, e), RefLayout(frac, s, e)) << s << "," << e;
  EXPECT_EQ(Print(x, 5, 37), "2.\n" + RefLayout(frac, 5, 37));  // inside the first limb
  EXPECT_EQ(Print(x, 100.5, 130.2), RefLayout(frac, 100, 130));
}

TEST(PrintDigits, ReadsRunsOfAtMost8000Limbs) {
  const std::string frac = PatternDigits(240000);
  VecNumber x = FromDecimal("1", frac);
  EXPECT_EQ(Print(x, 0, 240000), "1.\n" + RefLayout(frac, 0, 240000));
  EXPECT_EQ(x.largestRead, 8000);
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
