// The records of "ParamNumora": written and read back across runs, and every
// record missing or absurd refused with a message that names it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "constants/e_computation.h"
#include "constants/pi_chudnovsky.h"
#include "shell/clock.h"
#include "shell/error_report.h"
#include "shell/resume.h"

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

class ResumeTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("numora-resume-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    old_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
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
  fs::path dir_, old_;
};

TEST_F(ResumeTest, TimesOfTheRunsAddUpAcrossSaves) {
  SavePi(100);
  std::vector<std::string> lines = Lines(kParamFileName);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0], "1");
  EXPECT_EQ(lines[1], "100000.000000");
  EXPECT_EQ(lines[3], "1024");
  EXPECT_EQ(lines[5].substr(0, 5), "100.0");
  EXPECT_EQ(lines[6], "2");
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 7, lines.end()),
            (std::vector<std::string>{"3", "0", "0", "3", "-2", "0"}));
  lines[5] = "100.000000";
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
  // An absurd value for each record after the type code.
  const char* absurd[] = {"9999",    "3",  "1000",      "2", "-5",     "99999",
                          "1000000", "1x", "999999999", "-3", "1e99",   "0.5"};
  const char* names[] = {"number of digits", "mode", "FFT size", "compressed output flag",
                         "time of the previous runs", "progress counter", "size of PP",
                         "exponent of PP", "file position of PP", "size of QQ",
                         "exponent of QQ", "file position of QQ"};
  for (size_t i = 1; i < good.size(); i++) {
    SCOPED_TRACE(names[i - 1]);
    std::vector<std::string> lines = good;
    lines[i] = absurd[i - 1];
    WriteLines(lines);
    PiChudnovskyComputation c;
    EXPECT_EXIT((ErrorsToStandardError(true), Resume(c)), testing::ExitedWithCode(kExitFailure),
                std::string("is damaged or incomplete \\(the ") + names[i - 1]);
    lines = good;
    lines.resize(i);
    WriteLines(lines);
    EXPECT_EXIT((ErrorsToStandardError(true), Resume(c)), testing::ExitedWithCode(kExitFailure),
                std::string("the ") + names[i - 1] + " is missing\\).*Delete the file");
  }
  // Steps still to do need both sums: a size of 0 is refused.
  std::vector<std::string> lines = good;
  lines[7] = "0";
  WriteLines(lines);
  PiChudnovskyComputation c;
  EXPECT_EXIT((ErrorsToStandardError(true), Resume(c)), testing::ExitedWithCode(kExitFailure),
              "the size of PP is out of range: 0");
  // A phase of e that no run saves.
  WriteLines({"20", "100000.000000", "1", "1024", "0", "5.0", "3", "0", "0", "0", "0", "0", "0",
              "0", "0", "0"});
  EComputation e(0);
  EXPECT_EXIT((ErrorsToStandardError(true), Resume(e)), testing::ExitedWithCode(kExitFailure),
              "the phase is out of range: 3");
}

}  // namespace
