// Memory estimates through the real binary: the estimate of a run's FFT row
// against the peak resident memory that the run then takes, the warning
// before a row that does not fit in the machine, and the command line's
// default row. The machine's memory is faked through NUMORA_PHYSICAL_MEMORY.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "e2e/user_files.h"

namespace {

using namespace e2e;

// The number after `label` in text, -1 when it is not there.
double NumberAfter(const std::string& text, const std::string& label) {
  const size_t p = text.find(label);
  return p == std::string::npos ? -1 : std::stod(text.substr(p + label.size()));
}

// The anonymous resident memory of this test process, in kilobytes: a forked
// child starts its peak from it, so a run must go beyond it to be measured.
long OwnAnonymousKB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("RssAnon:", 0) == 0) return std::stol(line.substr(8));
  return 0;
}

const char kWarning[] = "Warning: this computation needs about ";

TEST(MemoryEstimate, WithinAQuarterOfThePeakOfEveryKindOfRun) {
#ifdef NUMORA_SANITIZED
  GTEST_SKIP() << "the sanitizers' shadow memory is not the program's";
#endif
  Scratch s;
  s.Write("ln2.numora", kLn2File);
  s.Write("machin.numora", kMachinFile);
  // Large and small rows (the FFT tables or the numbers weigh most), the
  // basic disk mode, both series of Pi and of e, and user constants of one
  // and of two series (the sum kept between them).
  const std::vector<std::vector<std::string>> runs = {
      {"sqrt2", "1000000", "--fft-size=128"},
      {"sqrt2", "1000000", "--fft-size=4"},
      {"sqrt2", "1000000", "--mode=1", "--fft-size=64"},
      {"sqrt2", "1000000", "--mode=1", "--fft-size=2"},
      {"e", "1000000", "--fft-size=128"},
      {"e", "1000000", "--series=1", "--fft-size=8"},
      {"pi", "1000000", "--fft-size=128"},
      {"pi", "600000", "--method=ramanujan", "--fft-size=8"},
      {"const", "ln2", "300000", "--fft-size=16"},
      {"const", "machin", "300000", "--fft-size=32"},
  };
  const long own = OwnAnonymousKB();
  for (const auto& args : runs) {
    const std::string name = args[0] == "const" ? args[1] : args[0];
    const auto r = s.RunWith(args, "");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const double estimate = NumberAfter(s.Read(name + ".txt"), "Physical memory used : ~ ");
    const std::string run = args[0] + " " + args[1] + " " + args.back();
    ASSERT_GT(r.peakKB, own) << run << ": the peak would be this test's own";
    EXPECT_NEAR(estimate / static_cast<double>(r.peakKB), 1.0, 0.25)
        << run << ": estimate " << estimate << " K, peak " << r.peakKB << " K";
  }
}

// With the machine's memory faked, the menu warns before a row that does not
// fit and computes on; the command line takes the fastest row that fits.
TEST(MemoryEstimate, RowsAgainstTheMachinesMemory) {
  Scratch s;
  const auto run = [&](double machine, const std::vector<std::string>& args,
                       const std::string& input) {
    setenv("NUMORA_PHYSICAL_MEMORY", std::to_string(static_cast<long>(machine)).c_str(), 1);
    const auto r = s.RunWith(args, input);
    unsetenv("NUMORA_PHYSICAL_MEMORY");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return r.out;
  };
  // sqrt(2), 10^5 digits, the 8 k row: a few megabytes.
  std::string out = run(1 << 20, {}, Answers(4, 0, 100000, 8));
  const size_t warning = out.find(kWarning);
  ASSERT_NE(warning, std::string::npos) << out;
  EXPECT_NE(out.find("K of memory and this machine has 1024 K;", warning), std::string::npos);
  // Before the computation, which goes on and writes its result.
  EXPECT_LT(warning, out.find("Computing Sqrt(2)"));
  EXPECT_TRUE(Has(out, "The computation is OK"));
  EXPECT_TRUE(Has(s.Read("sqrt2.txt"), "Sqrt2 = 1."));
  EXPECT_FALSE(Has(run(64.0 * (1 << 30), {}, Answers(4, 0, 100000, 8)), "Warning"));

  // 10^6 digits: rows of 128 k down to 4 k; 8 MB holds the 32 k row, not the
  // 64 k one; when nothing fits, the smallest row with the warning.
  const struct {
    double machine;
    int row;
    bool warned;
  } rows[] = {{8.0 * (1 << 20), 32, false}, {64.0 * (1 << 30), 128, false}, {1 << 20, 4, true}};
  for (const auto& k : rows) {
    out = run(k.machine, {"sqrt2", "1000000"}, "");
    EXPECT_EQ(NumberAfter(s.Read("sqrt2.txt"), "Size of FFT : "), k.row);
    EXPECT_EQ(Has(out, kWarning), k.warned) << out;
  }
}

}  // namespace
