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

#if defined(__SANITIZE_ADDRESS__)
#define NUMORA_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NUMORA_SANITIZED 1
#endif
#endif

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

// Sets NUMORA_PHYSICAL_MEMORY for the runs of a scope.
class FakeMachineMemory {
 public:
  explicit FakeMachineMemory(double bytes) {
    setenv("NUMORA_PHYSICAL_MEMORY", std::to_string(static_cast<long>(bytes)).c_str(), 1);
  }
  ~FakeMachineMemory() { unsetenv("NUMORA_PHYSICAL_MEMORY"); }
};

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

TEST(MemoryEstimate, WarningBeforeARowThatDoesNotFit) {
  Scratch s;
  // sqrt(2), 10^5 digits, the 8 k row: a few megabytes.
  const std::string answers = "4\n0\n100000\n8\n0\n";
  {
    FakeMachineMemory machine(1 << 20);
    const auto r = s.Run(answers);
    ASSERT_EQ(r.status, 0) << r.out;
    const size_t warning = r.out.find(kWarning);
    ASSERT_NE(warning, std::string::npos) << r.out;
    EXPECT_NE(r.out.find("K of memory and this machine has 1024 K;", warning), std::string::npos);
    // Before the computation, which goes on and writes its result.
    EXPECT_LT(warning, r.out.find("Computing Sqrt(2)"));
    EXPECT_TRUE(Has(r.out, "The computation is OK"));
    EXPECT_TRUE(Has(s.Read("sqrt2.txt"), "Sqrt2 = 1."));
  }
  // A row that fits adds nothing to the dialogue.
  FakeMachineMemory machine(64.0 * (1 << 30));
  EXPECT_FALSE(Has(s.Run(answers).out, "Warning"));
}

TEST(MemoryEstimate, CommandLineDefaultsToTheFastestRowThatFits) {
  Scratch s;
  const auto rowOf = [&](double machine, std::string* out) {
    FakeMachineMemory fake(machine);
    const auto r = s.RunWith({"sqrt2", "1000000"}, "");
    EXPECT_EQ(r.status, 0) << r.err;
    *out = r.out;
    return NumberAfter(s.Read("sqrt2.txt"), "Size of FFT : ");
  };
  std::string out;
  // 10^6 digits: rows of 128 k down to 4 k; 8 MB holds the 32 k row, not the 64 k one.
  EXPECT_EQ(rowOf(8.0 * (1 << 20), &out), 32);
  EXPECT_FALSE(Has(out, "Warning"));
  EXPECT_EQ(rowOf(64.0 * (1 << 30), &out), 128);
  // Nothing fits: the smallest row, with the warning.
  EXPECT_EQ(rowOf(1 << 20, &out), 4);
  EXPECT_TRUE(Has(out, kWarning)) << out;
}

}  // namespace
