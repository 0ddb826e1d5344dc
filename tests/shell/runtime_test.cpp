#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "shell/clock.h"
#include "shell/computation.h"
#include "shell/console.h"
#include "shell/debug_state.h"
#include "shell/error_report.h"
#include "shell/memory.h"

namespace {

TEST(Runtime, Upper2PowerRaisesToAtLeast256) {
  EXPECT_EQ(Upper2Power(1, 1 << 20), 256);
  EXPECT_EQ(Upper2Power(200, 1 << 20), 256);
  EXPECT_EQ(Upper2Power(257, 1024), 512);
  EXPECT_EQ(Upper2Power(1 << 20, 1 << 20), 1 << 20);
}

TEST(Runtime, AllocationsAreCountedIn64Bits) {
  const int64_t before = TotalAllocatedBytes();
  double *raw, *aligned;
  AllocDoubles(0, &raw, &aligned);
  EXPECT_EQ(TotalAllocatedBytes() - before, 8);
  FreeDoubles(0, raw);
  AllocDoubles(1000, &raw, &aligned);
  EXPECT_EQ(TotalAllocatedBytes() - before, 8008);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(aligned) % 8, 0u);
  aligned[999] = 1;  // the whole room is usable
  FreeDoubles(1000, raw);
  EXPECT_EQ(TotalAllocatedBytes(), before);
  // A counter of many GiB must not wrap.
  TotalAllocatedBytes() += int64_t{5} << 32;
  EXPECT_GT(TotalAllocatedBytes(), int64_t{1} << 32);
  TotalAllocatedBytes() -= int64_t{5} << 32;
}


TEST(Runtime, BitReverseTableIsAPermutationOfReversedIndices) {
  for (long n : {1L, 2L, 8L, 1024L}) {
    std::vector<uint16_t> t(n);
    BitReverseTable(t.data(), n);
    int bits = 0;
    while ((1L << bits) < n) bits++;
    for (long i = 0; i < n; i++) {
      long r = 0;
      for (int b = 0; b < bits; b++)
        if (i & (1L << b)) r |= 1L << (bits - 1 - b);
      ASSERT_EQ(t[i], r) << "n=" << n << " i=" << i;
    }
  }
}

TEST(Runtime, FloorAndRounding) {
  EXPECT_EQ(Floor(-0.5), -1);
  EXPECT_EQ(Floor(4503599627370495.0), 4503599627370495.0);
  EXPECT_EQ(RoundNearest(2.5e12 + 0.4), 2.5e12);
  EXPECT_EQ(RoundNearest(-7.6), -8);
}

TEST(Runtime, TimeStringHasTheCtimeLayout) {
  char s[kTimeStringSize];
  GetTimeString(s);
  ASSERT_EQ(std::strlen(s), 25u) << s;
  EXPECT_EQ(s[24], '\n');
  EXPECT_EQ(s[3], ' ');
  EXPECT_EQ(s[13], ':');
}

TEST(Runtime, StopwatchAccumulates) {
  ResetTimer(kTimerSeries);
  StartTimer(kTimerSeries);
  usleep(20000);
  StopTimer(kTimerSeries);
  EXPECT_GE(TimerValue(kTimerSeries), 0.01);
  EXPECT_LT(TimerValue(kTimerSeries), 5);
}

TEST(Runtime, SkipToColon) {
  FILE* f = std::tmpfile();
  std::fputs("Name : x", f);
  std::rewind(f);
  EXPECT_EQ(SkipToColon(f), 1);
  EXPECT_EQ(std::fgetc(f), ' ');
  EXPECT_EQ(SkipToColon(f), 0);
  std::fclose(f);
}

// A computation that only names its result file.
class NamedComputation : public ConstantComputation {
 public:
  int Compute() override { return 1; }
  int GetTypeCode() const override { return 0; }
  std::string GetName() const override { return "Test"; }
  std::string GetResultFileName() const override { return "test.txt"; }
  void EstimateMemory(long, double* m, double* d) const override { *m = *d = 0; }
};

std::string ReadFile(const std::string& name) {
  std::ifstream in(name);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class ErrorReportTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("numora-log-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_, old_;
};

// Everything of the log but its time line, which changes from run to run.
std::string LogWithoutTime(const std::string& log) {
  size_t banner = log.find("=             ERROR              =\n");
  size_t timeLine = log.find('\n', log.find("\n\n", banner) + 2);
  return log.substr(0, log.find("\n\n", banner) + 2) + log.substr(timeLine + 1);
}

TEST_F(ErrorReportTest, LogCopiesTheResultFileThenMessageAndDebugState) {
  SetReportedFile("test.txt");
  std::ofstream("test.txt") << "Program : Numora version 4.1\n";
  DebugState() = DebugStateData{};
  DebugState().GiantStep = 3;
  DebugState().GiantN0 = 10;
  DebugState().GiantN1 = 20;
  DebugState().GiantDoComputeA = 1;
  ErrorReport("Something broke", 0);
  const std::string signs = "==================================\n";
  EXPECT_EQ(LogWithoutTime(ReadFile("Numora.log")),
            "Program : Numora version 4.1\n\n" + signs + "=             ERROR              =\n" +
                signs + "\n" + "\n\nSomething broke\n\n" + signs +
                "=          DEBUG INFORMATION     =\n" + signs + "\n" +
                "--------------------------------\nGiant step is on, value=3\n"
                "n0=10, n1=20\nDoComputeA = 1\n");
  DebugState() = DebugStateData{};
  SetReportedFile("");
}

TEST_F(ErrorReportTest, WithoutResultFileTheReportEndsAtTheDebugBanner) {
  SetReportedFile("");
  DebugState() = DebugStateData{};
  DebugState().GiantN0 = 5;  // hidden: the giant step value is 0
  ErrorReport("No file", 0);
  std::string log = ReadFile("Numora.log");
  EXPECT_EQ(log.substr(0, 2), "\n=");
  const std::string tail =
      "=          DEBUG INFORMATION     =\n==================================\n\n";
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
  EXPECT_EQ(log.find("Giant"), std::string::npos);
  DebugState() = DebugStateData{};
}

// Fatal errors print on standard output: the death tests only see the status,
// the log tells what was reported.
TEST_F(ErrorReportTest, FatalErrorsEndWithFailureStatusAndALog) {
  SetReportedFile("");
  EXPECT_EXIT(error("Broken arithmetic"), testing::ExitedWithCode(kExitFailure), "");
  EXPECT_NE(ReadFile("Numora.log").find("\nBroken arithmetic\n"), std::string::npos);
  EXPECT_EXIT(Upper2Power(5, 4), testing::ExitedWithCode(kExitFailure), "");
  EXPECT_NE(ReadFile("Numora.log").find("Error in Upper2Power , N=5 is too big"),
            std::string::npos);
  auto hugeAllocation = [] {
    double *raw, *aligned;
    AllocDoubles(long{1} << 60, &raw, &aligned);
  };
  EXPECT_EXIT(hugeAllocation(), testing::ExitedWithCode(kExitFailure), "");
  EXPECT_NE(ReadFile("Numora.log").find("Not enough memory"), std::string::npos);
}

TEST(Dialogue, LargestFFTUnits) {
  EXPECT_EQ(LargestFFTUnits(12288, 0), 1);
  EXPECT_EQ(LargestFFTUnits(12289, 0), 2);
  EXPECT_EQ(LargestFFTUnits(1000000, 0), 128);
  EXPECT_EQ(LargestFFTUnits(1e9, 0), 32768);
  EXPECT_EQ(LargestFFTUnits(1e300, 0), 32768);  // no endless doubling
  EXPECT_EQ(LargestFFTUnits(1e9, 2), 131072);
}

}  // namespace
