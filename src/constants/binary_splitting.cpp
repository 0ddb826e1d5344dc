#include "constants/binary_splitting.h"

#include <cmath>
#include <optional>

#include "fft/fft_product.h"
#include "mpint/bigint.h"
#include "mpint/fft_mul.h"
#include "mpint/multiply.h"
#include "shell/clock.h"
#include "shell/debug_state.h"
#include "shell/error_report.h"

namespace {

// The free storage above a left part, where the right part (m, b] is built.
BigIntView RightPart(const BigInt& left, double m, double b) {
  if (left.NAlloc - left.Size < 1)
    errorf("Error in GiantStep, no room for the interval (%.0lf, %.0lf)", m, b);
  return left.Above();
}

// The leaf results in the normal form of the products.
void ToBigInt(const SmallInt& s, BigInt& r) {
  SmallIntToBigInt(s, r);
  r.UpdateBigInt();
}

// p += w coefficient by coefficient, before one carry release.
void AddCoefficients(SmallInt& p, const SmallInt& w) {
  if (w.Size > p.Size) {
    if (w.Size > p.NAlloc) error("Error in BabyStep, P has not enough space");
    for (long i = p.Size; i < w.Size; i++) p.Limbs[i] = 0;
    p.Size = w.Size;
  }
  for (long i = 0; i < w.Size; i++) p.Limbs[i] += w.Limbs[i];
}

}  // namespace

void SeriesSplitting::AllocWorkNumbers(long limbs) {
  if (HasFactorA()) {
    SmallA.Alloc(limbs);
    SmallTerm.Alloc(limbs);
  }
  SmallP.Alloc(limbs);
  SmallQ.Alloc(limbs);
  SmallWork.Alloc(limbs);
}

void SeriesSplitting::FreeWorkNumbers() {
  SmallA.Free();
  SmallP.Free();
  SmallQ.Free();
  SmallWork.Free();
  SmallTerm.Free();
}

void SeriesSplitting::BabyStep(double a, double b, SmallInt& A, SmallInt& P, SmallInt& Q) {
  if (b - a <= nLastBabyStepLimit) {
    LastBabyStep(a, b, A, P, Q);
    return;
  }
  const bool hasA = HasFactorA();
  const double m = std::floor((a + b) / 2);
  BabyStep(a, m, A, P, Q);
  std::optional<SmallIntView> Ar;
  if (hasA) Ar.emplace(A, A.Size);
  SmallIntView Pr(P, P.Size), Qr(Q, Q.Size);
  BabyStep(m, b, hasA ? *Ar : A, Pr, Qr);
  // Each right part is read before the results overwrite its storage; the two
  // terms of P share one carry release.
  if (hasA)
    MulSmallInt(A, Pr, SmallWork, 0);
  else
    Pr.CopyTo(SmallWork);
  MulSmallInt(Qr, P, P, 0);
  AddCoefficients(P, SmallWork);
  P.UpdateSmallInt();
  if (hasA) {
    MulSmallInt(A, *Ar, SmallWork);
    SmallWork.CopyTo(A);
  }
  MulSmallInt(Q, Qr, SmallWork);
  SmallWork.CopyTo(Q);
}

void SeriesSplitting::GiantStep(double a, double b, BigInt& A, BigInt& P, BigInt& Q,
                                int doComputeA) {
  const bool hasA = HasFactorA();
  if (b - a <= nBabyStepLimit) {
    StartTimer(kTimerSmallLevels);
    BabyStep(a, b, SmallA, SmallP, SmallQ);
    StopTimer(kTimerSmallLevels);
    if (hasA) ToBigInt(SmallA, A);
    ToBigInt(SmallP, P);
    ToBigInt(SmallQ, Q);
    return;
  }
  const double m = std::floor((a + b) / 2);
  GiantStep(a, m, A, P, Q, 1);
  std::optional<BigIntView> Ar;
  if (hasA) Ar.emplace(RightPart(A, m, b));
  BigIntView Pr = RightPart(P, m, b), Qr = RightPart(Q, m, b);
  GiantStep(m, b, hasA ? *Ar : A, Pr, Qr, doComputeA);

  DebugStateData& debug = DebugState();
  debug.GiantN0 = a;
  debug.GiantN1 = b;
  debug.GiantDoComputeA = hasA ? doComputeA : 0;
  debug.GiantStep = 1;
  Merge(A, P, Q, hasA ? *Ar : A, Pr, Qr, doComputeA);
  if (Q.Limbs[Q.Size - 1] < 0) error("Q is negative in GiantStep");
  const int s = ExpectedPSign(a);
  if (s * P.Limbs[P.Size - 1] < 0) error(WrongSignMessage());
  Merged(a, b);
  debug.GiantStep = 0;
}

void SeriesSplitting::GiantStep(double a, double b, BigInt& P, BigInt& Q) {
  if (HasFactorA()) error("Error in GiantStep, this series needs its A");
  BigInt none;
  GiantStep(a, b, none, P, Q, 0);
}

void SeriesSplitting::Merge(BigInt& A, BigInt& P, BigInt& Q, const BigInt& Ar, const BigInt& Pr,
                            const BigInt& Qr, int doComputeA) {
  if (HasFactorA()) {
    // Qr and the left A are transformed once each and serve two products.
    TwoMulBigInt(Qr, A, P, Pr, Q, doComputeA ? &Ar : nullptr, P, Q, doComputeA ? &A : nullptr);
    return;
  }
  // Without A the recursion runs over the whole series, whose top levels
  // exceed one transform: products truncated to the capacity, through the
  // scratch, so that Pr is read before the sum overwrites it.
  if (MergeScratch == nullptr) error("Error in GiantStep, no scratch number for the merge");
  BigInt& w = *MergeScratch;
  DebugStateData& debug = DebugState();
  MulTruncated(Qr, P, w);
  debug.GiantStep = 2;
  AddBigInt(w, Pr, w);
  w.CopyTo(P);
  debug.GiantStep = 3;
  MarkSpectrumCached();  // Qr was the first operand of the product above
  MulTruncated(Qr, Q, w);
  w.CopyTo(Q);
}
