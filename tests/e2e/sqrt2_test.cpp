// Menu entry 4 through the real binary: the digits of "sqrt2.txt" against the
// reference, at digit counts around the transform sizes of the table.
#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.h"
#include "reference/refnum.h"

namespace {

using e2e::Scratch;

// The digits after the point are those of floor(sqrt(2) 10^D) exactly when
// X^2 <= 2 10^(2D) < (X + 1)^2, X the integer "1" followed by them.
void ExpectSqrt2Digits(const std::string& digits, long D) {
  ASSERT_EQ(static_cast<long>(digits.size()), D);
  const ref::Digits x = ref::FromDecimal("1" + digits, 9);
  const ref::Digits x1 = ref::Add(x, ref::Digits{1}, 9);
  const ref::Digits two = ref::FromDecimal("2" + std::string(2 * D, '0'), 9);
  EXPECT_LE(ref::Compare(ref::Mul(x, x, 9), two), 0) << D;
  EXPECT_GT(ref::Compare(ref::Mul(x1, x1, 9), two), 0) << D;
}

std::string RunSqrt2(Scratch& s, long D, long fftK, std::string* out) {
  auto r = s.Run("4\n0\n" + std::to_string(D) + "\n" + std::to_string(fftK) + "\n0\n", 120);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_FALSE(r.timedOut);
  *out = r.out;
  return e2e::ResultDigits(s.Read("sqrt2.txt"), "Sqrt2");
}

TEST(Sqrt2, DigitsEqualTheReferenceAcrossTableSizes) {
  // 12288 is the last count of a single 1 k row, 12289 the first of two;
  // 24577 just passes the next; 10001 and 30011 are not multiples of 12 or 10.
  const long cases[][2] = {{10001, 1}, {12288, 1}, {12289, 2}, {12289, 1},
                           {24577, 4}, {24577, 1}, {30011, 2}};
  const std::string head = ref::ISqrt("2" + std::string(2 * 3000, '0')).substr(1);
  for (auto& c : cases) {
    Scratch s;
    std::string out;
    std::string digits = RunSqrt2(s, c[0], c[1], &out);
    EXPECT_NE(out.find("Computing Sqrt(2) with " + std::to_string(c[0]) + " digits...\n"),
              std::string::npos);
    EXPECT_NE(out.find("Time of sqrt(2) computation : "), std::string::npos);
    EXPECT_NE(out.find("\nVerification : Squaring ...\nSquaring Time : "), std::string::npos);
    EXPECT_NE(out.find("\nThe computation is OK\n"), std::string::npos) << out;
    // The check is part of the computation: no verdict line after the report.
    EXPECT_EQ(out.find("The computation seems OK"), std::string::npos);
    EXPECT_EQ(digits.substr(0, 3000), head) << c[0];
    ExpectSqrt2Digits(digits, c[0]);
  }
}

TEST(Sqrt2, LargerCountWithTheFastestTransform) {
  Scratch s;
  std::string out;
  std::string digits = RunSqrt2(s, 200003, 32, &out);
  EXPECT_NE(out.find("\nThe computation is OK\n"), std::string::npos) << out;
  ExpectSqrt2Digits(digits, 200003);
}

}  // namespace
