// Numbers for the arithmetic and series tests, each inside guard zones: the
// test fails when anything was written below the limbs or above the capacity
// and its spare limb. And a death-test check that names the fatal message.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "fft/fft_test_util.h"
#include "mpint/bigint.h"
#include "shell/error_report.h"

namespace mpt {

constexpr long kGuard = 24;
constexpr double kSentinel = -3.25e300;  // no kernel writes such a value

class Num {
 public:
  explicit Num(long cap)
      : block_(cap + 1 + 2 * kGuard, kSentinel), b(block_.data() + kGuard, cap, 1, 0) {
    b.Limbs[0] = 0;
    b.Limbs[cap] = 0;
  }
  ~Num() { EXPECT_TRUE(Intact()) << "a write outside a number of capacity " << b.Room(); }
  Num(const Num&) = delete;
  Num& operator=(const Num&) = delete;

  bool Intact() const {
    const long top = kGuard + b.Room() + 1;
    for (long i = 0; i < kGuard; i++) {
      if (block_[i] != kSentinel || block_[top + i] != kSentinel) return false;
    }
    return true;
  }
  BigInt& Set(const std::vector<double>& limbs, long offset = 0) {
    return fftt::SetLimbs(b, limbs, offset);
  }
  std::vector<double> Limbs() const { return fftt::Limbs(b); }

 private:
  std::vector<double> block_;

 public:
  BigIntView b;
};

// The statement ends the process through the error report with a message
// matching pattern (the report is written on standard output).
#define EXPECT_FATAL(statement, pattern)                                               \
  EXPECT_EXIT(                                                                         \
      {                                                                                \
        std::fflush(stdout);                                                           \
        dup2(STDERR_FILENO, STDOUT_FILENO);                                            \
        statement;                                                                     \
      },                                                                               \
      testing::ExitedWithCode(kExitFailure), pattern)

}  // namespace mpt
