// Rounding headroom of the FFT products: for every transform size, the largest
// distance of a convolution value from the nearest integer before rounding (and
// before the check), for the hardest inputs we can build; whether the products
// of that size are checked and how many were recomputed; the time of one square.
//   fft_headroom [log2 of the largest size, default 25]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

#include "fft/fft_engine.h"
#include "fft/fft_product.h"
#include "mpint/bigint.h"
#include "mpint/fft_mul.h"
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

double Cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

struct Limbs {
  std::vector<double> v;
  Limbs(long n, double limb, std::mt19937_64* g) : v(n) {
    for (double& x : v) x = g != nullptr ? static_cast<double>((*g)() % 1000000000000ULL) : limb;
  }
};

// Square of n limbs of one kind through SquareBigInt: rounding error and seconds.
double LimbSquare(long n, double limb, bool random, double* seconds) {
  BigInt a, r;
  a.Alloc(n);
  r.Alloc(2 * n);
  std::mt19937_64 g(8);
  Limbs x(n, limb, random ? &g : nullptr);
  std::copy(x.v.begin(), x.v.end(), a.Limbs);
  a.Size = n;
  ResetRoundingError();
  SquareBigInt(a, r);
  const double err = GetRoundingError();
  if (seconds != nullptr) {
    // Processor time (the machine may be shared), averaged over enough squares.
    const long reps = std::max(2L, (1L << 22) / (3 * n));
    const double c0 = Cpu();
    for (long k = 0; k < reps; k++) SquareBigInt(a, r);
    *seconds = (Cpu() - c0) / static_cast<double>(reps);
  }
  a.Free();
  r.Free();
  return err;
}

// The product of a truncated square's block by the lower part doubled in place:
// 4999 pieces by limbs whose double cuts into pieces of 4999, 4999 and 9999.
double DoubledProduct(long N) {
  const long n = N / 3;
  Limbs block(n, 499949994999.0, nullptr), doubled(n, 2 * 999974997499.0, nullptr);
  std::vector<double> r(2 * n + 1);
  ResetRoundingError();
  SetFirstOperand(block.v.data(), n, N);
  FFTToBigInt(MulByFirstOperand(doubled.v.data(), n), r.data(), 2 * n);
  return GetRoundingError();
}

// The summed spectra of TwoMulBigInt: a c + b d with every piece 4999.
double SummedProduct(long N) {
  const long n = N / 3;
  Limbs x(n, 499949994999.0, nullptr);
  const LimbSpan s{x.v.data(), n};
  std::vector<double> r(2 * n + 1);
  FFTProduct p1, p2, p3;
  ResetRoundingError();
  TwoMulFFT(s, s, s, s, s, LimbSpan{}, N, &p1, &p2, &p3);
  FFTToBigInt(p1, r.data(), 2 * n);
  return GetRoundingError();
}

}  // namespace

int main(int argc, char** argv) {
  const int top = argc > 1 ? std::atoi(argv[1]) : 25;
  InitBigIntFFT(1L << top);
  // Measure beyond the point where unchecked products are refused.
  FFT().RoundingLimit = 1.0;
  std::printf("Distance from the nearest integer before rounding (worst over all coefficients),\n"
              "recomputed products (rec) and square time\n");
  std::printf("%9s %8s | %8s %8s | %8s %8s %8s | %8s %8s | %3s %9s\n", "N", "limbs", "pc 5000",
              "pc +-5k", "lb 4999s", "lb 9s", "lb rand", "doubled", "summed", "rec", "sq cpu ms");
  for (long N = 256; N <= (1L << top); N *= 2) {
    const long n = N / 3;
    const long rec = FFT().Recoveries;
    double e1 = PieceSquareError(N, AllMax);
    double e2 = PieceSquareError(N, RandomSign);
    double sec = 0;
    // 499949994999 splits into three pieces of 4999: the largest balanced pieces.
    double e3 = LimbSquare(n, 499949994999.0, false, nullptr);
    double e4 = LimbSquare(n, kBigIntMaxLimb, false, nullptr);
    double e5 = LimbSquare(n, 0, true, &sec);
    double e6 = DoubledProduct(N);
    double e7 = 2 * N <= (1L << top) ? SummedProduct(N) : NAN;
    std::printf("%9ld %8ld | %8.3g %8.3g | %8.3g %8.3g %8.3g | %8.3g %8.3g | %3ld %9.3f\n", N,
                n, e1, e2, e3, e4, e5, e6, e7, FFT().Recoveries - rec, sec * 1e3);
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
    const double c0 = Cpu();
    auto t0 = std::chrono::steady_clock::now();
    for (int k = 0; k < 3; k++) MulBigInt(a, b, r);
    auto t1 = std::chrono::steady_clock::now();
    std::printf("MulBigInt %ld x %ld limbs: %.1f ms processor time, %.1f ms wall\n", n, n,
                (Cpu() - c0) / 3 * 1e3, std::chrono::duration<double>(t1 - t0).count() / 3 * 1e3);
  }
  return 0;
}
