#include "constants/pi_chudnovsky.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "disk/disk_memory.h"
#include "fft/fft_product.h"
#include "mpint/fft_mul.h"
#include "mpint/bigint.h"
#include "mpint/multiply.h"
#include "mpint/newton.h"
#include "shell/clock.h"
#include "shell/unavailable.h"

namespace {

double LimbBytes(double n) { return 8 * (n + 1); }

// Progress and phase timings: printed and flushed at once, so long steps show movement.
void Progress(const char* format, long value) {
  std::printf(format, value);
  std::fflush(stdout);
}

void Mark(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

void ProgressTime(const char* format, double seconds) {
  std::printf(format, seconds);
  std::fflush(stdout);
}

void SetLimbs3(SmallInt& s, double l0, double l1, double l2, long size) {
  s.Limbs[0] = l0;
  s.Limbs[1] = l1;
  s.Limbs[2] = l2;
  s.Size = size;
}

bool IsOdd(double k) { return std::fmod(k, 2) == 1; }

}  // namespace

const PiCheckEntry PiCheckTable[22] = {
    {10000, 5667227966},       {20000, 2038565390},       {30000, 3572905691},
    {50000, 3009369188},       {100000, 4126002437},      {200000, 5202072786},
    {300000, 7512520542},      {500000, 6973910175},      {1000000, 3092756283},
    {2000000, 6121731251},     {3000000, 6970679155},     {5000000, 5683761688},
    {10000000, 2591513361},    {20000000, 1731393365},    {30000000, 1208785807},
    {50000000, 5645211683},    {100000000, 2150588095},   {200000000, 565111298},
    {999999990, 5275045519},   {1999999990, 3009559510},  {3999999990, 2268447216},
    {5999999990, 5298777327},
};

int CheckPiDigits(const MPInt& number, double digits) {
  for (int i = 21; i >= 0; i--) {
    const PiCheckEntry& e = PiCheckTable[i];
    if (e.Position >= digits) continue;
    if (std::fabs(number.GetTenDigits(e.Position) - e.TenDigits) > 0.01) return 0;
  }
  return 1;
}

void PiChudnovskyComputation::PrintMethod(FILE* stream) const {
  std::fprintf(stream, "Method used : Chudnovsky\n");
}

double PiChudnovskyComputation::LogTermConstant() const { return 16.1 * std::log(10.0); }

void PiChudnovskyComputation::EstimateMemory(long fftSize, double* memory,
                                             double* diskMemory) const {
  const double f3 = static_cast<double>(fftSize / 3);
  if (Mode == kModeStandard) {
    double w = std::max(std::trunc(Digits / 12) + 1, f3);
    double w2 = std::max(w + 2, 2 * f3);
    *memory = FFTNeededMemory(fftSize) + 2 * LimbBytes(f3) + 2 * LimbBytes(w) + LimbBytes(w2);
    *diskMemory = 0;
  } else {
    *memory = DiskMemoryEstimate(fftSize) + 3 * LimbBytes(f3);
    *diskMemory = Digits * (Mode == kModeBasicDisk ? 2 : 4.5) / 1024;
  }
}

void PiChudnovskyComputation::GetFFTSizeRange(int* first, int* end, double factors[10]) const {
  ConstantComputation::GetFFTSizeRange(first, end, factors);
  PiTimeFactors(Mode, factors);
}

int PiChudnovskyComputation::CheckResult() {
  if (Result == nullptr) return 0;
  return CheckPiDigits(*Result, Digits);
}

void PiChudnovskyComputation::LastBabyStep(double a, double b, SmallInt& A, SmallInt& P,
                                           SmallInt& Q) {
  A.Set(1);
  for (double k = a + 1; k < b; k++) MulThreeFactorsSmallInt(A, 6 * k - 5, 2 * k - 1, 6 * k - 1);
  A.CopyTo(Q);  // p(a+1) .. p(b-1)
  MulThreeFactorsSmallInt(A, 6 * b - 5, 2 * b - 1, 6 * b - 1);

  P.Set(0);
  // l(b) = 13591409 + 545140134 b; later terms step down by 545140134.
  SetLimbs3(SmallTerm, 140134, 545, 0, 2);
  ShortMulSmallInt(SmallTerm, b, SmallTerm);
  SmallTerm.Limbs[0] += 13591409;
  SmallTerm.UpdateSmallInt();
  MulSmallInt(SmallTerm, A, SmallWork);
  if (IsOdd(b))
    AddSmallInt(P, SmallWork, P);
  else
    SubstractSmallInt(P, SmallWork, P);
  // q(b) = b^3 * 640320^3 / 24
  SetLimbs3(SmallWork, 32000, 58860, 10939, 3);
  MulThreeFactorsSmallInt(SmallWork, b, b, b);
  MulSmallInt(Q, SmallWork, Q);

  // Q holds p(a+1..j) q(j+1..b) before round j.
  for (double j = b - 1; j > a; j--) {
    SmallTerm.Limbs[0] -= 545140134;
    SmallTerm.UpdateSmallInt();
    MulSmallInt(SmallTerm, Q, SmallWork);
    if (IsOdd(j))
      AddSmallInt(P, SmallWork, P);
    else
      SubstractSmallInt(P, SmallWork, P);
    SetLimbs3(SmallWork, 32000, 58860, 10939, 3);
    MulThreeFactorsSmallInt(SmallWork, j, j, j);
    DivThreeFactorsSmallInt(Q, 6 * j - 5, 2 * j - 1, 6 * j - 1);
    MulSmallInt(Q, SmallWork, Q);
  }
}

int PiChudnovskyComputation::Compute() {
  RequireAvailable(*this, true);
  const double nf = 1 + (Digits + 100) * (1 / DigitsPerTerm());
  LogTermSize = 3 * std::log(nf) + LogTermConstant();
  N = std::trunc(nf);
  nBabyStepLimit = static_cast<int>(std::trunc(1200 * std::log(1e4) / LogTermSize));
  nLastBabyStepLimit = static_cast<int>(std::trunc(30 * std::log(1e4) / LogTermSize));
  const long c = static_cast<long>(std::trunc(nBabyStepLimit * LogTermSize / std::log(1e6))) + 150;
  AllocWorkNumbers(c);
  const int done = ComputeInMemory();
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
  BigInt A, Pn, Qn, P, Q, X;
  const long stepCap = f3 + 2 * e;
  const long sumCap = nResult + 2;
  const long xCap = std::max(nResult + 2, 2 * stepCap) + 2;
  Pn.Alloc(stepCap);
  Qn.Alloc(stepCap);
  P.Alloc(sumCap);
  Q.Alloc(sumCap);
  X.Alloc(xCap);
  A.Limbs = X.Limbs;
  A.Raw = nullptr;
  A.NAlloc = stepCap - 1;
  A.Size = 1;
  A.Limbs[0] = 0;
  P.NAlloc = Q.NAlloc = X.NAlloc = nResult;

  std::vector<double> bounds;
  const long count = ComputeSteps(N, LogTermConstant(), FFTSize, bounds);

  PrintMemoryUsed();
  std::printf("Computing series with index N=%.0lf\n", N);
  Progress("Starting step %ld\n", count);
  double start = GetSeconds();

  GiantStep(bounds[count], N, A, P, Q, 0);
  // The top of the series needs only the precision of its position.
  {
    const long r = nResult - static_cast<long>(std::trunc(nResult * bounds[count] / N));
    const long d = std::max(P.Size, Q.Size) - r;
    if (d > 0) {
      P.DropLowLimbs(d);
      Q.DropLowLimbs(d);
    }
  }
  for (long i = count - 1; i >= 0; i--) {
    Progress("Starting step %ld ", i);
    GiantStep(bounds[i], bounds[i + 1], A, Pn, Qn, 1);
    Mark(".");
    const long r = nResult - static_cast<long>(std::trunc(nResult * bounds[i] / N));
    P.NAlloc = Q.NAlloc = r;
    X.NAlloc = std::min(r - (Pn.Size - A.Size), xCap);
    // (Pn, Qn) followed by the accumulated (P, Q): P = A P + Pn Q, Q = Qn Q.
    MulBigInt(A, P, X);
    Mark(".");
    StartTimer(kTimerSeries);
    MulBigInt(Pn, Q, P);
    Mark(".");
    P.NAlloc += 1;
    AddBigInt(P, X, P);
    P.NAlloc -= 1;
    MulBigInt(Qn, Q, Q);
    StopTimer(kTimerSeries);
    Mark("\n");
  }
  ProgressTime("Series computing time : %.2lf\n", GetSeconds() - start);

  // The term of index 0: P becomes S * Q, S the series sum.
  P.NAlloc = X.NAlloc = nResult + 1;
  if (ramanujan) {
    ShortMul(Q, 1103, X);
    AddBigInt(X, P, P);
  } else {
    ShortMul(Q, 13591409, X);
    SubstractBigInt(X, P, P);
  }

  start = GetSeconds();
  Q.NAlloc += 1;
  BigInt view;
  DivBigInt(Q, P, X, view, Qn);
  ProgressTime("Division time : %.2lf\n", GetSeconds() - start);

  start = GetSeconds();
  P.NAlloc -= 2;
  X.NAlloc -= 1;
  InvSqrtBigInt(ramanujan ? 8 : 10005, P, X);
  ProgressTime("InvSqrt time : %.2lf\n", GetSeconds() - start);
  P.NAlloc += 2;
  ShortMul(P, ramanujan ? 9801 : 4270934400.0, P);

  start = GetSeconds();
  X.NAlloc = nResult;
  MulTruncated(P, Q, X);
  ProgressTime("Final huge multiplication time : %.2lf\n", GetSeconds() - start);

  // The result takes X's storage; its capacity is the block's, so that Free
  // returns exactly what was taken.
  BigInt* result = new BigInt;
  result->Size = X.Size;
  result->Offset = X.Offset;
  result->Limbs = X.Limbs;
  result->Raw = X.Raw;
  result->NAlloc = xCap;
  Result = result;
  X.Raw = X.Limbs = nullptr;

  Pn.Free();
  Qn.Free();
  P.NAlloc = Q.NAlloc = sumCap;
  P.Free();
  Q.Free();
  return 1;
}
