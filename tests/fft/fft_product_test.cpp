// FFT products of limb arrays at every transform size against schoolbook (small)
// and residues (large or negative), the rounding headroom and its check, the
// spectrum cache, and the fused double product.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <random>
#include <string>

#include "fft/fft_engine.h"
#include "fft/fft_split.h"
#include "fft/fft_test_util.h"
#include "mpint/multiply.h"

namespace {

using fftt::Num;
using fftt::Shape;

TEST(FFTProduct, ProductsAndSquaresAgainstReferences) {
  const long nmax = fftt::EnsureFFT();
  std::mt19937_64 g(31);
  struct Case {
    long na, nb;
  };
  // The largest operands of every transform size (3 n = N), one just over half
  // of the largest, then random sizes.
  std::vector<Case> cs = {{1, 1}, {2, 3}, {nmax / 6 + 1, nmax / 6}};
  for (long N = 256; N <= nmax; N *= 2) cs.push_back({N / 3, N / 3 - N / 9});
  for (int it = 0; it < 70; it++) {
    long na = 1 + static_cast<long>(g() % (it < 50 ? 700 : 2000));
    cs.push_back({na, std::max(1L, na / 2 + static_cast<long>(g() % (na + 1)))});
  }
  int it = 0;
  for (Case c : cs) {
    SCOPED_TRACE("seed 31 case " + std::to_string(it) + ": " + std::to_string(c.na) + " x " +
                 std::to_string(c.nb));
    const Shape shapes[] = {Shape::kNines, Shape::kSparse, Shape::kRandom, Shape::kNegative};
    const Shape sa = shapes[it % 4], sb = it % 8 == 3 ? Shape::kRandom : sa;
    it++;
    Num a(c.na), b(c.nb), r(c.na + c.nb), sq(2 * c.nb);
    fftt::Fill(a.b, c.na, g, sa);
    fftt::Fill(b.b, c.nb, g, sb);
    a.b.Offset = 2;
    b.b.Offset = -5;
    FFTMul(a.b, b.b, r.b);
    FFTSquare(b.b, sq.b);
    EXPECT_EQ(r.b.Offset, -3);
    EXPECT_TRUE(fftt::Normal(r.b) && fftt::Normal(sq.b));
    if (sa != Shape::kNegative && c.na * c.nb <= 1000000) {
      EXPECT_EQ(fftt::Text(r.b), fftt::MulText(a.b, b.b));
      EXPECT_EQ(fftt::Text(sq.b), fftt::MulText(b.b, b.b));
    } else {
      EXPECT_TRUE(fftt::ProductMatches(a.b, b.b, r.b));
      EXPECT_TRUE(fftt::ProductMatches(b.b, b.b, sq.b));
      EXPECT_EQ(r.b.Sign(), sa != Shape::kNegative || sb == Shape::kNegative ? 1 : -1);
    }
  }
}

TEST(FFTProduct, SpectrumCacheReusedOnlyWhenMarked) {
  fftt::EnsureFFT();
  std::mt19937_64 g(34);
  const long n = 300;
  Num a(n), b(n), c(n), r(2 * n), old(n), big(2000), rb(2000 + n);
  for (Num* x : {&a, &b, &c}) fftt::Fill(x->b, n, g);
  fftt::Fill(big.b, 2000, g);
  FFTMul(a.b, b.b, r.b);
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
  const long lim = std::min(3000L, nmax / 6);
  for (int it = 0; it < 12; it++) {
    SCOPED_TRACE("seed 35 iteration " + std::to_string(it));
    std::deque<Num> x;
    std::vector<ref::Digits> x0;
    for (int i = 0; i < 6; i++) {
      fftt::Fill(x.emplace_back(2 * lim + 2).b, 1 + static_cast<long>(g() % lim), g,
                 it % 3 == 0 ? Shape::kNines : Shape::kRandom);
      x0.push_back(fftt::ToRef(x[i].b));
    }
    auto exact = [&](int i, int j) { return ref::Mul(x0[i], x0[j], 12); };
    // As in a binary-splitting merge: the results overwrite c, e and b.
    const bool withF = it % 2 == 0;
    BigInt &a = x[0].b, &b = x[1].b, &c = x[2].b, &d = x[3].b, &e = x[4].b, &f = x[5].b;
    TwoMulBigInt(a, b, c, d, e, withF ? &f : nullptr, c, e, withF ? &b : nullptr);
    EXPECT_EQ(fftt::Text(c), ref::ToDecimal(ref::Add(exact(0, 2), exact(1, 3), 12), 12));
    EXPECT_EQ(fftt::Text(e), ref::ToDecimal(exact(0, 4), 12));
    if (withF) {
      EXPECT_EQ(fftt::Text(b), ref::ToDecimal(exact(1, 5), 12));
    }
  }
}

// Limbs of 499949994999 split into three pieces of 4999: their square has the
// largest coefficients and rounding distances. All-nines limbs are the other
// extreme of the split (near-zero pieces).
TEST(FFTProduct, RoundingHeadroomOfWorstSquare) {
  const long N = std::min(fftt::EnsureFFT(), 1L << 20), n = N / 3;
  Num a(n), r(2 * n);
  std::mt19937_64 g(22);
  for (Shape s : {Shape::kRandom, Shape::kNines}) {
    fftt::Fill(a.b, n, g, s);
    if (s == Shape::kRandom) std::fill(a.b.Limbs, a.b.Limbs + n, 499949994999.0);
    ResetRoundingError();
    SquareBigInt(a.b, r.b);
    EXPECT_LT(GetRoundingError(), 0.2) << "N = " << N;
    EXPECT_TRUE(fftt::ProductMatches(a.b, a.b, r.b));
  }
  // That headroom rests on balanced pieces, at most about 5000 for any limbs.
  std::vector<double> pieces(3 * n);
  fftt::Fill(a.b, n, g);
  SplitLimbs(a.b.Limbs, n, pieces.data());
  for (long i = 0; i + 1 < 3 * n; i++) ASSERT_LE(std::fabs(pieces[i]), 5001) << i;
}

// A product whose values sit far from integers is refused rather than released.
void ReleaseOfShiftedSpectrum() {
  const long N = 1024;
  Num a(300), r(600);
  std::mt19937_64 g(24);
  fftt::Fill(a.b, 300, g);
  FFTContext& f = FFT();
  BigIntToFFT(a.b.Limbs, 300, f.FFTBufA, N);
  FFTPointwiseMul(f.FFTBufA, f.FFTBufA, f.FFTBufB, N);
  // The real part of the packed DC point shifts every even coefficient.
  f.FFTBufB[0] += 0.45 / FFTScale(N);
  FFTToBigInt(r.b.Limbs, 600, f.FFTBufB, N);
}

void TwoMulOfFullSize() {
  const long n = GetNFFT() / 3;
  Num a(n), r(2 * n);
  std::mt19937_64 g(36);
  fftt::Fill(a.b, n, g);
  TwoMulBigInt(a.b, a.b, a.b, a.b, a.b, nullptr, r.b, r.b, nullptr);
}

TEST(FFTProductDeathTest, RoundingFarFromIntegersTooLargeTwoMulAndSecondSizeEnd) {
  const long n = fftt::EnsureFFT();
  EXPECT_EXIT(ReleaseOfShiftedSpectrum(), testing::ExitedWithCode(1), "");
  EXPECT_EXIT(TwoMulOfFullSize(), testing::ExitedWithCode(1), "");
  InitBigIntFFT(n);  // the same size again is accepted, another one is not
  EXPECT_EXIT(InitFFT(2 * n), testing::ExitedWithCode(1), "");
}

}  // namespace
