#include "constants/sqrt2.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "disk/disk_int.h"
#include "disk/disk_memory.h"
#include "disk/disk_mul.h"
#include "disk/disk_newton.h"
#include "disk/disk_arith.h"
#include "mpint/bigint.h"
#include "mpint/fft_mul.h"
#include "mpint/limb_storage.h"
#include "mpint/multiply.h"
#include "mpint/newton.h"
#include "ntt/ntt.h"
#include "shell/clock.h"
#include "shell/memory.h"
#include "shell/progress.h"
#include "shell/unavailable.h"

namespace {

// The square is read in runs of this many limbs, so that the check would work
// the same on a number that lives in files.
constexpr long kCheckRun = 8000;

}  // namespace

double Sqrt2WrongDigits(const MPInt& square) {
  const long n = square.Size;
  if (n < 1) return 0;
  if (square.GetOffset() + n - 1 != 0) return 12.0 * static_cast<double>(n);
  double buffer[kCheckRun];
  square.WriteToBuffer(buffer, 1, n - 1);
  const double top = buffer[0];
  if (top != 1 && top != 2) return 12.0 * static_cast<double>(n);
  const double expected = top == 1 ? kBigIntMaxLimb : 0;
  for (long r = n - 1; r > 0;) {
    const long from = std::max(0L, r - kCheckRun);
    square.WriteToBuffer(buffer, r - from, from);
    for (long p = r - 1; p >= from; p--)
      if (buffer[p - from] != expected) return 12.0 * static_cast<double>(p);
    r = from;
  }
  return 0;
}

void PrintSqrt2Check(double wrongDigits) {
  if (wrongDigits <= 12)
    ProgressPrint("The computation is OK\n");
  else
    ProgressPrint("The last %.0lf digits of the result are wrong\n", wrongDigits);
}

void Sqrt2Computation::EstimateMemory(long fftSize, double* memory, double* diskMemory) const {
  // The root and its scratch, both at the result's length, in memory or in
  // files of 8 bytes a limb.
  const long limbs = static_cast<long>((Digits + 100) / 12);
  if (Mode == kModeStandard) {
    *memory = kProcessBytes + FFTNeededMemory(fftSize) + 2 * LimbStorage::Bytes(limbs);
    *diskMemory = 0;
  } else {
    *memory =
        kProcessBytes + DiskMemoryEstimate(fftSize, Mode == kModeAdvancedDisk, Digits + 100);
    *diskMemory = Mode == kModeBasicDisk ? 2 * 8.0 * static_cast<double>(limbs) / 1024
                                         : Digits * 3 / 1024;
  }
}

int Sqrt2Computation::HasDiskDriver(int mode) const {
  return mode == kModeBasicDisk || mode == kModeAdvancedDisk;
}

int Sqrt2Computation::Compute() {
  RequireAvailable(*this, true);
  // The digits asked and 100 guard digits.
  const long limbs = static_cast<long>((Digits + 100) / 12);
  if (Mode != kModeStandard) return ComputeOnDisk(limbs);
  InitBigIntFFT(FFTSize);
  BigInt x(limbs), y(limbs);

  PrintMemoryUsed();
  ProgressPrint("\n");
  ProgressPrint("Computing Sqrt(2) with %.0lf digits...\n", Digits);
  double start = GetSeconds();
  {
    // One limb is kept free for the integer limb of 2 / sqrt(2).
    ScopedCapacity root(x, limbs - 1);
    InvSqrtBigInt(2, x, y);
  }
  ShortMul(x, 2.0, x);
  ProgressEnd();
  ProgressPrint("Time of sqrt(2) computation : %.2lf\n", GetSeconds() - start);

  ProgressPrint("\n");
  ProgressPrint("Verification : Squaring ...\n");
  start = GetSeconds();
  ProgressUpdate("Squaring", 0);
  // The truncated square: the top limbs are all the check reads, and the full
  // square of a number longer than a third of the transform would not fit one.
  SquareTruncated(x, y);
  ProgressEnd();
  ProgressPrint("Squaring Time : %.2lf\n", GetSeconds() - start);
  PrintSqrt2Check(Sqrt2WrongDigits(y));

  // The result takes over x's storage.
  Result = new BigInt(std::move(x));
  return 1;
}

int Sqrt2Computation::ComputeOnDisk(long limbs) {
  InitDiskBuffers(FFTSize);
  // The advanced mode: the products too long for the piece product go through the NTT.
  if (Mode == kModeAdvancedDisk) InitNTT(2 * FFTSize, Digits + 100);
  // Both are scratch files until the result is handed over; the result's are
  // removed once its digits are written.
  DiskInt x, y;
  InitScratchDiskInt(x, "A", limbs);
  InitScratchDiskInt(y, "B", limbs);

  PrintMemoryUsed();
  ProgressPrint("\n");
  ProgressPrint("Computing Sqrt(2) with %.0lf digits...\n", Digits);
  double start = GetSeconds();
  InvSqrtDiskInt(2, x, y);
  {
    DiskBufferLoan lend(DiskBufferSize());
    ShortMulDiskInt(x, 2.0, x);
  }
  ProgressPrint("Time of sqrt(2) computation : %.2lf\n", GetSeconds() - start);

  ProgressPrint("\n");
  ProgressPrint("Verification : Squaring ...\n");
  start = GetSeconds();
  ProgressUpdate("Squaring", 0);
  MulDiskInt(x, x, y);
  ProgressEnd();
  ProgressPrint("Squaring Time : %.2lf\n", GetSeconds() - start);
  PrintSqrt2Check(Sqrt2WrongDigits(y));

  y.Free();
  Result = new DiskInt(std::move(x));
  return 1;
}
