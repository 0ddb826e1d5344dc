// The menu, the parameter dialogue and the handling of wrong or missing answers,
// through the real binary.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

using namespace e2e;

const std::string kMenu =
    "Numora, version 4.1\n\n"
    "Menu : \n"
    "[0] Compute Pi with Chudnovsky method (Fastest)\n"
    "[1] Compute Pi with Ramanujan method\n"
    "[2] Compute E by the exponential series exp(1)\n"
    "[3] Compute E by the exponential series 1/exp(-1)\n"
    "[4] Compute Sqrt(2) (useful for testing)\n"
    "[5] Define your constant with hypergeometric series\n"
    "[6] Compute a user constant from a .numora file\n"
    "[7] Decompress a result file\n"
    "[8] Check a compress result Pi file\n"
    "Enter your choice : ";

// The dialogue with the memory of each row as "#": the layout is checked
// here, the figures against the runs' peaks in memory_test.cpp. The figures
// go to *memory, in table order.
std::string MaskMemory(const std::string& out, std::vector<long>* memory) {
  const std::regex figure("Mem=(\\d+) K");
  for (std::sregex_iterator i(out.begin(), out.end(), figure), end; i != end; ++i)
    memory->push_back(std::stol((*i)[1]));
  return std::regex_replace(out, figure, "Mem=# K");
}

TEST(Menu, ChoiceOutsideTheMenuEndsSilently) {
  Scratch s;
  auto r = s.Run("9\n");
  EXPECT_EQ(r.out, kMenu + "\n");
  EXPECT_EQ(r.status, 0);
}

// Each answer wrong, missing or endless at each prompt: asked again with the
// reason, or the run ends promptly with a failure, never overflowing or hanging.
TEST(Menu, WrongMissingOrEndlessAnswers) {
  std::string nines;
  for (int i = 0; i < 100; i++) nines += "9999\n";
  const std::string letters = "a\nb\nc\nd\ne\nf\ng\n", modes = "4\n5\n-1\n0\n100000\n-8\n0\n16\n";
  const struct {
    std::string input;
    int status;
    std::string text;
    int count;  // of text in the console; 0: present
  } cases[] = {
      // End of input right before one more answer is needed.
      {"", 1, "End of input", 0},                      // menu
      {"4\n", 1, "End of input", 0},                   // mode
      {"4\n0\n", 1, "End of input", 0},                // digits
      {"4\n0\n9999\n", 1, "End of input", 0},          // digits again after a refusal
      {"4\n0\n100000\n", 1, "End of input", 0},        // FFT size
      {"4\n0\n100000\n16\n", 1, "End of input", 0},    // compressed output
      {"7\n", 1, "End of input", 0},                   // decompression choice
      {"7\n3\n", 1, "End of input", 0},                // constant name
      {"5\nx\nsome comment\n", 1, "End of input", 0},  // comments of a definition
      {"zero\n9\n", 0, "\"zero\" is not a whole number", 0},
      {"zero\n9\n", 0, "Enter your choice : ", 2},
      {letters, 1, "Too many invalid answers", 0},
      {letters, 1, "Enter your choice : ", 5},
      {"4\n0\n" + nines, 1, "Too many invalid answers", 0},
      {std::string(100000, '7') + "\n", 1, "", 0},  // cut, never overflowing anything
      // 9999.7 is refused (9999 digits), 10000.9 accepted as 10000.
      {"4\n0\n9999.7\n10000.9\n", 1, "Error, should compute at least 10000 digits\n", 1},
      {"4\n0\n9999.7\n10000.9\n", 1, "FFT Size=   1 k", 1},
      {modes, 1, "Error, the computation mode should be 0, 1 or 2\n", 2},
      {modes, 1, "Error, your FFT size should be positive\n", 1},
      {modes, 1, "Enter FFT Size in k :", 3},
      // 12288 digits: a single row; 12289: two; 10^9 digits: capped at 32768 k.
      {"4\n0\n12288\n", 1, "FFT Size=", 1},
      {"4\n0\n12289\n", 1, "FFT Size=", 2},
      {"4\n0\n1000000000\n", 1, "FFT Size=32768 k", 0},
      // The advanced disk mode with few digits still offers 1 k: the dialogue can end.
      {"4\n2\n10000\n1\n", 1, "Compressed output", 0},
  };
  Scratch s;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input.substr(0, 40) + " -> " + c.text);
    auto r = s.Run(c.input, 20);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_TRUE(c.count ? Count(r.out, c.text) == c.count : Has(r.out, c.text)) << r.out;
  }
}

TEST(Dialogue, TableOfFFTSizesForOneMillionDigits) {
  Scratch s;
  // Sqrt(2), standard mode, 10^6 digits, an entry of 100 k, then end of input.
  auto r = s.Run("4\n0\n1000000\n100\n");
  const std::string expected = kMenu + "\n" +
                               "Choose your computation mode :\n"
                               "[0] standard mode (no disk memory used)\n"
                               "[1] basic disk memory mode (for big computations)\n"
                               "[2] advanced disk memory mode (for huge computations)\n"
                               "Enter your choice : \n"
                               "Number of decimal digits : "
                               "Possible FFT modes, with approximate needed memory :\n\n"
                               "FFT Size= 128 k, Mem=# K (Fastest mode)\n"
                               "FFT Size=  64 k, Mem=# K\n"
                               "FFT Size=  32 k, Mem=# K\n"
                               "FFT Size=  16 k, Mem=# K\n"
                               "FFT Size=   8 k, Mem=# K\n"
                               "FFT Size=   4 k, Mem=# K\n"
                               "...\n\n"
                               "Enter FFT Size in k :\n"
                               "Compressed output (also useful to specify output format) ? "
                               "[0=No, 1=Yes] : ";
  std::vector<long> memory;
  EXPECT_EQ(MaskMemory(r.out, &memory).substr(0, expected.size()), expected);
  // A smaller transform needs less memory: the warning's advice.
  ASSERT_EQ(memory.size(), 6u);
  for (size_t i = 1; i < memory.size(); i++) EXPECT_LT(memory[i], memory[i - 1]);
}

TEST(Dialogue, DiskModeTableHasDiskMemoryAndTimeFactors) {
  Scratch s;
  // Pi, basic disk mode: the first row is n/2 and larger sizes are refused.
  auto r = s.Run("0\n1\n1000000\n128\n");
  const std::string table =
      "FFT Size=  64 k, Mem=# K, MemDisk=1953 k (Fastest mode)\n"
      "FFT Size=  32 k, Mem=# K, MemDisk=1953 k (Time: Fastest mode * 1.3) \n"
      "FFT Size=  16 k, Mem=# K, MemDisk=1953 k (Time: Fastest mode * 1.8) \n"
      "FFT Size=   8 k, Mem=# K, MemDisk=1953 k (Time: Fastest mode * 3.0) \n"
      "FFT Size=   4 k, Mem=# K, MemDisk=1953 k (Time: Fastest mode * 5.1) \n"
      "FFT Size=   2 k, Mem=# K, MemDisk=1953 k (Time: Fastest mode * 7.3) \n"
      "...\n\n";
  std::vector<long> memory;
  EXPECT_TRUE(Has(MaskMemory(r.out, &memory), table)) << r.out;
  EXPECT_TRUE(Has(r.out, "Enter FFT Size in k :Error, your FFT size is too large\n"));
}

TEST(Decompress, MenuChoicesAndMissingOrDamagedInfoFiles) {
  Scratch s;
  auto wrong = s.Run("7\n9\n");
  EXPECT_TRUE(Has(wrong.out,
                  "Decompress : \n[0] The latest Pi compressed file\n"
                  "[1] The latest E compressed file\n"
                  "[2] The latest Sqrt2 compressed file\n"
                  "[3] The latest user constant compressed file\n"
                  "Enter your choice : Error, unavailable option\n"));

  auto missing = s.Run("7\n3\nUserConstant\n");
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(Has(missing.out, "Enter the constant name : Cannot open the file UserConstant-info"));

  s.Write("Pi-info", "1000000\nabc\n");
  auto damaged = s.Run("7\n0\n");
  EXPECT_EQ(damaged.status, 1);
  EXPECT_TRUE(Has(damaged.out, "The file Pi-info is damaged"));
}

}  // namespace
