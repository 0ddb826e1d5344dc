// Menu entry 4 through the real binary: the digits of "sqrt2.txt" against the
// reference, at digit counts around the transform sizes of the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "reference/refnum.h"

namespace {

using e2e::Files;
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

std::string RunSqrt2(Scratch& s, long D, long fftK, std::string* out, int mode = 0) {
  auto r = s.Run("4\n" + std::to_string(mode) + "\n" + std::to_string(D) + "\n" +
                     std::to_string(fftK) + "\n0\n",
                 120);
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

// 1 k points: pieces of 341 limbs, so that every product spans many of them.
TEST(Sqrt2, BasicDiskModeGivesTheDigitsOfTheStandardMode) {
  for (long D : {10001L, 50021L, 120007L}) {
    Scratch disk, memory;
    std::string out, unused;
    const std::string digits = RunSqrt2(disk, D, 1, &out, 1);
    EXPECT_NE(out.find("\nThe computation is OK\n"), std::string::npos) << out;
    EXPECT_NE(out.find("SquareRoot :  0%"), std::string::npos);
    EXPECT_EQ(out.find("Pb in"), std::string::npos) << out;
    EXPECT_EQ(out.find("Allocation problem"), std::string::npos) << out;
    ExpectSqrt2Digits(digits, D);
    EXPECT_EQ(digits, RunSqrt2(memory, D, 1, &unused));
    EXPECT_NE(disk.Read("sqrt2.txt").find("Time spent in disk swapping : "), std::string::npos);
    // The numbers' files are gone: the scratch one, and the result's once written.
    EXPECT_EQ(Files(disk), std::vector<std::string>{"sqrt2.txt"});
  }
  // A compressed result keeps its own files only.
  Scratch s;
  ASSERT_EQ(s.Run("4\n1\n20000\n1\n1\n").status, 0);
  EXPECT_EQ(Files(s), (std::vector<std::string>{"Sqrt2-00", "Sqrt2-info", "sqrt2.txt"}));
}

TEST(Sqrt2, FullDiskInTheBasicDiskModeEndsCleanly) {
  Scratch s;
  s.Write("sqrt2.txt", "the previous result\n");
  // Files of at most 60000 bytes: the numbers of 200000 digits outgrow them.
  auto r = s.RunWith({}, "4\n1\n200000\n1\n0\n", 60000);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("ERROR in WriteBuffer, write in file did not succeed (file "),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("has free space"), std::string::npos) << r.out;
  EXPECT_EQ(s.Read("sqrt2.txt"), "the previous result\n");
  EXPECT_EQ(Files(s), (std::vector<std::string>{"Numora.log", "sqrt2.txt"}));
}

}  // namespace
