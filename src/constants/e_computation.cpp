#include "constants/e_computation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "disk/disk_memory.h"
#include "mpint/fft_mul.h"
#include "mpint/limb_storage.h"
#include "mpint/multiply.h"
#include "mpint/newton.h"
#include "shell/clock.h"
#include "shell/error_report.h"
#include "shell/memory.h"
#include "shell/progress.h"
#include "shell/unavailable.h"

const KnownDigits ECheckTable[kECheckCount] = {
    {10000, 5674302859},      {20000, 540436187},       {30000, 4867608433},
    {50000, 3955008002},      {100000, 1577830892},     {200000, 796401810},
    {300000, 6903519385},     {500000, 9288452668},     {1000000, 8374711515},
    {2000000, 6364637520},    {3000000, 6155960494},    {5000000, 4584005345},
    {10000000, 1648408993},   {20000000, 7870549821},   {30000000, 3639127138},
    {50000000, 902126036},    {100000000, 5522594276},  {200000000, 2953387943},
    {300000000, 3594170465},  {500000000, 6410249120},  {1000000000, 6159331468},
};

namespace {

bool IsEven(double x) { return std::fmod(x, 2) == 0; }

}  // namespace

void EComputation::PrintMethod(FILE* stream) const {
  std::fprintf(stream, Series == 0 ? "Method used : series SUM 1/n!\n"
                                   : "Method used : series 1/SUM (-1)^n/n!\n");
}

void EComputation::EstimateMemory(long fftSize, double* memory, double* diskMemory) const {
  // The guard limbs are 2 ln N + 1 with N below the digit count.
  const long f3 = fftSize / 3;
  const long guard = 2 * static_cast<long>(std::log(Digits + 100)) + 1;
  if (Mode == kModeStandard) {
    // The two sums and the scratch at the result's length, and the reciprocal
    // of the division, all alive at the division.
    const long sums = static_cast<long>((Digits + 100) / 12) + guard;
    *memory = kProcessBytes + FFTNeededMemory(fftSize) + 3 * LimbStorage::Bytes(sums) +
              LimbStorage::Bytes(f3 + guard);
    *diskMemory = 0;
  } else {
    *memory = kProcessBytes +
              DiskMemoryEstimate(fftSize, Mode == kModeAdvancedDisk, Digits + 100) +
              2 * LimbStorage::Bytes(f3 + guard);
    *diskMemory = Digits * (Mode == kModeBasicDisk ? 2 : 3.5) / 1024;
  }
}

void EComputation::GetFFTSizeRange(int* first, int* end, double factors[10]) const {
  ConstantComputation::GetFFTSizeRange(first, end, factors);
  PiTimeFactors(Mode, factors);
}

int EComputation::CheckResult() {
  if (Result == nullptr) return 0;
  return CheckKnownDigits(*Result, Digits, ECheckTable, kECheckCount);
}

void EComputation::SizeSeries() {
  // N with N! ~ 10^(D+100): y (ln y - 1) = (D+100) ln 10 by fixed-point iteration.
  const double x = Digits + 100;
  const double lx = x * std::log(10.0);
  double y = lx / std::log(x);
  for (int i = 0; i < 10; i++) y = lx / (std::log(y) - 1);
  N = std::floor(y);
  LogTermSize = std::log(N);
  // A term adds about ln N to the sizes: the limits keep the small levels near
  // 3200 and the leaves near 20 base-10^4 digits.
  nBabyStepLimit = static_cast<int>(3200 * std::log(1e4) / LogTermSize);
  nLastBabyStepLimit = static_cast<int>(20 * std::log(1e4) / LogTermSize);
}

int EComputation::Compute() {
  RequireAvailable(*this, true);
  SizeSeries();
  const long c = static_cast<long>(nBabyStepLimit * LogTermSize / std::log(1e6)) + 150;
  AllocWorkNumbers(c);
  ProgressCounter = 1;
  const int done = Mode == kModeStandard ? ComputeInMemory() : ComputeOnDisk();
  FreeWorkNumbers();
  return done;
}

void EComputation::LastBabyStep(double a, double b, SmallInt&, SmallInt& A, SmallInt& Q) {
  if (Series == 1) {
    LastBabyStepAlternating(a, b, A, Q);
    return;
  }
  // Before round j, Q = (j+1)...b; A collects the terms from j+1 on.
  A.Set(1);
  Q.Set(b);
  for (double j = b - 1; j > a; j--) {
    AddSmallInt(A, Q, A);
    ShortMulSmallInt(Q, j, Q);
  }
}

void EComputation::LastBabyStepAlternating(double a, double b, SmallInt& A, SmallInt& Q) {
  A.Set(IsEven(b) ? 1 : -1);
  Q.Set(b);
  bool add = !IsEven(b);  // the sign of the term j = b-1
  for (double j = b - 1; j > a; j--) {
    if (add)
      AddSmallInt(A, Q, A);
    else
      SubstractSmallInt(A, Q, A);
    add = !add;
    ShortMulSmallInt(Q, j, Q);
  }
}

int EComputation::ExpectedPSign(double a) const { return (Series == 1 && IsEven(a)) ? -1 : 1; }

void EComputation::Merged(double a, double b) {
  // The left bounds pass N/9, 2N/9, ...: at most eight dots along the run.
  if (ProgressCounter * N < 9 * a) {
    ProgressPrint(".");
    ProgressCounter++;
  }
  ProgressUpdate("Series", b / N);
}

int EComputation::ComputeInMemory() {
  const long f3 = FFTSize / 3;
  const long nl = static_cast<long>((Digits + 100) / 12);
  const long g = 2 * static_cast<long>(LogTermSize) + 1;

  InitBigIntFFT(FFTSize);
  BigInt r(nl + g), s(nl + g);
  W.Alloc(nl + g);
  MergeScratch = &W;

  PrintMemoryUsed();
  ProgressPrint("Computing series with index N=%.0lf\n", N);
  double start = GetSeconds();
  // r / s is e - 1 for series 0 and e for series 1.
  if (Series == 0)
    GiantStep(0, N, r, s);
  else
    GiantStep(1, N, s, r);
  ProgressEnd();
  ProgressPrint("\n");
  ProgressPrint("Series computing time : %.2lf\n", GetSeconds() - start);

  start = GetSeconds();
  BigInt reciprocal(f3 + g);
  DivBigInt(r, s, W, reciprocal);
  ProgressEnd();
  ProgressPrint("Division time : %.2lf\n", GetSeconds() - start);

  // The top limb is the integer part: 1 (e - 1) or 2 (e) becomes 2.
  if (r.Size < 1 || r.Offset + r.Size != 1 || r.Limbs[r.Size - 1] < 1 || r.Limbs[r.Size - 1] > 2)
    error("Error in the division of the e series, the quotient is out of range");
  r.Limbs[r.Size - 1] = 2;

  Result = new BigInt(std::move(r));
  MergeScratch = nullptr;
  W.Free();
  return 1;
}
