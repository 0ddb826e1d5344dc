// Products of limb arrays through the FFT engine: the split into pieces, the
// forward transform, the release, and the spectrum cache.
#include <algorithm>

#include "fft/fft_engine.h"
#include "fft/fft_product.h"
#include "fft/fft_split.h"
#include "shell/error_report.h"
#include "shell/memory.h"

namespace {

// Rounding to nearest by the 1.5 x 2^52 constant, for |y| < 2^51.
inline double Round(double y) {
  constexpr double kRound = 6755399441055744.0;
  return (y + kRound) - kRound;
}

}  // namespace

void SplitLimbs(const double* limbs, long n, double* out) {
  double c = 0;
  for (long k = 0; k < n; k++) {
    double x = limbs[k];
    double hi = Round(x * 1e-8);
    double rest = x - hi * 1e8;
    double mid = Round(rest * 1e-4);
    out[3 * k] = rest - mid * 1e4 + c;
    out[3 * k + 1] = mid;
    if (hi > 5000) {
      out[3 * k + 2] = hi - 1e4;
      c = 1;
    } else {
      out[3 * k + 2] = hi;
      c = 0;
    }
  }
  if (n > 0 && c != 0) {
    // No point above the last one: undo its balancing.
    double top = out[3 * n - 1] + c * 1e4;
    if (top >= 1e4) {
      top -= 1;
      out[3 * n - 2] += 1e4;
    }
    out[3 * n - 1] = top;
  }
}

void BigIntToFFT(const double* limbs, long n, double* out, long N) {
  SplitLimbs(limbs, n, out);
  std::fill(out + 3 * n, out + N, 0.0);
  RealFFT(out, N);
}

void FFTToBigInt(double* limbs, long m, double* spectrum, long N) {
  std::fill(limbs, limbs + m + 1, 0.0);
  FFTContext& f = FFT();
  f.CarryStart = 0;
  f.CarryEnd = 3 * m - 1;
  InverseFFTAndCarry(limbs, 0, spectrum, N);
  // The spare limb holds at most a unit or two of overflow from the top
  // coefficient: folding it down stays exact.
  limbs[m - 1] += limbs[m] * 1e12;
  limbs[m] = 0;
}

long GetNFFT() { return FFT().NFFT; }

void MarkSpectrumCached() { FFT().FFT0AlreadyComputed = 1; }

bool SpectrumCached(const double* limbs, long N) {
  const FFTContext& f = FFT();
  return f.FFT0AlreadyComputed != 0 && f.nFFT0AlreadyComputed == N && f.CachedLimbs == limbs;
}

void RecordSpectrum(const double* limbs, long N) {
  FFTContext& f = FFT();
  f.FFT0AlreadyComputed = 0;
  f.nFFT0AlreadyComputed = N;
  f.CachedLimbs = limbs;
}
