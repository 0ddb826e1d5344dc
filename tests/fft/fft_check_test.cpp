// Products that could round wrong are checked against residues of their
// operands and recomputed when the check fails: faults injected into every
// product path are found and repaired, and the largest transforms are exact,
// including an input that rounds wrong at 2^24 points.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "fft/fft_engine.h"
#include "fft/fft_product.h"
#include "fft/fft_test_util.h"
#include "mpint/guarded_num.h"
#include "mpint/multiply.h"

namespace {

using fftt::Shape;
using mpt::Num;

TEST(FFTCheck, InjectedFaultsAreFoundAndRepaired) {
  fftt::EnsureFFT(fftt::kLargeNFFT);
  std::mt19937_64 g(51);
  const long n = 300;
  Num a(n), b(n), c(n), d(n), e(n), f(n), y(400), big(700);
  for (Num* v : {&a, &b, &c, &d, &e, &f}) fftt::Fill(v->b, n, g);
  fftt::Fill(y.b, 400, g, Shape::kNines);
  fftt::Fill(big.b, 700, g);
  auto text = [](const ref::Digits& v) { return ref::ToDecimal(v, 12); };
  const ref::Digits A = fftt::ToRef(a.b), B = fftt::ToRef(b.b), C = fftt::ToRef(c.b),
                    D = fftt::ToRef(d.b), E = fftt::ToRef(e.b), F = fftt::ToRef(f.b);
  // Truncated products and squares (a doubled lower block), fault-free first.
  Num want1(250), want2(500);
  MulTruncated(big.b, a.b, want1.b);
  SquareTruncated(big.b, want2.b);

  // The lowest coefficients, one inside, the top one of a 600-limb product,
  // the last of the transform (always zero).
  for (long index : {0L, 1L, 2L, 1000L, 1798L, 2047L}) {
    SCOPED_TRACE(index);
    const long before = FFT().Recoveries;
    Num r(2 * n), sq(2 * n), x(410), c2(2 * n), e2(2 * n), b2(2 * n), t1(250), t2(500);
    fftt::Fill(x.b, 10, g);
    const ref::Digits X = fftt::ToRef(x.b);
    for (auto [from, to] : {std::pair(&b, &r), {&a, &sq}, {&c, &c2}, {&e, &e2}, {&b, &b2}})
      from->b.CopyTo(to->b);
    // Every product checked (even those that cannot round wrong), a wrong
    // integer at one coefficient of each.
    FFT().CheckLoad = -1;
    FFT().TestFaultIndex = index;
    FFT().TestFaultShift = 1;
    FFTMul(a.b, r.b, r.b);  // results over an operand
    FFTSquare(sq.b, sq.b);
    // A short first operand written over by its own product block by block:
    // the repair takes it from its spectrum.
    MulBigInt(x.b, y.b, x.b);
    // Three products, one of summed spectra, results over operands.
    TwoMulBigInt(a.b, b2.b, c2.b, d.b, e2.b, &f.b, c2.b, e2.b, &b2.b);
    MulTruncated(big.b, a.b, t1.b);
    SquareTruncated(big.b, t2.b);
    FFT().CheckLoad = FFTContext().CheckLoad;
    FFT().TestFaultIndex = -1;
    EXPECT_EQ(fftt::Text(r.b), text(ref::Mul(A, B, 12)));
    EXPECT_EQ(fftt::Text(sq.b), text(ref::Mul(A, A, 12)));
    EXPECT_EQ(fftt::Text(x.b), text(ref::Mul(X, fftt::ToRef(y.b), 12)));
    EXPECT_EQ(fftt::Text(c2.b), text(ref::Add(ref::Mul(A, C, 12), ref::Mul(B, D, 12), 12)));
    EXPECT_EQ(fftt::Text(e2.b), text(ref::Mul(A, E, 12)));
    EXPECT_EQ(fftt::Text(b2.b), text(ref::Mul(B, F, 12)));
    EXPECT_EQ(t1.Limbs(), want1.Limbs());
    EXPECT_EQ(t1.b.Offset, want1.b.Offset);
    EXPECT_EQ(t2.Limbs(), want2.Limbs());
    EXPECT_GE(FFT().Recoveries - before, 7);
  }
}

// The residues of a c + b d and of its parts, for the summed product.
template <uint64_t p>
bool SumMatches(const BigInt& a, const BigInt& b, const BigInt& c, const BigInt& d,
                const BigInt& r) {
  using fftt::Residue;
  const uint64_t ac = Residue<p>(a.Limbs, a.Size) * Residue<p>(c.Limbs, c.Size) % p;
  const uint64_t bd = Residue<p>(b.Limbs, b.Size) * Residue<p>(d.Limbs, d.Size) % p;
  return (ac + bd) % p == Residue<p>(r.Limbs, r.Size);
}

// A few products at the sizes where rounding is not proven: random operands
// at 2^21 .. 2^25 points (small limbs with a fault at 2^23), the fused double
// product at 2^24, and limbs of 499949994999 (three pieces of 4999), whose
// square at 2^24 points rounds a coefficient to the wrong integer and must be
// recomputed.
TEST(FFTCheck, LargeTransformsExact) {
  fftt::EnsureFFT(fftt::kLargeNFFT);
  std::mt19937_64 g(52);
  const long top = fftt::kLargeNFFT / 3;
  Num a(top), b(top), r(2 * top);
  fftt::Fill(a.b, top, g);
  fftt::Fill(b.b, top, g);
  for (long N = 1L << 21; N <= fftt::kLargeNFFT; N *= 2) {
    SCOPED_TRACE(N);
    BigIntView x = a.b.ViewFrom(0), y = b.b.ViewFrom(0);
    x.Size = N / 3;
    y.Size = N / 3 - 1000;
    // Above the sizes whose margin was measured every product is checked: a
    // wrong coefficient is found even in a product of small limbs.
    const bool small = N == (1L << 23);
    if (small) {
      for (long i = 0; i < x.Size; i++) x.Limbs[i] = static_cast<double>(g() % 1000 + 1);
      FFT().TestFaultIndex = 1000;
      FFT().TestFaultShift = 1;
      y = x;
    }
    FFTMul(x, y, r.b);
    FFT().TestFaultIndex = -1;
    EXPECT_TRUE(fftt::ProductMatches(x, y, r.b));
  }
  {
    const long n = (1L << 24) / 3;
    BigIntView x = a.b.ViewFrom(0), y = a.b.ViewFrom(n), z = b.b.ViewFrom(0);
    x.Size = y.Size = z.Size = n;
    Num s(2 * n), t(2 * n);
    TwoMulBigInt(x, y, z, x, y, nullptr, s.b, t.b, nullptr);
    EXPECT_TRUE(SumMatches<fftt::kPrimes[0]>(x, y, z, x, s.b));
    EXPECT_TRUE(SumMatches<fftt::kPrimes[1]>(x, y, z, x, s.b));
    EXPECT_TRUE(fftt::ProductMatches(x, y, t.b));
  }
  const long n = (1L << 24) / 3;
  BigIntView w = a.b.ViewFrom(0);
  std::fill(w.Limbs, w.Limbs + n, 499949994999.0);
  w.Size = n;
  const long before = FFT().Recoveries;
  ResetRoundingError();
  SquareBigInt(w, r.b);
  EXPECT_GE(GetRoundingError(), 0.5);
  EXPECT_EQ(FFT().Recoveries, before + 1);
  EXPECT_TRUE(fftt::ProductMatches(w, w, r.b));
}

// Limbs far outside their range whose product could round wrong are refused,
// not multiplied into garbage.
void ProductOfHugeLimbs() {
  Num a(300), r(600);
  std::fill(a.b.Limbs, a.b.Limbs + 300, 1e14);
  a.b.Size = 300;
  FFTSquare(a.b, r.b);
}

TEST(FFTCheckDeathTest, HugeLimbsRefused) {
  fftt::EnsureFFT(fftt::kLargeNFFT);
  EXPECT_FATAL(ProductOfHugeLimbs(), "limbs out of range");
}

}  // namespace
