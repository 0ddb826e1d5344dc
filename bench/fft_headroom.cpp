// Rounding headroom of the FFT products: for every transform size, the largest
// distance of a convolution value from the nearest integer before rounding, for
// the hardest inputs we can build, and the time of one square.
//   fft_headroom [log2 of the largest size, default 25]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>

#include "fft/fft_engine.h"
#include "fft/fft_product.h"
#include "mpint/fft_mul.h"
#include "mpint/bigint.h"
#include "mpint/multiply.h"

namespace {

// Square of N pieces through the engine; the largest rounding distance.
double PieceSquareError(long N, double (*piece)(long, std::mt19937_64&)) {
  FFTContext& f = FFT();
  std::mt19937_64 g(7);
  for (long i = 0; i < N; i++) f.FFTBufA[i] = piece(i, g);
  RealFFT(f.FFTBufA, N);
  FFTPointwiseMul(f.FFTBufA, f.FFTBufA, f.FFTBufB, N);
  InverseRealFFT(f.FFTBufB, N);
  const double s = FFTScale(N);
  double worst = 0;
  for (long j = 0; j < 2 * N; j++) {
    double y = f.FFTBufB[j] * s;
    worst = std::max(worst, std::fabs(y - std::nearbyint(y)));
  }
  return worst;
}

double AllMax(long, std::mt19937_64&) { return 5000; }
double RandomSign(long, std::mt19937_64& g) { return (g() & 1) ? 5000 : -5000; }

// Square of n limbs of one kind through SquareBigInt: rounding error and seconds.
double LimbSquare(long n, double limb, bool random, double* seconds) {
  BigInt a, r;
  a.Alloc(n);
  r.Alloc(2 * n);
  std::mt19937_64 g(8);
  for (long i = 0; i < n; i++) {
    a.Limbs[i] = random ? static_cast<double>(g() % 1000000000000ULL) : limb;
  }
  a.Size = n;
  ResetRoundingError();
  SquareBigInt(a, r);
  // Processor time (the machine may be shared), averaged over enough squares.
  const long reps = std::max(2L, (1L << 22) / (3 * n));
  std::clock_t c0 = std::clock();
  for (long k = 0; k < reps; k++) SquareBigInt(a, r);
  double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC / static_cast<double>(reps);
  if (seconds != nullptr) *seconds = cpu;
  double err = GetRoundingError();
  a.Free();
  r.Free();
  return err;
}

}  // namespace

int main(int argc, char** argv) {
  const int top = argc > 1 ? std::atoi(argv[1]) : 25;
  InitBigIntFFT(1L << top);
  // Measure beyond the point where products are refused.
  FFT().RoundingLimit = 1.0;
  std::printf("Rounding distance before rounding (worst over all coefficients) and square time\n");
  std::printf("%10s %9s | %9s %9s | %9s %9s %9s | %10s\n", "N", "limbs", "pc 5000", "pc +-5000",
              "lb 4999s", "lb 9s", "lb rand", "sq cpu ms");
  for (long N = 256; N <= (1L << top); N *= 2) {
    const long n = N / 3;
    double e1 = PieceSquareError(N, AllMax);
    double e2 = PieceSquareError(N, RandomSign);
    double sec = 0;
    // 499949994999 splits into three pieces of 4999: the largest balanced pieces.
    double e3 = LimbSquare(n, 499949994999.0, false, &sec);
    double e4 = LimbSquare(n, kBigIntMaxLimb, false, nullptr);
    double e5 = LimbSquare(n, 0, true, nullptr);
    std::printf("%10ld %9ld | %9.3g %9.3g | %9.3g %9.3g %9.3g | %10.3f\n", N, n, e1, e2, e3, e4,
                e5, sec * 1e3);
    std::fflush(stdout);
  }
  // A balanced product of two random numbers of 10^6 limbs (12 million digits).
  if ((1L << top) >= 3000000) {
    const long n = 1000000;
    BigInt a, b, r;
    a.Alloc(n);
    b.Alloc(n);
    r.Alloc(2 * n);
    std::mt19937_64 g(9);
    for (long i = 0; i < n; i++) {
      a.Limbs[i] = static_cast<double>(g() % 1000000000000ULL);
      b.Limbs[i] = static_cast<double>(g() % 1000000000000ULL);
    }
    a.Size = b.Size = n;
    MulBigInt(a, b, r);
    std::clock_t c0 = std::clock();
    auto t0 = std::chrono::steady_clock::now();
    for (int k = 0; k < 3; k++) MulBigInt(a, b, r);
    auto t1 = std::chrono::steady_clock::now();
    double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC / 3;
    std::printf("MulBigInt %ld x %ld limbs: %.1f ms processor time, %.1f ms wall\n", n, n,
                cpu * 1e3, std::chrono::duration<double>(t1 - t0).count() / 3 * 1e3);
  }
  return 0;
}
