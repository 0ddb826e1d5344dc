// What the series share: the step plans, the merge of a step in front of the
// sums, and the check against known digits.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <utility>

#include "constants/e_computation.h"
#include "constants/pi_ramanujan.h"
#include "constants/series_sum.h"
#include "constants/step_plan.h"
#include "mpint/guarded_num.h"

namespace {

// Every step holds at least one term and the steps cover (0, N] in order.
void ExpectCovering(const StepPlan& plan) {
  ASSERT_EQ(plan.Start(0), 0);
  for (long j = 0; j <= plan.Top(); j++) ASSERT_LT(plan.Start(j), plan.End(j)) << j;
  EXPECT_EQ(plan.End(plan.Top()), plan.N);
}

TEST(StepPlans, StepsCoverTheSeries) {
  const double L = 16.1 * std::log(10.0);
  for (double n : {713.0, 7056.0, 70529.0, 705226.0}) {
    for (long fft : {1L << 10, 1L << 13, 1L << 16}) {
      SCOPED_TRACE(std::to_string(n) + " terms, " + std::to_string(fft));
      if (n > 100 * fft) continue;
      ExpectCovering(PlanGrowingSteps(n, L, fft));
    }
  }
  // A transform that holds the whole series: one step.
  EXPECT_EQ(PlanGrowingSteps(713, L, 1 << 20).Top(), 0);
  // Equal steps that divide the series: the top step is the last full one.
  for (double n : {1.0, 99.0, 100.0, 101.0}) {
    const StepPlan plan = PlanEqualSteps(n, 10);
    ExpectCovering(plan);
    EXPECT_LE(plan.End(plan.Top()) - plan.Start(plan.Top()), 10) << n;
  }
}

// r holds the top limbs of the exact value (at exponent at), short of at most
// the carries of what it dropped.
void ExpectTop(const ref::Digits& exact, long at, const BigInt& r) {
  ASSERT_GE(r.Offset, at);
  ref::Digits top(exact.begin() + std::min<long>(r.Offset - at, exact.size()), exact.end());
  ref::Trim(top);
  const ref::Digits got = fftt::ToRef(r);
  const ref::Digits diff = fftt::AbsDiff(top, got);
  EXPECT_EQ(diff.size(), 1u);
  EXPECT_LE(diff[0], 4000000);
}

// P = An P + Pn Q and Q = Qn Q kept to a few limbs: sums shorter than the
// step's integers (Q written over the short operand) and longer ones.
TEST(SeriesSum, StepMergeKeepsTheTopLimbs) {
  fftt::EnsureFFT(8192);
  std::mt19937_64 g(51);
  const struct {
    long step, sums, keep;
  } cases[] = {{40, 3, 3}, {300, 10, 7}, {300, 600, 500}, {1000, 2500, 2400}, {20, 2000, 1500}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.step << " x " << c.sums << " to " << c.keep);
    mpt::Num An(c.step), Pn(c.step), Qn(c.step), P(c.sums + 2), Q(c.sums + 2);
    mpt::Num X(c.step + c.sums + 2);
    for (auto [x, n] : {std::pair(&An, c.step - 2), {&Pn, c.step}, {&Qn, c.step}, {&P, c.sums},
                        {&Q, c.sums}})
      fftt::Fill(x->b, n, g);
    P.b.Offset = 4;
    Q.b.Offset = 5;
    const ref::Digits an = fftt::ToRef(An.b), pn = fftt::ToRef(Pn.b), qn = fftt::ToRef(Qn.b);
    const ref::Digits p = fftt::ToRef(P.b), q = fftt::ToRef(Q.b);
    MergeStep(An.b, Pn.b, Qn.b, P.b, Q.b, X.b, c.keep);
    EXPECT_LE(P.b.Size, c.keep + 1);
    EXPECT_LE(Q.b.Size, c.keep);
    ExpectTop(ref::Add(ref::Mul(an, p, 12), fftt::Shifted(ref::Mul(pn, q, 12), 1), 12), 4, P.b);
    ExpectTop(ref::Mul(qn, q, 12), 5, Q.b);
  }
}

// Whole runs pass the check of their known digits until one digit is damaged.
TEST(KnownDigits, DamagedDigitFailsTheCheck) {
  InitSmallIntConstants();
  fftt::EnsureFFT(1024);
  // The second series of each constant shares its check.
  PiRamanujanComputation pi;
  EComputation e(1);
  for (ConstantComputation* c :
       {static_cast<ConstantComputation*>(&pi), static_cast<ConstantComputation*>(&e)}) {
    SCOPED_TRACE(c->GetTypeCode());
    c->Digits = 30000;
    c->Mode = kModeStandard;
    c->FFTSize = 1024;
    testing::internal::CaptureStdout();
    const int done = c->Compute();
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(done, 1);
    EXPECT_EQ(c->CheckResult(), 1);
    BigInt& r = *static_cast<BigInt*>(c->Result);
    ASSERT_EQ(r.Offset + r.Size, 1);
    // The digit at position p (fractional limb k holds 12k+1 .. 12k+12).
    for (long p : {10005L, 20010L}) {
      double& limb = r.Limbs[r.Size - 2 - (p - 1) / 12];
      const double weight = std::pow(10.0, 11 - (p - 1) % 12), saved = limb;
      limb += std::fmod(std::floor(limb / weight), 10) < 5 ? weight : -weight;
      EXPECT_EQ(c->CheckResult(), 0) << "position " << p;
      c->Digits = 20000;  // 20000 itself is not checked
      EXPECT_EQ(c->CheckResult(), p < 20000 ? 0 : 1) << "position " << p;
      c->Digits = 30000;
      limb = saved;
    }
    delete c->Result;
  }
}

}  // namespace
