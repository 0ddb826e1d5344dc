// From rounded convolution values back to 12-digit limbs.
#include <algorithm>
#include <cmath>

#include "fft/fft_check.h"
#include "fft/fft_engine.h"
#include "shell/error_report.h"

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

double FFTToBigInt(const FFTProduct& p, double* limbs, long m) {
  bool checked;
  const double* conv = FFTProductAccess::Conv(p, &checked);
  const long N = p.TransformSize();
  if (m < 1 || 3 * m > 2 * N + 1) errorf("Error in FFT product, %ld limbs from N=%ld", m, N);
  FFTContext& f = FFT();
  const double before = f.MaxRoundingError;
  const double scale = FFTScale(N);
  double worst = 0;
  double c = 0;     // carry of the normalisation
  double high = 0;  // high parts sent up by the previous limb's pieces
  // Limb k is complete once its three coefficients are in: normalise it at once.
  auto settle = [&](double v, long k) {
    c += v;
    double q = (c * 1e-12 - 0.5 + kRound) - kRound;
    double rest = c - q * 1e12;
    if (rest < 0) {
      rest += 1e12;
      q -= 1;
    } else if (rest >= 1e12) {
      rest -= 1e12;
      q += 1;
    }
    limbs[k] = rest;
    c = q;
  };
  for (long k = 0; k + 1 < m; k++) {
    double low, up;
    ReleaseTriple(conv + 3 * k, scale, worst, &low, &up);
    settle(high + low, k);
    high = up;
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
  settle(high + r0 + (r1 - u * 1e8) * 1e4 + u * 1e12, m - 1);
  limbs[m] = 0;
  f.MaxRoundingError = worst;
  if (checked) {
    f.MaxRoundingError = std::max(before, worst);
  } else {
    CheckRounding(f, before, N);
  }
  return c;
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
