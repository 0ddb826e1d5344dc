// The binary splitting of the Pi series on disk (advanced disk mode): a top
// step of many transforms' worth of terms is split down to intervals that
// memory sums, and the halves are combined by products of disk numbers, the
// large ones through the NTT.
#include <algorithm>
#include <cmath>

#include "constants/pi_chudnovsky.h"
#include "disk/disk_arith.h"
#include "disk/disk_memory.h"
#include "disk/disk_mul.h"
#include "fft/fft_product.h"
#include "mpint/bigint.h"
#include "ntt/ntt.h"
#include "shell/debug_state.h"
#include "shell/error_report.h"
#include "shell/platform.h"
#include "shell/progress.h"

namespace {

// The recursion keeps its integers exact: a number that cannot hold what is
// put into it would lose limbs unseen, so the run ends instead.
void RequireRoom(long limbs, const DiskInt& r) {
  if (limbs > r.NAlloc)
    errorf("Error in GiantStepDisk, %s cannot hold %ld limbs (room for %ld)", r.FileName, limbs,
           r.NAlloc);
}

void SetDebugValue(int value) { DebugState().GiantStepDisk = value; }

// The first operand of the next NTT product is the last one's: its residues
// serve again.
void ReuseFirstOperand() {
  if (NTT().LastProductByNTT) NTT().NTT0AlreadyComputed = 1;
}

}  // namespace

PiChudnovskyComputation::AdvancedSteps PiChudnovskyComputation::AdvancedStepSizes() const {
  const long f3 = FFTSize / 3, e = static_cast<long>(std::trunc(std::log(N)));
  AdvancedSteps s;
  // The terms whose Q fills a third of a transform go to memory.
  s.Limit = std::floor(static_cast<double>(f3) * std::log(1e12) / LogTermSize);
  if (s.Limit < 2) error("Error, your size of FFT is probably too small");
  // A top step doubles until its numbers reach 40 % of the result's length.
  double length = s.Limit, f = static_cast<double>(f3);
  long doublings = 0;
  while (2.5 * f < static_cast<double>(DiskLimbs())) {
    length *= 2;
    f = 2 * f + 1;
    doublings++;
  }
  // An even step length puts every interval of the recursion at an even start,
  // where P is positive (the NTT multiplies non-negative numbers).
  s.Length = length - std::fmod(length, 2);
  // Each in-memory interval may exceed its share of a third by 2E limbs.
  s.Limbs = static_cast<long>(f) + (1L << doublings) * (2 * e + 2) + 16;
  return s;
}

void PiChudnovskyComputation::GiantStepDiskLeaf(double a, double b, DiskRecursion& w, DiskInt& dA,
                                                DiskInt& dP, DiskInt& dQ, int doComputeA) {
  const double m = std::floor((a + b) / 2);
  GiantStep(m, b, w.A, w.P, w.Q, doComputeA);
  if (doComputeA)
    CopyToDiskInt(w.A, dA);
  else
    dA.Size = 0;  // left unfinished by GiantStep
  CopyToDiskInt(w.P, dP);
  CopyToDiskInt(w.Q, dQ);
  TestFault("pi-disk-leaf");
  GiantStep(a, m, w.A, w.P, w.Q, 1);
  RequireRoom(std::max(w.A.Size + dP.Size, w.P.Size + dQ.Size) + 1, dP);
  RequireRoom(w.A.Size + dA.Size, dA);
  RequireRoom(w.Q.Size + dQ.Size, dQ);
  RequireRoom(w.Q.Size + dQ.Size, w.S);
  // P = Pl Qr + Al Pr, A = Al Ar, Q = Ql Qr; Al's spectrum serves both of its products.
  MulBigByDiskInt(w.A, dP, dP);
  if (doComputeA) {
    MarkSpectrumCached();
    MulBigByDiskInt(w.A, dA, dA);
  }
  MulBigByDiskInt(w.P, dQ, w.S);
  {
    DiskBufferLoan lend(DiskBufferSize());
    AddDiskInt(dP, w.S, dP);
  }
  MulBigByDiskInt(w.Q, dQ, w.S);
  CopyToDiskInt(w.S, dQ);
}

void PiChudnovskyComputation::GiantStepDisk(double a, double b, DiskRecursion& w, DiskInt& dA,
                                            DiskInt& dP, DiskInt& dQ, int doComputeA, int depth) {
  if (b - a <= w.Limit) {
    GiantStepDiskLeaf(a, b, w, dA, dP, dQ, doComputeA);
    return;
  }
  double m = std::floor((a + b) / 2);
  if (std::fmod(m, 2) != 0) m += 1;  // an even split: the right P is positive too
  GiantStepDisk(a, m, w, dA, dP, dQ, 1, depth + 1);
  if (depth == 0) ProgressPrint(".");
  // The right half is written into the same files, just above the left one.
  DiskIntView Ar(dA, dA.Size), Pr(dP, dP.Size), Qr(dQ, dQ.Size);
  GiantStepDisk(m, b, w, Ar, Pr, Qr, doComputeA, depth + 1);
  if (depth == 0) ProgressPrint(".");

  DebugStateData& debug = DebugState();
  debug.GiantDiskN0 = a;
  debug.GiantDiskN1 = b;
  debug.GiantDiskDoComputeA = doComputeA;
  debug.Depth = depth;
  debug.nBigIntLimit = static_cast<long>(w.Limit);
  SetDebugValue(1);
  DiskInt& dS = w.S;
  // The products written over an operand take the scratch above dS's limbs
  // when they are too short for the NTT.
  auto overwrite = [&](DiskInt& x, DiskInt& y, DiskInt& r) {
    DiskIntView free(dS, dS.Size);
    MulDiskIntOver(x, y, r, free);
  };

  // dS = Al Pr; Al is kept for A = Al Ar.
  RequireRoom(dA.Size + Pr.Size, dS);
  NTT().KeepNTT0 = doComputeA;
  NTT().NTT0AlreadyComputed = 0;
  MulDiskInt(dA, Pr, dS);
  SetDebugValue(2);
  if (doComputeA) {
    RequireRoom(dA.Size + Ar.Size, dA);
    ReuseFirstOperand();
    overwrite(dA, Ar, dA);
  }
  SetDebugValue(3);
  // P = Qr Pl + Al Pr; Qr is kept for Q = Qr Ql.
  RequireRoom(std::max(Qr.Size + dP.Size, dS.Size) + 1, dP);
  NTT().KeepNTT0 = 1;
  NTT().NTT0AlreadyComputed = 0;
  overwrite(Qr, dP, dP);
  SetDebugValue(4);
  {
    DiskBufferLoan lend(DiskBufferSize());
    AddDiskInt(dP, dS, dP);
  }
  // Q = Ql Qr, Qr's residues from the product of P when it went through the NTT.
  RequireRoom(Qr.Size + dQ.Size, dS);
  RequireRoom(Qr.Size + dQ.Size, dQ);
  ReuseFirstOperand();
  SetDebugValue(5);
  MulDiskInt(Qr, dQ, dS);
  SetDebugValue(6);
  CopyToDiskInt(dS, dQ);
  if (depth == 0) TestFault("pi-disk-step");
  SetDebugValue(0);
}
