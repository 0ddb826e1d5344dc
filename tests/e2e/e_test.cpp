// e through the menu of the real binary: both series, several digit counts and
// transform sizes, checked against the known digits and against each other.
#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.h"

namespace {

using e2e::Count;
using e2e::kEDigits;
using e2e::Scratch;

struct ERun {
  std::string console;
  std::string file;
  std::string digits;
  int status = -1;
};

// Menu entry 2 (series 0) or 3 (series 1), standard mode, no compression.
ERun RunE(int entry, long digits, long fftK) {
  Scratch s;
  auto r = s.Run(std::to_string(entry) + "\n0\n" + std::to_string(digits) + "\n" +
                 std::to_string(fftK) + "\n0\n");
  ERun run;
  run.console = r.out;
  run.status = r.status;
  if (s.Exists("e.txt")) {
    run.file = s.Read("e.txt");
    run.digits = e2e::ResultDigits(run.file, "E");
  }
  return run;
}

void ExpectGoodRun(const ERun& run, int entry, long digits) {
  SCOPED_TRACE("entry " + std::to_string(entry) + ", " + std::to_string(digits) + " digits");
  EXPECT_EQ(run.status, 0) << run.console;
  EXPECT_EQ(Count(run.console, "The computation seems OK\n"), 1) << run.console;
  EXPECT_EQ(Count(run.console, "*** ERROR"), 0);
  EXPECT_EQ(Count(run.console, "Series computing time : "), 1);
  EXPECT_EQ(Count(run.console, "Division time : "), 1);
  EXPECT_EQ(Count(run.file, entry == 2 ? "Method used : series SUM 1/n!\n"
                                       : "Method used : series 1/SUM (-1)^n/n!\n"),
            1);
  EXPECT_EQ(Count(run.file, "E = 2.\n"), 1);
  ASSERT_EQ(run.digits.size(), static_cast<size_t>(digits));
  EXPECT_EQ(run.digits.substr(0, kEDigits.size()), kEDigits);
}

// The number of progress dots between the sizing line and the series time.
size_t ProgressDots(const std::string& console) {
  size_t p = console.find("Computing series with index N=");
  if (p == std::string::npos) return std::string::npos;
  p = console.find('\n', p) + 1;
  size_t dots = console.find_first_not_of('.', p) - p;
  if (console.compare(p + dots, 25, "\nSeries computing time : ") != 0) return std::string::npos;
  return dots;
}

TEST(EByFactorialSeries, BothSeriesGiveTheKnownDigits) {
  // smallK: a transform size that cuts every large product and the division
  // into many blocks, used by the second run of one series.
  struct Size {
    long digits, fastestK, smallK;
  } sizes[] = {{10000, 1, 0}, {10007, 1, 0}, {100000, 16, 1}, {310000, 32, 2}};
  for (const Size& size : sizes) {
    ERun sum = RunE(2, size.digits, size.fastestK);
    ERun alternating = RunE(3, size.digits, size.fastestK);
    ExpectGoodRun(sum, 2, size.digits);
    ExpectGoodRun(alternating, 3, size.digits);
    EXPECT_TRUE(sum.digits == alternating.digits) << size.digits << " digits";
    if (size.smallK > 0) {
      ERun small = RunE(size.digits > 200000 ? 2 : 3, size.digits, size.smallK);
      ExpectGoodRun(small, size.digits > 200000 ? 2 : 3, size.digits);
      EXPECT_TRUE(small.digits == sum.digits) << size.digits << " digits, " << size.smallK << " k";
    }
    if (size.digits > 200000) {
      // Up to eight dots along the giant steps.
      size_t dots = ProgressDots(sum.console);
      EXPECT_GE(dots, 1u) << sum.console;
      EXPECT_LE(dots, 8u) << sum.console;
    }
  }
}

TEST(EByFactorialSeries, SmallRunPrintsItsSizing) {
  // 10000 digits: the whole series is one small-integer step, no dots.
  ERun run = RunE(3, 10000, 1);
  EXPECT_EQ(Count(run.console, "Computing series with index N=3277\n"), 1) << run.console;
  EXPECT_EQ(ProgressDots(run.console), 0u) << run.console;
}

}  // namespace
