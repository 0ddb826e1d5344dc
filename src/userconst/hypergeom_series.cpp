// The sum of a user series to D digits: steps of S terms summed exactly by
// binary splitting, accumulated from the last step to the first with the
// precision that the remaining terms still need, then one division.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "constants/series_sum.h"
#include "constants/step_plan.h"
#include "mpint/bigint.h"
#include "mpint/fft_mul.h"
#include "mpint/limb_storage.h"
#include "mpint/multiply.h"
#include "mpint/newton.h"
#include "shell/clock.h"
#include "shell/error_report.h"
#include "shell/memory.h"
#include "shell/progress.h"
#include "userconst/hypergeom.h"

namespace {

// Terms are counted in doubles holding integers: far beyond any feasible run.
constexpr double kMaxTerms = 1e12;

}  // namespace

int Hypergeom::Compute() {
  const double rate = ConvergenceRate();
  const double N = (Digits + 100) / std::log10(rate) + 1;
  if (!(N < kMaxTerms)) error("Error, the series converges too slowly for this number of digits");
  Nterms = std::floor(N) + 1;

  // The size bound of one factor is taken at the last term summed.
  LogTermSize = std::max(F_->LogBound(Nterms) + Z_.Num.Log(), G_->LogBound(Nterms) + Z_.Den.Log());
  // A series of factors near 1 would make the small levels unbounded.
  LogTermSize = std::max(LogTermSize, 1.0);

  nLastBabyStepLimit = 1;
  nBabyStepLimit = std::max(1, static_cast<int>(std::trunc(1200 * std::log(1e4) / LogTermSize)));
  const long C = static_cast<long>(std::trunc(nBabyStepLimit * LogTermSize / std::log(1e6))) + 150;
  AllocWorkNumbers(C);
  EvaluateSeries();
  FreeWorkNumbers();
  return 1;
}

void Hypergeom::LastBabyStep(double a, double b, SmallInt& A, SmallInt& P, SmallInt& Q) {
  if (b != a + 1) error("Error in Hypergeom::LastBabyStep, n1 != n0+1");
  F_->Evaluate(b, SmallTerm);
  MulSmallInt(SmallTerm, Z_.Num, A);
  G_->Evaluate(b, SmallTerm);
  MulSmallInt(SmallTerm, Z_.Den, Q);
  switch (Q.Sign()) {
    case 0: errorf("Error, the polynomial G vanish at the value n=%.0lf", b);
    case -1:
      // The sign goes to p(b): the products Q stay positive.
      NegateSmallInt(A, A);
      NegateSmallInt(Q, Q);
      break;
    default: break;
  }
  A.CopyTo(P);
}

void Hypergeom::EvaluateSeries() {
  const long fft = FFTSize;
  const long K = fft / 3;
  const double D = Digits;
  const long Lr = std::max(static_cast<long>(std::trunc((D + 100) / 12)) + 1, K);
  const long e = std::max(static_cast<long>(std::trunc(std::log(Nterms))), 2L);

  InitBigIntFFT(fft);
  BigInt A1(K + 2 * e), P1(K + 2 * e), Q1(K + 2 * e);
  // W is also the scratch of the division: twice the reciprocal's limbs.
  BigInt W(std::max(Lr + 2, 2 * K + 8));
  BigInt Pacc(Lr + 2), Qacc(Lr + 2), R(Lr + 2);
  for (BigInt* x : {&W, &Pacc, &Qacc, &R}) x->SetCapacity(Lr);

  // Terms per step: each half of a step must fit the products of the merge
  // (3 x limbs <= NFFT / 2), with a few limbs for rounding and for the sum in P.
  const double half = std::floor(static_cast<double>(fft / 6 - 3) * std::log(1e12) / LogTermSize);
  const double S = 2 * half;
  if (S < 2) error("Your FFT size is too small to achieve this computation");
  const StepPlan plan = PlanEqualSteps(Nterms, S);

  PrintMemoryUsed();
  StepNumbers numbers{A1, P1, Q1, Pacc, Qacc, W};
  SumSeriesInMemory(*this, plan, PrecisionSchedule{Lr, Nterms}, numbers);

  // alpha + beta P / Q = (P beta.num alpha.den + Q beta.den alpha.num) / (Q beta.den alpha.den).
  W.SetCapacity(Lr);
  Pacc.SetCapacity(Lr);
  Qacc.SetCapacity(Lr);
  SmallIntMul(Pacc, beta_.Num, W);
  W.CopyTo(Pacc);
  SmallIntMul(Qacc, beta_.Den, W);
  W.CopyTo(Qacc);
  SmallIntMul(Pacc, alpha_.Den, W);
  SmallIntMul(Qacc, alpha_.Num, R);
  AddBigIntAligned(W, R, Pacc);
  SmallIntMul(Qacc, alpha_.Den, W);
  W.CopyTo(Qacc);

  const double divisionStart = GetSeconds();
  Pacc.SetCapacity(Lr + 1);
  Qacc.SetCapacity(Lr + 1);
  const bool negative = Pacc.Sign() < 0;
  if (negative) NegateBigInt(Pacc);
  // The division works to the number of limbs its operands carry.
  Pacc.Lengthen(Pacc.NAlloc);
  Qacc.Lengthen(Qacc.NAlloc);
  W.SetCapacity(W.Room());
  DivBigInt(Pacc, Qacc, W, P1);
  if (negative) NegateBigInt(Pacc);
  ProgressEnd();
  ProgressPrint("Division time : %.2lf\n", GetSeconds() - divisionStart);

  Pacc.SetCapacity(Pacc.Room());
  Result = new BigInt(std::move(Pacc));
}

void Hypergeom::EstimateMemory(long fftSize, double* memory, double* diskMemory) const {
  // The numbers of EvaluateSeries: the integers of a step (F/3 limbs and
  // 2 ln N of growth), the accumulated sums with R at the result's length,
  // and W, also the division's scratch.
  const long K = fftSize / 3;
  const long Lr = std::max(static_cast<long>((Digits + 100) / 12) + 1, K);
  const double terms = std::floor((Digits + 100) / std::log10(ConvergenceRate()) + 1) + 1;
  const long e = std::max(static_cast<long>(std::log(std::min(terms, kMaxTerms))), 2L);
  *memory = kProcessBytes + FFTNeededMemory(fftSize) + 3 * LimbStorage::Bytes(K + 2 * e) +
            LimbStorage::Bytes(std::max(Lr + 2, 2 * K + 8)) + 3 * LimbStorage::Bytes(Lr + 2);
  *diskMemory = 0;
}
