// The files of a run: the error paths and the log they leave, the result file
// built aside; and the FFT row that the command line picks.
#include <fstream>
#include <string>

#include "shell/computation.h"
#include "shell/debug_state.h"
#include "shell/error_report.h"
#include "shell/memory.h"
#include "shell/files.h"
#include "shell/result_file.h"
#include "shell/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using scratch::ReadFile;

class RunFilesTest : public scratch::ScratchDirTest {
 protected:
  void TearDown() override {
    SetReportedFile("");
    ScratchDirTest::TearDown();
  }
};

// Death tests see standard error only: the messages are sent there.
#define EXPECT_FATAL_TEXT(statement, pattern) \
  EXPECT_EXIT((ErrorsToStandardError(true), statement), testing::ExitedWithCode(kExitFailure), \
              pattern)

TEST_F(RunFilesTest, EachErrorPathTellsWhatItShould) {
  EXPECT_FATAL_TEXT(SystemError("Free some room.", "Disk %s", "full\n"),
                        "^\nDisk full\nFree some room.\nThe details of this run are in the file "
                        "Numora.log.\n$");
  EXPECT_NE(ReadFile("Numora.log").find("\nDisk full\n\n==="), std::string::npos);  // one newline
  EXPECT_FATAL_TEXT(error("Bad carry"),
                        "^\nBad carry\nAn error was encountered, please send the Numora.log "
                        "file to\n");
  EXPECT_FATAL_TEXT(Refuse("No more answers.\n"), "^No more answers.\n$");
  // A log that cannot be written is never offered to the developers.
  fs::remove("Numora.log");
  fs::create_directory("Numora.log");
  EXPECT_FATAL_TEXT(error("Bad carry"),
                        "^\nBad carry\nAn internal error was encountered.\nThe log file "
                        "Numora.log could not be written \\(disk full or no permission\\?\\).\n$");
  fs::remove("Numora.log");
  // A request far beyond any memory ends the run with its message, not a crash.
  auto hugeAllocation = [] {
    double *raw, *aligned;
    AllocDoubles(long{1} << 60, &raw, &aligned);
  };
  EXPECT_EXIT(hugeAllocation(), testing::ExitedWithCode(kExitFailure), "");
  EXPECT_NE(ReadFile("Numora.log").find("Not enough memory"), std::string::npos);
}

// The log: the result file so far, the message, then the debug state.
TEST_F(RunFilesTest, LogCopiesTheResultFileThenMessageAndDebugState) {
  SetReportedFile("test.txt");
  std::ofstream("test.txt") << "Program : Numora version 4.1\n";
  DebugState() = DebugStateData{};
  DebugState().GiantStep = 3;
  DebugState().GiantN0 = 10;
  DebugState().GiantN1 = 20;
  DebugState().GiantDoComputeA = 1;
  ErrorReport("Something broke", 0);
  DebugState() = DebugStateData{};
  // Everything but the time line under the banner, which changes from run to run.
  std::string log = ReadFile("Numora.log");
  const size_t time = log.find("\n\n", log.find("=             ERROR")) + 2;
  log.erase(time, log.find('\n', time) + 1 - time);
  const std::string signs = "==================================\n";
  EXPECT_EQ(log, "Program : Numora version 4.1\n\n" + signs +
                     "=             ERROR              =\n" + signs + "\n" +
                     "\n\nSomething broke\n\n" + signs + "=          DEBUG INFORMATION     =\n" +
                     signs + "\n--------------------------------\nGiant step is on, value=3\n"
                     "n0=10, n1=20\nDoComputeA = 1\n");
}

TEST_F(RunFilesTest, ResultFileReplacesThePreviousOneOnlyWhenComplete) {
  std::ofstream("r.txt") << "previous";
  {
    ResultFile file("r.txt", true, false);
    FILE* f = file.Open();
    std::fputs("header\n", f);
    file.Close(f);
    f = file.Open();  // later openings append
    std::fputs("digits\n", f);
    file.Close(f);
    EXPECT_EQ(ReadFile("r.txt"), "previous");
    file.Commit();
  }
  EXPECT_EQ(ReadFile("r.txt"), "header\ndigits\n");
  EXPECT_FALSE(fs::exists("r.txt.partial"));

  // A failed single run: the log copies the partial file, which then goes;
  // a multi-run computation keeps it for its next run.
  for (bool multiRun : {false, true}) {
    EXPECT_EXIT(
        {
          ResultFile file("r.txt", true, multiRun);
          FILE* f = file.Open();
          std::fputs("new header\n", f);
          file.Close(f);
          error("stop");
        },
        testing::ExitedWithCode(kExitFailure), "");
    EXPECT_EQ(ReadFile("Numora.log").rfind("new header\n", 0), 0u);
    EXPECT_EQ(ReadFile("r.txt"), "header\ndigits\n");
    EXPECT_EQ(fs::exists("r.txt.partial"), multiRun);
  }
}

// A computation whose memory estimate is one byte per point.
class SizedComputation : public ConstantComputation {
 public:
  int Compute() override { return 1; }
  int GetTypeCode() const override { return 0; }
  std::string GetName() const override { return "Sized"; }
  std::string GetResultFileName() const override { return "sized.txt"; }
  void EstimateMemory(long fftSize, double* m, double* d) const override {
    *m = static_cast<double>(fftSize);
    *d = 0;
  }
};

TEST(Dialogue, RowsOfTheTable) {
  EXPECT_EQ(DigitsRefusal(2e10), "");
  EXPECT_NE(DigitsRefusal(2e10 + 1), "");

  SizedComputation c;
  c.Mode = kModeStandard;
  c.Digits = 1000000;  // rows 128 k down to 4 k
  EXPECT_EQ(c.FirstRowUnits(), 128);
  EXPECT_EQ(c.FittingFFTUnits(0), 128);
  EXPECT_EQ(c.FittingFFTUnits(200000), 128);
  EXPECT_EQ(c.FittingFFTUnits(100000), 64);
  EXPECT_EQ(c.FittingFFTUnits(10), 4);  // nothing fits: the smallest row
  c.SetFFTUnits(100);
  EXPECT_EQ(c.FFTSize, 64 * 1024);
  c.Mode = kModeBasicDisk;  // the disk table starts one row lower
  EXPECT_EQ(c.FirstRowUnits(), 64);
  EXPECT_EQ(LargestFFTUnits(1e300, 0), 32768);  // no endless doubling
}

}  // namespace
