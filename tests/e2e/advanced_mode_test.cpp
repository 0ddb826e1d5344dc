// Pi, e and sqrt(2) in the advanced disk mode through the real binary, with a
// transform of 1 k points so that the steps are summed on disk and the long
// products go through the NTT: in one run, over several runs, and killed in
// the middle of the disk recursion. The digits are checked against known
// digits, the other series in memory and the reference module.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "reference/refnum.h"

namespace {

using e2e::Files;
using e2e::RunResult;
using e2e::Scratch;

constexpr long kDigits = 40000;

struct Constant {
  int entry;
  int other;  // the menu entry of the other series
  const char* file;
  const char* name;
  const std::string& known;
};
const Constant kPi{0, 1, "pi.txt", "Pi", e2e::kPiDigits},
    kPiRamanujan{1, 0, "pi.txt", "Pi", e2e::kPiDigits}, kE{2, 3, "e.txt", "E", e2e::kEDigits},
    kEAlternating{3, 2, "e.txt", "E", e2e::kEDigits};

std::string Fresh(const Constant& c, const std::string& threshold) {
  return std::to_string(c.entry) + "\n2\n" + std::to_string(kDigits) + "\n1\n0\n" + threshold +
         "\n";
}

std::vector<std::string> Records(const Scratch& s) {
  std::vector<std::string> r;
  const std::string text = s.Read("ParamNumora");
  for (size_t p = 0, e; (e = text.find('\n', p)) != std::string::npos; p = e + 1)
    r.push_back(text.substr(p, e - p));
  return r;
}

// Every digit, by the other series in the standard mode.
std::string OtherSeries(const Constant& c) {
  Scratch s;
  s.Run(std::to_string(c.other) + "\n0\n" + std::to_string(kDigits) + "\n1\n0\n");
  return e2e::ResultDigits(s.Read(c.file), c.name);
}

void ExpectFinished(const Scratch& s, const Constant& c, const RunResult& r) {
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("The computation seems OK\n"), std::string::npos) << r.out;
  // No step number, residue file or saved state left behind.
  EXPECT_EQ(Files(s), std::vector<std::string>{c.file});
  const std::string d = e2e::ResultDigits(s.Read(c.file), c.name);
  EXPECT_EQ(d.substr(0, c.known.size()), c.known);
  EXPECT_TRUE(d == OtherSeries(c)) << "the digits differ from the other series'";
}

bool Has(const Scratch& s, const std::string& file) {
  const std::vector<std::string> f = Files(s);
  return std::find(f.begin(), f.end(), file) != f.end();
}

TEST(AdvancedDiskMode, EveryConstantInOneRun) {
  for (const Constant* c : {&kPi, &kPiRamanujan, &kE, &kEAlternating}) {
    SCOPED_TRACE(c->entry);
    Scratch s;
    const RunResult r = s.Run(Fresh(*c, "0"));
    ExpectFinished(s, *c, r);
    // Products too short for the NTT take the piece product, without complaint.
    EXPECT_EQ(r.out.find("NNTT is too small"), std::string::npos);
  }
  // sqrt(2): the square of the digits brackets 2 (reference module).
  const long D = 30011;
  Scratch s;
  const RunResult r = s.Run("4\n2\n" + std::to_string(D) + "\n1\n0\n");
  EXPECT_NE(r.out.find("\nThe computation is OK\n"), std::string::npos) << r.out;
  EXPECT_EQ(Files(s), std::vector<std::string>{"sqrt2.txt"});
  const std::string digits = e2e::ResultDigits(s.Read("sqrt2.txt"), "Sqrt2");
  ASSERT_EQ(static_cast<long>(digits.size()), D);
  const ref::Digits x = ref::FromDecimal("1" + digits, 9);
  const ref::Digits x1 = ref::Add(x, ref::Digits{1}, 9);
  const ref::Digits two = ref::FromDecimal("2" + std::string(2 * D, '0'), 9);
  EXPECT_LE(ref::Compare(ref::Mul(x, x, 9), two), 0);
  EXPECT_GT(ref::Compare(ref::Mul(x1, x1, 9), two), 0);
}

TEST(AdvancedDiskMode, ThresholdMinusOneThenContinue) {
  for (const Constant* c : {&kPi, &kE}) {
    SCOPED_TRACE(c->entry);
    Scratch s;
    const RunResult first = s.Run(Fresh(*c, "-1"));
    EXPECT_EQ(first.status, 0) << first.out;
    const std::vector<std::string> records = Records(s);
    ASSERT_GE(records.size(), 7u);
    EXPECT_EQ(records[2], "2");  // the mode
    EXPECT_EQ(records[6], "-1");
    const RunResult second = s.Run("0\n");
    EXPECT_EQ(second.out.find("Computing series"), std::string::npos);
    EXPECT_NE(second.out.find(c == &kPi ? "Inverse" : "Inverse time"), std::string::npos);
    ExpectFinished(s, *c, second);
  }
}

// Killed in the middle of the disk recursion, of the merges through the NTT
// and of the phases after the series, several times in a row: each next
// start continues to the right digits.
TEST(AdvancedDiskMode, KilledAnywhereThenContinued) {
  struct Kill {
    std::string fault;
    std::string mustExist;  // a file that shows what was under way
  };
  struct Case {
    const Constant* c;
    std::vector<Kill> kills;
  } cases[] = {
      // "dQ-00": a step summed on disk; "Numora-scratch-A000": Q's NTT residues
      // kept between its two products.
      {&kPi,
       {{"kill:pi-step:4", "Numora-scratch-A000"},
        {"kill:pi-disk-leaf:2", "dP-00"},
        {"kill:pi-disk-step:1", "dQ-00"},
        {"kill:pi-inverse:1", ""},
        {"kill:pi-invsqrt:1", ""}}},
      {&kPiRamanujan, {{"kill:pi-disk-step:3", ""}, {"kill:pi-division:1", ""}}},
      {&kE,
       {{"kill:e-leaf:4", ""},
        {"kill:e-combine:1", "Numora-scratch-A000"},
        {"kill:e-inverse:1", ""},
        {"kill:e-division:1", ""}}},
      {&kEAlternating, {{"kill:saved:4", ""}}},
  };
  for (const Case& k : cases) {
    Scratch s;
    std::string input = Fresh(*k.c, "0");
    for (const Kill& kill : k.kills) {
      SCOPED_TRACE(std::string(k.c->name) + " " + kill.fault);
      const RunResult killed = s.RunFault(kill.fault, input);
      ASSERT_EQ(killed.signal, SIGKILL) << killed.out;
      ASSERT_TRUE(s.Exists("ParamNumora"));
      if (!kill.mustExist.empty()) {
        EXPECT_TRUE(Has(s, kill.mustExist));
      }
      input = "0\n";
    }
    // Saved after the inverse: only the final product is left.
    const bool inverted = k.c == &kEAlternating;
    if (inverted) {
      ASSERT_GE(Records(s).size(), 7u);
      EXPECT_EQ(Records(s)[6], "-2");
    }
    const RunResult last = s.Run(input);
    if (inverted) {
      EXPECT_EQ(last.out.find("Inverse time"), std::string::npos);
      EXPECT_NE(last.out.find("Final huge multiplication time"), std::string::npos);
    }
    ExpectFinished(s, *k.c, last);
  }
}

}  // namespace
