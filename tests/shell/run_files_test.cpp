// The error paths of a run and the log they leave.
#include <fstream>
#include <string>

#include "shell/computation.h"
#include "shell/debug_state.h"
#include "shell/error_report.h"
#include "shell/memory.h"
#include "shell/files.h"
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
  double *raw, *aligned;
  EXPECT_EXIT(AllocDoubles(long{1} << 60, &raw, &aligned), testing::ExitedWithCode(kExitFailure),
              "");
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

// The table's rows come from the digits and the machine (checked through the
// binary); counts no dialogue accepts must still end the doubling.
TEST(Dialogue, LargestRowIsBounded) { EXPECT_EQ(LargestFFTUnits(1e300, 0), 32768); }

}  // namespace
