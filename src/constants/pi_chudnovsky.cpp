#include "constants/pi_chudnovsky.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "constants/series_sum.h"
#include "constants/step_plan.h"
#include "disk/disk_memory.h"
#include "mpint/bigint.h"
#include "mpint/fft_mul.h"
#include "mpint/limb_storage.h"
#include "mpint/multiply.h"
#include "mpint/newton.h"
#include "shell/clock.h"
#include "shell/memory.h"
#include "shell/progress.h"
#include "shell/unavailable.h"

namespace {

// q(k) = k^3 * 640320^3 / 24.
void SetQ(SmallInt& q, double k) {
  q.Limbs[0] = 32000;
  q.Limbs[1] = 58860;
  q.Limbs[2] = 10939;
  q.Size = 3;
  MulThreeFactorsSmallInt(q, k, k, k);
}

// P += sigma(k) w: the terms of odd index are added.
void AddTerm(SmallInt& P, const SmallInt& w, double k) {
  if (std::fmod(k, 2) == 1)
    AddSmallInt(P, w, P);
  else
    SubstractSmallInt(P, w, P);
}

}  // namespace

const KnownDigits PiCheckTable[kPiCheckCount] = {
    {10000, 5667227966},       {20000, 2038565390},       {30000, 3572905691},
    {50000, 3009369188},       {100000, 4126002437},      {200000, 5202072786},
    {300000, 7512520542},      {500000, 6973910175},      {1000000, 3092756283},
    {2000000, 6121731251},     {3000000, 6970679155},     {5000000, 5683761688},
    {10000000, 2591513361},    {20000000, 1731393365},    {30000000, 1208785807},
    {50000000, 5645211683},    {100000000, 2150588095},   {200000000, 565111298},
    {999999990, 5275045519},   {1999999990, 3009559510},  {3999999990, 2268447216},
    {5999999990, 5298777327},
};

void PiChudnovskyComputation::PrintMethod(FILE* stream) const {
  std::fprintf(stream, "Method used : Chudnovsky\n");
}

double PiChudnovskyComputation::LogTermConstant() const { return 16.1 * std::log(10.0); }

void PiChudnovskyComputation::EstimateMemory(long fftSize, double* memory,
                                             double* diskMemory) const {
  // The numbers that live through the whole run, as the drivers allocate them:
  // the integers of a step (F/3 limbs and 2 ln N of growth) and, in memory,
  // the sums P, Q and the scratch X at the result's length.
  const long f3 = fftSize / 3;
  const double terms = std::trunc(1 + (Digits + 100) / DigitsPerTerm());
  const long step = f3 + 2 * static_cast<long>(std::log(terms));
  if (Mode == kModeStandard) {
    const long result = std::max(static_cast<long>((Digits + 100) / 12) + 1, f3);
    *memory = kProcessBytes + FFTNeededMemory(fftSize) + 2 * LimbStorage::Bytes(step) +
              2 * LimbStorage::Bytes(result + 2) +
              LimbStorage::Bytes(std::max(result + 2, 2 * step) + 2);
    *diskMemory = 0;
  } else {
    *memory = kProcessBytes +
              DiskMemoryEstimate(fftSize, Mode == kModeAdvancedDisk, Digits + 100) +
              3 * LimbStorage::Bytes(step);
    *diskMemory = Digits * (Mode == kModeBasicDisk ? 2 : 4.5) / 1024;
  }
}

void PiChudnovskyComputation::GetFFTSizeRange(int* first, int* end, double factors[10]) const {
  ConstantComputation::GetFFTSizeRange(first, end, factors);
  PiTimeFactors(Mode, factors);
}

int PiChudnovskyComputation::CheckResult() {
  if (Result == nullptr) return 0;
  return CheckKnownDigits(*Result, Digits, PiCheckTable, kPiCheckCount);
}

void PiChudnovskyComputation::LastBabyStep(double a, double b, SmallInt& A, SmallInt& P,
                                           SmallInt& Q) {
  // From the last term down, each round multiplying by p(j) and q(j) (no
  // division): before round j, Q = q(j+1..b) and P = sum over k > j of
  // sigma(k) l(k) p(j+1..k) q(k+1..b).
  A.Set(1);
  P.Set(0);
  Q.Set(1);
  // l(b) = 13591409 + 545140134 b; later terms step down by 545140134.
  SmallTerm.Limbs[0] = 140134;
  SmallTerm.Limbs[1] = 545;
  SmallTerm.Size = 2;
  ShortMulSmallInt(SmallTerm, b, SmallTerm);
  SmallTerm.Limbs[0] += 13591409;
  SmallTerm.UpdateSmallInt();
  for (double j = b; j > a; j--) {
    MulSmallInt(SmallTerm, Q, SmallWork);
    AddTerm(P, SmallWork, j);
    MulThreeFactorsSmallInt(P, 6 * j - 5, 2 * j - 1, 6 * j - 1);
    MulThreeFactorsSmallInt(A, 6 * j - 5, 2 * j - 1, 6 * j - 1);
    SetQ(SmallWork, j);
    MulSmallInt(Q, SmallWork, Q);
    SmallTerm.Limbs[0] -= 545140134;
    SmallTerm.UpdateSmallInt();
  }
}

void PiChudnovskyComputation::SizeSeries() {
  const double nf = 1 + (Digits + 100) * (1 / DigitsPerTerm());
  LogTermSize = 3 * std::log(nf) + LogTermConstant();
  N = std::trunc(nf);
  nBabyStepLimit = static_cast<int>(std::trunc(1200 * std::log(1e4) / LogTermSize));
  nLastBabyStepLimit = static_cast<int>(std::trunc(30 * std::log(1e4) / LogTermSize));
}

int PiChudnovskyComputation::Compute() {
  RequireAvailable(*this, true);
  SizeSeries();
  const long c = static_cast<long>(std::trunc(nBabyStepLimit * LogTermSize / std::log(1e6))) + 150;
  AllocWorkNumbers(c);
  const int done = Mode == kModeStandard ? ComputeInMemory() : ComputeOnDisk();
  FreeWorkNumbers();
  return done;
}

int PiChudnovskyComputation::ComputeInMemory() {
  const bool ramanujan = GetTypeCode() == 2;
  const long f3 = FFTSize / 3;
  const long e = static_cast<long>(std::trunc(std::log(N)));
  const long nResult = std::max(static_cast<long>(std::trunc((Digits + 100) / 12)) + 1, f3);

  InitBigIntFFT(FFTSize);
  // Pn, Qn: the integers of the step being computed; P, Q: the sums accumulated
  // from the top of the series down; X: scratch, the storage of each step's A,
  // and at the end the result.
  const long stepCap = f3 + 2 * e;
  BigInt Pn(stepCap), Qn(stepCap), P(nResult + 2), Q(nResult + 2);
  BigInt X(std::max(nResult + 2, 2 * stepCap) + 2);
  BigIntView A(X.Limbs, stepCap - 1, 1, 0);
  A.Limbs[0] = 0;
  P.SetCapacity(nResult);
  Q.SetCapacity(nResult);
  X.SetCapacity(nResult);

  const StepPlan plan = PlanGrowingSteps(N, LogTermConstant(), FFTSize);
  PrintMemoryUsed();
  StepNumbers numbers{A, Pn, Qn, P, Q, X};
  SumSeriesInMemory(*this, plan, PrecisionSchedule{nResult, N}, numbers);

  // The term of index 0: P becomes S * Q, S the series sum.
  P.SetCapacity(nResult + 1);
  X.SetCapacity(nResult + 1);
  if (ramanujan) {
    ShortMul(Q, 1103, X);
    AddBigInt(X, P, P);
  } else {
    ShortMul(Q, 13591409, X);
    SubstractBigInt(X, P, P);
  }

  double start = GetSeconds();
  Q.SetCapacity(nResult + 1);
  DivBigInt(Q, P, X, Qn);
  ProgressEnd();
  ProgressPrint("Division time : %.2lf\n", GetSeconds() - start);

  start = GetSeconds();
  {
    ScopedCapacity root(P, nResult - 1);
    ScopedCapacity scratch(X, nResult);
    InvSqrtBigInt(ramanujan ? 8 : 10005, P, X);
  }
  ProgressEnd();
  ProgressPrint("InvSqrt time : %.2lf\n", GetSeconds() - start);
  ShortMul(P, ramanujan ? 9801 : 4270934400.0, P);

  start = GetSeconds();
  ProgressUpdate("Final multiplication", 0);
  X.SetCapacity(nResult);
  MulTruncated(P, Q, X);
  ProgressEnd();
  ProgressPrint("Final huge multiplication time : %.2lf\n", GetSeconds() - start);

  // The result takes X's storage (A's limbs are part of it).
  Result = new BigInt(std::move(X));
  return 1;
}
