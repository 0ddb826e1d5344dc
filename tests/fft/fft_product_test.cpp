// FFT products of limb arrays at every transform size against schoolbook (small)
// and residues (large or negative), the spectrum cache, the fused double
// product, and the limb kernels' exact ranges. Every number sits in guard zones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <random>
#include <string>

#include "fft/fft_check.h"
#include "fft/fft_engine.h"
#include "fft/fft_product.h"
#include "fft/fft_test_util.h"
#include "mpint/guarded_num.h"
#include "mpint/multiply.h"

namespace {

using fftt::Shape;
using mpt::Num;

TEST(FFTProduct, ProductsAndSquaresAgainstReferences) {
  fftt::EnsureFFT(fftt::kLargeNFFT);
  const long nmax = 1L << 20;  // the largest sizes have their own test
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
    SCOPED_TRACE(testing::Message() << "case " << it << ": " << c.na << " x " << c.nb);
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
  // The headroom of the sizes above rests on balanced pieces, at most about 5000.
  std::vector<double> pieces(3 * 2000);
  Num a(2000);
  fftt::Fill(a.b, 2000, g);
  SplitLimbs(a.b.Limbs, 2000, pieces.data());
  for (long i = 0; i + 1 < 3 * 2000; i++) ASSERT_LE(std::fabs(pieces[i]), 5001) << i;
}

// A mark says that the first work array holds the spectrum of the next
// product's first operand: it must serve that operand only.
TEST(FFTProduct, SpectrumCacheServesOnlyItsOwnOperand) {
  fftt::EnsureFFT(fftt::kLargeNFFT);
  std::mt19937_64 g(34);
  const long n = 300;
  Num a(n), b(n), c(n), r(2 * n), old(n);
  for (Num* x : {&a, &b, &c}) fftt::Fill(x->b, n, g);
  // Marked for a, a square of c: c^2 (the square used to trust any mark).
  FFTMul(a.b, b.b, r.b);
  MarkSpectrumCached();
  FFTSquare(c.b, r.b);
  EXPECT_TRUE(fftt::ProductMatches(c.b, c.b, r.b));
  // The same limbs, fewer of them: another number.
  FFTMul(a.b, b.b, r.b);
  MarkSpectrumCached();
  BigIntView low = a.b.ViewFrom(0);
  low.Size = n - 100;
  FFTMul(low, b.b, r.b);
  EXPECT_TRUE(fftt::ProductMatches(low, b.b, r.b));
  // The fused double product reuses the work array: a mark after it finds nothing.
  TwoMulBigInt(a.b, b.b, b.b, a.b, c.b, nullptr, r.b, r.b, nullptr);
  MarkSpectrumCached();
  FFTMul(a.b, c.b, r.b);
  EXPECT_TRUE(fftt::ProductMatches(a.b, c.b, r.b));
  // Honoured: the recorded spectrum serves its limbs even after they changed
  // (a product may write its result over its first operand), once.
  a.b.CopyTo(old.b);
  a.b.Limbs[1] += 5;
  MarkSpectrumCached();
  FFTMul(a.b, b.b, r.b);
  EXPECT_TRUE(fftt::ProductMatches(old.b, b.b, r.b));
  FFTMul(a.b, b.b, r.b);
  EXPECT_TRUE(fftt::ProductMatches(a.b, b.b, r.b));
}

TEST(FFTProduct, TwoMulWithResultsOnOperands) {
  fftt::EnsureFFT(fftt::kLargeNFFT);
  std::mt19937_64 g(35);
  const long lim = 3000;
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

// The limb kernels write exactly their range (the numbers' guard zones are
// right against it): the pieces, a whole release (its spare limb cleared) and
// windows of coefficients; the products stay within capacity and spare limb.
TEST(FFTProduct, NothingWrittenOutsideResults) {
  fftt::EnsureFFT(fftt::kLargeNFFT);
  std::mt19937_64 g(37);
  const long n = 700, N = 4096;
  Num a(n), b(5 * n);
  fftt::Fill(a.b, n, g);
  fftt::Fill(b.b, 5 * n, g);

  Num pieces(3 * n - 1);  // 3n doubles with the spare
  SplitLimbs(a.b.Limbs, n, pieces.b.Limbs);
  SetFirstOperand(a.b.Limbs, n, N);
  Num whole(2 * n);
  FFTToBigInt(MulByFirstOperand(a.b.Limbs, n), whole.b.Limbs, 2 * n);
  EXPECT_EQ(fftt::Text(whole.b.Limbs, 2 * n, 12), fftt::MulText(a.b, a.b));
  // A window [cs, ce) written from limb 0: limbs 0 .. (ce - 1) / 3 - cs / 3 + 1.
  for (long cs : {0L, 1L, 2L, 3L, 700L}) {
    for (long ce : {cs + 1, cs + 2, cs + 5, 1400L, 6 * n - 1}) {
      if (ce <= cs) continue;
      SCOPED_TRACE("window " + std::to_string(cs) + " " + std::to_string(ce));
      Num w((ce - 1) / 3 - cs / 3 + 1);
      InverseFFTAndCarry(MulByFirstOperand(a.b.Limbs, n), cs, ce, w.b.Limbs, -(cs / 3));
    }
  }

  // Products into results of every capacity, through one transform, blocks and
  // truncation windows.
  for (long cap : {1L, 2L, n / 2, n, 2 * n - 1, 2 * n, 6 * n}) {
    SCOPED_TRACE("capacity " + std::to_string(cap));
    Num r(cap);
    if (cap >= 2 * n) {
      FFTMul(a.b, a.b, r.b);
      FFTSquare(a.b, r.b);
      EXPECT_TRUE(fftt::ProductMatches(a.b, a.b, r.b));
    }
    if (cap >= 6 * n) {
      MulBigInt(a.b, b.b, r.b);
      EXPECT_TRUE(fftt::ProductMatches(a.b, b.b, r.b));
    }
    MulTruncated(a.b, b.b, r.b);
    MulTruncated(b.b, a.b, r.b);
    SquareTruncated(a.b, r.b);
    SquareTruncated(b.b, r.b);
  }
  Num r1(2 * n), r2(2 * n);
  TwoMulBigInt(a.b, a.b, a.b, a.b, a.b, nullptr, r1.b, r2.b, nullptr);
}

// The release settles limb sums that sit on the bounds of the limb range (a
// whole multiple of the base, one below it, a borrow of one, high parts of the
// upper coefficients reaching the next limb), against a carry propagation in
// 128-bit integers; vector blocks and the limbs after them alike.
TEST(FFTProduct, ReleaseSettlesSumsOnTheLimbBounds) {
  fftt::EnsureFFT(fftt::kLargeNFFT);
  std::mt19937_64 g(38);
  const long N = 1024;
  const double B = 1e12;
  const double patterns[][3] = {{B - 1, 0, 0},  {0, 0, 0},        {B, 0, 0},   {-1, 0, 0},
                                {1, 0, 0},      {0, 1e8, 0},      {0, 0, 1e4}, {-B, 0, 0},
                                {B - 1, -1, 0}, {7 * B + 1, 0, -1}, {0, 1e8 - 1, 1e4 - 1}};
  const long np = sizeof patterns / sizeof patterns[0];
  for (long m : {1L, 2L, 5L, 9L, 300L, 2 * N / 3}) {
    for (int it = 0; it < 20; it++) {
      std::vector<double> c(2 * N, 0.0);
      for (long k = 0; k < m; k++) {
        for (int t = 0; t < 3; t++) {
          // The top limb's second coefficient is small in any product.
          const bool wide = it % 4 == 3 && k + 1 < m;
          c[3 * k + t] = wide ? static_cast<double>(static_cast<int64_t>(g() >> 19) -
                                                    (int64_t{1} << 44))
                              : patterns[g() % np][t];
        }
      }
      c[3 * m - 1] = 0;  // not read: the top limb has two coefficients
      __int128 carry = 0;
      std::vector<double> want(m);
      for (long k = 0; k < m; k++) {
        __int128 acc = carry + static_cast<__int128>(c[3 * k]) +
                       static_cast<__int128>(c[3 * k + 1]) * 10000 +
                       static_cast<__int128>(c[3 * k + 2]) * 100000000;
        const __int128 base = 1000000000000;
        carry = acc >= 0 ? acc / base : -((-acc + base - 1) / base);
        want[k] = static_cast<double>(acc - carry * base);
      }
      std::vector<double> conv(c);
      for (double& v : conv) v /= FFTScale(N);
      Num r(m);
      const double out = FFTToBigInt(FFTProductAccess::Make(conv.data(), N, true), r.b.Limbs, m);
      ASSERT_EQ(std::vector<double>(r.b.Limbs, r.b.Limbs + m), want) << m << " " << it;
      ASSERT_EQ(out, static_cast<double>(carry)) << m << " " << it;
    }
  }
}

// An unchecked product whose values sit far from integers is refused rather
// than released; so are a release after the work arrays were reused, a fused
// product too large for them, and a second transform size.
void ReleaseOfShiftedProduct() {
  Num a(300), r(600);
  std::mt19937_64 g(24);
  fftt::Fill(a.b, 300, g);
  FFT().CheckLoad = 1e300;
  FFT().TestFaultIndex = 4;
  FFT().TestFaultShift = 0.45;
  FFTSquare(a.b, r.b);
}

void StaleRelease() {
  Num a(300), r(600);
  std::mt19937_64 g(25);
  fftt::Fill(a.b, 300, g);
  SetFirstOperand(a.b.Limbs, 300, 1024);
  const FFTProduct p = MulByFirstOperand(a.b.Limbs, 300);
  MulByFirstOperand(a.b.Limbs, 200);
  FFTToBigInt(p, r.b.Limbs, 600);
}

void TwoMulOfFullSize() {
  const long n = GetNFFT() / 6 + 1;
  Num a(n), r(2 * n);
  std::mt19937_64 g(36);
  fftt::Fill(a.b, n, g);
  TwoMulBigInt(a.b, a.b, a.b, a.b, a.b, nullptr, r.b, r.b, nullptr);
}

TEST(FFTProductDeathTest, MisuseAndDoubtfulRoundingEnd) {
  const long n = fftt::EnsureFFT(fftt::kLargeNFFT);
  EXPECT_FATAL(ReleaseOfShiftedProduct(), "rounding error 0.45");
  EXPECT_FATAL(StaleRelease(), "work array was reused");
  EXPECT_FATAL(TwoMulOfFullSize(), "BigInts are two large");
  InitBigIntFFT(n);  // the same size again is accepted, another one is not
  EXPECT_FATAL(InitFFT(n / 2), "not compatible");
}

}  // namespace
