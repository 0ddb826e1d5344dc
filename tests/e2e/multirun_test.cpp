// Pi and e in the disk modes through the real binary, in one run and in
// several: stopped by the threshold or Ctrl-C, killed at chosen points (the
// fault hook of the binary), resumed from every save point. With 1 k points
// the numbers span many pieces, and in the advanced mode the steps are summed
// on disk and the long products go through the NTT. The digits are checked
// against known digits and against the other series, never against an
// earlier output of the program.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

using namespace e2e;

constexpr long kDigits = 40000;

// A fresh computation in a disk mode with 1 k points.
std::string Fresh(const Constant& c, const std::string& threshold, int mode = 1,
                  long digits = kDigits) {
  return Answers(c.entry, mode, digits, 1) + threshold + "\n";
}

// The highest step, from "Starting step S " of a first run.
long TopStep(const std::string& out) {
  const size_t p = out.find("Starting step ");
  return p == std::string::npos ? -99 : std::stol(out.substr(p + 14));
}

TEST(DiskMode, BothSeriesOfPiAndOfEGiveTheKnownDigits) {
  const std::pair<int, long> runs[] = {{1, 12345}, {1, kDigits}, {2, kDigits}};
  for (const auto& [mode, digits] : runs) {
    for (const Constant* c : {&kPi, &kPiRamanujan, &kE, &kEAlternating}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + ", entry " + std::to_string(c->entry));
      Scratch s;
      auto r = s.Run(Fresh(*c, "0", mode, digits));
      ExpectFinished(s, *c, r, digits);
      EXPECT_TRUE(Has(s.Read(c->file), "Time spent in disk swapping : "));
      // Products too short for the NTT take the piece product, without complaint.
      EXPECT_FALSE(Has(r.out, "NNTT is too small"));
    }
  }
}

TEST(DiskMode, ThresholdMinusOneStopsAfterTheSeriesAndTheNextRunFinishes) {
  for (int mode : {1, 2}) {
    for (const Constant* c : {&kPi, &kE}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + ", entry " + std::to_string(c->entry));
      Scratch s;
      auto first = s.Run(Fresh(*c, "-1", mode));
      EXPECT_EQ(first.status, 0) << first.out;
      EXPECT_TRUE(Has(first.out, "Computation time of this run : "));
      EXPECT_TRUE(Has(first.out, "Time including previous run: "));
      EXPECT_TRUE(Has(first.out, "Do not forget to continue your computation in a next run !\n"));
      // The progress counter -1 of Pi and the phase -1 of e: the series is done.
      const std::vector<std::string> records = Records(s);
      ASSERT_GE(records.size(), 7u);
      EXPECT_EQ(records[0], c == &kPi ? "1" : "20");
      EXPECT_EQ(records[2], std::to_string(mode));
      EXPECT_EQ(records[6], "-1");
      EXPECT_FALSE(s.Exists(c->file));
      EXPECT_TRUE(s.Exists(std::string(c->file) + ".partial"));

      auto second = s.Run("0\n");
      EXPECT_TRUE(Has(second.out, "A Parameter file exists that permits to go on with previous\n"));
      EXPECT_TRUE(Has(second.out, "Number of digits          : 40000\n"));
      EXPECT_FALSE(Has(second.out, "Computing series"));
      EXPECT_TRUE(mode == 1 || Has(second.out, c == &kPi ? "Inverse" : "Inverse time"));
      ExpectFinished(s, *c, second, kDigits);
      const std::string file = s.Read(c->file);
      EXPECT_EQ(Count(file, "Computation run information :"), 2);
      EXPECT_EQ(Count(file, "Program : Numora version"), 1);
      EXPECT_EQ(Count(file, "Total computation time : "), 1);
    }
  }
}

// Killed right after each save, then continued: every save point of the
// drivers is a state from which the next run finishes right.
TEST(DiskMode, ResumesFromEverySavePoint) {
  Scratch probe;
  const long top = TopStep(probe.Run(Fresh(kPi, "0")).out);
  ASSERT_GT(top, 3);
  const std::string step = "Starting step " + std::to_string(top - 1) + " ";
  const struct {
    const Constant* c;
    int mode;
    long save;                       // the n-th save: 1 is the initial state
    std::string record, has, lacks;  // the saved progress, what the next run does or skips
  } cases[] = {
      {&kPi, 1, 2, std::to_string(top - 1), step, "Starting step " + std::to_string(top) + " "},
      {&kPi, 1, top + 2, "-1", "", ""},
      {&kPi, 1, top + 3, "-2", "SquareRoot", "Division"},
      {&kPi, 1, top + 4, "-3", "", ""},
      {&kPiRamanujan, 1, top, "", "", ""},
      {&kE, 1, 2, "0", "Second Half", "First Half"},
      {&kE, 1, 3, "-1", "", ""},
      {&kEAlternating, 1, 2, "0", "", ""},
      // Saved after the inverse: only the final product is left.
      {&kEAlternating, 2, 4, "-2", "Final huge multiplication time", "Inverse time"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << k.c->name << " mode " << k.mode << " save " << k.save);
    Scratch s;
    auto killed = s.RunFault("kill:saved:" + std::to_string(k.save), Fresh(*k.c, "0", k.mode));
    ASSERT_EQ(killed.signal, SIGKILL) << killed.out;
    ASSERT_GE(Records(s).size(), 7u);
    EXPECT_TRUE(k.record.empty() || Records(s)[6] == k.record) << Records(s)[6];
    auto next = s.Run("0\n");
    EXPECT_TRUE(Has(next.out, k.has));
    EXPECT_TRUE(k.lacks.empty() || !Has(next.out, k.lacks));
    ExpectFinished(s, *k.c, next, kDigits);
  }
}

// Killed in the middle of a step, of a phase, of the save, of the disk
// recursion or of the merges through the NTT, once or several times in a
// row: each next start continues to the right digits.
TEST(DiskMode, KilledAnywhereNeverGivesWrongDigits) {
  const struct {
    const Constant* c;
    int mode;
    std::vector<std::string> faults;  // "fault=file": a file that shows what was under way
  } cases[] = {
      {&kPi, 1, {"kill:pi-step:1", "kill:pi-step:3", "kill:save:2", "kill:pi-step:2"}},
      {&kPi, 1, {"kill:pi-division:1", "kill:pi-invsqrt:1", "kill:save:1"}},
      {&kPiRamanujan, 1, {"kill:pi-step:5", "kill:pi-division:1"}},
      {&kE, 1, {"kill:e-leaf:3", "kill:e-combine:1", "kill:e-leaf:2", "kill:e-division:1"}},
      {&kEAlternating, 1, {"kill:e-combine:1", "kill:save:1", "kill:e-division:1"}},
      // "dQ-00": a step summed on disk; "Numora-scratch-A000": Q's NTT
      // residues kept between its two products.
      {&kPi, 2, {"kill:pi-step:4=Numora-scratch-A000", "kill:pi-disk-leaf:2=dP-00",
                 "kill:pi-disk-step:1=dQ-00", "kill:pi-inverse:1", "kill:pi-invsqrt:1"}},
      {&kPiRamanujan, 2, {"kill:pi-disk-step:3", "kill:pi-division:1"}},
      {&kE, 2, {"kill:e-leaf:4", "kill:e-combine:1=Numora-scratch-A000", "kill:e-inverse:1",
                "kill:e-division:1"}},
  };
  for (const auto& k : cases) {
    Scratch s;
    std::string input = Fresh(*k.c, "0", k.mode);
    for (const std::string& fault : k.faults) {
      SCOPED_TRACE(std::string(k.c->name) + " mode " + std::to_string(k.mode) + " " + fault);
      const size_t eq = fault.find('=');
      auto killed = s.RunFault(fault.substr(0, eq), input);
      ASSERT_EQ(killed.signal, SIGKILL) << killed.out;
      ASSERT_TRUE(s.Exists("ParamNumora"));
      EXPECT_TRUE(eq == std::string::npos || s.Exists(fault.substr(eq + 1)));
      input = "0\n";
    }
    ExpectFinished(s, *k.c, s.Run(input), kDigits);
  }
}

TEST(DiskMode, CtrlCStopsAtTheEndOfTheStepAndASecondEndsAtOnce) {
  Scratch s;
  auto stopped = s.RunFault("int:pi-step:3", Fresh(kPi, "0"));
  EXPECT_EQ(stopped.status, 0) << stopped.out;
  EXPECT_TRUE(Has(stopped.out, "Stop requested"));
  EXPECT_TRUE(Has(stopped.out, "Do not forget to continue your computation in a next run !\n"));
  // The step under way was finished and saved: three steps after the top one.
  const long top = TopStep(stopped.out);
  EXPECT_EQ(Records(s)[6], std::to_string(top - 4));
  EXPECT_EQ(Files(s),
            (std::vector<std::string>{"PP-00", "ParamNumora", "QQ-00", "pi.txt.partial"}));

  auto ended = s.RunFault("int2:pi-step:2", "0\n");
  EXPECT_EQ(ended.signal, SIGINT) << ended.out;
  // The scratch number is gone; the saved state stays.
  EXPECT_FALSE(s.Exists("AA-00"));
  EXPECT_EQ(Records(s)[6], std::to_string(top - 5));

  auto last = s.Run("0\n");
  ExpectFinished(s, kPi, last, kDigits);
  EXPECT_EQ(Count(s.Read("pi.txt"), "Computation run information :"), 2);
}

// Outside the disk modes Ctrl-C ends the run at once, and takes the partial
// result and the scratch files with it.
TEST(DiskMode, CtrlCInASingleRunLeavesNothingBehind) {
  Scratch s;
  auto run = s.Start({"sqrt2", "1000000", "--mode=1", "--fft-size=1"}, "");
  ASSERT_TRUE(s.WaitFor("B-00"));
  auto r = Scratch::Finish(run, SIGINT);
  EXPECT_EQ(r.signal, SIGINT);
  EXPECT_EQ(Files(s), std::vector<std::string>{});
}

TEST(DiskMode, DamagedSavedStateIsRefusedAndNeverContinued) {
  Scratch s;
  ASSERT_EQ(s.Run(Fresh(kPi, "-1")).status, 0);
  const std::string saved = s.Read("ParamNumora");
  const std::string pp = s.Read("PP-00");
  struct Case {
    const char* file;
    std::string content;
    const char* message;
  } cases[] = {
      {"PP-00", pp.substr(0, pp.size() / 2), "the file PP-00 of its numbers is too short"},
      {"PP-00", std::string(pp.size(), '\0'), "do not hold the number it describes"},
      {"ParamNumora", "10\n" + saved.substr(2), "the type of computation 10 is neither Pi nor e"},
      {"ParamNumora", saved + "7\n", "it goes on after its last record"},
      {"ParamNumora", saved.substr(0, saved.find("\n", 20)), "\"ParamNumora\" is damaged"},
      {"ParamNumora", "", "\"ParamNumora\" is damaged"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.message);
    s.Write(k.file, k.content);
    auto r = s.Run("0\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.out, k.message)) << r.out;
    EXPECT_TRUE(Has(r.out, "Delete the file to start a new computation."));
    EXPECT_FALSE(Has(r.out, "Computation run information"));
    EXPECT_FALSE(Has(r.out, "Menu : "));
    s.Write("ParamNumora", saved);
    s.Write("PP-00", pp);
  }
  std::filesystem::remove(s.Path("QQ-00"));
  EXPECT_TRUE(Has(s.Run("0\n").out, "the file QQ-00 of its numbers is missing"));
}

TEST(DiskMode, ThresholdAnswersAndASecondStart) {
  Scratch s;
  auto r = s.Run(Fresh(kPi, "abc\n-2\n1e9\n-1"));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(Count(r.out, "Error, the time threshold should be from 0 to 100000 hours, or -1\n"), 2);
  EXPECT_EQ(Records(s)[6], "-1");
  // A second Numora while the first waits for its threshold: refused before
  // anything is read or written.
  auto waiting = s.Start({}, "");
  s.WaitFor("Numora.lock");
  auto second = s.Run("0\n");
  EXPECT_EQ(second.status, 1);
  EXPECT_TRUE(Has(second.out, "Another Numora computation")) << second.out;
  Scratch::Finish(waiting, SIGKILL);
  auto bad = s.RunWith({"pi", "20000", "--mode=1", "--time-threshold=-0.5"}, "");
  EXPECT_EQ(bad.status, 2);
}

}  // namespace
