#include "constants/binary_splitting.h"

#include <cmath>

#include "fft/fft_product.h"
#include "mpint/fft_mul.h"
#include "mpint/bigint.h"
#include "mpint/multiply.h"
#include "shell/clock.h"
#include "shell/debug_state.h"
#include "shell/error_report.h"

namespace {

// The free storage above x's limbs, as a number of its own (never freed).
BigInt Above(const BigInt& x) {
  BigInt v;
  v.Limbs = x.Limbs + x.Size;
  v.Raw = nullptr;
  v.NAlloc = x.NAlloc - x.Size;
  v.Size = 0;
  v.Offset = 0;
  return v;
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
  SmallA.Alloc(limbs);
  SmallP.Alloc(limbs);
  SmallQ.Alloc(limbs);
  SmallWork.Alloc(limbs);
  SmallTerm.Alloc(limbs);
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
  const double m = std::floor((a + b) / 2);
  BabyStep(a, m, A, P, Q);
  SmallInt Ar, Pr, Qr;
  Ar.AllocSpecial(A, A.Size);
  Pr.AllocSpecial(P, P.Size);
  Qr.AllocSpecial(Q, Q.Size);
  BabyStep(m, b, Ar, Pr, Qr);
  // Each right part is read before the results overwrite its storage; the two
  // products of P share one carry release.
  MulSmallInt(A, Pr, SmallWork, 0);
  MulSmallInt(Qr, P, P, 0);
  AddCoefficients(P, SmallWork);
  P.UpdateSmallInt();
  MulSmallInt(A, Ar, SmallWork);
  SmallWork.CopyTo(A);
  MulSmallInt(Q, Qr, SmallWork);
  SmallWork.CopyTo(Q);
}

void SeriesSplitting::GiantStep(double a, double b, BigInt& A, BigInt& P, BigInt& Q,
                                int doComputeA) {
  if (b - a <= nBabyStepLimit) {
    StartTimer(kTimerSmallLevels);
    BabyStep(a, b, SmallA, SmallP, SmallQ);
    StopTimer(kTimerSmallLevels);
    ToBigInt(SmallA, A);
    ToBigInt(SmallP, P);
    ToBigInt(SmallQ, Q);
    return;
  }
  const double m = std::floor((a + b) / 2);
  GiantStep(a, m, A, P, Q, 1);
  BigInt Ar = Above(A), Pr = Above(P), Qr = Above(Q);
  GiantStep(m, b, Ar, Pr, Qr, doComputeA);

  DebugStateData& debug = DebugState();
  debug.GiantN0 = a;
  debug.GiantN1 = b;
  debug.GiantDoComputeA = doComputeA;
  debug.GiantStep = 1;
  // Qr and the left A are transformed once each and serve two products.
  TwoMulBigInt(Qr, A, P, Pr, Q, doComputeA ? &Ar : nullptr, P, Q, doComputeA ? &A : nullptr);
  if (Q.Limbs[Q.Size - 1] < 0) error("Q is negative in GiantStep");
  const int s = ExpectedPSign(a);
  if (s * P.Limbs[P.Size - 1] < 0) error("P does not have the right sign in GiantStep");
  debug.GiantStep = 0;
}

long ComputeSteps(double n, double logTermConstant, long fftSize, std::vector<double>& bounds) {
  const double T = 3 * std::log(n) + logTermConstant;
  const double M = static_cast<double>(fftSize / 3) * std::log(1e12);
  const double k = std::trunc(M / T);
  if (k < 1) error("Error, your size of FFT is probably too small");
  const double d = std::trunc(std::log2(k)) + 2;
  const double L1 = logTermConstant + 1;

  bounds.assign(1, 0.0);
  bounds.reserve(static_cast<size_t>(n / k) + 3);
  double x = 0;
  do {
    x += k;
    // Estimated logarithmic size of the step ending at x: its terms, plus the
    // growth of the products over the step, plus a margin per level.
    double S = d * T + k * L1 + 6 * (x * std::log(x) - (x - k / 2) * std::log(x - k / 2));
    while (S > M && x > bounds.back()) {
      x -= 1;
      S -= 3 * std::log(x) + L1;
    }
    while (S < M) {
      S += 3 * std::log(x) + L1;
      x += 1;
    }
    if (x <= bounds.back()) error("Error, your size of FFT is probably too small");
    bounds.push_back(x);
  } while (x < n);

  const long e = static_cast<long>(bounds.size()) - 1;
  if (e < 2) {
    // The first step already reaches n: the whole series is one step.
    bounds.assign(1, 0.0);
    return 0;
  }
  // The last full step is cut in two halves; the remainder up to n follows.
  bounds[e] = bounds[e - 1];
  bounds[e - 1] = std::floor((bounds[e - 2] + bounds[e - 1]) / 2);
  return e;
}
