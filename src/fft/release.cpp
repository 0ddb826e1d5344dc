// From rounded convolution values back to 12-digit limbs.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "fft/dispatch.h"
#include "fft/fft_check.h"
#include "fft/fft_engine.h"
#include "shell/error_report.h"
#include "shell/memory.h"

namespace {

// The three coefficients of one limb (weights 10^0, 10^4, 10^8) rounded and
// split so that every addend stays exact: *low goes to the limb, *high to the
// limb above. worst keeps the largest rounding distance seen.
inline void ReleaseTriple(const double* y, double scale, double& worst, double* low,
                          double* high) {
  double y0 = y[0] * scale, y1 = y[1] * scale, y2 = y[2] * scale;
  double r0 = Round(y0), r1 = Round(y1), r2 = Round(y2);
  double d0 = std::fabs(y0 - r0), d1 = std::fabs(y1 - r1), d2 = std::fabs(y2 - r2);
  d0 = d1 > d0 ? d1 : d0;
  d0 = d2 > d0 ? d2 : d0;
  worst = d0 > worst ? d0 : worst;
  double u = Round(r1 * 1e-8), w = Round(r2 * 1e-4);
  *low = r0 + (r1 - u * 1e8) * 1e4 + (r2 - w * 1e4) * 1e8;
  *high = u + w;
}

}  // namespace

namespace {

// The release into normal limbs runs in two steps. The first is independent
// work per limb, four limbs to a vector: the three coefficients of a limb are
// rounded and recombined (ReleaseTriple), the high parts from the limb below
// are added, and the sum v is cut as v = q 10^12 + r; what remains for the
// limb is R = r + q (of the limb below), within a few thousand of
// [0, 10^12). The second step settles the limbs with one short chain of
// carries. Products released unnormalised share the first step.

typedef double V4 __attribute__((vector_size(32)));
typedef double V4u __attribute__((vector_size(32), aligned(8), may_alias));

// The floor of v / 10^12, or one less or more (the settling repairs it).
NUMORA_INLINE double CutQuotient(double v) { return (v * 1e-12 - 0.5 + kRound) - kRound; }

// Four limbs' coefficients conv[0 .. 12) as vectors of their first, second
// and third coefficients, scaled; rounded to r0, r1, r2, the distances into far.
NUMORA_INLINE void RoundTriples(const double* conv, double scale, V4& r0, V4& r1, V4& r2,
                                V4& far) {
  const V4 round = {kRound, kRound, kRound, kRound};
  const V4u* x = reinterpret_cast<const V4u*>(conv);
  const V4 A = x[0], B = x[1], C = x[2];  // a0 b0 c0 a1 | b1 c1 a2 b2 | c2 a3 b3 c3
  const V4 t0 = NUMORA_SHUFFLE(A, B, 0, 3, 6, 0), t1 = NUMORA_SHUFFLE(A, B, 1, 4, 7, 0);
  const V4 t2 = NUMORA_SHUFFLE(A, B, 2, 5, 0, 0);
  const V4 y0 = NUMORA_SHUFFLE(t0, C, 0, 1, 2, 5) * scale;
  const V4 y1 = NUMORA_SHUFFLE(t1, C, 0, 1, 2, 6) * scale;
  const V4 y2 = NUMORA_SHUFFLE(t2, C, 0, 1, 4, 7) * scale;
  r0 = (y0 + round) - round;
  r1 = (y1 + round) - round;
  r2 = (y2 + round) - round;
  const V4 d0 = y0 - r0, d1 = y1 - r1, d2 = y2 - r2;
  const V4 e0 = d0 > -d0 ? d0 : -d0, e1 = d1 > -d1 ? d1 : -d1, e2 = d2 > -d2 ? d2 : -d2;
  far = far > e0 ? far : e0;
  far = far > e1 ? far : e1;
  far = far > e2 ? far : e2;
}

// ReleaseTriple on four limbs: the part that stays and the part for the limb above.
NUMORA_INLINE void SplitTriples(const V4& r0, const V4& r1, const V4& r2, V4& low, V4& up) {
  const V4 round = {kRound, kRound, kRound, kRound};
  const V4 u = ((r1 * 1e-8) + round) - round, w = ((r2 * 1e-4) + round) - round;
  low = r0 + (r1 - u * 1e8) * 1e4 + (r2 - w * 1e4) * 1e8;
  up = u + w;
}

NUMORA_INLINE double Largest(const V4& far) {
  const double m01 = far[0] > far[1] ? far[0] : far[1], m23 = far[2] > far[3] ? far[2] : far[3];
  return m01 > m23 ? m01 : m23;
}

// limbs[0 .. 4 blocks] += the coefficients conv[0 .. 12 blocks) (the limb
// above the last takes its high parts). Returns the largest rounding distance
// (at least worst).
NUMORA_VECTOR_CLONES double AddLimbBlocks(const double* conv, long blocks, double scale,
                                          double worst, double* limbs) {
  V4 far = {worst, worst, worst, worst};
  V4 below = {0, 0, 0, 0};
  for (long b = 0; b < blocks; b++) {
    V4 r0, r1, r2, low, up;
    RoundTriples(conv + 12 * b, scale, r0, r1, r2, far);
    SplitTriples(r0, r1, r2, low, up);
    V4u* l = reinterpret_cast<V4u*>(limbs + 4 * b);
    *l = *l + (low + NUMORA_SHUFFLE(below, up, 3, 4, 5, 6));
    below = up;
  }
  if (blocks > 0) limbs[4 * blocks] += below[3];
  return Largest(far);
}

// Limbs [0, 4 blocks) of R from conv; *high and *q carry the high parts and the
// quotient of the limb below the first into the block and out of the last.
// Returns the largest rounding distance (at least worst).
NUMORA_VECTOR_CLONES double ReleaseLimbBlocks(const double* conv, long blocks, double scale,
                                              double worst, double* high, double* q, double* R) {
  const V4 round = {kRound, kRound, kRound, kRound};
  V4 far = {worst, worst, worst, worst};
  V4 hBelow = {*high, *high, *high, *high}, qBelow = {*q, *q, *q, *q};
  for (long b = 0; b < blocks; b++) {
    V4 r0, r1, r2, low, up;
    RoundTriples(conv + 12 * b, scale, r0, r1, r2, far);
    SplitTriples(r0, r1, r2, low, up);
    const V4 v = low + NUMORA_SHUFFLE(hBelow, up, 3, 4, 5, 6);
    const V4 qv = ((v * 1e-12 - 0.5) + round) - round;
    const V4 r = v - qv * 1e12;
    *reinterpret_cast<V4u*>(R + 4 * b) = r + NUMORA_SHUFFLE(qBelow, qv, 3, 4, 5, 6);
    hBelow = up;
    qBelow = qv;
  }
  *high = hBelow[3];
  *q = qBelow[3];
  return Largest(far);
}

}  // namespace

void ReleaseCoefficients(const double* conv, long cs, long ce, double scale, double* limbs,
                         long pos) {
  double worst = FFT().MaxRoundingError;
  // Each value is split so that every addend stays exact: a coefficient of
  // weight 10^4 or 10^8 sends its high part to the limb above.
  auto one = [&](long j) {
    double y = conv[j] * scale;
    double r = Round(y);
    double d = std::fabs(y - r);
    worst = d > worst ? d : worst;
    double* l = limbs + pos + j / 3;
    switch (j % 3) {
      case 0:
        l[0] += r;
        break;
      case 1: {
        double u = Round(r * 1e-8);
        l[1] += u;
        l[0] += (r - u * 1e8) * 1e4;
        break;
      }
      default: {
        double w = Round(r * 1e-4);
        l[1] += w;
        l[0] += (r - w * 1e4) * 1e8;
        break;
      }
    }
  };
  long j = cs;
  for (; j < ce && j % 3 != 0; j++) one(j);
  double* l = limbs + pos + j / 3;
  const long blocks = (ce - j) / 12;
  worst = AddLimbBlocks(conv + j, blocks, scale, worst, l);
  j += 12 * blocks;
  l += 4 * blocks;
  for (; j + 3 <= ce; j += 3, l++) {
    double low, high;
    ReleaseTriple(conv + j, scale, worst, &low, &high);
    l[0] += low;
    l[1] += high;
  }
  for (; j < ce; j++) one(j);
  FFT().MaxRoundingError = worst;
}

namespace {

// An unchecked product rests on its proven margin: values that far from an
// integer mean that some may have rounded to the wrong one. Never pass it on.
void CheckRounding(FFTContext& f, double before, long N) {
  if (f.MaxRoundingError > f.RoundingLimit) {
    errorf("Error in FFT product, rounding error %.3f is too large for N=%ld", f.MaxRoundingError,
           N);
  }
  f.MaxRoundingError = std::max(before, f.MaxRoundingError);
}

}  // namespace

namespace {

// limbs[i] = R[i] + the carry, reduced into [0, 10^12); returns the carry out.
// A carry arises only where R lies within a few thousand of a bound of the
// range, about once in 10^8 limbs: the test is a branch that the processor
// predicts, and the chain of carries costs an add per limb.
inline double SettleLimbs(const double* R, long n, double c, double* limbs) {
  for (long i = 0; i < n; i++) {
    double t = R[i] + c;
    c = 0;
    if (__builtin_expect(t < 0 || t >= 1e12, 0)) {
      c = Floor(t * 1e-12);
      t -= c * 1e12;
      // Floor of the rounded quotient may miss by one near a multiple.
      if (t < 0) t += 1e12, c -= 1;
      if (t >= 1e12) t -= 1e12, c += 1;
    }
    limbs[i] = t;
  }
  return c;
}

}  // namespace

double FFTToBigInt(const FFTProduct& p, double* limbs, long m) {
  bool checked;
  const double* conv = FFTProductAccess::Conv(p, &checked);
  const long N = p.TransformSize();
  if (m < 1 || 3 * m > 2 * N + 1) errorf("Error in FFT product, %ld limbs from N=%ld", m, N);
  FFTContext& f = FFT();
  const double before = f.MaxRoundingError;
  const double scale = FFTScale(N);
  double worst = 0;
  double high = 0;  // high parts sent up by the limb below
  double q = 0;     // the 10^12 multiple cut from the limb below
  double c = 0;     // the settling carry
  constexpr long kChunk = 256;
  double R[kChunk];
  // Every limb but the top one: vector blocks, then the rest one by one.
  const long body = (m - 1) / 4 * 4;
  for (long k = 0; k < body; k += kChunk) {
    const long n = std::min(kChunk, body - k);
    worst = ReleaseLimbBlocks(conv + 3 * k, n / 4, scale, worst, &high, &q, R);
    c = SettleLimbs(R, n, c, limbs + k);
  }
  for (long k = body; k + 1 < m; k++) {
    double low, up;
    ReleaseTriple(conv + 3 * k, scale, worst, &low, &up);
    const double v = high + low, qk = CutQuotient(v);
    R[0] = v - qk * 1e12 + q;
    c = SettleLimbs(R, 1, c, limbs + k);
    high = up;
    q = qk;
  }
  // The top limb has two coefficients; the high part of the second (at most a
  // unit or two) folds down exactly.
  const double* y = conv + 3 * (m - 1);
  double y0 = y[0] * scale, y1 = y[1] * scale;
  double r0 = Round(y0), r1 = Round(y1);
  double d0 = std::fabs(y0 - r0), d1 = std::fabs(y1 - r1);
  d0 = d1 > d0 ? d1 : d0;
  worst = d0 > worst ? d0 : worst;
  double u = Round(r1 * 1e-8);
  const double v = high + r0 + (r1 - u * 1e8) * 1e4 + u * 1e12, qk = CutQuotient(v);
  R[0] = v - qk * 1e12 + q;
  c = SettleLimbs(R, 1, c, limbs + m - 1);
  limbs[m] = 0;
  f.MaxRoundingError = worst;
  if (checked) {
    f.MaxRoundingError = std::max(before, worst);
  } else {
    CheckRounding(f, before, N);
  }
  return qk + c;
}

void InverseFFTAndCarry(const FFTProduct& p, long carryStart, long carryEnd, double* limbs,
                        long pos) {
  bool checked;
  const double* conv = FFTProductAccess::Conv(p, &checked);
  const long N = p.TransformSize();
  if (carryStart < 0 || carryEnd > 2 * N || (carryStart < carryEnd && pos + carryStart / 3 < 0)) {
    errorf("Error in FFT product, window [%ld, %ld) at %ld for N=%ld", carryStart, carryEnd, pos,
           N);
  }
  FFTContext& f = FFT();
  const double before = f.MaxRoundingError;
  f.MaxRoundingError = 0;
  ReleaseCoefficients(conv, carryStart, carryEnd, FFTScale(N), limbs, pos);
  if (checked) {
    f.MaxRoundingError = std::max(before, f.MaxRoundingError);
  } else {
    CheckRounding(f, before, N);
  }
}

void ResetRoundingError() { FFT().MaxRoundingError = 0; }
double GetRoundingError() { return FFT().MaxRoundingError; }
