// The sum of a user series to D digits: steps of S terms summed exactly by
// binary splitting, accumulated from the last step to the first with the
// precision that the remaining terms still need, then one division.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "fft/fft_product.h"
#include "mpint/fft_mul.h"
#include "mpint/bigint.h"
#include "mpint/multiply.h"
#include "mpint/newton.h"
#include "shell/clock.h"
#include "shell/error_report.h"
#include "userconst/hypergeom.h"

namespace {

// Terms are counted in doubles holding integers: far beyond any feasible run.
constexpr double kMaxTerms = 1e12;

bool IsZero(const BigInt& x) { return x.Size == 1 && x.Limbs[0] == 0; }

// x = -x.
void NegateBigInt(BigInt& x) {
  BigInt zero;
  zero.Alloc(1);
  zero.Offset = x.Offset;
  SubstractBigInt(zero, x, x);
  zero.Free();
}

// The same value on all x.NAlloc limbs (zeros below): the division works to
// the number of limbs its operands carry.
void Widen(BigInt& x) {
  const long k = x.NAlloc - x.Size;
  if (k <= 0) return;
  for (long i = x.Size - 1; i >= 0; i--) x.Limbs[i + k] = x.Limbs[i];
  for (long i = 0; i < k; i++) x.Limbs[i] = 0;
  x.Size += k;
  x.Offset -= k;
}

// Drops the k lowest limbs; a number shorter than that is below the precision
// kept and becomes 0.
void DropLow(BigInt& x, long k) {
  if (k <= 0) return;
  if (k < x.Size) {
    x.DropLowLimbs(k);
    return;
  }
  x.Offset += k;
  x.Size = 1;
  x.Limbs[0] = 0;
}

// A BigInt whose capacity is changed while it works; Free needs the capacity
// it was allocated with.
struct Work {
  BigInt x;
  long allocated = 0;
  void Alloc(long n) {
    x.Alloc(n);
    allocated = n;
  }
  void Free() {
    x.NAlloc = allocated;
    x.Free();
  }
};

}  // namespace

void AddBigIntAligned(const BigInt& a, const BigInt& b, BigInt& r) {
  if (IsZero(a)) {
    if (&b != &r) b.CopyTo(r);
  } else if (IsZero(b)) {
    if (&a != &r) a.CopyTo(r);
  } else {
    AddBigInt(a, b, r);
  }
}

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
  Work A1, P1, Q1, W, Pacc, Qacc, R;
  A1.Alloc(K + 2 * e);
  P1.Alloc(K + 2 * e);
  Q1.Alloc(K + 2 * e);
  // W is also the scratch of the division: twice the reciprocal's limbs.
  W.Alloc(std::max(Lr + 2, 2 * K + 8));
  Pacc.Alloc(Lr + 2);
  Qacc.Alloc(Lr + 2);
  R.Alloc(Lr + 2);
  W.x.NAlloc = Lr;
  Pacc.x.NAlloc = Lr;
  Qacc.x.NAlloc = Lr;
  R.x.NAlloc = Lr;

  // Terms per step: each half of a step must fit the products of the merge
  // (3 x limbs <= NFFT / 2), with a few limbs for rounding and for the sum in P.
  const double half = std::floor(static_cast<double>(fft / 6 - 3) * std::log(1e12) / LogTermSize);
  const double S = 2 * half;
  if (S < 2) error("Your FFT size is too small to achieve this computation");

  PrintMemoryUsed();
  std::printf("Computing series with index N=%.0lf\n", Nterms);
  // The last step is never empty, also when S divides Nterms.
  const long j0 = static_cast<long>(std::floor((Nterms - 1) / S));
  std::printf("Starting step %ld\n", j0);
  std::fflush(stdout);
  const double start = GetSeconds();

  BigInt& a1 = A1.x;
  BigInt& p1 = P1.x;
  BigInt& q1 = Q1.x;
  BigInt& w = W.x;
  BigInt& pacc = Pacc.x;
  BigInt& qacc = Qacc.x;
  GiantStep(j0 * S, Nterms, a1, pacc, qacc, 0);
  // The accumulators keep the limbs that the earlier, larger terms can still
  // reach: Lr - r of them, a few at least.
  long r = static_cast<long>(std::trunc(j0 * S / Nterms * Lr));
  const long drop = std::max(pacc.Size, qacc.Size) - std::max(Lr - r, 3L);
  DropLow(pacc, drop);
  DropLow(qacc, drop);

  for (long j = j0 - 1; j >= 0; j--) {
    std::printf("Starting step %ld ", j);
    GiantStep(j * S, (j + 1) * S, a1, p1, q1, 1);
    std::printf(".");
    std::fflush(stdout);
    r = static_cast<long>(std::trunc(j * S / Nterms * Lr));
    const long keep = std::max(Lr - r, 3L);

    // A1 Pacc is added to P1 Qacc, whose lowest kept limb is predictable: W
    // keeps its limbs down to there and no further.
    const long full = p1.Size + qacc.Size;
    const long lowest = p1.Offset + qacc.Offset + full - std::min(full, keep);
    const long wTop = a1.Offset + pacc.Offset + a1.Size + pacc.Size;
    const long wKeep = std::min(wTop - lowest + 1, a1.Size + pacc.Size);
    if (wKeep >= 1) {
      w.NAlloc = wKeep;
      MulBigInt(a1, pacc, w);
    } else {
      w.Size = 1;
      w.Limbs[0] = 0;
    }
    std::printf(".");
    std::fflush(stdout);

    StartTimer(kTimerSeries);
    pacc.NAlloc = keep;
    MulBigInt(p1, qacc, pacc);
    std::printf(".");
    std::fflush(stdout);
    pacc.NAlloc = keep + 1;
    AddBigIntAligned(pacc, w, pacc);
    // Through R: a product may not be written over its shorter operand.
    R.x.NAlloc = keep;
    MulBigInt(q1, qacc, R.x);
    qacc.NAlloc = keep;
    R.x.CopyTo(qacc);
    StopTimer(kTimerSeries);
    std::printf("\n");
  }
  std::printf("Series computing time : %.2lf\n", GetSeconds() - start);

  // alpha + beta P / Q = (P beta.num alpha.den + Q beta.den alpha.num) / (Q beta.den alpha.den).
  BigInt& rr = R.x;
  w.NAlloc = Lr;
  pacc.NAlloc = Lr;
  qacc.NAlloc = Lr;
  SmallIntMul(pacc, beta_.Num, w);
  w.CopyTo(pacc);
  SmallIntMul(qacc, beta_.Den, w);
  w.CopyTo(qacc);
  SmallIntMul(pacc, alpha_.Den, w);
  SmallIntMul(qacc, alpha_.Num, rr);
  AddBigIntAligned(w, rr, pacc);
  SmallIntMul(qacc, alpha_.Den, w);
  w.CopyTo(qacc);

  const double divisionStart = GetSeconds();
  pacc.NAlloc = Lr + 1;
  qacc.NAlloc = Lr + 1;
  const bool negative = pacc.Sign() < 0;
  if (negative) NegateBigInt(pacc);
  Widen(pacc);
  Widen(qacc);
  w.NAlloc = W.allocated;
  BigInt view;
  DivBigInt(pacc, qacc, w, view, p1);
  if (negative) NegateBigInt(pacc);
  std::printf("Division time : %.2lf\n", GetSeconds() - divisionStart);

  auto* result = new BigInt;
  *result = pacc;
  result->NAlloc = Pacc.allocated;
  Result = result;
  A1.Free();
  P1.Free();
  Q1.Free();
  W.Free();
  Qacc.Free();
  R.Free();
}

void Hypergeom::EstimateMemory(long fftSize, double* memory, double* diskMemory) const {
  const double L = std::trunc(Digits * std::log(10.0) / std::log(1e12)) + 1;
  const double third = static_cast<double>(fftSize / 3);
  *memory = FFTNeededMemory(fftSize) + 3 * 8 * (third + 1) + 4 * 8 * (std::max(L, third) + 1);
  *diskMemory = 0;
}
