// Residues modulo a special prime p = c^2 + 1 (c < 2^26), held exactly in doubles.
//
// A product is reduced without any division: with x = h c + l (h the integer
// nearest to x / c, so |l| <= c / 2 + 1),
//   a b = ha hb c^2 + (ha lb + hb la) c + la lb,  and c^2 = -1 (mod p).
// For operands in [0, p) every partial result is an integer of magnitude below
// 2 c^2 < 2^53, so each step is exact. A compiler that fuses a multiply with an
// add changes no result: every product but x (1/c) is an exact integer, and
// that one only picks h.
#pragma once

#include <cfloat>

#if defined(__FAST_MATH__)
#error "the residue arithmetic needs IEEE double arithmetic: build without -ffast-math"
#endif
static_assert(FLT_EVAL_METHOD == 0,
              "the residue arithmetic needs double arithmetic without excess precision "
              "(on 32-bit x86: -msse2 -mfpmath=sse)");

// The prime that residue operations work modulo: p = c^2 + 1 and 1/c.
struct PrimeContext {
  double p = 0;
  double c = 0;
  double invc = 0;  // the double nearest to 1 / c
};

// A residue cut in base c: hi c + lo.
struct SplitResidue {
  double lo;
  double hi;
};

// The operations written once for a double and for a vector of doubles (the
// transforms run them on several lanes at once). Results are given in place:
// vectors wider than the baseline registers may not be passed by value.
namespace residue {

#define NUMORA_RESIDUE_OP __attribute__((always_inline)) inline

// The integer nearest to x, for |x| <= 2^51: adding 1.5 * 2^52 puts the sum
// where doubles are exactly one apart. (2^53 would leave them two apart.)
template <class T>
NUMORA_RESIDUE_OP void Nearest(T& x) {
  constexpr double kShift = 6755399441055744.0;
  x = (x + kShift) - kShift;
}

template <class T>
NUMORA_RESIDUE_OP void AddPIfNegative(const PrimeContext& m, T& t) {
  t = t < 0 ? t + m.p : t;
}

// x = hi c + lo with |lo| <= c / 2 + 1 and 0 <= hi <= c for a residue x.
template <class T>
NUMORA_RESIDUE_OP void Split(const PrimeContext& m, const T& x, T& lo, T& hi) {
  hi = x * m.invc;
  Nearest(hi);
  lo = x - hi * m.c;
}

// a = a (hi c + lo) mod p, for residues a and hi c + lo split as above. Before
// the reduction a lies in [-1.75 c^2 - 3c - 4, 0.75 c^2 + 3c + 4]: at most two
// additions of p.
template <class T, class R>
NUMORA_RESIDUE_OP void Mul(const PrimeContext& m, T& a, const R& lo, const R& hi) {
  T al, ah;
  Split(m, a, al, ah);
  const T mid = ah * lo + hi * al;
  T q = mid * m.invc;
  Nearest(q);
  const T r = mid - q * m.c;
  a = al * lo - ah * hi - q + r * m.c;
  AddPIfNegative(m, a);
  AddPIfNegative(m, a);
}

// a = a c mod p = l c - h (c is a fourth root of unity); -c^2/2 - 2c <= l c - h < p.
template <class T>
NUMORA_RESIDUE_OP void MulC(const PrimeContext& m, T& a) {
  T l, h;
  Split(m, a, l, h);
  a = l * m.c - h;
  AddPIfNegative(m, a);
}

// (u, v) = (u + v, u - v) mod p.
template <class T>
NUMORA_RESIDUE_OP void Butterfly(const PrimeContext& m, T& u, T& v) {
  const T s = u + v;
  const T d = u - v;
  u = s >= m.p ? s - m.p : s;
  v = d;
  AddPIfNegative(m, v);
}

#undef NUMORA_RESIDUE_OP

}  // namespace residue

// x = hi c + lo: a factor used many times (a root, a constant) is split once.
inline SplitResidue SplitMod(const PrimeContext& m, double x) {
  SplitResidue s;
  residue::Split(m, x, s.lo, s.hi);
  return s;
}

inline double MulMod(const PrimeContext& m, double a, SplitResidue b) {
  residue::Mul(m, a, b.lo, b.hi);
  return a;
}

inline double MulMod(const PrimeContext& m, double a, double b) {
  return MulMod(m, a, SplitMod(m, b));
}

inline double AddMod(const PrimeContext& m, double a, double b) {
  const double s = a + b;
  return s >= m.p ? s - m.p : s;
}

inline double SubMod(const PrimeContext& m, double a, double b) {
  const double d = a - b;
  return d < 0 ? d + m.p : d;
}

inline double MulByC(const PrimeContext& m, double a) {
  residue::MulC(m, a);
  return a;
}

// The current prime of the process (the last one selected or tested).
const PrimeContext& CurrentPrime();

inline double MulMod(double a, double b) { return MulMod(CurrentPrime(), a, b); }
inline double AddMod(double a, double b) { return AddMod(CurrentPrime(), a, b); }
inline double SubMod(double a, double b) { return SubMod(CurrentPrime(), a, b); }
inline double MulByC(double a) { return MulByC(CurrentPrime(), a); }

// a^e mod p of the current prime, e a non-negative integer held in a double.
double PowMod(double a, double e);
// x mod p of the current prime for an integer |x| < 2^53 (a true division:
// outside the transform loops only).
double ModReduce(double x);
// The inverse of a modulo m (any modulus below 2^53, not only the current
// prime), in [0, m). Fatal when gcd(a, m) != 1.
double InvMod(double a, double m);
// g = gcd(a, b) with x a + y b = g, for non-negative integers below 2^53.
double ExtendedGcd(double a, double b, double* x, double* y);
