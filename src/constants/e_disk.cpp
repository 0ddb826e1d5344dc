// e in the disk modes: the whole series by a recursion whose numbers live in
// files, in two halves; the pieces of at most 2 limit terms are summed in
// memory. The advanced mode multiplies through the NTT and divides by the
// inverse and a product. The state is saved after the first half, after the
// series and after the inverse, so that a run stopped (time threshold, Ctrl-C)
// or killed continues from there.
#include <cmath>

#include "constants/e_computation.h"
#include "constants/saved_numbers.h"
#include "disk/disk_arith.h"
#include "disk/disk_memory.h"
#include "disk/disk_mul.h"
#include "disk/disk_newton.h"
#include "ntt/ntt.h"
#include "shell/clock.h"
#include "shell/debug_state.h"
#include "shell/error_report.h"
#include "shell/platform.h"
#include "shell/progress.h"
#include "shell/resume.h"

namespace {

// The second region of the files of "PP" and "AA" starts above the largest
// value that the first one holds.
long Region(long limbs) { return limbs + 4; }

}  // namespace

long EComputation::DiskLimbs() const {
  const long f3 = FFTSize / 3;
  const long limbs = std::max(static_cast<long>(std::trunc((Digits + 100) / 12)) + 1, f3);
  return limbs + 2 * static_cast<long>(LogTermSize);
}

void EComputation::WriteParams(FILE* stream) {
  ConstantComputation::WriteParams(stream);
  std::fprintf(stream, "%ld\n", static_cast<long>(Phase));
  WriteDiskIntRecords(stream, PP);
  WriteDiskIntRecords(stream, QQ);
  WriteDiskIntRecords(stream, AA);
}

void EComputation::ReadParams(FILE* stream) {
  ConstantComputation::ReadParams(stream);
  SizeSeries();
  ParamReader in(stream);
  Phase = static_cast<int>(in.Long("the phase", Mode == kModeAdvancedDisk ? -2 : -1, 1));
  const long n = DiskLimbs(), region = Region(n);
  PP.Init("PP", n);
  QQ.Init("QQ", n + 4);
  AA.Init("AA", n);
  // After the first half and after the series, both sums hold limbs.
  ReadDiskIntRecords(in, PP, n + 1, region, Phase <= 0);
  ReadDiskIntRecords(in, QQ, n + 5, region, Phase == -2);
  ReadDiskIntRecords(in, AA, n + 1, region, Phase <= 0);
  in.End();
}

void EComputation::ForgetSavedState() {
  QQ.Free();
  AA.Free();
}

int EComputation::SavePoint(int phase, bool stopAnyway) {
  Phase = phase;
  return SaveState(*this, {&PP, &QQ, &AA}, stopAnyway);
}

void EComputation::GiantStepDiskLeaf(double a, double b, DiskInt& dA, DiskInt& dQ, DiskInt& dS) {
  const double m = std::floor((a + b) / 2);
  GiantStep(m, b, *LeafA, *LeafQ);
  CopyToDiskInt(*LeafA, dA);
  CopyToDiskInt(*LeafQ, dQ);
  TestFault("e-leaf");
  GiantStep(a, m, *LeafA, *LeafQ);
  MulBigByDiskInt(*LeafA, dQ, dS);
  {
    DiskBufferLoan lend(DiskBufferSize());
    AddDiskInt(dA, dS, dA);
  }
  MulBigByDiskInt(*LeafQ, dQ, dS);
  CopyToDiskInt(dS, dQ);
}

void EComputation::GiantStepDisk(double a, double b, double limit, DiskInt& dA, DiskInt& dQ,
                                 DiskInt& dS, int depth) {
  if (b - a < 2 * limit) {
    GiantStepDiskLeaf(a, b, dA, dQ, dS);
    return;
  }
  double m = std::floor((a + b) / 2);
  if (std::fmod(m, 2) == 0) m += 1;
  // A run resumed after the first half finds it in dA and dQ.
  if (depth > 0 || Phase == 1) {
    if (depth == 0) ProgressPrint("First Half ");
    GiantStepDisk(a, m, limit, dA, dQ, dS, depth + 1);
  }
  if (depth == 0) {
    if (Phase == 1 && SavePoint(0)) {
      Stopped = true;
      return;
    }
    ProgressPrint("\n");
    ProgressPrint("Second Half ");
  }
  DiskIntView Ar(dA, dA.Size), Qr(dQ, dQ.Size);
  GiantStepDisk(m, b, limit, Ar, Qr, dS, depth + 1);

  DebugStateData& debug = DebugState();
  debug.GiantStepDisk = 1;
  debug.GiantDiskN0 = a;
  debug.GiantDiskN1 = b;
  debug.nBigIntLimit = static_cast<long>(limit);
  debug.GiantDiskDoComputeA = 0;
  debug.Depth = depth;
  // A = Al Qr + Ar, Q = Ql Qr. At the top the sums go to the second region of
  // the files, so that the saved first half stays whole until the new state
  // is saved.
  const long region = Region(DiskLimbs());
  const bool advanced = Mode == kModeAdvancedDisk;
  // Advanced mode: Qr's residues serve both of its products when they go
  // through the NTT.
  if (advanced) NTT().KeepNTT0 = 1;
  MulDiskInt(Qr, dA, dS);
  if (depth == 0) dA.FileBase = region;
  {
    DiskBufferLoan lend(DiskBufferSize());
    AddDiskInt(Ar, dS, dA);
  }
  if (depth == 0) TestFault("e-combine");
  if (advanced) {
    DiskIntView left(dQ, 0);
    if (depth == 0) dQ.FileBase = region;
    if (NTT().LastProductByNTT) NTT().NTT0AlreadyComputed = 1;
    MulDiskIntOver(Qr, left, dQ, dS);
  } else {
    MulDiskInt(Qr, dQ, dS);
    if (depth == 0) dQ.FileBase = region;
    CopyToDiskInt(dS, dQ);
  }
  debug.GiantStepDisk = 0;
}

int EComputation::ComputeOnDisk() {
  const bool resumed = ParamFile != nullptr;
  const long f3 = FFTSize / 3, stepCap = f3 + 2 * static_cast<long>(LogTermSize);
  const long n = DiskLimbs(), region = Region(n);

  const bool advanced = Mode == kModeAdvancedDisk;
  InitDiskBuffers(FFTSize);
  if (advanced) InitNTT(2 * FFTSize, Digits + 100);
  BigInt bA(stepCap), bQ(stepCap);
  // The merges in memory take their scratch in the disk buffer, which no
  // product uses meanwhile.
  BigIntView w(DiskWorkBuffer("the e series"), stepCap, 0, 0);
  MergeScratch = &w;
  LeafA = &bA;
  LeafQ = &bQ;
  if (!resumed) {
    InitNewDiskInt(PP, "PP", n);
    InitNewDiskInt(QQ, "QQ", n + 4);  // the division's work number: two limbs more than PP
    InitNewDiskInt(AA, "AA", n);
    Phase = 1;
  }
  DiskInt dS;
  InitRunScratch(dS, "dtmp", n + 4, resumed);  // also the inverse's work number
  const double limit = std::floor(static_cast<double>(f3) * std::log(1e12) / LogTermSize);
  if (resumed && Phase == 0) ProgressCounter = 5;
  // From the first moment on, a run that is killed continues at the next start.
  if (!resumed && SavePoint(1)) return 0;

  PrintMemoryUsed();
  if (Phase >= 0) {
    ProgressPrint("Computing series with index N=%.0lf\n", N);
    const double start = GetSeconds();
    if (Series == 0)
      GiantStepDisk(0, N, limit, PP, AA, dS, 0);
    else
      GiantStepDisk(1, N, limit, AA, PP, dS, 0);
    ProgressEnd();
    ProgressPrint("\n");
    ProgressPrint("Series computing time : %.2lf\n", GetSeconds() - start);
    // -1: the threshold that asks for a stop once the series is done.
    if (Stopped || SavePoint(-1, TimeThreshold == -1)) return 0;
  }

  if (advanced) {
    if (Phase == -1) {
      const double start = GetSeconds();
      QQ.FileBase = 0;
      InverseDiskInt(AA, QQ, dS);
      dS.Free();
      TestFault("e-inverse");
      ProgressPrint("Inverse time : %.2lf\n", GetSeconds() - start);
      if (SavePoint(-2)) return 0;
    }
    // e = PP / AA = QQ PP, into the free region of PP.
    const double start = GetSeconds();
    ProgressUpdate("Final multiplication", 0);
    DiskIntView sum(PP, 0);
    PP.FileBase = OtherRegion(PP, region);
    MulDiskInt(QQ, sum, PP);
    TestFault("e-division");
    ProgressEnd();
    ProgressPrint("Final huge multiplication time : %.2lf\n", GetSeconds() - start);
  } else {
    // The division uses up its operands: it works on copies in the free regions.
    const double start = GetSeconds();
    const DiskIntView sum(PP, 0), product(AA, 0);
    PP.FileBase = OtherRegion(PP, region);
    AA.FileBase = OtherRegion(AA, region);
    CopyToDiskInt(sum, PP);
    CopyToDiskInt(product, AA);
    DivDiskInt(PP, AA, QQ, bA, bQ);
    TestFault("e-division");
    ProgressPrint("Final division time : %.2lf\n", GetSeconds() - start);
  }

  // The top limb is the integer part: 1 (e - 1) or 2 (e) becomes 2.
  double top = 0;
  if (PP.Size >= 1) ReadLimbs(PP, &top, 1, PP.Size - 1);
  if (PP.Size < 1 || PP.Offset + PP.Size != 1 || top < 1 || top > 2)
    error("Error in the division of the e series, the quotient is out of range");
  const double two = 2;
  WriteLimbs(&two, PP, 1, PP.Size - 1);

  MergeScratch = nullptr;
  // The files of "AA" and "QQ" go once "ParamNumora" is gone (ForgetSavedState).
  Result = new DiskInt(std::move(PP));
  return 1;
}
