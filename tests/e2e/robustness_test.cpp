// Faults found by attacking the program: absurd digit counts, lost previous
// results, two runs in one directory, other people's files, a full disk,
// endless wrong answers, and errors that are the user's or the machine's.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <string>

#include "e2e/harness.h"

namespace {

using namespace e2e;

const std::string kSendLog = "please send the Numora.log";

TEST(Robustness, AbsurdDigitCountsAreRefusedAtThePrompt) {
  Scratch s;
  // Pi, e and sqrt(2): each count is refused with the bound, then input ends.
  for (const char* entry : {"0\n0\n", "2\n0\n", "4\n0\n"}) {
    for (const char* digits : {"2e20", "1e100", "1e300", "20000000001"}) {
      auto r = s.Run(std::string(entry) + digits + "\n", 20);
      EXPECT_FALSE(r.timedOut) << entry << digits;
      EXPECT_EQ(r.status, 1) << r.out;
      EXPECT_TRUE(Has(r.out, "Error, Numora computes at most 20000000000 digits"))
          << entry << digits << r.out;
      EXPECT_TRUE(Has(r.out, "End of input")) << r.out;
    }
  }
  // User constants ask the same question.
  ASSERT_EQ(s.Run("5\nc\n.\n1\n1\n3\n1/2\nc\n").status, 0);
  auto r = s.Run("6\nc\n1e100\n", 20);
  EXPECT_EQ(Count(r.out, "Error, Numora computes at most 20000000000 digits"), 1) << r.out;
}

TEST(Robustness, PreviousResultSurvivesAFailedRunAndFullDiskIsReportedHonestly) {
  Scratch s;
  s.Write("pi.txt", "the previous result\n");
  // Files limited to 3000 bytes: the header fits, the digits do not, nor the log.
  auto r = s.RunWith({}, "0\n0\n20000\n2\n0\n", 3000);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(Has(r.out, "Cannot write the file pi.txt.partial")) << r.out;
  EXPECT_TRUE(Has(r.out, "The log file Numora.log could not be written")) << r.out;
  EXPECT_FALSE(Has(r.out, kSendLog)) << r.out;
  EXPECT_EQ(s.Read("pi.txt"), "the previous result\n");
  EXPECT_FALSE(s.Exists("pi.txt.partial"));

  // With room for the log (which copies at most 1 MiB of the result file so far).
  r = s.RunWith({}, "0\n0\n20000\n2\n0\n", 200000);
  ASSERT_EQ(r.status, 0) << r.out;  // 20000 digits fit
  r = s.RunWith({}, "0\n0\n2000000\n256\n0\n", 2 << 20);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.out, "Cannot write the file pi.txt.partial")) << r.out;
  EXPECT_TRUE(Has(r.out, "The details of this run are in the file Numora.log.")) << r.out;
  EXPECT_TRUE(Has(s.Read("Numora.log"), "Computation of 2000000 digits of Pi\n"));
  // The previous complete result, of 20000 digits, is still in place.
  EXPECT_EQ(ResultDigits(s.Read("pi.txt"), "Pi").size(), 20000u);
}

TEST(Robustness, OneComputationPerDirectory) {
  Scratch s;
  // The first run holds the lock while it waits for its mode.
  auto first = s.Start({}, "0\n");
  s.WaitFor("Numora.lock");
  ASSERT_EQ(s.Read("Numora.lock"), std::to_string(first.pid) + "\n");

  auto second = s.Run("4\n0\n10000\n1\n0\n", 30);
  EXPECT_EQ(second.status, 1);
  EXPECT_TRUE(Has(second.out, "Another Numora computation (process " + std::to_string(first.pid) +
                                  ") is running in this directory."))
      << second.out;
  EXPECT_FALSE(s.Exists("sqrt2.txt"));
  auto command = s.RunWith({"sqrt2", "10000"}, "");
  EXPECT_EQ(command.status, 1);
  EXPECT_TRUE(Has(command.err, "Another Numora computation")) << command.err;
  // The definition of a constant computes nothing and is not held up.
  EXPECT_EQ(s.Run("5\nz\n.\n0\n").status, 0);

  // A run that crashed does not leave the directory locked.
  Scratch::Finish(first, SIGKILL);
  auto after = s.Run("4\n0\n10000\n1\n0\n", 30);
  EXPECT_EQ(after.status, 0) << after.out;
  EXPECT_FALSE(s.Exists("Numora.lock"));
}

TEST(Robustness, OtherPeoplesFilesAreLeftAlone) {
  Scratch s;
  const char* const mine[] = {"A000", "A001", "B000", "sqrt2.txt.partial.keep"};
  for (const char* name : mine) s.Write(name, "mine");
  auto r = s.Run("4\n0\n10000\n1\n0\n", 30);
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* name : mine) EXPECT_EQ(s.Read(name), "mine") << name;
  EXPECT_FALSE(s.Exists("sqrt2.txt.partial"));
  // A file that a disk mode would make is never taken over.
  s.Write("PP-00", "a file of the user");
  r = s.Run(Answers(2, 1, 40000, 1) + "0\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.out, "The file PP-00 exists in the working directory")) << r.out;
  EXPECT_EQ(s.Read("PP-00"), "a file of the user");
  EXPECT_FALSE(s.Exists("ParamNumora"));
  s.Write("B-00", "another");
  EXPECT_EQ(s.Run(Answers(4, 1, 20000, 1)).status, 1);
  EXPECT_EQ(s.Read("B-00"), "another");
}

TEST(Robustness, EveryDefinitionPromptSaysWhyAndGivesUp) {
  Scratch s;
  std::string garbage;
  for (int i = 0; i < 100000; i++) garbage += "0.5\n";
  // beta_0, then alpha, beta, F and Z of a general series: each refuses for ever.
  const std::string general = "5\nx\n.\n1\n1\n0\n1\n";
  const std::string prompts[] = {
      "5\nx\n.\n1\n",            // beta_0
      general,                   // alpha
      general + "1\n",           // beta
      general + "1\n1\n",        // F
      general + "1\n1\n1\n1\n",  // Z
      "5\nx\n.\n1\n1\n3\n",      // Z of a log series
  };
  for (const std::string& head : prompts) {
    auto r = s.Run(head + garbage, 20);
    EXPECT_FALSE(r.timedOut) << head;
    EXPECT_EQ(r.status, 1) << head;
    EXPECT_TRUE(Has(r.out, "Too many invalid answers")) << head << r.out;
    EXPECT_LE(Count(r.out, "Please try again."), 5) << head;
  }
  auto r = s.Run("5\nx\n.\n1\n0.5\n1/0\nn/2\n1/2\n3\n1/2\ny\n", 20);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(Has(r.out,
                  "Enter beta_0 : \"0.5\" is not a fraction: write it with whole numbers, "
                  "for example 1/2 for 0.5. Please try again.\nEnter beta_0 : "))
      << r.out;
  EXPECT_TRUE(Has(r.out, "\"1/0\" divides by zero.")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"n/2\" holds the variable n")) << r.out;
  // A definition mode other than 0 or 1 is refused with a message too.
  r = s.Run("5\nx\n.\n1\n1\n0\n7\n7\n7\n7\n7\n7\n", 20);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.out, "Error, the answer should be between 0 and 1")) << r.out;
}

TEST(Robustness, ErrorsOfTheUserOrMachineSayWhatToDo) {
  Scratch s;
  // A directory where the result file should go: refused before computing.
  std::filesystem::create_directory(s.Path("sqrt2.txt"));
  auto r = s.Run("4\n0\n10000\n1\n0\n", 30);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.out,
                  "The result file sqrt2.txt exists and is not a plain file (a directory?)\n"
                  "Move it away, or start Numora in another directory.\n"))
      << r.out;
  EXPECT_FALSE(Has(r.out, "Computing Sqrt(2)"));
  EXPECT_FALSE(Has(r.out, kSendLog));
  EXPECT_TRUE(s.Exists("Numora.log"));

  // Not enough memory, for the counted arrays and for the rest alike.
#ifndef NUMORA_SANITIZED  // the sanitizer needs more address space than the limit
  for (const char* digits : {"2e10", "5e8"}) {
    r = s.RunWith({"e", digits}, "", 0, 60, 1L << 30);
    EXPECT_EQ(r.status, 1) << digits;
    EXPECT_TRUE(Has(r.err, "Not enough memory")) << r.err;
    EXPECT_TRUE(Has(r.err, "Choose fewer digits or a smaller FFT size")) << r.err;
    EXPECT_FALSE(Has(r.err, kSendLog));
  }
#endif
}

}  // namespace
