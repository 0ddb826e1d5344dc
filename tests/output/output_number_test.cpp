#include "output/output_number.h"

#include <unistd.h>

#include <cstdio>

#include "shell/console.h"
#include "shell/error_report.h"
#include "shell/scratch_dir.h"
#include "vec_number.h"

namespace {

// Fixed at start-up so that a death-test child writes the parent's files.
const std::string kOut = ::testing::TempDir() + "numora_output_" + std::to_string(getpid());
const std::string kIn = kOut + "_answers";

using scratch::ReadFile;

// The decompression-style dialogue on x; returns the console text.
std::string Dialogue(const MPInt& x, double digits, const std::string& answers) {
  return scratch::Answering(kIn, answers, [&] { OutputNumber(x, "X", digits, nullptr, -1, 0); });
}

const std::string kFrac = PatternDigits(1000);
const VecNumber kX = FromDecimal("2", kFrac);

TEST(OutputNumber, InvalidChoicesWriteNothing) {
  for (std::string r : {"1\n100\n100\n", "1\n0\n1001\n", "2\n1001\n10\n"}) {
    EXPECT_TRUE(
        Dialogue(kX, 1000, "1\n" + kOut + "\n" + r).ends_with("ERROR, invalid parameters\n"))
        << r;
    EXPECT_EQ(ReadFile(kOut), "") << r;
  }
  for (std::string y : {"0", "0.5"}) {  // a step that would never (or hardly) end
    EXPECT_TRUE(Dialogue(kX, 1000, "1\n" + kOut + "\n2\n10\n" + y + "\n")
                    .ends_with("ERROR, y must be at least 1\n"));
    EXPECT_EQ(ReadFile(kOut), "") << y;
  }
}

TEST(OutputNumber, EveryYDigitsAndACustomFormat) {
  Dialogue(kX, 1000, "1\n" + kOut + "\n2\n10\n100\n0\n");
  std::string expected = "X digits : 10 digits every 100 digits\n2.\n";
  for (size_t p = 0; p < 1000; p += 100) expected += kFrac.substr(p, 10) + " \n";
  EXPECT_EQ(ReadFile(kOut), expected);
  Dialogue(VecNumber({206761537357, 858407346410, 999999999996, -1}, -2), 24,
           "1\n" + kOut + "\n2\n5\n12\n0\n");
  EXPECT_EQ(ReadFile(kOut),
            "X digits : 5 digits every 12 digits\nNegative number\n-3.\n14159\n79323\n");
  Dialogue(kX, 1000, "1\n" + kOut + "\n0\n1\n0\n1\n");
  EXPECT_EQ(ReadFile(kOut),
            "X with 1000 digits : \nX = 2.\n" + RefLayout(kFrac, 0, 1000, {0, 1, 500, 1, 0, 0}));
}

TEST(OutputNumber, OutputFileFailures) {
  const std::string console =
      Dialogue(kX, 1000, "1\n/nonexistent-dir/x\n" + kOut + "\n0\n0\n");
  EXPECT_NE(console.find("Cannot create the file /nonexistent-dir/x ("), std::string::npos);
  EXPECT_TRUE(ReadFile(kOut).starts_with("X with 1000 digits : \n"));
  std::string bad;
  for (int i = 0; i < kMaxBadAnswers; i++) bad += "/nonexistent-dir/x\n";
  EXPECT_TRUE(Dialogue(kX, 1000, "1\n" + bad).ends_with("nothing is written.\n"));
  // A write that fails (disk full) ends the run as an error, never as a written file.
  const std::string dir = ::testing::TempDir();
  EXPECT_EXIT((void)(chdir(dir.c_str()) + Dialogue(kX, 1000, "1\n/dev/full\n0\n0\n").size()),
              ::testing::ExitedWithCode(kExitFailure), "");
  for (const std::string& f : {kOut, kIn, dir + "Numora.log"}) std::remove(f.c_str());
}

}  // namespace
