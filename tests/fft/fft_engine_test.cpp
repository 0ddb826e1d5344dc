// The transform itself: forward, pointwise product and inverse give the acyclic
// convolution, at every size; the rounding headroom of the worst inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "fft/fft_engine.h"
#include "fft/fft_split.h"
#include "fft/fft_test_util.h"
#include "mpint/multiply.h"

namespace {

using fftt::EnsureFFT;

// The convolution of x and y through the engine, scaled back to integers.
std::vector<double> Convolve(const std::vector<double>& x, const std::vector<double>& y, long N) {
  std::vector<double> a(2 * N, 7.0), b(2 * N, 7.0);  // the padded halves are never read
  std::copy(x.begin(), x.end(), a.begin());
  std::copy(y.begin(), y.end(), b.begin());
  RealFFT(a.data(), N);
  RealFFT(b.data(), N);
  FFTPointwiseMul(a.data(), b.data(), b.data(), N);
  InverseRealFFT(b.data(), N);
  for (double& v : b) v *= FFTScale(N);
  return b;
}

TEST(FFTEngine, ConvolutionAtEverySize) {
  const long nmax = EnsureFFT();
  std::mt19937_64 g(21);
  for (long N = 256; N <= std::min(nmax, 1L << 18); N *= 2) {
    SCOPED_TRACE("seed 21, N = " + std::to_string(N));
    std::vector<double> x(N), y(N);
    for (long i = 0; i < N; i++) {
      x[i] = static_cast<double>(static_cast<long>(g() % 10001) - 5000);
      y[i] = static_cast<double>(static_cast<long>(g() % 10001) - 5000);
    }
    std::vector<double> c = Convolve(x, y, N);
    // Every coefficient for small sizes, a sample (with both ends) for larger ones.
    std::vector<long> ks;
    if (N <= 2048) {
      for (long k = 0; k < 2 * N; k++) ks.push_back(k);
    } else {
      for (long k : {0L, 1L, 2L, N - 1, N, 2 * N - 2, 2 * N - 1}) ks.push_back(k);
      for (int s = 0; s < 300; s++) ks.push_back(static_cast<long>(g() % (2 * N)));
    }
    double worst = 0;
    for (long k : ks) {
      double want = 0;
      for (long i = std::max(0L, k - N + 1); i <= std::min(k, N - 1); i++) want += x[i] * y[k - i];
      worst = std::max(worst, std::fabs(c[k] - want));
    }
    EXPECT_LT(worst, 0.1);
  }
}

TEST(FFTEngine, InitTwiceWithSameSizeIsAccepted) {
  const long n = EnsureFFT();
  InitFFT(n);
  InitBigIntFFT(n);
  EXPECT_EQ(GetNFFT(), n);
  long n1, n2;
  SplitFFTSize(1L << 20, &n1, &n2);
  EXPECT_EQ(n1, 1024);
  EXPECT_EQ(n2, 1024);
}

TEST(FFTEngineDeathTest, InitWithAnotherSizeEnds) {
  const long n = EnsureFFT();
  EXPECT_EXIT(InitFFT(2 * n), testing::ExitedWithCode(1), "");
}

// Limbs of 499949994999 split into three pieces of 4999 each, the largest
// balanced pieces: their square has the largest coefficients and rounding
// distances. All-nines limbs are the other extreme of the split (near-zero pieces).
TEST(FFTEngine, RoundingHeadroomOfWorstSquare) {
  const long nmax = EnsureFFT();
  const long N = std::min(nmax, 1L << 20);
  const long n = N / 3;
  fftt::Num a(n), r(2 * n);
  for (long i = 0; i < n; i++) a.b.Limbs[i] = 499949994999.0;
  a.b.Size = n;
  ResetRoundingError();
  SquareBigInt(a.b, r.b);
  EXPECT_LT(GetRoundingError(), 0.2) << "N = " << N;
  EXPECT_TRUE(fftt::ProductMatches(a.b, a.b, r.b));

  std::mt19937_64 g(22);
  fftt::Fill(a.b, n, g, fftt::Shape::kNines);
  ResetRoundingError();
  SquareBigInt(a.b, r.b);
  EXPECT_LT(GetRoundingError(), 0.2) << "N = " << N;
  // (10^12n - 1)^2 = 10^24n - 2 10^12n + 1: limbs [1, 0 .. 0, 10^12 - 2, 9.. 9].
  EXPECT_EQ(r.b.Size, 2 * n);
  EXPECT_EQ(r.b.Limbs[0], 1);
  EXPECT_EQ(r.b.Limbs[n], kBigIntBase - 2);
  EXPECT_EQ(r.b.Limbs[2 * n - 1], kBigIntMaxLimb);
}

// A product whose values sit far from integers is refused rather than released.
void ReleaseOfShiftedSpectrum() {
  const long N = 1024;
  fftt::Num a(300), r(600);
  std::mt19937_64 g(24);
  fftt::Fill(a.b, 300, g, fftt::Shape::kRandom);
  FFTContext& f = FFT();
  BigIntToFFT(a.b.Limbs, 300, f.FFTBufA, N);
  FFTPointwiseMul(f.FFTBufA, f.FFTBufA, f.FFTBufB, N);
  // The real part of the packed DC point shifts every even coefficient.
  f.FFTBufB[0] += 0.45 / FFTScale(N);
  FFTToBigInt(r.b.Limbs, 600, f.FFTBufB, N);
}

TEST(FFTEngineDeathTest, RoundingTooFarFromIntegersEnds) {
  EnsureFFT();
  EXPECT_EXIT(ReleaseOfShiftedSpectrum(), testing::ExitedWithCode(1), "");
}

TEST(FFTEngine, SplitLimbsIsBalancedAndExact) {
  std::mt19937_64 g(23);
  std::vector<double> limbs = {999950000000.0, 999999999999.0, 0, 5000, 499999999999.0,
                               500000000000.0, 999999995000.0};
  for (int i = 0; i < 200; i++) limbs.push_back(static_cast<double>(g() % 1000000000000ULL));
  limbs.push_back(999999999999.0);
  std::vector<double> out(3 * limbs.size());
  SplitLimbs(limbs.data(), static_cast<long>(limbs.size()), out.data());
  for (size_t i = 0; i + 1 < out.size(); i++) EXPECT_LE(std::fabs(out[i]), 15000) << i;
  // The pieces read back in base 10^4 give the limbs again.
  std::vector<double> back(limbs.size() + 1, 0);
  for (size_t j = 0; j < out.size(); j++) {
    back[j / 3] += out[j] * std::pow(1e4, static_cast<double>(j % 3));
  }
  double c = 0;
  for (size_t k = 0; k < limbs.size(); k++) {
    double v = back[k] + c;
    c = std::floor(v / 1e12);
    EXPECT_EQ(v - c * 1e12, limbs[k]) << k;
  }
  EXPECT_EQ(c, 0);
}

}  // namespace
