// Pi through the menu of the real binary: both series at several sizes agree on
// every digit, start with the known digits, and pass the built-in check.
#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.h"

namespace {

using e2e::kPiDigits;
using e2e::Scratch;

struct PiRun {
  std::string out;
  std::string file;
  std::string digits;
};

PiRun RunPi(int entry, long digits, long fftK) {
  Scratch s;
  auto r = s.Run(std::to_string(entry) + "\n0\n" + std::to_string(digits) + "\n" +
                 std::to_string(fftK) + "\n0\n");
  EXPECT_EQ(r.status, 0) << r.out;
  PiRun run{r.out, s.Read("pi.txt"), ""};
  run.digits = e2e::ResultDigits(run.file, "Pi");
  return run;
}

void ExpectGoodPi(const PiRun& run, long digits, const std::string& what) {
  ASSERT_EQ(static_cast<long>(run.digits.size()), digits) << what;
  EXPECT_EQ(run.digits.substr(0, kPiDigits.size()), kPiDigits.substr(0, digits)) << what;
  EXPECT_NE(run.out.find("\nThe computation seems OK\n"), std::string::npos) << what << run.out;
  EXPECT_EQ(run.out.find("ERROR"), std::string::npos) << what;
}

TEST(PiEndToEnd, BothSeriesAgreeOnEveryDigit) {
  // 12345 is no multiple of the 12 digits of a limb; 300000 is checked at seven
  // known positions. FFT sizes: the fastest of each table, and a small one that
  // cuts the series into many steps.
  const long cases[][2] = {{10000, 1}, {12345, 2}, {100000, 16}, {100000, 1}, {300000, 32}};
  for (auto& c : cases) {
    const std::string what = std::to_string(c[0]) + " digits, " + std::to_string(c[1]) + " k";
    PiRun chud = RunPi(0, c[0], c[1]);
    PiRun ram = RunPi(1, c[0], c[1]);
    ExpectGoodPi(chud, c[0], "Chudnovsky " + what);
    ExpectGoodPi(ram, c[0], "Ramanujan " + what);
    EXPECT_TRUE(chud.digits == ram.digits) << what;
    EXPECT_NE(chud.file.find("Method used : Chudnovsky\n"), std::string::npos);
    EXPECT_NE(ram.file.find("Method used : Ramanujan\n"), std::string::npos);
  }
}

TEST(PiEndToEnd, ProgressAndPhaseTimes) {
  PiRun run = RunPi(0, 10000, 1);
  const std::string steps =
      "Computing series with index N=713\n"
      "Starting step 5\n"
      "Starting step 4 ...\n"
      "Starting step 3 ...\n"
      "Starting step 2 ...\n"
      "Starting step 1 ...\n"
      "Starting step 0 ...\n"
      "Series computing time : ";
  EXPECT_NE(run.out.find("Total Physical Memory Allocated = "), std::string::npos);
  ASSERT_NE(run.out.find(steps), std::string::npos) << run.out;
  size_t at = run.out.find(steps);
  for (const char* phase : {"Division time : ", "InvSqrt time : ", "Final huge multiplication time : "}) {
    at = run.out.find(std::string("\n") + phase, at);
    ASSERT_NE(at, std::string::npos) << phase;
  }
  // Ramanujan: N = trunc(1 + 10100 / 7.98).
  PiRun ram = RunPi(1, 10000, 1);
  EXPECT_NE(ram.out.find("Computing series with index N=1266\n"), std::string::npos);
}

}  // namespace
