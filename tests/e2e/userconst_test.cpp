// User constants through the real binary: definition dialogue and the file it
// writes, byte for byte; computation from the file, digit for digit against
// values computed here by plain fixed-point series; damaged files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

using e2e::Scratch;

// Fixed-point numbers: w[0] the integer part, w[i] the i-th group of 9 digits
// after the point. Slow and plain: long division by small integers only.
struct Fixed {
  std::vector<uint64_t> w;
  explicit Fixed(size_t words, uint64_t integer = 0) : w(words, 0) { w[0] = integer; }
  bool IsZero() const {
    for (uint64_t x : w)
      if (x) return false;
    return true;
  }
};
constexpr uint64_t kGroup = 1000000000;

Fixed Div(const Fixed& a, uint64_t d) {
  Fixed r(a.w.size());
  uint64_t rem = 0;
  for (size_t i = 0; i < a.w.size(); i++) {
    unsigned __int128 cur = static_cast<unsigned __int128>(rem) * kGroup + a.w[i];
    r.w[i] = static_cast<uint64_t>(cur / d);
    rem = static_cast<uint64_t>(cur % d);
  }
  return r;
}

void AddTo(Fixed& a, const Fixed& b, int sign = 1) {
  int64_t carry = 0;
  for (size_t i = a.w.size(); i-- > 0;) {
    int64_t s = static_cast<int64_t>(a.w[i]) + sign * static_cast<int64_t>(b.w[i]) + carry;
    carry = 0;
    if (s < 0) {
      s += kGroup;
      carry = -1;
    } else if (s >= static_cast<int64_t>(kGroup)) {
      s -= kGroup;
      carry = 1;
    }
    a.w[i] = static_cast<uint64_t>(s);
  }
  a.w[0] += carry;  // integer part
}

Fixed Scale(const Fixed& a, uint64_t m) {
  Fixed r(a.w.size());
  uint64_t carry = 0;
  for (size_t i = a.w.size(); i-- > 0;) {
    unsigned __int128 cur = static_cast<unsigned __int128>(a.w[i]) * m + carry;
    r.w[i] = static_cast<uint64_t>(cur % kGroup);
    carry = static_cast<uint64_t>(cur / kGroup);
  }
  r.w[0] += carry * kGroup;
  return r;
}

std::string Decimals(const Fixed& a, size_t n) {
  std::string s;
  for (size_t i = 1; i < a.w.size(); i++) {
    std::string g = std::to_string(a.w[i]);
    s += std::string(9 - g.size(), '0') + g;
  }
  return s.substr(0, n);
}

size_t Words(long digits) { return static_cast<size_t>(digits / 9 + 4); }

// arctan(1/x) = sum (-1)^k / ((2k+1) x^(2k+1)).
Fixed ArctanInverse(uint64_t x, size_t words) {
  Fixed sum(words), power = Div(Fixed(words, 1), x);
  for (uint64_t k = 0; !power.IsZero(); k++) {
    AddTo(sum, Div(power, 2 * k + 1), k % 2 ? -1 : 1);
    power = Div(power, x * x);
  }
  return sum;
}

// ln 2 = 2 atanh(1/3) = 2 sum 1 / ((2k+1) 3^(2k+1)): another series than the
// program's sum 1 / (k 2^k).
Fixed Ln2(long digits) {
  const size_t words = Words(digits);
  Fixed sum(words), power = Div(Fixed(words, 1), 3);
  for (uint64_t k = 0; !power.IsZero(); k++) {
    AddTo(sum, Div(power, 2 * k + 1));
    power = Div(power, 9);
  }
  return Scale(sum, 2);
}

Fixed PiMachin(long digits) {
  const size_t words = Words(digits);
  Fixed pi = Scale(ArctanInverse(5, words), 16);
  AddTo(pi, Scale(ArctanInverse(239, words), 4), -1);
  return pi;
}

// sqrt(2) = 7/5 (1 - 1/50)^(-1/2) = 7/5 sum C(2k,k) / 200^k.
Fixed Sqrt2(long digits) {
  const size_t words = Words(digits);
  Fixed sum(words, 1), term(words, 1);
  for (uint64_t k = 1; !term.IsZero(); k++) {
    term = Div(Scale(term, 4 * k - 2), 200 * k);
    AddTo(sum, term);
  }
  return Div(Scale(sum, 7), 5);
}

const char kFileHead[] =
    "// Numora user constant file\n"
    "       ***************************************\n"
    "       *                                     *\n"
    "       *    User constant file definition    *\n"
    "       *                                     *\n"
    "       ***************************************\n"
    "\n"
    "Version : 4.1\n";

const std::string kLn2File = std::string(kFileHead) +
                             "Constant name : ln2\n"
                             "Comments :\n"
                             "Natural logarithm of 2\n"
                             "second line : sum Z^n/n\n"
                             "\n"
                             ".\n"
                             "Number of series : 1\n"
                             "\n"
                             "Series number 0\n"
                             "Beta : 1\n"
                             "Series type : 3\n"
                             "Z : 1/2\n"
                             "\n"
                             "Constant approximate value : ln2 = 0.693147180560\n";

const std::string kMachinFile = std::string(kFileHead) +
                                "Constant name : machin\n"
                                "Comments :\n"
                                "\n"
                                ".\n"
                                "Number of series : 2\n"
                                "\n"
                                "Series number 0\n"
                                "Beta : 16\n"
                                "Series type : 1\n"
                                "Z : 1/5\n"
                                "\n"
                                "Series number 1\n"
                                "Beta : -4\n"
                                "Series type : 1\n"
                                "Z : 1/239\n"
                                "\n"
                                "Constant approximate value : machin = 3.141592653590\n";

// Entry 6: load the file, standard mode, the digits, the FFT size, no compression.
std::string ComputeInput(const std::string& file, long digits, long fftK) {
  return "6\n" + file + "\n" + std::to_string(digits) + "\n" + std::to_string(fftK) + "\n0\n";
}

void ExpectDigits(const Scratch& s, const std::string& name, const Fixed& reference,
                  long digits, const std::string& out, const char* integerPart) {
  const std::string file = s.Read(name + ".txt");
  EXPECT_NE(file.find(name + " = " + integerPart + ".\n"), std::string::npos) << out;
  const std::string got = e2e::ResultDigits(file, name);
  ASSERT_EQ(static_cast<long>(got.size()), digits) << out;
  const std::string want = Decimals(reference, digits);
  size_t bad = 0;
  while (bad < got.size() && got[bad] == want[bad]) bad++;
  EXPECT_EQ(bad, got.size()) << "first wrong digit at position " << bad + 1;
}

}  // namespace

TEST(UserConstantEndToEnd, Ln2DefinedSavedReloadedComputed) {
  Scratch s;
  // Name, comments (an empty line is dropped), one series of type 3, Z = 1/2.
  auto r = s.Run(
      "5\nln2\nNatural logarithm of 2\n\nsecond line : sum Z^n/n\n.\n1\n1\n3\n1/2\nln2\n");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("it converges like (1/2.000000)^n\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Approximate value is H ~ 0.693147180560\n"), std::string::npos);
  EXPECT_NE(r.out.find("File ln2.numora saved.\n"), std::string::npos);
  EXPECT_EQ(s.Read("ln2.numora"), kLn2File);
  EXPECT_FALSE(s.Exists("ln2.txt"));  // defining computes nothing

  // Reloaded with the name typed without its suffix.
  const long digits = 20000;
  r = s.Run(ComputeInput("ln2", digits, 2));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("  Constant name : ln2\n  Comments : \nNatural logarithm of 2\n"
                       "second line : sum Z^n/n\n\n  Constant approximate value = 0.693147180560\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Computation mode : standard (no disk swapping mode available)\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("=====> COMPUTING SERIES NUMBER 0 <=====\n"), std::string::npos);
  ExpectDigits(s, "ln2", Ln2(digits), digits, r.out, "0");
}

TEST(UserConstantEndToEnd, MachinFormulaGivesPi) {
  Scratch s;
  auto r = s.Run("5\nmachin\n.\n2\n16\n1\n1/5\n-4\n1\n1/239\nmachin\n");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Constant approximate value : machin = 3.141593\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(s.Read("machin.numora"), kMachinFile);

  // A small FFT size cuts both series into many steps.
  const long digits = 30000;
  const Fixed pi = PiMachin(digits);
  for (long fftK : {1L, 4L}) {
    r = s.Run(ComputeInput("machin.numora", digits, fftK));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("=====> COMPUTING SERIES NUMBER 1 <=====\n"), std::string::npos);
    ExpectDigits(s, "machin", pi, digits, r.out, "3");
    s.Write("machin.txt", "");
  }
}

// A million digits in standard mode, against the Pi entry (Chudnovsky series,
// another road through the arithmetic).
TEST(UserConstantEndToEnd, MillionDigitsOfMachinMatchThePiEntry) {
  Scratch s;
  s.Write("machin.numora", kMachinFile);
  const long digits = 1000000;
  auto r = s.Run(ComputeInput("machin", digits, 128), 300);
  ASSERT_EQ(r.status, 0) << r.out;
  auto p = s.Run("0\n0\n" + std::to_string(digits) + "\n128\n0\n", 300);
  ASSERT_EQ(p.status, 0) << p.out;
  const std::string got = e2e::ResultDigits(s.Read("machin.txt"), "machin");
  const std::string want = e2e::ResultDigits(s.Read("pi.txt"), "Pi");
  ASSERT_EQ(static_cast<long>(got.size()), digits);
  ASSERT_EQ(static_cast<long>(want.size()), digits);
  size_t bad = 0;
  while (bad < got.size() && got[bad] == want[bad]) bad++;
  EXPECT_EQ(bad, got.size()) << "first wrong digit at position " << bad + 1;
}

// The general series in both definition modes:
//   mode 1: 1 + sum prod_{i<=n} (4i-2)/i (1/8)^n = (1 - 1/2)^(-1/2) = sqrt(2);
//   mode 0: 2 sum 3 / ((2n-1) 9^n) = 2 atanh(1/3) = ln 2.
TEST(UserConstantEndToEnd, GeneralSeriesInBothModes) {
  Scratch s;
  auto r = s.Run("5\nroot2\n.\n1\n1\n0\n1\n1\n1\n4n-2\nn\n1/8\nroot2\n");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Approximate value is H ~ 1.414213562373\n"), std::string::npos) << r.out;
  EXPECT_NE(s.Read("root2.numora")
                .find("Series type : 0\nDefinition mode : 1\nAlpha : 1\nBeta : 1\n"
                      "Polynomial F : 4n-2\nPolynomial G : n\nZ : 1/8\n"),
            std::string::npos);
  // Blanks typed in the texts are not kept: the file holds each as one word.
  r = s.Run("5\nlog2\n.\n1\n2\n0\n0\n0\n1\n3\n2 n - 1\n1 / 9\nlog2\n");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(s.Read("log2.numora")
                .find("Beta : 2\nSeries type : 0\nDefinition mode : 0\nAlpha : 0\nBeta : 1\n"
                      "Polynomial F : 3\nPolynomial G : 2n-1\nZ : 1/9\n"),
            std::string::npos)
      << s.Read("log2.numora");

  const long digits = 15000;
  r = s.Run(ComputeInput("root2", digits, 2));
  ASSERT_EQ(r.status, 0) << r.out;
  ExpectDigits(s, "root2", Sqrt2(digits), digits, r.out, "1");
  r = s.Run(ComputeInput("log2", digits, 1));
  ASSERT_EQ(r.status, 0) << r.out;
  ExpectDigits(s, "log2", Ln2(digits), digits, r.out, "0");
}

TEST(UserConstantEndToEnd, DialogueRefusesAndRetries) {
  Scratch s;
  // Name: a path separator and an over-long name are refused, blanks replaced.
  // N = 0 saves nothing.
  auto r = s.Run("5\na/b\nabcdefghijklmnopqrstu\n my const \n.\n0\n");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(e2e::Count(r.out, "Please type another name.\n"), 2) << r.out;
  EXPECT_NE(r.out.find("the constant is named my_const\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("saved"), std::string::npos);

  // A syntax error in F shows the marker and F is asked again; a series that
  // does not converge (Z = 2) or whose G vanishes (n - 3) is asked again; an
  // existing file needs a confirmation.
  s.Write("k.numora", "old");
  r = s.Run("5\nk\n.\n1\n1/2\n"
            "0\n1\n0\n1\n2^3n\n1\n1\n2\n"      // F retyped after the error; Z = 2
            "0\n1\n0\n1\nn\nn-3\n1/2\n"        // G(3) = 0
            "3\n1/3\n"                         // log 1/(1 - 1/3)
            "k\n0\nk\n1\n");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Syntax error in your expression : \n\n2^3n\n ^^^...\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Error, the series is not geometrically convergent, rate=0.500000\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("Error, the polynomial G vanish at the value n=3\n"), std::string::npos);
  EXPECT_EQ(e2e::Count(r.out, "Redefine the hypergeometric series H_0 :\n"), 2);
  EXPECT_EQ(e2e::Count(r.out, "Warning, a file with this name already exists.\n"), 2);
  EXPECT_NE(s.Read("k.numora").find("Beta : 1/2\nSeries type : 3\nZ : 1/3\n"), std::string::npos);

  // End of input in the middle of the dialogue ends the program cleanly.
  r = s.Run("5\nx\nsome comment\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("End of input"), std::string::npos);
}

TEST(UserConstantEndToEnd, DamagedFilesEndWithAClearMessage) {
  Scratch s;
  struct Bad {
    std::string content;
    const char* message;
  };
  const size_t seriesAt = kLn2File.find("Number of series");
  std::vector<Bad> cases = {
      {"", "constant name is missing"},
      {kLn2File.substr(0, kLn2File.find("Comments")), "comments do not end"},
      {kLn2File.substr(0, kLn2File.find(".\nNumber")), "comments do not end"},
      {kLn2File.substr(0, seriesAt), "number of series is not valid"},
      {kLn2File.substr(0, kLn2File.find("Z : 1/2")), "Z is missing"},
      {kLn2File.substr(0, kLn2File.find("Z : 1/2") + 4), "Z is missing"},
      {kLn2File.substr(0, kLn2File.find("Series type : 3") + 12), "series type is missing"},
      {kLn2File.substr(0, seriesAt) + "Number of series : 2\n" + kLn2File.substr(kLn2File.find("\nSeries number")),
       "a beta value is corrupted"},
      {kLn2File.substr(0, seriesAt) + "Number of series : 0\n", "number of series is not valid"},
      {kLn2File.substr(0, seriesAt) + "Number of series : x1\n", "number of series is not valid"},
      {kLn2File.substr(0, seriesAt) + "Number of series : 99999999999999999999\n",
       "number of series is not valid"},
      {std::string(kLn2File).replace(kLn2File.find("Z : 1/2"), 7, "Z : 1/0"), "Z does not parse"},
      {std::string(kLn2File).replace(kLn2File.find("Z : 1/2"), 7, "Z : 2"), "not a convergent"},
      {std::string(kLn2File).replace(kLn2File.find("Beta : 1"), 8, "Beta : n"), "beta value is corrupted"},
      {std::string(kLn2File).replace(kLn2File.find("type : 3"), 8, "type : 7"), "Unknown type"},
      {std::string(kLn2File).replace(kLn2File.find("name : ln2"), 10, "name : ../x"), "name is missing or not valid"},
      {std::string(kLn2File).replace(kLn2File.find("type : 3\nZ"), 9,
                                     "type : 0\nDefinition mode : 1\nAlpha : 0\nBeta : 1\n"
                                     "Polynomial F : 2^3\nPolynomial G : n\nZ"),
       "polynomial F does not parse"},
      {std::string(kLn2File).replace(kLn2File.find("type : 3\nZ"), 9,
                                     "type : 0\nDefinition mode : 4\nZ"),
       "definition mode"},
      {std::string(kLn2File).replace(kLn2File.find("type : 3\nZ"), 9,
                                     "type : 0\nDefinition mode : 1\nAlpha : 0\nBeta : 1\n"
                                     "Polynomial F : n\nPolynomial G : n^2\nZ"),
       "not a convergent"},
      {std::string(4096, '\0'), "constant name is missing"},
  };
  for (size_t i = 0; i < cases.size(); i++) {
    s.Write("bad.numora", cases[i].content);
    auto r = s.Run(ComputeInput("bad", 10000, 1), 20);
    EXPECT_FALSE(r.timedOut) << i;
    EXPECT_EQ(r.status, 1) << i << r.out;
    EXPECT_NE(r.out.find(cases[i].message), std::string::npos) << i << r.out;
    EXPECT_NE(r.out.find("The user constant file bad.numora is damaged or incomplete."),
              std::string::npos)
        << i << r.out;
    EXPECT_EQ(r.out.find("Number of decimal digits"), std::string::npos) << i;
  }

  // A missing file is asked again; the end of the answers ends the program.
  auto r = s.Run("6\nnothere\nalsomissing.numora\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(e2e::Count(r.out, "This file does not exists. Please type an existing file name.\n"), 2);
  EXPECT_NE(r.out.find("Neither nothere nor nothere.numora can be opened.\n"), std::string::npos);
}
