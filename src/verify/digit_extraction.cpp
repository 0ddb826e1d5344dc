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

#include <bit>
#include <cmath>

namespace {

constexpr double kSplit = 1048576.0;  // 2^20
constexpr double kInvSplit = 1.0 / kSplit;
// Below this modulus a square of residues is below 2^52: exact as it stands.
constexpr double kSmallModulus = 67108864.0;  // 2^26

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

// Products modulo m < 2^40 in doubles. Numbers are cut at 2^20 so that every
// partial product is below 2^42 and exact; the quotient estimate, within one
// of the true one, leaves a remainder in [-m, 2m), brought back by one step.
class Modulus {
 public:
  explicit Modulus(double m)
      : m_(m), inv_(1 / m), hi_(std::floor(m * kInvSplit)), lo_(m - hi_ * kSplit) {}

  // x^2 mod m for 0 <= x < m.
  double Square(double x) const {
    if (m_ < kSmallModulus) {
      const double s = x * x;
      return Reduce(s - std::floor(s * inv_) * m_);
    }
    const double q = std::floor(x * x * inv_);
    const double xh = std::floor(x * kInvSplit), xl = x - xh * kSplit;
    const double qh = std::floor(q * kInvSplit), ql = q - qh * kSplit;
    const double t2 = xh * xh - qh * hi_;
    const double t1 = 2 * xh * xl - qh * lo_ - ql * hi_;
    const double t0 = xl * xl - ql * lo_;
    // x^2 - q m = (t2 2^20 + t1) 2^20 + t0; the bracket is the small
    // (x^2 - q m - t0) / 2^20, so it and each step after it are exact.
    return Reduce((t2 * kSplit + t1) * kSplit + t0);
  }
  // 2x mod m for 0 <= x < m.
  double Double(double x) const { return x + x >= m_ ? x + x - m_ : x + x; }

 private:
  double Reduce(double r) const { return r < 0 ? r + m_ : r >= m_ ? r - m_ : r; }

  double m_, inv_, hi_, lo_;
};

}  // namespace

double PowMod2(int64_t e, double m) {
  // Powers of two below 2^64 are exact doubles and fmod is exact.
  if (e < 64) return std::fmod(std::ldexp(1.0, static_cast<int>(e)), m);
  const Modulus mod(m);
  // The top six bits of e at once, then one squaring per further bit.
  const int shift = std::bit_width(static_cast<uint64_t>(e)) - 6;
  double r = std::fmod(std::ldexp(1.0, static_cast<int>(e >> shift)), m);
  for (int b = shift - 1; b >= 0; b--) {
    r = mod.Square(r);
    if ((e >> b) & 1) r = mod.Double(r);
  }
  return r;
}

WideFraction DigitExtractionSum(int a, int b, int c, int d, int64_t n) {
  WideFraction s;
  int64_t e = n + b;
  int64_t k = 0;
  bool negative = false;
  // Whole terms by their residues: only 2^e mod m reaches the fraction.
  for (; e >= 32; e -= a, k++, negative = !negative) {
    const double m = static_cast<double>(c) * static_cast<double>(k) + d;
    AddTerm(s, PowMod2(e, m), m, negative);
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
