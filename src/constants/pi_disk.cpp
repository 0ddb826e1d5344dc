// Pi in the disk modes: the sums P and Q of the steps done live in files, and
// each step is put in front of them. The basic mode sums a step in memory and
// multiplies it into P and Q by products of a number in memory by a number on
// disk; the advanced mode sums far longer steps on disk (pi_disk_recursion.cpp)
// and multiplies through the NTT. Then the division (advanced: the inverse and
// a product), the square root factor and the final product, on disk. After each step and each phase the
// state is saved, so that a run stopped (time threshold, Ctrl-C) or killed
// continues from there.
#include <algorithm>
#include <cmath>

#include "constants/pi_chudnovsky.h"
#include "constants/saved_numbers.h"
#include "constants/series_sum.h"
#include "constants/step_plan.h"
#include "disk/disk_arith.h"
#include "disk/disk_memory.h"
#include "disk/disk_mul.h"
#include "disk/disk_newton.h"
#include "mpint/bigint.h"
#include "ntt/ntt.h"
#include "shell/clock.h"
#include "shell/platform.h"
#include "shell/progress.h"
#include "shell/resume.h"

long PiChudnovskyComputation::DiskLimbs() const {
  return std::max(static_cast<long>(std::trunc((Digits + 100) / 12)) + 1, FFTSize / 3);
}

long PiChudnovskyComputation::DiskRegion() const {
  // The largest value the numbers take (a step of the series in full, a sum
  // with its carry), and a margin.
  const long step = Mode == kModeAdvancedDisk
                        ? AdvancedStepSizes().Limbs
                        : FFTSize / 3 + 2 * static_cast<long>(std::trunc(std::log(N)));
  return std::max(DiskLimbs(), step) + 16;
}

StepPlan PiChudnovskyComputation::DiskPlan() const {
  // Basic mode: the steps of the in-memory driver, each one's integers fit one
  // transform. Advanced mode: equal steps, each one summed on disk.
  if (Mode == kModeAdvancedDisk) return PlanEqualSteps(N, AdvancedStepSizes().Length);
  return PlanGrowingSteps(N, LogTermConstant(), FFTSize);
}

void PiChudnovskyComputation::WriteParams(FILE* stream) {
  ConstantComputation::WriteParams(stream);
  std::fprintf(stream, "%ld\n", static_cast<long>(ProgressCounter));
  WriteDiskIntRecords(stream, P);
  WriteDiskIntRecords(stream, Q);
}

void PiChudnovskyComputation::ReadParams(FILE* stream) {
  ConstantComputation::ReadParams(stream);
  SizeSeries();
  ParamReader in(stream);
  ProgressCounter = static_cast<int>(in.Long("the progress counter", -3, DiskPlan().Top()));
  const long region = DiskRegion();
  P.Init("PP", DiskLimbs() + 2);
  Q.Init("QQ", DiskLimbs() + 2);
  // Between the steps both sums hold limbs; after the division only the
  // quotient in Q, after the square root both factors.
  const bool steps = ProgressCounter < DiskPlan().Top() && ProgressCounter >= -1;
  ReadDiskIntRecords(in, P, region, region, steps || ProgressCounter == -3);
  ReadDiskIntRecords(in, Q, region, region, ProgressCounter < DiskPlan().Top());
  in.End();
}

void PiChudnovskyComputation::ForgetSavedState() {
  P.Free();
  Q.Free();
}

int PiChudnovskyComputation::SavePoint(int counter, bool stopAnyway) {
  ProgressCounter = counter;
  return SaveState(*this, {&P, &Q}, stopAnyway);
}

// The new sums go to the regions that the saved state does not use.
void PiChudnovskyComputation::MoveToFreeRegion(DiskInt& d, long keep) {
  d.FileBase = OtherRegion(d, DiskRegion());
  d.NAlloc = keep;
}

// P += X (one limb more for the carry), then Q moves to its free region.
void PiChudnovskyComputation::AddLeftProductToP(DiskInt& X, long keep) {
  {
    DiskCapacityScope sum(P, keep + 1);
    DiskBufferLoan lend(DiskBufferSize());
    AddDiskInt(P, X, P);
  }
  TestFault("pi-step");
  MoveToFreeRegion(Q, keep);
}

void PiChudnovskyComputation::MergeStepOnDisk(const BigInt& An, const BigInt& Pn, const BigInt& Qn,
                                              DiskInt& X, long keep) {
  X.NAlloc = std::min(LeftProductLimbs(An, Pn, P, Q, keep), DiskLimbs() + 3);
  MulBigByDiskInt(An, P, X);
  ProgressPrint(".");
  const DiskIntView oldQ(Q, 0);
  MoveToFreeRegion(P, keep);
  MulBigByDiskInt(Pn, oldQ, P);
  ProgressPrint(".");
  AddLeftProductToP(X, keep);
  MulBigByDiskInt(Qn, oldQ, Q);
}

void PiChudnovskyComputation::MergeDiskStep(DiskInt& dA, DiskInt& dP, DiskInt& dQ, DiskInt& X,
                                           long keep) {
  const DiskIntView oldP(P, 0), oldQ(Q, 0);
  X.NAlloc = std::min(LeftProductLimbs(dA, dP, P, Q, keep), DiskLimbs() + 3);
  MulDiskInt(dA, oldP, X);
  dA.Free();
  ProgressPrint(".");
  // Q's residues serve both of its products.
  MoveToFreeRegion(P, keep);
  NTT().KeepNTT0 = 1;
  MulDiskInt(oldQ, dP, P);
  dP.Free();
  ProgressPrint(".");
  AddLeftProductToP(X, keep);
  if (NTT().LastProductByNTT) NTT().NTT0AlreadyComputed = 1;
  MulDiskInt(oldQ, dQ, Q);
  dQ.Free();
}

int PiChudnovskyComputation::ComputeOnDisk() {
  const bool ramanujan = GetTypeCode() == 2;
  const bool resumed = ParamFile != nullptr;
  const long w = DiskLimbs(), region = DiskRegion();
  const long stepCap = FFTSize / 3 + 2 * static_cast<long>(std::trunc(std::log(N)));

  const bool advanced = Mode == kModeAdvancedDisk;
  InitDiskBuffers(FFTSize);
  if (advanced) InitNTT(2 * FFTSize, Digits + 100);
  BigInt bA(stepCap), bP(stepCap), bQ(stepCap);
  if (!resumed) {
    InitNewDiskInt(P, "PP", w + 2);
    InitNewDiskInt(Q, "QQ", w + 2);
  }
  DiskInt X;  // the products of each step, the division's work number, then the result
  InitRunScratch(X, "AA", w + 2, resumed);
  // Advanced mode: the integers of a step on disk, and the scratch of their
  // recursion and of the inverse.
  const AdvancedSteps steps = advanced ? AdvancedStepSizes() : AdvancedSteps{};
  DiskInt dA, dP, dQ, dS;
  if (advanced) {
    InitRunScratch(dA, "dA", steps.Limbs, resumed);
    InitRunScratch(dP, "dP", steps.Limbs, resumed);
    InitRunScratch(dQ, "dQ", steps.Limbs, resumed);
    // Room for a step's product and, above it, one written over an operand.
    InitRunScratch(dS, "dtmp", std::max(2 * steps.Limbs, w + 4), resumed);
  }
  DiskRecursion recursion{bA, bP, bQ, dS, steps.Limit};

  const StepPlan plan = DiskPlan();
  const PrecisionSchedule precision{w, N};
  const long top = plan.Top();
  // From the first moment on, a run that is killed continues at the next start.
  if (!resumed && SavePoint(static_cast<int>(top))) return 0;
  long i = ProgressCounter;
  const bool series = i >= 0;

  PrintMemoryUsed();
  double start = GetSeconds();
  if (series) ProgressPrint("Computing series with index N=%.0lf\n", N);
  if (i == top) {
    ProgressPrint("Starting step %ld ", top);
    P.FileBase = Q.FileBase = 0;
    if (advanced) {
      // The step in full, within the first region of P and Q; X takes its A.
      DiskCapacityScope p(P, steps.Limbs), q(Q, steps.Limbs), x(X, steps.Limbs);
      GiantStepDisk(plan.Start(top), N, recursion, X, P, Q, 0, 0);
      dS.Free();
    } else {
      GiantStep(plan.Start(top), N, bA, bP, bQ, 0);
      // The top of the series needs only the precision of its position.
      const long drop = std::max(bP.Size, bQ.Size) - precision.Keep(plan.Start(top));
      bP.DropLowLimbs(drop);
      bQ.DropLowLimbs(drop);
      CopyToDiskInt(bP, P);
      CopyToDiskInt(bQ, Q);
    }
    ProgressPrint("\n");
    ProgressUpdate("Series", 1 - plan.Start(top) / N);
    if (SavePoint(static_cast<int>(--i))) return 0;
  }
  for (; i >= 0; i--) {
    ProgressPrint("Starting step %ld ", i);
    if (advanced) {
      GiantStepDisk(plan.Start(i), plan.End(i), recursion, dA, dP, dQ, 1, 0);
      dS.Free();
      ProgressPrint(".");
      MergeDiskStep(dA, dP, dQ, X, precision.Keep(plan.Start(i)));
    } else {
      GiantStep(plan.Start(i), plan.End(i), bA, bP, bQ, 1);
      ProgressPrint(".");
      MergeStepOnDisk(bA, bP, bQ, X, precision.Keep(plan.Start(i)));
    }
    ProgressPrint("\n");
    ProgressUpdate("Series", 1 - plan.Start(i) / N);
    // -1: the threshold that asks for a stop once the series is done.
    if (SavePoint(static_cast<int>(i - 1), i == 0 && TimeThreshold == -1)) return 0;
  }
  if (series) {
    ProgressEnd();
    ProgressPrint("Series computing time : %.2lf\n", GetSeconds() - start);
  }

  if (ProgressCounter == -1) {
    // The term of index 0: P becomes S Q. The new P and the quotient are made
    // in the free regions; the division uses up its operands.
    start = GetSeconds();
    const DiskIntView oldP(P, 0), oldQ(Q, 0);
    P.FileBase = OtherRegion(P, region);
    Q.FileBase = OtherRegion(Q, region);
    P.NAlloc = w + 1;
    X.NAlloc = w + 1;
    {
      DiskBufferLoan lend(DiskBufferSize());
      ShortMulDiskInt(oldQ, ramanujan ? 1103 : 13591409, X);
      if (ramanujan)
        AddDiskInt(X, oldP, P);
      else
        SubstractDiskInt(X, oldP, P);
    }
    Q.NAlloc = w + 1;
    X.NAlloc = w + 3;
    if (advanced) {
      // The quotient as the inverse and a product: X = 1 / P, Q = Q X.
      InverseDiskInt(P, X, dS);
      dS.Free();
      TestFault("pi-inverse");
      MulDiskInt(oldQ, X, Q);
    } else {
      CopyToDiskInt(oldQ, Q);
      DivDiskInt(Q, P, X, bP, bQ);
    }
    TestFault("pi-division");
    ProgressPrint("Division time : %.2lf\n", GetSeconds() - start);
    P.Size = 0;  // used up
    if (SavePoint(-2)) return 0;
  }

  if (ProgressCounter == -2) {
    start = GetSeconds();
    P.FileBase = 0;
    P.NAlloc = w - 1;
    X.NAlloc = w;
    InvSqrtDiskInt(ramanujan ? 8 : 10005, P, X);
    ProgressPrint("InvSqrt time : %.2lf\n", GetSeconds() - start);
    P.NAlloc = w + 1;
    {
      DiskBufferLoan lend(DiskBufferSize());
      ShortMulDiskInt(P, ramanujan ? 9801 : 4270934400.0, P);
    }
    TestFault("pi-invsqrt");
    if (SavePoint(-3)) return 0;
  }

  start = GetSeconds();
  ProgressUpdate("Final multiplication", 0);
  X.NAlloc = w;
  MulDiskInt(P, Q, X);
  ProgressEnd();
  ProgressPrint("Final huge multiplication time : %.2lf\n", GetSeconds() - start);
  // The files of P and Q go once "ParamNumora" is gone (ForgetSavedState).
  Result = new DiskInt(std::move(X));
  return 1;
}
