// Helpers of the FFT tests: operands of chosen shapes and an independent check
// of exact products by residues modulo primes near 2^61, computed from the limbs.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "fft/fft_product.h"
#include "mpint/bigint.h"
#include "reference/refnum.h"

namespace fftt {

// The FFT context is one per process: every test of a program shares it.
inline long EnsureFFT(long n = 1L << 20) {
  if (GetNFFT() == 0) InitBigIntFFT(n);
  return GetNFFT();
}

struct Num {
  BigInt b;
  explicit Num(long cap) { b.Alloc(cap); }
  ~Num() { b.Free(); }
  Num(const Num&) = delete;
  Num& operator=(const Num&) = delete;
};

enum class Shape { kRandom, kNines, kNegative, kSparse };

inline void Fill(BigInt& x, long n, std::mt19937_64& g, Shape shape) {
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

constexpr uint64_t kPrimes[3] = {2305843009213693951ULL, 2305843009213693921ULL,
                                 2305843009213693907ULL};

inline uint64_t MulMod(uint64_t a, uint64_t b, uint64_t p) {
  return static_cast<uint64_t>(static_cast<unsigned __int128>(a) * b % p);
}

// The value of limbs (signed limbs allowed) modulo p.
inline uint64_t Residue(const double* limbs, long n, uint64_t p) {
  const uint64_t base = 1000000000000ULL % p;
  uint64_t acc = 0;
  for (long i = n - 1; i >= 0; i--) {
    int64_t v = static_cast<int64_t>(limbs[i]);
    uint64_t lv = v >= 0 ? static_cast<uint64_t>(v) % p : p - (static_cast<uint64_t>(-v) % p);
    acc = (MulMod(acc, base, p) + lv) % p;
  }
  return acc;
}

// r == a * b as integers (offsets ignored), by residues.
inline bool ProductMatches(const BigInt& a, const BigInt& b, const BigInt& r) {
  for (uint64_t p : kPrimes) {
    uint64_t want = MulMod(Residue(a.Limbs, a.Size, p), Residue(b.Limbs, b.Size, p), p);
    if (Residue(r.Limbs, r.Size, p) != want) return false;
  }
  return true;
}

inline ref::Digits ToRef(const BigInt& b) {
  ref::Digits d(b.Limbs, b.Limbs + b.Size);
  ref::Trim(d);
  return d;
}

inline std::string Decimal(const BigInt& b) { return ref::ToDecimal(ToRef(b), 12); }

// Limbs in normal form: every limb below the top in [0, 10^12).
inline bool Normal(const BigInt& b) {
  for (long i = 0; i + 1 < b.Size; i++) {
    if (b.Limbs[i] < 0 || b.Limbs[i] > kBigIntMaxLimb) return false;
  }
  return b.Size >= 1;
}

}  // namespace fftt
