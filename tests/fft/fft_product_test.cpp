// FFT products of limb arrays against schoolbook (small) and residues (large),
// the spectrum cache, and the fused double product.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "fft/fft_engine.h"
#include "fft/fft_split.h"
#include "fft/fft_test_util.h"
#include "mpint/multiply.h"

namespace {

using fftt::Num;
using fftt::Shape;

TEST(FFTProduct, SmallProductsAgainstSchoolbook) {
  const long nmax = fftt::EnsureFFT();
  std::mt19937_64 g(31);
  for (int it = 0; it < 120; it++) {
    long na = 1 + static_cast<long>(g() % 700);
    if (it < 10) na = 1 + it;
    long nb = na / 2 + static_cast<long>(g() % (na + 1));
    if (nb < 1) nb = 1;
    if (3 * std::max(na, nb) > nmax) continue;
    SCOPED_TRACE("seed 31 iteration " + std::to_string(it) + " sizes " + std::to_string(na) +
                 " x " + std::to_string(nb));
    Num a(na), b(nb), r(na + nb);
    Shape shape = it % 5 == 0 ? Shape::kNines : it % 5 == 1 ? Shape::kSparse : Shape::kRandom;
    fftt::Fill(a.b, na, g, shape);
    fftt::Fill(b.b, nb, g, shape);
    a.b.Offset = 2;
    b.b.Offset = -5;
    FFTMul(a.b, b.b, r.b);
    EXPECT_EQ(fftt::Decimal(r.b), ref::ToDecimal(ref::Mul(fftt::ToRef(a.b), fftt::ToRef(b.b), 12), 12));
    EXPECT_EQ(r.b.Offset, -3);
    Num sq(2 * na);
    FFTSquare(a.b, sq.b);
    EXPECT_EQ(fftt::Decimal(sq.b), ref::ToDecimal(ref::Mul(fftt::ToRef(a.b), fftt::ToRef(a.b), 12), 12));
  }
  Num a(1), r(2);
  a.b.Limbs[0] = kBigIntMaxLimb;
  FFTMul(a.b, a.b, r.b);
  EXPECT_EQ(r.b.Size, 2);
  EXPECT_EQ(r.b.Limbs[0], 1);
  EXPECT_EQ(r.b.Limbs[1], kBigIntBase - 2);
}

TEST(FFTProduct, NegativeOperands) {
  fftt::EnsureFFT();
  std::mt19937_64 g(32);
  for (int it = 0; it < 30; it++) {
    SCOPED_TRACE("seed 32 iteration " + std::to_string(it));
    long na = 1 + static_cast<long>(g() % 2000), nb = std::max(1L, na - static_cast<long>(g() % (na / 2 + 1)));
    Num a(na), b(nb), r(na + nb);
    fftt::Fill(a.b, na, g, Shape::kNegative);
    fftt::Fill(b.b, nb, g, it % 2 ? Shape::kNegative : Shape::kRandom);
    FFTMul(a.b, b.b, r.b);
    EXPECT_TRUE(fftt::ProductMatches(a.b, b.b, r.b));
    EXPECT_TRUE(fftt::Normal(r.b));
    EXPECT_EQ(r.b.Sign(), it % 2 ? 1 : -1);
  }
}

TEST(FFTProduct, LargeProductsByResidues) {
  const long nmax = fftt::EnsureFFT();
  std::mt19937_64 g(33);
  for (long n : {nmax / 3 - 1, nmax / 3, nmax / 6 + 1, 87381L, 43690L, 5462L}) {
    if (3 * n > nmax || n < 1) continue;
    SCOPED_TRACE("seed 33 size " + std::to_string(n));
    Num a(n), b(n), r(2 * n);
    fftt::Fill(a.b, n, g, Shape::kRandom);
    fftt::Fill(b.b, n - n / 3, g, Shape::kNegative);
    FFTMul(a.b, b.b, r.b);
    EXPECT_TRUE(fftt::ProductMatches(a.b, b.b, r.b));
    FFTSquare(b.b, r.b);
    EXPECT_TRUE(fftt::ProductMatches(b.b, b.b, r.b));
  }
}

TEST(FFTProduct, SpectrumCacheReusedOnlyWhenMarked) {
  fftt::EnsureFFT();
  std::mt19937_64 g(34);
  const long n = 300;
  Num a(n), b(n), c(n), r(2 * n), old(n);
  fftt::Fill(a.b, n, g, Shape::kRandom);
  fftt::Fill(b.b, n, g, Shape::kRandom);
  fftt::Fill(c.b, n, g, Shape::kRandom);
  a.b.CopyTo(old.b);
  FFTMul(a.b, b.b, r.b);
  EXPECT_TRUE(fftt::ProductMatches(a.b, b.b, r.b));

  // a changes in place: without the mark its new value is used.
  a.b.Limbs[0] += 1;
  FFTMul(a.b, c.b, r.b);
  EXPECT_TRUE(fftt::ProductMatches(a.b, c.b, r.b));

  // With the mark the spectrum in the first work array is taken as a's: change a
  // behind the cache's back and the product still uses the recorded spectrum.
  a.b.CopyTo(old.b);
  a.b.Limbs[1] += 5;
  MarkSpectrumCached();
  FFTMul(a.b, b.b, r.b);
  EXPECT_TRUE(fftt::ProductMatches(old.b, b.b, r.b));
  // The mark was consumed: the next product transforms a again.
  FFTMul(a.b, b.b, r.b);
  EXPECT_TRUE(fftt::ProductMatches(a.b, b.b, r.b));

  // A mark does not transfer to another operand or another size.
  MarkSpectrumCached();
  FFTMul(c.b, b.b, r.b);
  EXPECT_TRUE(fftt::ProductMatches(c.b, b.b, r.b));
  MarkSpectrumCached();
  Num big(2000), rb(2000 + n);
  fftt::Fill(big.b, 2000, g, Shape::kRandom);
  FFTMul(c.b, big.b, rb.b);
  EXPECT_TRUE(fftt::ProductMatches(c.b, big.b, rb.b));
  // A square leaves its operand recorded: a mark then serves that operand only.
  FFTSquare(b.b, r.b);
  MarkSpectrumCached();
  FFTMul(c.b, b.b, r.b);
  EXPECT_TRUE(fftt::ProductMatches(c.b, b.b, r.b));
}

TEST(FFTProduct, TwoMulWithResultsOnOperands) {
  const long nmax = fftt::EnsureFFT();
  std::mt19937_64 g(35);
  for (int it = 0; it < 12; it++) {
    SCOPED_TRACE("seed 35 iteration " + std::to_string(it));
    long lim = std::min(3000L, nmax / 6);
    auto size = [&] { return 1 + static_cast<long>(g() % lim); };
    long na = size(), nb = size(), nc = size(), nd = size(), ne = size(), nf = size();
    long cap = 2 * lim + 2;
    Num a(cap), b(cap), c(cap), d(cap), e(cap), f(cap);
    Num a0(cap), b0(cap), c0(cap), d0(cap), e0(cap), f0(cap);
    Shape s = it % 3 == 0 ? Shape::kNines : Shape::kRandom;
    fftt::Fill(a.b, na, g, s);
    fftt::Fill(b.b, nb, g, s);
    fftt::Fill(c.b, nc, g, s);
    fftt::Fill(d.b, nd, g, s);
    fftt::Fill(e.b, ne, g, s);
    fftt::Fill(f.b, nf, g, s);
    a.b.CopyTo(a0.b);
    b.b.CopyTo(b0.b);
    c.b.CopyTo(c0.b);
    d.b.CopyTo(d0.b);
    e.b.CopyTo(e0.b);
    f.b.CopyTo(f0.b);
    // As in a binary-splitting merge: the results overwrite c, e and b.
    bool withF = it % 2 == 0;
    TwoMulBigInt(a.b, b.b, c.b, d.b, e.b, withF ? &f.b : nullptr, c.b, e.b, withF ? &b.b : nullptr);
    ref::Digits ac = ref::Mul(fftt::ToRef(a0.b), fftt::ToRef(c0.b), 12);
    ref::Digits bd = ref::Mul(fftt::ToRef(b0.b), fftt::ToRef(d0.b), 12);
    EXPECT_EQ(fftt::Decimal(c.b), ref::ToDecimal(ref::Add(ac, bd, 12), 12));
    EXPECT_EQ(fftt::Decimal(e.b),
              ref::ToDecimal(ref::Mul(fftt::ToRef(a0.b), fftt::ToRef(e0.b), 12), 12));
    if (withF) {
      EXPECT_EQ(fftt::Decimal(b.b),
                ref::ToDecimal(ref::Mul(fftt::ToRef(b0.b), fftt::ToRef(f0.b), 12), 12));
    }
  }
}

void TwoMulOfFullSize(long n) {
  Num a(n), r(2 * n);
  std::mt19937_64 g(36);
  fftt::Fill(a.b, n, g, Shape::kRandom);
  TwoMulBigInt(a.b, a.b, a.b, a.b, a.b, nullptr, r.b, r.b, nullptr);
}

TEST(FFTProductDeathTest, TwoMulTooLargeEnds) {
  const long nmax = fftt::EnsureFFT();
  EXPECT_EXIT(TwoMulOfFullSize(nmax / 3), testing::ExitedWithCode(1), "");
}

}  // namespace
