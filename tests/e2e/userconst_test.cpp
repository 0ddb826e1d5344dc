// User constants through the real binary: definition dialogue and the file it
// writes, byte for byte; computation from the file, digit for digit against
// values computed here by plain fixed-point series; damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "e2e/user_files.h"
#include "reference/refnum.h"

namespace {

using namespace e2e;

// Fixed-point sums: [0] the integer part, [i] the i-th group of 9 digits after
// the point. Terms are added group by group, carries released once at the end.
using Fixed = std::vector<int64_t>;
constexpr int64_t kGroup = 1000000000;

Fixed Div(Fixed a, int64_t d) {  // a normalized and non-negative
  __int128 rem = 0;
  for (int64_t& x : a) {
    const __int128 cur = rem * kGroup + x;
    x = static_cast<int64_t>(cur / d);
    rem = cur % d;
  }
  return a;
}

// The decimals of the sum over (times, x) of times * sum (-1)^k / ((2k+1) x^(2k+1)),
// that is of times * arctan(1/x); without the signs, of times * atanh(1/x).
std::string ArcSum(long digits, bool alternating, std::vector<std::pair<int64_t, int64_t>> terms) {
  Fixed sum(static_cast<size_t>(digits / 9 + 4), 0);
  for (auto [times, x] : terms) {
    Fixed power(sum.size(), 0);
    power[0] = 1;
    for (int64_t k = 0; std::any_of(power.begin(), power.end(), [](int64_t w) { return w; }); k++) {
      power = Div(power, k ? x * x : x);
      const Fixed term = Div(power, 2 * k + 1);
      for (size_t i = 0; i < sum.size(); i++)
        sum[i] += (alternating && k % 2 ? -times : times) * term[i];
    }
  }
  std::string s;
  for (size_t i = sum.size(); i-- > 1;) {
    const int64_t carry = sum[i] / kGroup - (sum[i] % kGroup < 0);
    sum[i] -= carry * kGroup;
    sum[i - 1] += carry;
    const std::string group = std::to_string(sum[i]);
    s.insert(0, std::string(9 - group.size(), '0') + group);
  }
  return s.substr(0, static_cast<size_t>(digits));
}

// Entry 6: load the file, standard mode, the digits, the FFT size, no compression.
std::string ComputeInput(const std::string& file, long digits, long fftK) {
  return "6\n" + file + "\n" + std::to_string(digits) + "\n" + std::to_string(fftK) + "\n0\n";
}

// The digits of a result file against the expected integer part and decimals.
void ExpectDigits(const std::string& file, const std::string& name, const std::string& integerPart,
                  const std::string& want) {
  EXPECT_TRUE(Has(file, name + " = " + integerPart + ".\n")) << file.substr(0, 200);
  const std::string got = ResultDigits(file, name);
  ASSERT_EQ(got.size(), want.size());
  const long bad = std::mismatch(got.begin(), got.end(), want.begin()).first - got.begin();
  EXPECT_EQ(bad, static_cast<long>(got.size())) << "first wrong digit at position " << bad + 1;
}

}  // namespace

// Each kind of constant defined through the dialogue, saved, reloaded and
// computed, against another series:
//   ln2: 2 atanh(1/3), not the program's sum 1 / (k 2^k); comments kept,
//     an empty line dropped; reloaded by the name without its suffix;
//   machin: two series, cut into many steps by the smallest FFT size;
//   root2, general series in mode 1: 1 + sum prod_{i<=n} (4i-2)/i (1/8)^n =
//     (1 - 1/2)^(-1/2) = sqrt(2);
//   log2, mode 0: 2 sum 3n / ((2n^2-n) 9^n) = ln 2; blanks typed in the texts
//     are not kept, else reading the file back would fail.
TEST(UserConstantEndToEnd, EachKindDefinedSavedReloadedComputed) {
  const std::string ln2 = ArcSum(20000, false, {{2, 3}});
  const struct {
    std::string answers, name, saved, said, shown, integer, want;
    long digits, k;
  } cases[] = {
      {"5\nln2\nNatural logarithm of 2\n\nsecond line : sum Z^n/n\n.\n1\n1\n3\n1/2\nln2\n", "ln2",
       kLn2File, "",
       "  Constant name : ln2\n  Comments : \nNatural logarithm of 2\n"
       "second line : sum Z^n/n\n\n  Constant approximate value = 0.693147180560\n",
       "0", ln2, 20000, 2},
      {"5\nmachin\n.\n2\n16\n1\n1/5\n-4\n1\n1/239\nmachin\n", "machin", kMachinFile,
       "Constant approximate value : machin = 3.141593\n", "", "3",
       ArcSum(30000, true, {{16, 5}, {-4, 239}}), 30000, 1},
      {"5\nroot2\n.\n1\n1\n0\n1\n1\n1\n4n-2\nn\n1/8\nroot2\n", "root2", "",
       "Approximate value is H ~ 1.414213562373\n", "", "1",
       ref::ISqrt("2" + std::string(2 * 15000, '0')).substr(1), 15000, 2},
      {"5\nlog2\n.\n1\n2\n0\n0\n0\n1\n3 n\n2 n^2 - n\n1 / 9\nlog2\n", "log2", "", "", "", "0", ln2,
       15000, 1},
  };
  Scratch s;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto r = s.Run(c.answers);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, c.said)) << r.out;
    EXPECT_TRUE(c.saved.empty() || s.Read(c.name + ".numora") == c.saved);
    EXPECT_FALSE(s.Exists(c.name + ".txt"));  // defining computes nothing
    r = s.Run(ComputeInput(c.name, c.digits, c.k));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, c.shown)) << r.out;
    ExpectDigits(s.Read(c.name + ".txt"), c.name, c.integer, c.want.substr(0, c.digits));
  }
}

// A million digits in standard mode, against the Pi entry (another series,
// another road through the arithmetic).
TEST(UserConstantEndToEnd, MillionDigitsOfMachinMatchThePiEntry) {
  Scratch s;
  s.Write("machin.numora", kMachinFile);
  const long digits = 1000000;
  ASSERT_EQ(s.Run(ComputeInput("machin", digits, 128), 300).status, 0);
  ASSERT_EQ(s.Run(Answers(0, 0, digits, 128), 300).status, 0);
  const std::string pi = ResultDigits(s.Read("pi.txt"), "Pi");
  ASSERT_EQ(static_cast<long>(pi.size()), digits);
  ExpectDigits(s.Read("machin.txt"), "machin", "3", pi);
}

TEST(UserConstantEndToEnd, DialogueRefusesAndRetries) {
  Scratch s;
  // An unsafe name is asked again; a syntax error in F shows the marker and F is
  // asked again; a series that does not converge (Z = 2) is asked again; an
  // existing file needs a confirmation.
  s.Write("k.numora", "old");
  auto r = s.Run("5\na/b\nk\n.\n1\n1/2\n0\n1\n0\n1\n2^3n\n1\n1\n2\n3\n1/3\nk\n0\nk\n1\n");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(Count(r.out, "Please type another name.\n"), 1) << r.out;
  EXPECT_TRUE(Has(r.out, "Syntax error in your expression : \n\n2^3n\n ^^^...\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "Error, the series is not geometrically convergent, rate=0.500000\n"));
  EXPECT_EQ(Count(r.out, "Warning, a file with this name already exists.\n"), 2);
  EXPECT_TRUE(Has(s.Read("k.numora"), "Beta : 1/2\nSeries type : 3\nZ : 1/3\n"));
}

TEST(UserConstantEndToEnd, DamagedFilesEndWithAClearMessage) {
  Scratch s;
  const auto replaced = [](const std::string& from, const std::string& to) {
    return std::string(kLn2File).replace(kLn2File.find(from), from.size(), to);
  };
  const struct {
    std::string content;
    const char* message;
  } cases[] = {
      {std::string(4096, '\0'), "constant name is missing"},
      {kLn2File.substr(0, kLn2File.find(".\nNumber")), "comments do not end"},
      {kLn2File.substr(0, kLn2File.find("Z : 1/2")), "Z is missing"},
      {replaced("series : 1", "series : 2"), "a beta value is corrupted"},
      {replaced("series : 1", "series : 99999999999999999999"), "number of series is not valid"},
      {replaced("Z : 1/2", "Z : 2"), "not a convergent"},
      {replaced("type : 3", "type : 7"), "Unknown type"},
      {replaced("name : ln2", "name : ../x"), "name is missing or not valid"},
      {replaced("type : 3\nZ",
                "type : 0\nDefinition mode : 1\nAlpha : 0\nBeta : 1\nPolynomial F : 2^3\n"
                "Polynomial G : n\nZ"),
       "polynomial F does not parse"},
  };
  for (const auto& c : cases) {
    s.Write("bad.numora", c.content);
    auto r = s.Run(ComputeInput("bad", 10000, 1), 20);
    EXPECT_FALSE(r.timedOut) << c.message;
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(Has(r.out, c.message)) << r.out;
    EXPECT_TRUE(Has(r.out,
                    "The user constant file bad.numora is damaged or incomplete.\n"
                    "Correct the file"))
        << r.out;
    EXPECT_FALSE(Has(r.out, "please send the Numora.log"));  // the user's fault, not the program's
  }

  // A missing file is asked again; the end of the answers ends the program.
  auto r = s.Run("6\nnothere\nalsomissing.numora\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Count(r.out, "This file does not exists. Please type an existing file name.\n"), 2);
  EXPECT_TRUE(Has(r.out, "Neither nothere nor nothere.numora can be opened.\n"));
}
