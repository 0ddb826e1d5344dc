// Error bound. A residue 2^e mod m is exact (below). A term r/m is held as
// hi = r/m rounded and lo = (r - hi m)/m, whose numerator one fused
// multiply-add gives exactly: the term is right to 2^-106. Each accumulation
// is a two-sum whose error stays in the low part (2^-105 per term). With the
// p/10 terms of a position p < 2^40, a sum is right to 2^-67 plus its omitted
// tail (terms below 2^-30), which is below 2^-31 / m for the m of the first
// omitted term: 2^-34 at the smallest positions, far less beyond. So frac(2^p Pi)
// is right to 2^-31 at every position up to kMaxExtractionPosition, where 24
// binary digits need 2^-24. (Sums of plain doubles lose up to 2^-53 per term,
// and the direct terms of small positions, up to 2^31 / m, lose 2^-29 when added
// whole: the worst case reaches 2^-26 near p = 2^27, 40 million digits.)
#include "verify/digit_extraction.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

constexpr double kSplit = 1048576.0;  // 2^20
constexpr double kInvSplit = 1.0 / kSplit;
// Residues stay within 0.51 m of zero (below): under this modulus their
// squares are below 2^53, exact as they stand.
constexpr double kSmallModulus = 67108864.0;  // 2^26
// Powers computed side by side: independent chains of squarings keep the
// processor busy where one chain waits on each result.
constexpr int kLanes = 8;

// The whole number nearest to y, for |y| < 2^51 (rounding to nearest, no
// library call).
inline double Round(double y) {
  constexpr double kRound = 6755399441055744.0;  // 1.5 x 2^52
  return (y + kRound) - kRound;
}

// a + b = s + err exactly.
inline double TwoSum(double a, double b, double* err) {
  const double s = a + b;
  const double bv = s - a;
  *err = (a - (s - bv)) + (b - bv);
  return s;
}

// f += hi + lo, modulo 1.
inline void Accumulate(WideFraction& f, double hi, double lo) {
  double err;
  double s = TwoSum(f.Hi, hi, &err);
  // |s| < 2: removing a whole 1 is exact and keeps the sum below 1.
  if (s >= 1)
    s -= 1;
  else if (s <= -1)
    s += 1;
  const double l = f.Lo + err + lo;
  f.Hi = TwoSum(s, l, &f.Lo);
}

// f += r/m (or -= when negative), r a whole number below 2^53 or a power of
// two: r - hi m is then a representable multiple of the last bit of hi.
inline void AddTerm(WideFraction& f, double r, double m, bool negative) {
  const double hi = r / m;
  const double lo = std::fma(-hi, m, r) / m;
  if (negative)
    Accumulate(f, -hi, -lo);
  else
    Accumulate(f, hi, lo);
}

// 2^e[j] mod m[j] for kLanes lanes, 1 <= m[j] < 2^40, exactly. A square
// x^2 - q m takes the nearest quotient q = round(x^2 / m) (its estimate is off
// by less than 2^-8 below 2^40), so residues stay within 0.51 m of zero and a
// doubling within 1.02 m. Above kSmallModulus the numbers are cut at 2^20 (each
// part within 2^20): every partial product is below 2^42 and exact.
void PowMod2Lanes(const int64_t* e, const double* m, double* r) {
  int64_t least = e[0];
  bool small = true;
  double inv[kLanes], mh[kLanes], ml[kLanes], x[kLanes];
  for (int j = 0; j < kLanes; j++) {
    least = std::min(least, e[j]);
    small = small && m[j] < kSmallModulus;
  }
  // The top bits of each exponent at once (2^(e >> shift) is an exact double
  // below 2^200, and fmod is exact), then one squaring per further bit.
  const int shift = std::max(0, static_cast<int>(std::bit_width(static_cast<uint64_t>(least))) - 6);
  double factor[64][kLanes];  // 2 where the bit is set: the doubling
  for (int j = 0; j < kLanes; j++) {
    inv[j] = 1 / m[j];
    mh[j] = Round(m[j] * kInvSplit);
    ml[j] = m[j] - mh[j] * kSplit;
    x[j] = std::fmod(std::ldexp(1.0, static_cast<int>(e[j] >> shift)), m[j]);
    for (int b = 0; b < shift; b++) factor[b][j] = static_cast<double>(1 + ((e[j] >> b) & 1));
  }
  for (int b = shift - 1; b >= 0; b--) {
    if (small) {
      for (int j = 0; j < kLanes; j++) {
        const double s = x[j] * x[j];
        x[j] = (s - Round(s * inv[j]) * m[j]) * factor[b][j];
      }
      continue;
    }
    for (int j = 0; j < kLanes; j++) {
      const double q = Round(x[j] * x[j] * inv[j]);
      const double xh = Round(x[j] * kInvSplit), xl = x[j] - xh * kSplit;
      const double qh = Round(q * kInvSplit), ql = q - qh * kSplit;
      const double t2 = xh * xh - qh * mh[j];
      const double t1 = 2 * xh * xl - qh * ml[j] - ql * mh[j];
      const double t0 = xl * xl - ql * ml[j];
      // x^2 - q m = (t2 2^20 + t1) 2^20 + t0; the bracket is the small
      // (x^2 - q m - t0) / 2^20, so it and each step after it are exact.
      x[j] = ((t2 * kSplit + t1) * kSplit + t0) * factor[b][j];
    }
  }
  for (int j = 0; j < kLanes; j++) {
    while (x[j] < 0) x[j] += m[j];
    while (x[j] >= m[j]) x[j] -= m[j];
    r[j] = x[j];
  }
}

}  // namespace

double PowMod2(int64_t e, double m) {
  int64_t es[kLanes];
  double ms[kLanes], rs[kLanes];
  std::fill_n(es, kLanes, e);
  std::fill_n(ms, kLanes, m);
  PowMod2Lanes(es, ms, rs);
  return rs[0];
}

WideFraction DigitExtractionSum(int a, int b, int c, int d, int64_t n) {
  WideFraction s;
  int64_t e = n + b;
  int64_t k = 0;
  bool negative = false;
  // Whole terms by their residues (only 2^e mod m reaches the fraction),
  // kLanes at a time; unused lanes repeat the first.
  while (e >= 32) {
    int64_t es[kLanes];
    double ms[kLanes], rs[kLanes];
    es[0] = e;
    ms[0] = static_cast<double>(c) * static_cast<double>(k) + d;
    int used = 1;
    for (; used < kLanes && e - used * a >= 32; used++) {
      es[used] = e - used * a;
      ms[used] = static_cast<double>(c) * static_cast<double>(k + used) + d;
    }
    std::fill(es + used, es + kLanes, es[0]);
    std::fill(ms + used, ms + kLanes, ms[0]);
    PowMod2Lanes(es, ms, rs);
    for (int j = 0; j < used; j++, e -= a, k++, negative = !negative)
      AddTerm(s, rs[j], ms[j], negative);
  }
  // The last terms directly; 2^e below 2^32 still drops its whole multiples of m.
  for (; e >= -30; e -= a, k++, negative = !negative) {
    const double m = static_cast<double>(c) * static_cast<double>(k) + d;
    const double power = std::ldexp(1.0, static_cast<int>(e));
    AddTerm(s, e >= 0 ? std::fmod(power, m) : power, m, negative);
  }
  return s;
}

double FractionPart(const WideFraction& f) {
  double x = f.Hi + f.Lo;
  x -= std::floor(x);
  // A tiny negative x rounds to 1 once 1 is added.
  return x >= 1 ? 0 : x;
}

double PiBinaryFraction(int64_t p, const std::function<void()>& afterSum) {
  // The seven terms of the formula: sign, and a, b, c, d of its sum.
  static constexpr int kSums[7][5] = {{-1, 10, 5, 4, 1},  {-1, 10, 0, 4, 3},  {+1, 10, 8, 10, 1},
                                      {-1, 10, 6, 10, 3}, {-1, 10, 2, 10, 5}, {-1, 10, 2, 10, 7},
                                      {+1, 10, 0, 10, 9}};
  WideFraction v;
  for (const auto& t : kSums) {
    const WideFraction s = DigitExtractionSum(t[1], t[2], t[3], t[4], p - 6);
    Accumulate(v, t[0] * s.Hi, t[0] * s.Lo);
    if (afterSum) afterSum();
  }
  return FractionPart(v);
}
