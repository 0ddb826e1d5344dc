// The transform itself: forward, pointwise product and inverse give the acyclic
// convolution at every size; the piece split; the rounding headroom and check.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "fft/fft_engine.h"
#include "fft/fft_split.h"
#include "fft/fft_test_util.h"
#include "mpint/multiply.h"

namespace {

TEST(FFTEngine, ConvolutionAtEverySize) {
  const long nmax = fftt::EnsureFFT();
  std::mt19937_64 g(21);
  for (long N = 256; N <= std::min(nmax, 1L << 18); N *= 2) {
    SCOPED_TRACE("seed 21, N = " + std::to_string(N));
    std::vector<double> x(N), y(N), a(2 * N, 7.0), b(2 * N, 7.0);  // padding never read
    for (long i = 0; i < N; i++) {
      a[i] = x[i] = static_cast<double>(static_cast<long>(g() % 10001) - 5000);
      b[i] = y[i] = static_cast<double>(static_cast<long>(g() % 10001) - 5000);
    }
    RealFFT(a.data(), N);
    RealFFT(b.data(), N);
    FFTPointwiseMul(a.data(), b.data(), b.data(), N);
    InverseRealFFT(b.data(), N);
    // Every coefficient for small sizes, both ends and a sample for larger ones.
    std::vector<long> ks = {0, 1, 2, N - 1, N, 2 * N - 2, 2 * N - 1};
    for (long k = 0; k < (N <= 2048 ? 2 * N : 300); k++) {
      ks.push_back(N <= 2048 ? k : static_cast<long>(g() % (2 * N)));
    }
    for (long k : ks) {
      double want = 0;
      for (long i = std::max(0L, k - N + 1); i <= std::min(k, N - 1); i++) want += x[i] * y[k - i];
      ASSERT_NEAR(b[k] * FFTScale(N), want, 0.1) << k;
    }
  }
}

TEST(FFTEngine, SplitLimbsIsBalancedAndExact) {
  std::mt19937_64 g(23);
  std::vector<double> limbs = {999950000000.0, kBigIntMaxLimb, 0, 5000, 499999999999.0,
                               500000000000.0, 999999995000.0};
  for (int i = 0; i < 200; i++) limbs.push_back(static_cast<double>(g() % 1000000000000ULL));
  limbs.push_back(kBigIntMaxLimb);
  std::vector<double> out(3 * limbs.size());
  SplitLimbs(limbs.data(), static_cast<long>(limbs.size()), out.data());
  for (size_t i = 0; i + 1 < out.size(); i++) EXPECT_LE(std::fabs(out[i]), 15000) << i;
  // The pieces read back in base 10^4 give the limbs again.
  double c = 0;
  for (size_t k = 0; k < limbs.size(); k++) {
    double v = c + out[3 * k] + 1e4 * out[3 * k + 1] + 1e8 * out[3 * k + 2];
    c = std::floor(v / 1e12);
    EXPECT_EQ(v - c * 1e12, limbs[k]) << k;
  }
  EXPECT_EQ(c, 0);
}

// Limbs of 499949994999 split into three pieces of 4999: their square has the
// largest coefficients and rounding distances. All-nines limbs are the other
// extreme of the split (near-zero pieces).
TEST(FFTEngine, RoundingHeadroomOfWorstSquare) {
  const long N = std::min(fftt::EnsureFFT(), 1L << 20), n = N / 3;
  fftt::Num a(n), r(2 * n);
  std::mt19937_64 g(22);
  for (fftt::Shape s : {fftt::Shape::kRandom, fftt::Shape::kNines}) {
    fftt::Fill(a.b, n, g, s);
    if (s == fftt::Shape::kRandom) std::fill(a.b.Limbs, a.b.Limbs + n, 499949994999.0);
    ResetRoundingError();
    SquareBigInt(a.b, r.b);
    EXPECT_LT(GetRoundingError(), 0.2) << "N = " << N;
    EXPECT_TRUE(fftt::ProductMatches(a.b, a.b, r.b));
  }
  // (10^12n - 1)^2 = 10^24n - 2 10^12n + 1: limbs [1, 0 .. 0, 10^12 - 2, 9.. 9].
  EXPECT_EQ(r.b.Size, 2 * n);
  EXPECT_EQ(r.b.Limbs[0], 1);
  EXPECT_EQ(r.b.Limbs[n], kBigIntBase - 2);
}

// A product whose values sit far from integers is refused rather than released.
void ReleaseOfShiftedSpectrum() {
  const long N = 1024;
  fftt::Num a(300), r(600);
  std::mt19937_64 g(24);
  fftt::Fill(a.b, 300, g);
  FFTContext& f = FFT();
  BigIntToFFT(a.b.Limbs, 300, f.FFTBufA, N);
  FFTPointwiseMul(f.FFTBufA, f.FFTBufA, f.FFTBufB, N);
  // The real part of the packed DC point shifts every even coefficient.
  f.FFTBufB[0] += 0.45 / FFTScale(N);
  FFTToBigInt(r.b.Limbs, 600, f.FFTBufB, N);
}

TEST(FFTEngineDeathTest, RoundingTooFarFromIntegersAndSecondSizeEnd) {
  const long n = fftt::EnsureFFT();
  EXPECT_EXIT(ReleaseOfShiftedSpectrum(), testing::ExitedWithCode(1), "");
  InitBigIntFFT(n);  // the same size again is accepted, another one is not
  EXPECT_EXIT(InitFFT(2 * n), testing::ExitedWithCode(1), "");
}

}  // namespace
