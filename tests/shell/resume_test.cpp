// The records of "ParamNumora": written and read back across runs, and every
// record missing or absurd refused with a message that names it.
#include <cstdio>
#include <string>
#include <vector>

#include "constants/e_computation.h"
#include "constants/pi_chudnovsky.h"
#include "shell/clock.h"
#include "shell/error_report.h"
#include "shell/resume.h"
#include "shell/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
std::vector<std::string> Lines(const std::string& name) {
  std::ifstream in(name);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void WriteLines(const std::vector<std::string>& lines) {
  std::ofstream out(kParamFileName);
  for (const std::string& l : lines) out << l << "\n";
}

// Reads "ParamNumora" as the menu does: the type code, then the computation's records.
template <typename Computation>
void Resume(Computation& c) {
  FILE* f = std::fopen(kParamFileName, "r");
  ASSERT_NE(f, nullptr);
  ParamReader(f).Long("the type of computation", 1, 21);
  c.ReadParams(f);
}

// The run ends through the error report with a message matching pattern.
template <typename Computation>
void ExpectRefused(Computation& c, const std::string& pattern) {
  EXPECT_EXIT((ErrorsToStandardError(true), Resume(c)), testing::ExitedWithCode(kExitFailure),
              pattern);
}

class ResumeTest : public scratch::ScratchDirTest {
 protected:
  // A Pi computation in mode 1 stopped at step 2, with P and Q of three limbs.
  static void SavePi(double seconds) {
    PiChudnovskyComputation c;
    c.Digits = 100000;
    c.Mode = kModeBasicDisk;
    c.FFTSize = 1024;
    c.Compressed = 0;
    c.SizeSeries();
    c.ProgressCounter = 2;
    const double limbs[3] = {5, 6, 7};
    for (DiskInt* d : {&c.P, &c.Q}) {
      d->Init(d == &c.P ? "PP" : "QQ", 100);
      WriteLimbs(limbs, *d, 3, 0);
      d->Size = 3;
    }
    c.Q.Offset = -2;
    c.RunStart = GetSeconds() - seconds;
    SaveParamFile(c);
  }
};

TEST_F(ResumeTest, TimesOfTheRunsAddUpAcrossSaves) {
  SavePi(100);
  std::vector<std::string> lines = Lines(kParamFileName);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[5].substr(0, 5), "100.0");
  lines[5] = "100.000000";
  EXPECT_EQ(lines, (std::vector<std::string>{"1", "100000.000000", "1", "1024", "0", "100.000000",
                                             "2", "3", "0", "0", "3", "-2", "0"}));
  WriteLines(lines);

  PiChudnovskyComputation second;
  Resume(second);
  EXPECT_EQ(second.PreviousDuration, 100);
  EXPECT_EQ(second.ProgressCounter, 2);
  EXPECT_EQ(second.Q.Offset, -2);
  EXPECT_NE(second.ParamFile, nullptr);
  second.RunStart = GetSeconds() - 200;
  SaveParamFile(second);
  EXPECT_EQ(Lines(kParamFileName)[5].substr(0, 5), "300.0");
  EXPECT_FALSE(fs::exists("ParamNumora.new"));
}

TEST_F(ResumeTest, EachRecordMissingOrAbsurdIsRefused) {
  SavePi(100);
  const std::vector<std::string> good = Lines(kParamFileName);
  // An absurd value for each record after the type code; the size 0 of PP
  // too, as steps still to do need both sums.
  const std::pair<const char*, std::string> records[] = {
      {"9999", "number of digits"}, {"3", "mode"}, {"1000", "FFT size"},
      {"2", "compressed output flag"}, {"-5", "time of the previous runs"},
      {"99999", "progress counter"}, {"0", "size of PP"}, {"1x", "exponent of PP"},
      {"999999999", "file position of PP"}, {"1000000", "size of QQ"}, {"1e99", "exponent of QQ"},
      {"0.5", "file position of QQ"}};
  for (size_t i = 1; i < good.size(); i++) {
    const auto& [absurd, name] = records[i - 1];
    SCOPED_TRACE(name);
    std::vector<std::string> lines = good;
    lines[i] = absurd;
    WriteLines(lines);
    PiChudnovskyComputation c;
    ExpectRefused(c, "is damaged or incomplete \\(the " + name);
    lines.resize(i);
    WriteLines(lines);
    ExpectRefused(c, "the " + name + " is missing\\).*Delete the file");
  }
  // A phase of e that no run saves.
  WriteLines({"20", "100000.000000", "1", "1024", "0", "5.0", "3", "0", "0", "0", "0", "0", "0",
              "0", "0", "0"});
  EComputation e(0);
  ExpectRefused(e, "the phase is out of range: 3");
}

}  // namespace
