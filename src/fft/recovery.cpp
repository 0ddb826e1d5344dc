// The exact recomputation of a convolution whose check failed: the pieces are
// cut again into 2-digit halves and every product is made of squares of small
// sums, whose rounding has a wide margin at any transform size.
#include <algorithm>
#include <bit>
#include <cmath>

#include "fft/fft_check.h"
#include "fft/fft_engine.h"
#include "shell/error_report.h"

namespace {

// Pieces of limbs in the range the number layer makes (|limb| < 3 x 10^12)
// keep the squares below far inside the proven margin.
constexpr double kMaxPiece = 3e4;

void Pieces(const PieceSource& s, long from, long count, double* out) {
  std::fill(out, out + count, 0.0);
  if (from >= s.count) return;
  const long m = std::min(count, s.count - from);
  if (s.Pieces != nullptr) {
    std::copy(s.Pieces + from, s.Pieces + from + m, out);
  } else {
    SplitLimbRange(s.Limbs, s.n, from, m, out);
  }
  for (long t = 0; t < m; t++) {
    if (std::fabs(out[t]) > kMaxPiece) error("Error in FFT product, limbs out of range");
  }
}

// The convolution is accumulated exactly in 64-bit integers kept in the
// doubles' storage.
inline void AddInt(double* slot, int64_t v) {
  *slot = std::bit_cast<double>(std::bit_cast<int64_t>(*slot) + v);
}

// The 2-digit halves of a piece p = 100 h + l, |l| <= 50.
inline double High(double p) { return Round(p * 0.01); }
inline double Low(double p) { return p - 100 * High(p); }

// Six squares whose weighted sum is 4 x y for pieces x, y: with h, l the halves,
// u = xh + xl and v = yh + yl,
//   4 x y = 9900 ((xh + yh)^2 - (xh - yh)^2) + 100 ((u + v)^2 - (u - v)^2)
//           - 99 ((xl + yl)^2 - (xl - yl)^2).
constexpr int64_t kWeights[6] = {9900, -9900, 100, -100, -99, 99};

inline double SquareInput(int k, double x, double y) {
  switch (k) {
    case 0:
      return High(x) + High(y);
    case 1:
      return High(x) - High(y);
    case 2:
      return (x - 99 * High(x)) + (y - 99 * High(y));
    case 3:
      return (x - 99 * High(x)) - (y - 99 * High(y));
    case 4:
      return Low(x) + Low(y);
    default:
      return Low(x) - Low(y);
  }
}

// Adds times 4 x y for blocks x, y of M pieces into acc[0 .. 2M).
void AddBlockProduct(double* acc, const PieceSource& x, long xFrom, const PieceSource& y,
                     long yFrom, int64_t times, double* work, long M) {
  const double scale = FFTScale(M);
  for (int k = 0; k < 6; k++) {
    Pieces(x, xFrom, M, work);
    Pieces(y, yFrom, M, work + M);  // the padded half is free until the transform
    bool zero = true;
    for (long t = 0; t < M; t++) {
      work[t] = SquareInput(k, work[t], work[M + t]);
      zero = zero && work[t] == 0;
    }
    if (zero) continue;  // the differences of a square's own halves
    RealFFT(work, M);
    FFTPointwiseMul(work, work, work, M);
    InverseRealFFT(work, M);
    for (long t = 0; t < 2 * M; t++) {
      const double v = work[t] * scale, r = Round(v);
      if (std::fabs(v - r) > 0.25) error("Error in FFT product, the recomputation rounds badly");
      AddInt(acc + t, times * kWeights[k] * static_cast<int64_t>(r));
    }
  }
}

}  // namespace

void ExactConvolution(double* conv, long N, const ProductTerm* terms, int count, double* work,
                      long M) {
  std::fill(conv, conv + 2 * N, 0.0);  // also the integer 0
  for (int i = 0; i < count; i++) {
    const ProductTerm& t = terms[i];
    // A square needs each pair of blocks once.
    const bool square = t.x.Pieces == t.y.Pieces && t.x.Limbs == t.y.Limbs && t.x.n == t.y.n &&
                        t.x.count == t.y.count;
    for (long xs = 0; xs < t.x.count; xs += M) {
      for (long ys = square ? xs : 0; ys < t.y.count; ys += M) {
        AddBlockProduct(conv + xs + ys, t.x, xs, t.y, ys, square && ys != xs ? 2 : 1, work, M);
      }
    }
  }
  // Back to doubles, scaled as the inverse transform leaves a convolution
  // (a power of two: exact).
  const double unscale = 1 / FFTScale(N);
  for (long t = 0; t < 2 * N; t++) {
    const int64_t four = std::bit_cast<int64_t>(conv[t]);
    const int64_t c = four / 4;
    if (c * 4 != four || c >= (int64_t{1} << 51) || c <= -(int64_t{1} << 51)) {
      error("Error in FFT product, limbs out of range");
    }
    conv[t] = static_cast<double>(c) * unscale;
  }
}
