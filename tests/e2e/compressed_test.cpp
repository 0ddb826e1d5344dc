// Compressed results through the real binary: every constant stored compressed
// and expanded by menu entry 7 gives its text result, in the default layout and
// in a range with a custom layout; damaged data, negative results, long names.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "e2e/harness.h"
#include "output/vec_number.h"
#include "shell/computation.h"
#include "shell/error_report.h"

namespace {

using namespace e2e;

TEST(Compressed, EveryConstantExpandsToItsTextDigits) {
  Scratch s;
  ASSERT_EQ(s.Run("5\nln2\n.\n1\n1\n3\n1/2\nln2\n").status, 0);
  const struct {
    std::string answers, file, name, choice, known;  // known: the first 30 decimals
  } entries[] = {
      {"0\n0\n20000\n2\n", "pi.txt", "Pi", "0", "3.141592653589793238462643383279"},
      {"1\n0\n12345\n1\n", "pi.txt", "Pi", "0", "3.141592653589793238462643383279"},
      {"2\n0\n10000\n1\n", "e.txt", "E", "1", "2.718281828459045235360287471352"},
      {"3\n0\n10000\n1\n", "e.txt", "E", "1", "2.718281828459045235360287471352"},
      {"4\n0\n12345\n2\n", "sqrt2.txt", "Sqrt2", "2", "1.414213562373095048801688724209"},
      {"6\nln2\n10000\n1\n", "ln2.txt", "ln2", "3\nln2", "0.693147180559945309417232121458"},
  };
  for (const auto& e : entries) {
    ASSERT_EQ(s.Run(e.answers + "0\n").status, 0) << e.answers;
    const std::string text = s.Read(e.file);
    const std::string block = text.substr(text.find(e.name + " with "));
    const std::string digits = ResultDigits(block, e.name);
    EXPECT_EQ(block.substr(block.find(" = ") + 3, 1) + "." + digits.substr(0, 30), e.known);

    auto r = s.Run(e.answers + "1\n");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "Compressing result file ...\n"));
    EXPECT_FALSE(Has(s.Read(e.file), e.name + " with "));
    ASSERT_EQ(s.Run("7\n" + e.choice + "\n1\nall.txt\n0\n0\n").status, 0);
    EXPECT_EQ(s.Read("all.txt"), block) << e.answers;
    // Digits 1001 to 2000, 60 a line with counters, an empty line every 2
    // lines, spaces every 10 and 50 digits.
    ASSERT_EQ(s.Run("7\n" + e.choice + "\n1\npart.txt\n1\n1000\n2000\n1\n60\n1\n2\n1\n1\n").status,
              0);
    EXPECT_EQ(s.Read("part.txt"), e.name + " digits between digit 1001 and digit 2000\n" +
                                      RefLayout(digits, 1000, 2000, {60, 1, 120, 1, 1, 0}));
  }
  // The command line stores the same files as the menu.
  ASSERT_EQ(s.RunWith({"sqrt2", "12345", "--fft-size=2", "--compressed"}, "").status, 0);
  const std::string data = s.Read("Sqrt2-00"), info = s.Read("Sqrt2-info");
  ASSERT_EQ(s.Run("4\n0\n12345\n2\n1\n").status, 0);
  EXPECT_TRUE(s.Read("Sqrt2-00") == data && s.Read("Sqrt2-info") == info);
}

TEST(Compressed, DamagedDataNegativeResultsAndTheCheckEntry) {
  Scratch s;
  ASSERT_EQ(s.Run("4\n0\n10000\n1\n1\n").status, 0);
  std::string data = s.Read("Sqrt2-00");
  data.replace(4, 4, std::string("\x00\xca\x9a\x3b", 4));  // 10^9 in the second word
  s.Write("Sqrt2-00", data);
  auto r = s.Run("7\n2\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.out, "The file Sqrt2-00 is damaged: the word at byte 4 holds 1000000000"));
  EXPECT_FALSE(Has(r.out, "OUTPUT FILE"));

  // The packed words carry no sign: -ln2 is written as text, not lost.
  ASSERT_EQ(s.Run("5\nneg\n.\n1\n-1\n3\n1/2\nneg\n").status, 0);
  r = s.Run("6\nneg\n10000\n1\n1\n");
  ASSERT_EQ(r.status, 0);
  EXPECT_TRUE(Has(r.out,
                  "A negative result cannot be stored compressed: the digits are written as text.\n"
                  "Appending result to file neg.txt"));
  EXPECT_TRUE(Has(s.Read("neg.txt"), "neg = -0.\n6931471805 5994530941"));
  EXPECT_FALSE(s.Exists("neg-00") || s.Exists("neg-info"));
}

// Menu entry 8 on a compressed Pi: agreement, then a damaged digit found.
TEST(Compressed, PiCheckThroughTheMenu) {
  Scratch s;
  ASSERT_EQ(s.RunWith({"pi", "300000", "--compressed"}, "").status, 0);
  // An index beyond the stored digits is pulled back to 100 digits before their end.
  auto r = s.Run("8\n1e9\n");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(Has(r.out, "Checking the first 299880 digits,\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "The computed 24 binary digits are identical.\n"));
  // Below one group of 36 digits: only the first binary digits.
  EXPECT_TRUE(Has(s.Run("8\n35\n").out, "Checking the first 0 digits,\nby computing 24 binary "
                                          "digits at binary position 1\n"));
  // A word changed beyond the checked digits (the lowest word) leaves the verdict
  // as it was; one some 360 digits under the top (nine digits a word, lowest
  // first) is found.
  const std::string good = s.Read("Pi-00");
  auto damaged = [&](size_t at) {
    std::string data = good;
    uint32_t word;
    std::memcpy(&word, &data[at], 4);
    word = (word + 1) % 1000000000;
    std::memcpy(&data[at], &word, 4);
    return data;
  };
  s.Write("Pi-00", damaged(0));
  EXPECT_TRUE(Has(s.Run("8\n1e9\n").out, "The computed 24 binary digits are identical.\n"));
  s.Write("Pi-00", damaged(good.size() - 4 * 40));
  r = s.Run("8\n1e9\n");
  EXPECT_TRUE(Has(r.out, "The check shows that your first 299880 digits are not OK\n")) << r.out;
  for (const char* scratch : {"b-00", "TwoPow-00", "PiD-00", "tmp-00"})
    EXPECT_FALSE(s.Exists(scratch)) << scratch;
  // The check needs the FFT size of the info file; a file without it gets no verdict.
  const std::string info = s.Read("Pi-info");
  s.Write("Pi-info", info.substr(0, info.rfind('\n', info.size() - 2) + 1));
  r = s.Run("8\n1e9\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.out, "The file Pi-info is damaged")) << r.out;
  EXPECT_TRUE(Has(r.out, "(the FFT size is missing)")) << r.out;
}

// A name the files cannot carry is refused before anything is computed (the
// menu and the constant files never give one; this guards other callers).
struct LongName : ConstantComputation {
  int Compute() override { std::abort(); }
  int GetTypeCode() const override { return 0; }
  std::string GetName() const override { return "AConstantNameOfTwentyFive"; }
  std::string GetResultFileName() const override { return "long.txt"; }
  void EstimateMemory(long, double* m, double* d) const override { *m = *d = 0; }
};

TEST(Compressed, LongNameRefusedBeforeComputing) {
  LongName c;
  c.Mode = kModeStandard;
  c.Compressed = 1;
  EXPECT_EXIT((dup2(2, 1), c.Run()), testing::ExitedWithCode(kExitFailure),
              "\"AConstantNameOfTwentyFive\" cannot name a compressed result");
}

}  // namespace
