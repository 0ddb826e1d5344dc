// Helpers shared by the arithmetic and series tests: numbers of chosen shapes and
// two independent checks, residues modulo primes below 2^31 and the schoolbook
// reference of tests/reference.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "fft/fft_product.h"
#include "mpint/fft_mul.h"
#include "mpint/bigint.h"
#include "reference/refnum.h"

namespace fftt {

// The largest transform of the FFT tests: the dialogue's largest size.
constexpr long kLargeNFFT = 1L << 25;

// The FFT context is one per process: every test of a program shares it.
inline long EnsureFFT(long n = 1L << 20) {
  if (GetNFFT() == 0) InitBigIntFFT(n);
  return GetNFFT();
}

inline std::vector<double> Limbs(const BigInt& b) { return {b.Limbs, b.Limbs + b.Size}; }

inline BigInt& SetLimbs(BigInt& b, const std::vector<double>& limbs, long offset = 0) {
  for (size_t i = 0; i < limbs.size(); i++) b.Limbs[i] = limbs[i];
  b.Size = static_cast<long>(limbs.size());
  b.Offset = offset;
  return b;
}

enum class Shape { kRandom, kNines, kNegative, kSparse };

inline void Fill(BigInt& x, long n, std::mt19937_64& g, Shape shape = Shape::kRandom) {
  for (long i = 0; i < n; i++) {
    double v = static_cast<double>(g() % 1000000000000ULL);
    if (shape == Shape::kNines) v = kBigIntMaxLimb;
    if (shape == Shape::kSparse) v = (g() % 8 == 0) ? v : 0;
    x.Limbs[i] = v;
  }
  if (shape != Shape::kNines && n > 0 && x.Limbs[n - 1] == 0) x.Limbs[n - 1] = 1;
  // A negative number: complement digits under a top limb of -1.
  if (shape == Shape::kNegative) x.Limbs[n - 1] = -1;
  x.Size = n;
  x.Offset = 0;
}

// Three primes below 2^31 (apart from the products' own check prime), known at
// compile time: a 64-bit remainder by a constant is a multiplication, fast
// enough for numbers of millions of limbs.
constexpr uint64_t kPrimes[3] = {2147483647, 2147483629, 2147483587};

// The value of limbs (signed limbs allowed) modulo p.
template <uint64_t p>
uint64_t Residue(const double* limbs, long n) {
  constexpr uint64_t base = 1000000000000ULL % p;
  uint64_t acc = 0;
  for (long i = n - 1; i >= 0; i--) {
    const int64_t v = static_cast<int64_t>(limbs[i]);
    const uint64_t lv = v >= 0 ? static_cast<uint64_t>(v) % p : p - static_cast<uint64_t>(-v) % p;
    acc = (acc * base + lv) % p;
  }
  return acc;
}

// r == a * b as integers (offsets ignored), by residues.
template <uint64_t... p>
bool MatchesModulo(const double* a, long na, const double* b, long nb, const double* r, long nr) {
  return ((Residue<p>(a, na) * Residue<p>(b, nb) % p == Residue<p>(r, nr)) && ...);
}
inline bool ProductMatches(const double* a, long na, const double* b, long nb, const double* r,
                           long nr) {
  return MatchesModulo<kPrimes[0], kPrimes[1], kPrimes[2]>(a, na, b, nb, r, nr);
}
inline bool ProductMatches(const BigInt& a, const BigInt& b, const BigInt& r) {
  return ProductMatches(a.Limbs, a.Size, b.Limbs, b.Size, r.Limbs, r.Size);
}

inline ref::Digits ToRef(const BigInt& b) {
  ref::Digits d(b.Limbs, b.Limbs + b.Size);
  ref::Trim(d);
  return d;
}

// |u - v|.
inline ref::Digits AbsDiff(const ref::Digits& u, const ref::Digits& v) {
  return ref::Compare(u, v) >= 0 ? ref::Sub(u, v, 12) : ref::Sub(v, u, 12);
}

// a B^limbs.
inline ref::Digits Shifted(const ref::Digits& a, long limbs) {
  ref::Digits r(limbs, 0);
  r.insert(r.end(), a.begin(), a.end());
  return r;
}

// pos - neg as signed decimal text.
inline std::string Signed(const ref::Digits& pos, const ref::Digits& neg, int k) {
  if (ref::Compare(pos, neg) >= 0) return ref::ToDecimal(ref::Sub(pos, neg, k), k);
  return "-" + ref::ToDecimal(ref::Sub(neg, pos, k), k);
}

// Decimal text of any limb pattern of base 10^k (complement, balanced or
// unreduced limbs), times (10^k)^shift.
inline std::string Text(const double* limbs, long n, int k, long shift = 0) {
  ref::Digits pos(shift + n, 0), neg(shift + n, 0);
  for (long i = 0; i < n; i++) {
    (limbs[i] < 0 ? neg : pos)[shift + i] = std::llabs(std::llround(limbs[i]));
  }
  // Multiplying by one carries the unreduced limbs.
  return Signed(ref::Mul(pos, {1}, k), ref::Mul(neg, {1}, k), k);
}
inline std::string Text(const BigInt& b) { return Text(b.Limbs, b.Size, 12); }

// The exact product of two non-negative numbers (offsets ignored).
inline std::string MulText(const BigInt& a, const BigInt& b) {
  return ref::ToDecimal(ref::Mul(ToRef(a), ToRef(b), 12), 12);
}

// Limbs in normal form: every limb below the top in [0, 10^12).
inline bool Normal(const BigInt& b) {
  auto in = [](double v) { return v >= 0 && v <= kBigIntMaxLimb; };
  return b.Size >= 1 && std::all_of(b.Limbs, b.Limbs + b.Size - 1, in);
}

}  // namespace fftt
