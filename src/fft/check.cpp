// The check of the FFT products: residues modulo 2^61 - 1 of the operands (taken
// while they are cut into pieces) and of the rounded convolution.
#include <algorithm>
#include <bit>
#include <cmath>

#include "fft/dispatch.h"
#include "fft/fft_check.h"

namespace {

using u128 = unsigned __int128;
constexpr uint64_t P = kCheckPrime;

// A value below 2^64 congruent to x < 2^124 (2^61 is 1 modulo P).
inline uint64_t Fold(u128 x) {
  return (static_cast<uint64_t>(x) & P) + static_cast<uint64_t>(x >> 61);
}
inline uint64_t Fold64(uint64_t x) { return (x & P) + (x >> 61); }
inline uint64_t Reduce(uint64_t x) {
  x = Fold64(x);
  return x >= P ? x - P : x;
}

uint64_t PowMod(uint64_t b, uint64_t e) {
  uint64_t r = 1;
  for (; e != 0; e >>= 1) {
    if (e & 1) r = MulMod(r, b);
    b = MulMod(b, b);
  }
  return r;
}

// The powers of a base b that a block of 16 values needs.
struct BlockWeights {
  int64_t w[16];  // b^0 .. b^15
  uint64_t up;    // b^-16
  uint64_t block;  // b^16
  explicit BlockWeights(uint64_t b) {
    uint64_t v = 1;
    for (int i = 0; i < 16; i++, v = MulMod(v, b)) w[i] = static_cast<int64_t>(v);
    block = v;
    up = PowMod(v, P - 2);
  }
};
const BlockWeights kPieceWeights(10000);          // coefficients: weight 10^4 apart
const BlockWeights kLimbWeights(1000000000000);   // limbs: 10^12 apart

// The sum of v_i b^i modulo P for signed values (|v| < 2^53) fed in ascending
// blocks of 16: the products of a block by its weights are summed in 128 bits,
// then one reduction and one step of Horner's rule (upward, by b^-16). A step
// waits on the one before, but 16 independent products hide that.
class ResidueSum {
 public:
  explicit ResidueSum(const BlockWeights& w) : w_(w) {}
  NUMORA_INLINE void Add(const int64_t* v) {
    __int128 s0 = 0, s1 = 0;
    for (int i = 0; i < 16; i += 2) {
      s0 += static_cast<__int128>(v[i]) * w_.w[i];
      s1 += static_cast<__int128>(v[i + 1]) * w_.w[i + 1];
    }
    const __int128 t = s0 + s1;  // |t| < 2^118: t = hi 2^61 + lo, |hi| < 2^57
    const int64_t hi = static_cast<int64_t>(t >> 61) + static_cast<int64_t>(P);
    const uint64_t x = (static_cast<uint64_t>(t) & P) + static_cast<uint64_t>(hi);
    acc_ = Fold64(Fold(static_cast<u128>(acc_) * w_.up) + Fold64(x));
    blocks_++;
  }
  uint64_t Value() const {
    return blocks_ > 0 ? MulMod(Reduce(acc_), PowMod(w_.block, blocks_ - 1)) : 0;
  }

 private:
  const BlockWeights& w_;
  uint64_t acc_ = 0;
  uint64_t blocks_ = 0;
};

// The pieces of one limb x (lowest first) with the carry c of the balancing
// below; returns the carry for the limb above.
inline double SplitOne(double x, double c, double* out) {
  double hi = Round(x * 1e-8);
  double rest = x - hi * 1e8;
  double mid = Round(rest * 1e-4);
  out[0] = rest - mid * 1e4 + c;
  out[1] = mid;
  if (hi > 5000) {
    out[2] = hi - 1e4;
    return 1;
  }
  out[2] = hi;
  return 0;
}

// No piece above the last one: its balancing is undone (t: the top limb's pieces).
inline void FixTop(double* t, double c) {
  if (c == 0) return;
  double top = t[2] + c * 1e4;
  if (top >= 1e4) {
    top -= 1;
    t[1] += 1e4;
  }
  t[2] = top;
}

inline double Norm2(const double* t) { return t[0] * t[0] + t[1] * t[1] + t[2] * t[2]; }

typedef double V4 __attribute__((vector_size(32)));
typedef double V4u __attribute__((vector_size(32), aligned(8), may_alias));  // in memory
typedef long long I4 __attribute__((vector_size(32)));
typedef long long I4u __attribute__((vector_size(32), aligned(8), may_alias));

}  // namespace

uint64_t MulMod(uint64_t a, uint64_t b) { return Reduce(Fold(static_cast<u128>(a) * b)); }

namespace {

// The vector kernels call nothing: a call out of AVX code would leave the upper
// halves of the registers dirty for the plain code after it (GCC then skips the
// vzeroupper), which slows every SSE instruction that follows.

// Limbs [0, 16 q) four at a time as vectors: SplitOne lane by lane, the carry of
// each lane being the overflow of the lane below. Returns the carry out.
NUMORA_VECTOR_CLONES double SplitBlocks(const double* limbs, long q, double* out, bool residue,
                                        ResidueSum& sum, double* norm2) {
  const V4 round = {kRound, kRound, kRound, kRound};
  const I4 zero = (I4)round;
  const V4 one = {1, 1, 1, 1}, half = {5000, 5000, 5000, 5000}, base = {1e4, 1e4, 1e4, 1e4};
  V4 norm = {0, 0, 0, 0};
  V4 over = {0, 0, 0, 0};  // lane 3: the overflow of the limb below the next group
  int64_t values[16];
  for (long k = 0; k < 16 * q; k += 16) {
    for (int g = 0; g < 16; g += 4) {
      const V4 x = *reinterpret_cast<const V4u*>(limbs + k + g);
      const V4 hi = ((x * 1e-8) + round) - round;
      const V4 rest = x - hi * 1e8;
      const V4 mid = ((rest * 1e-4) + round) - round;
      const V4 below = over;
      over = (V4)((I4)(hi > half) & (I4)one);
      const V4 c = NUMORA_SHUFFLE(below, over, 3, 4, 5, 6);
      const V4 lo = rest - mid * base + c;
      const V4 top = hi - over * base;
      norm += lo * lo + mid * mid + top * top;
      // Interleaved: lo0 mid0 top0 lo1 | mid1 top1 lo2 mid2 | top2 lo3 mid3 top3.
      const V4 lm = NUMORA_SHUFFLE(lo, mid, 0, 4, 1, 5);
      const V4 lm2 = NUMORA_SHUFFLE(lo, mid, 2, 6, 3, 7);
      const V4 mt = NUMORA_SHUFFLE(lm, top, 3, 5, 6, 7);
      V4u* o = reinterpret_cast<V4u*>(out + 3 * (k + g));
      o[0] = NUMORA_SHUFFLE(lm, top, 0, 1, 4, 2);
      o[1] = NUMORA_SHUFFLE(mt, lm2, 0, 1, 4, 5);
      o[2] = NUMORA_SHUFFLE(mt, lm2, 2, 6, 7, 3);
      *reinterpret_cast<I4u*>(values + g) = (I4)(x + round) - zero;
    }
    if (residue) sum.Add(values);
  }
  *norm2 = (norm[0] + norm[1]) + (norm[2] + norm[3]);
  return over[3];
}

}  // namespace

PieceStats SplitLimbsChecked(const double* limbs, long n, double* out, bool residue) {
  ResidueSum sum(kLimbWeights);
  PieceStats s;
  const long k = n / 16 * 16;
  double c = SplitBlocks(limbs, n / 16, out, residue, sum, &s.Norm2);
  int64_t values[16] = {};
  for (long i = 0; k + i < n; i++) {
    c = SplitOne(limbs[k + i], c, out + 3 * (k + i));
    s.Norm2 += Norm2(out + 3 * (k + i));
    values[i] = static_cast<int64_t>(limbs[k + i]);
  }
  if (residue && k < n) sum.Add(values);  // zeros above the top change nothing
  if (n > 0) {
    double* t = out + 3 * (n - 1);
    s.Norm2 -= Norm2(t);
    FixTop(t, c);
    s.Norm2 += Norm2(t);
  }
  s.HasResidue = residue;
  s.Residue = sum.Value();
  return s;
}

void SplitLimbs(const double* limbs, long n, double* out) {
  SplitLimbsChecked(limbs, n, out, false);
}

void SplitLimbRange(const double* limbs, long n, long from, long count, double* out) {
  std::fill(out, out + count, 0.0);
  const long k0 = from / 3, k1 = std::min(n, (from + count + 2) / 3);
  double t[3];
  // The balancing carry into a limb depends only on the limb below.
  double c = k0 > 0 && Round(limbs[k0 - 1] * 1e-8) > 5000 ? 1 : 0;
  for (long k = k0; k < k1; k++) {
    c = SplitOne(limbs[k], c, t);
    if (k == n - 1) FixTop(t, c);
    for (int i = 0; i < 3; i++) {
      const long j = 3 * k + i - from;
      if (j >= 0 && j < count) out[j] = t[i];
    }
  }
}

namespace {

// 16 values times scale rounded: the integers into r, the largest distance into far.
NUMORA_INLINE void RoundBlock(const double* y, double scale, int64_t* r, double* far) {
  const int64_t zero = std::bit_cast<int64_t>(kRound);
  double d[16];
  for (int i = 0; i < 16; i++) {
    const double v = y[i] * scale, s = v + kRound;
    d[i] = std::fabs(v - (s - kRound));
    r[i] = std::bit_cast<int64_t>(s) - zero;
  }
  double m = *far;
  for (int i = 0; i < 16; i++) m = std::max(m, d[i]);
  *far = m;
}

// Blocks of 16 values: the rounding in a loop the compiler vectorises, then the
// residue of the integers (a block of zeros past the end changes nothing).
NUMORA_VECTOR_CLONES double ResidueBlocks(const double* conv, long count, double scale,
                                          ResidueSum& sum) {
  double far = 0;
  int64_t r[16];
  long j = 0;
  for (; j + 16 <= count; j += 16) {
    RoundBlock(conv + j, scale, r, &far);
    sum.Add(r);
  }
  if (j < count) {
    double y[16];
    for (int i = 0; i < 16; i++) y[i] = j + i < count ? conv[j + i] : 0;
    RoundBlock(y, scale, r, &far);
    sum.Add(r);
  }
  return far;
}

}  // namespace

uint64_t ConvolutionResidue(const double* conv, long count, double scale, double* worst) {
  ResidueSum sum(kPieceWeights);
  *worst = std::max(*worst, ResidueBlocks(conv, count, scale, sum));
  return sum.Value();
}
