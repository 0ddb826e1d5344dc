// Pi and e in the basic disk mode through the real binary, in one run and in
// several: stopped by the threshold or Ctrl-C, killed at chosen points (the
// fault hook of the binary), resumed from every save point. The digits are
// checked against known digits and against the other series, never against
// an earlier output of the program.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

using e2e::Count;
using e2e::Files;
using e2e::kEDigits;
using e2e::kPiDigits;
using e2e::RunResult;
using e2e::Scratch;

constexpr long kDigits = 40000;

struct Constant {
  int entry;
  const char* file;
  const char* name;
  const std::string& known;
};
const Constant kPi{0, "pi.txt", "Pi", kPiDigits}, kPiRamanujan{1, "pi.txt", "Pi", kPiDigits},
    kE{2, "e.txt", "E", kEDigits}, kEAlternating{3, "e.txt", "E", kEDigits};

// A fresh computation in mode 1 with 1 k points: the numbers span many pieces.
std::string Fresh(const Constant& c, const std::string& threshold, long digits = kDigits) {
  return std::to_string(c.entry) + "\n1\n" + std::to_string(digits) + "\n1\n0\n" + threshold +
         "\n";
}

// The records of "ParamNumora", one per line.
std::vector<std::string> Records(const Scratch& s) {
  std::vector<std::string> r;
  const std::string text = s.Read("ParamNumora");
  for (size_t p = 0, e; (e = text.find('\n', p)) != std::string::npos; p = e + 1)
    r.push_back(text.substr(p, e - p));
  return r;
}

// Every digit by the other series in memory (Ramanujan for Pi, 1/sum
// (-1)^n/n! for e): a fault in a late step only shows in the last digits.
const std::string& OtherMethod(const Constant& c, long digits) {
  static std::string cache[2][2];
  const int pi = c.entry < 2 ? 1 : 0, big = digits == kDigits ? 1 : 0;
  std::string& d = cache[pi][big];
  if (d.empty()) {
    Scratch s;
    s.Run(std::to_string(pi ? 1 : 3) + "\n0\n" + std::to_string(digits) + "\n1\n0\n");
    d = e2e::ResultDigits(s.Read(c.file), c.name);
  }
  return d;
}

// The finished result: the known digits, the other method's digits, the
// check, and only the result file left.
std::string ExpectFinished(const Scratch& s, const Constant& c, const RunResult& r,
                           long digits = kDigits) {
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("The computation seems OK\n"), std::string::npos) << r.out;
  EXPECT_EQ(Files(s), std::vector<std::string>{c.file});
  const std::string d = e2e::ResultDigits(s.Read(c.file), c.name);
  EXPECT_EQ(d.substr(0, c.known.size()), c.known);
  EXPECT_TRUE(d == OtherMethod(c, digits)) << "the digits differ from the other method's";
  return d;
}

// The highest step, from "Starting step S " of a first run.
long TopStep(const std::string& out) {
  const size_t p = out.find("Starting step ");
  return p == std::string::npos ? -99 : std::stol(out.substr(p + 14));
}

TEST(DiskMode, BothSeriesOfPiAndOfEGiveTheKnownDigits) {
  for (long digits : {12345L, kDigits}) {
    SCOPED_TRACE(digits);
    for (const Constant* c : {&kPi, &kPiRamanujan, &kE, &kEAlternating}) {
      Scratch s;
      auto r = s.Run(Fresh(*c, "0", digits));
      ExpectFinished(s, *c, r, digits);
      EXPECT_NE(s.Read(c->file).find("Time spent in disk swapping : "), std::string::npos);
    }
  }
}

TEST(DiskMode, ThresholdMinusOneStopsAfterTheSeriesAndTheNextRunFinishes) {
  for (const Constant* c : {&kPi, &kE}) {
    Scratch s;
    auto first = s.Run(Fresh(*c, "-1"));
    EXPECT_EQ(first.status, 0) << first.out;
    EXPECT_NE(first.out.find("Computation time of this run : "), std::string::npos);
    EXPECT_NE(first.out.find("Time including previous run: "), std::string::npos);
    EXPECT_NE(first.out.find("Do not forget to continue your computation in a next run !\n"),
              std::string::npos);
    // The progress counter -1 of Pi and the phase -1 of e: the series is done.
    ASSERT_GE(Records(s).size(), 7u);
    EXPECT_EQ(Records(s)[6], "-1");
    EXPECT_EQ(Records(s)[0], c == &kPi ? "1" : "20");
    EXPECT_FALSE(s.Exists(c->file));
    EXPECT_TRUE(s.Exists(std::string(c->file) + ".partial"));

    auto second = s.Run("0\n");
    EXPECT_NE(second.out.find("A Parameter file exists that permits to go on with previous\n"),
              std::string::npos);
    EXPECT_NE(second.out.find("Number of digits          : 40000\n"), std::string::npos);
    EXPECT_EQ(second.out.find("Computing series"), std::string::npos);
    ExpectFinished(s, *c, second);
    const std::string file = s.Read(c->file);
    EXPECT_EQ(Count(file, "Computation run information :"), 2);
    EXPECT_EQ(Count(file, "Program : Numora version"), 1);
    EXPECT_EQ(Count(file, "Total computation time : "), 1);
  }
}

// Killed right after each save, then continued: every save point of both
// drivers is a state from which the next run finishes right.
TEST(DiskMode, ResumesFromEverySavePoint) {
  Scratch probe;
  const long top = TopStep(probe.Run(Fresh(kPi, "0")).out);
  ASSERT_GT(top, 3);
  struct Case {
    const Constant* c;
    long save;  // the n-th save: 1 is the initial state
    const char* record;
  } cases[] = {{&kPi, 2, nullptr},      {&kPi, top + 2, "-1"}, {&kPi, top + 3, "-2"},
               {&kPi, top + 4, "-3"},   {&kPiRamanujan, top, nullptr},
               {&kE, 2, "0"},           {&kE, 3, "-1"},       {&kEAlternating, 2, "0"}};
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.c->name) + " save " + std::to_string(k.save));
    Scratch s;
    auto killed = s.RunFault("kill:saved:" + std::to_string(k.save), Fresh(*k.c, "0"));
    ASSERT_EQ(killed.signal, SIGKILL) << killed.out;
    ASSERT_GE(Records(s).size(), 7u);
    const std::string record = k.record ? k.record : "";
    if (k.record) {
      EXPECT_EQ(Records(s)[6], record);
    }
    if (k.c == &kPi && k.save == 2) {
      EXPECT_EQ(Records(s)[6], std::to_string(top - 1));
    }
    auto next = s.Run("0\n");
    if (k.c == &kPi && k.save == 2) {
      EXPECT_NE(next.out.find("Starting step " + std::to_string(top - 1) + " "),
                std::string::npos);
      EXPECT_EQ(next.out.find("Starting step " + std::to_string(top) + " "), std::string::npos);
    }
    if (record == "-2") {
      EXPECT_EQ(next.out.find("Division"), std::string::npos);
      EXPECT_NE(next.out.find("SquareRoot"), std::string::npos);
    }
    if (k.c == &kE && k.save == 2) {
      EXPECT_EQ(next.out.find("First Half"), std::string::npos);
      EXPECT_NE(next.out.find("Second Half"), std::string::npos);
    }
    ExpectFinished(s, *k.c, next);
  }
}

// Killed in the middle of a step, of a phase or of the save, once or several
// times in a row: each next start continues to the right digits.
TEST(DiskMode, KilledAnywhereNeverGivesWrongDigits) {
  struct Case {
    const Constant* c;
    std::vector<std::string> faults;
  } cases[] = {
      {&kPi, {"kill:pi-step:1", "kill:pi-step:3", "kill:save:2", "kill:pi-step:2"}},
      {&kPi, {"kill:pi-division:1", "kill:pi-invsqrt:1", "kill:save:1"}},
      {&kPiRamanujan, {"kill:pi-step:5", "kill:pi-division:1"}},
      {&kE, {"kill:e-leaf:3", "kill:e-combine:1", "kill:e-leaf:2", "kill:e-division:1"}},
      {&kEAlternating, {"kill:e-combine:1", "kill:save:1", "kill:e-division:1"}},
  };
  for (const Case& k : cases) {
    Scratch s;
    std::string input = Fresh(*k.c, "0");
    for (const std::string& fault : k.faults) {
      SCOPED_TRACE(std::string(k.c->name) + " " + fault);
      auto killed = s.RunFault(fault, input);
      ASSERT_EQ(killed.signal, SIGKILL) << killed.out;
      ASSERT_TRUE(s.Exists("ParamNumora"));
      input = "0\n";
    }
    ExpectFinished(s, *k.c, s.Run(input));
  }
}

TEST(DiskMode, CtrlCStopsAtTheEndOfTheStepAndASecondEndsAtOnce) {
  Scratch s;
  auto stopped = s.RunFault("int:pi-step:3", Fresh(kPi, "0"));
  EXPECT_EQ(stopped.status, 0) << stopped.out;
  EXPECT_NE(stopped.out.find("Stop requested"), std::string::npos);
  EXPECT_NE(stopped.out.find("Do not forget to continue your computation in a next run !\n"),
            std::string::npos);
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
  ExpectFinished(s, kPi, last);
  EXPECT_EQ(Count(s.Read("pi.txt"), "Computation run information :"), 2);
}

// Outside the disk modes Ctrl-C ends the run at once, and takes the partial
// result and the scratch files with it.
TEST(DiskMode, CtrlCInASingleRunLeavesNothingBehind) {
  Scratch s;
  const int pid = s.Start({"sqrt2", "1000000", "--mode=1", "--fft-size=1"});
  for (int i = 0; i < 2000 && !s.Exists("B-00"); i++) usleep(5000);
  ASSERT_TRUE(s.Exists("B-00"));
  kill(pid, SIGINT);
  auto r = Scratch::Finish(pid);
  EXPECT_EQ(r.signal, SIGINT);
  EXPECT_EQ(Files(s), std::vector<std::string>{});
}

TEST(DiskMode, FilesItDidNotMakeAreNeverTaken) {
  Scratch s;
  s.Write("PP-00", "a file of the user");
  auto r = s.Run(Fresh(kE, "0"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("The file PP-00 exists in the working directory"), std::string::npos)
      << r.out;
  EXPECT_EQ(s.Read("PP-00"), "a file of the user");
  EXPECT_FALSE(s.Exists("ParamNumora"));
  s.Write("B-00", "another");
  EXPECT_EQ(s.Run("4\n1\n20000\n1\n0\n").status, 1);
  EXPECT_EQ(s.Read("B-00"), "another");
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
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.message);
    s.Write(k.file, k.content);
    auto r = s.Run("0\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(k.message), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Delete the file to start a new computation."), std::string::npos);
    EXPECT_EQ(r.out.find("Computation run information"), std::string::npos);
    s.Write("ParamNumora", saved);
    s.Write("PP-00", pp);
  }
  std::filesystem::remove(s.Path("QQ-00"));
  EXPECT_NE(s.Run("0\n").out.find("the file QQ-00 of its numbers is missing"), std::string::npos);
}

TEST(DiskMode, ThresholdAnswersAndASecondStart) {
  Scratch s;
  auto r = s.Run(Fresh(kPi, "abc\n-2\n1e9\n-1"));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(Count(r.out, "Error, the time threshold should be from 0 to 100000 hours, or -1\n"), 2);
  EXPECT_EQ(Records(s)[6], "-1");
  // A second Numora while the first waits for its threshold: refused before
  // anything is read or written.
  Scratch::Waiting waiting = s.StartWaiting("");
  for (int i = 0; i < 2000 && !s.Exists("Numora.lock"); i++) usleep(5000);
  auto second = s.Run("0\n");
  EXPECT_EQ(second.status, 1);
  EXPECT_NE(second.out.find("Another Numora computation"), std::string::npos) << second.out;
  Scratch::Kill(waiting);
  auto bad = s.RunWith({"pi", "20000", "--mode=1", "--time-threshold=-0.5"}, "");
  EXPECT_EQ(bad.status, 2);
}

}  // namespace
