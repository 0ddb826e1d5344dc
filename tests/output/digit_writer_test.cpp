#include <chrono>

#include "vec_number.h"

namespace {

std::string Print(const MPInt& x, double start, double end, const OutputFormat& f = {}) {
  return Capture([&](FILE* out) { PrintDigits(x, out, x.Sign(), start, end, f); });
}

TEST(PrintFixedDigits, ZeroPaddedWidths) {
  auto fixed = [](double v, int k) { return Capture([&](FILE* f) { PrintFixedDigits(f, v, k); }); };
  EXPECT_EQ(fixed(7, 2), "07");
  EXPECT_EQ(fixed(1234, 4), "1234");
  EXPECT_EQ(fixed(12, 6), "000012");
  EXPECT_EQ(fixed(99999999, 8), "99999999");
  EXPECT_EQ(fixed(5, 10), "0000000005");
  EXPECT_EQ(fixed(1234567890, 10), "1234567890");
  EXPECT_EQ(fixed(42, 12), "000000000042");
  EXPECT_EQ(fixed(999999999999, 12), "999999999999");
  EXPECT_EQ(fixed(5, 3), "005");
}

TEST(PrintDigits, PiFirstHundredDigits) {
  VecNumber pi = FromDecimal("3", kPi100 + "5820974944");
  EXPECT_EQ(Print(pi, 0, 100),
            "3.\n"
            "1415926535 8979323846 2643383279 5028841971 6939937510  : 50\n"
            "5820974944 5923078164 0628620899 8628034825 3421170679  : 100\n"
            "\n");
  // Exactly one line: its counter, then the closing newline.
  EXPECT_EQ(Print(pi, 0, 50),
            "3.\n1415926535 8979323846 2643383279 5028841971 6939937510  : 50\n\n");
}

TEST(PrintDigits, DefaultLayoutOfLongerNumbers) {
  const std::string frac = PatternDigits(2400);
  VecNumber x = FromDecimal("2", frac);
  for (long d : {1L, 25L, 1000L, 1003L, 1020L, 2222L, 2400L})
    EXPECT_EQ(Print(x, 0, d), "2.\n" + RefLayout(frac, 0, d)) << "D=" << d;
  // The tenth line is followed by an empty line.
  EXPECT_NE(Print(x, 0, 1003).find(frac.substr(490, 10) + "  : 500\n\n" + frac.substr(500, 10)),
            std::string::npos);
}

TEST(PrintDigits, RangesUseAbsolutePositions) {
  const std::string frac = PatternDigits(2400);
  VecNumber x = FromDecimal("2", frac);
  const std::string r = Print(x, 1000, 2000);
  EXPECT_EQ(r.substr(0, 63), frac.substr(1000, 10) + " " + frac.substr(1010, 10) + " " +
                                 frac.substr(1020, 10) + " " + frac.substr(1030, 10) + " " +
                                 frac.substr(1040, 10) + "  : 1050\n");
  EXPECT_EQ(r, RefLayout(frac, 1000, 2000));
  EXPECT_EQ(Print(x, 100, 200), RefLayout(frac, 100, 200));
  // Starts and ends inside limbs and inside groups, past the first limb.
  for (auto [s, e] : {std::pair{13L, 23L}, {17L, 18L}, {23L, 24L}, {24L, 25L}, {35L, 1237L},
                      {1199L, 1201L}, {59L, 61L}})
    EXPECT_EQ(Print(x, s, e), RefLayout(frac, s, e)) << s << "," << e;
  // Inside the first limb the integer part comes first.
  EXPECT_EQ(Print(x, 5, 37), "2.\n" + RefLayout(frac, 5, 37));
  EXPECT_EQ(Print(x, 0, 7), "2.\n" + RefLayout(frac, 0, 7));
  // Bounds between positions select the whole positions inside them.
  EXPECT_EQ(Print(x, 100.5, 130.2), RefLayout(frac, 100, 130));
  EXPECT_EQ(Print(x, 100, 100), "\n");
}

TEST(PrintDigits, CustomLayouts) {
  const std::string frac = PatternDigits(1500);
  VecNumber x = FromDecimal("7", frac);
  OutputFormat oneLine;
  oneLine.DigitsPerLine = 0;
  EXPECT_EQ(Print(x, 0, 95, oneLine), "7.\n" + RefLayout(frac, 0, 95, oneLine));
  const std::string all = Print(x, 0, 1500, oneLine);
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 2);
  OutputFormat sixty{60, 1, 120, 1, 1, 0};
  EXPECT_EQ(Print(x, 0, 1500, sixty), "7.\n" + RefLayout(frac, 0, 1500, sixty));
  EXPECT_NE(Print(x, 0, 240, sixty).find(" : 120\n\n"), std::string::npos);
  OutputFormat wide{200, 0, 0, 0, 1, 1};  // no counter, no spaces by ten
  EXPECT_EQ(Print(x, 0, 1500, wide), "7.\n" + RefLayout(frac, 0, 1500, wide));
  OutputFormat odd{25, 1, 0, 1, 0, 0};  // breaks only where a group end meets a multiple of 25
  EXPECT_EQ(Print(x, 0, 300, odd), "7.\n" + RefLayout(frac, 0, 300, odd));
}

TEST(PrintDigits, ReadsRunsOfAtMost8000Limbs) {
  const std::string frac = PatternDigits(240000);  // 20000 limbs
  VecNumber x = FromDecimal("1", frac);
  EXPECT_EQ(Print(x, 0, 240000), "1.\n" + RefLayout(frac, 0, 240000));
  EXPECT_EQ(x.largestRead, 8000);
  // An integer of 9000 limbs with no stored fraction: its fraction reads as zeros.
  std::string big = "9" + PatternDigits(107999);
  VecNumber n = FromDecimal(big, "");
  n.largestRead = 0;
  EXPECT_EQ(Print(n, 0, 24), big + ".\n0000000000 0000000000 0000\n");
  EXPECT_LE(n.largestRead, 8000);
}

TEST(PrintDigits, NegativeNumbersAsNinesComplement) {
  // -3.141592653589793238462643 held as -4 + 0.858407346410206761537357; the
  // complement shows the magnitude less one unit of the last limb.
  VecNumber x({206761537357, 858407346410, 999999999996, -1}, -2);
  ASSERT_EQ(x.Sign(), -1);
  EXPECT_EQ(Print(x, 0, 24), "-3.\n1415926535 8979323846 2642\n");
  EXPECT_EQ(Print(x, 12, 24), "79323846 2642\n");
  // -1000000000000.5: a zero limb inside the integer part keeps its twelve digits.
  VecNumber y({500000000000, 999999999999, 999999999998, -1}, -1);
  EXPECT_EQ(Print(y, 0, 12), "-1000000000000.\n4999999999 99\n");
  // -0.5: the integer part is shown as 0.
  VecNumber half({500000000000, -1}, -1);
  EXPECT_EQ(Print(half, 0, 12), "-0.\n4999999999 99\n");
  // -10^-15: the sign limb is the first fractional limb.
  VecNumber tiny({999000000000, -1}, -2);
  EXPECT_EQ(Print(tiny, 0, 12), "-10^(-12) * 0.\n0009999999 99\n");
}

TEST(PrintDigits, NumbersBelowOne) {
  VecNumber a({222222222222, 5}, -3);  // 5 * 10^-24 + ..., below 10^-12
  EXPECT_EQ(Print(a, 0, 24), "10^(-12) * 0.\n0000000000 0522222222 2222\n");
  VecNumber b({7}, -4);
  EXPECT_EQ(Print(b, 0, 12), "10^(-36) * 0.\n0000000000 07\n");
  VecNumber c({123456789012}, -1);
  EXPECT_EQ(Print(c, 0, 12), "0.\n1234567890 12\n");
  EXPECT_EQ(Print(c, 12, 14), "00\n");  // past the first limb: no integer part
  VecNumber zero({0}, 0);
  EXPECT_EQ(Print(zero, 0, 3), "0.\n000\n");
}

TEST(PrintDigits, TenMillionDigitsAreFast) {
  std::vector<double> l(833334, 0);
  for (size_t i = 0; i < l.size(); i++) l[i] = static_cast<double>((i * 7919 + 13) % 1000000000000);
  l.push_back(3);
  VecNumber x(l, -833334);
  FILE* sink = std::fopen("/dev/null", "w");
  ASSERT_NE(sink, nullptr);
  auto t0 = std::chrono::steady_clock::now();
  PrintDigits(x, sink, 1, 0, 1e7, OutputFormat());
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::fclose(sink);
  std::printf("10^7 digits written in %.3f s\n", s);
  EXPECT_LT(s, 2.0);
}

}  // namespace
