// The transform against the memory bandwidth: a copy loop over arrays as large
// as the transform's data gives the machine's bandwidth (bytes read plus
// written per second, best of several rounds), then the forward and the inverse
// transform of 2^k points each, and the product (two forward, a pointwise
// product, an inverse) are timed in processor time and set against the time of
// moving the data twice through memory (two passes, each reading and writing
// 16 bytes per point).
//   fft_bandwidth [log2 of the size, default 22] [rounds, default 5]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "fft/fft_engine.h"
#include "fft/fft_product.h"
#include "shell/memory.h"

namespace {

double Cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

template <typename F>
double Best(int rounds, F f) {
  double best = 1e30;
  for (int i = 0; i < rounds; i++) {
    const double t0 = Cpu();
    f();
    best = std::min(best, Cpu() - t0);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int log2n = argc > 1 ? std::atoi(argv[1]) : 22;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  if (log2n < 8 || log2n > 26 || rounds < 1) {
    std::fprintf(stderr, "usage: fft_bandwidth [log2 size 8..26] [rounds]\n");
    return 1;
  }
  const long N = 1L << log2n;
  const long doubles = 2 * N;  // a spectrum
  double *rawA, *a, *rawB, *b;
  AllocDoubles(doubles, &rawA, &a);
  AllocDoubles(doubles, &rawB, &b);
  for (long i = 0; i < doubles; i++) a[i] = static_cast<double>(i % 1000), b[i] = 0;

  // Copy bandwidth over the same bytes (counted once read and once written).
  const int copies = 4;
  const double tc = Best(rounds, [&] {
    for (int c = 0; c < copies; c++) std::memcpy(c % 2 ? a : b, c % 2 ? b : a, 8 * doubles);
  });
  const double bytes = 2.0 * 8 * doubles * copies;
  const double bandwidth = bytes / tc;
  const double bound = 2 * 2.0 * 8 * doubles / bandwidth;
  std::printf("copy bandwidth %.1f GB/s (arrays of %.0f MB)\n", bandwidth / 1e9,
              8.0 * doubles / 1e6);

  InitFFT(N);
  FFTContext& f = FFT();
  auto fill = [&](double* x) {
    for (long i = 0; i < N; i++) x[i] = static_cast<double>((i * 7919) % 10001) - 5000;
  };
  fill(f.FFTBufA);
  RealFFT(f.FFTBufA, N);  // first touch of every page and table
  const double tf = Best(rounds, [&] {
    fill(f.FFTBufB);
    RealFFT(f.FFTBufB, N);
  });
  const double tfill = Best(rounds, [&] { fill(f.FFTBufB); });
  const double ti = Best(rounds, [&] { InverseRealFFT(f.FFTBufB, N); });
  const double tp = Best(rounds, [&] {
    fill(f.FFTBufA);
    fill(f.FFTBufB);
    RealFFT(f.FFTBufA, N);
    RealFFT(f.FFTBufB, N);
    FFTPointwiseMul(f.FFTBufA, f.FFTBufB, f.FFTBufB, N);
    InverseRealFFT(f.FFTBufB, N);
  });
  const double fwd = tf - tfill;
  std::printf("2^%d points: bandwidth bound %.1f ms (two passes over %.0f MB)\n", log2n,
              bound * 1e3, 16.0 * N / 1e6);
  std::printf("forward  %7.1f ms  = %.2f x bound\n", fwd * 1e3, fwd / bound);
  std::printf("inverse  %7.1f ms  = %.2f x bound\n", ti * 1e3, ti / bound);
  std::printf("product  %7.1f ms  (two forward, pointwise, inverse: %.2f x bound)\n",
              (tp - 2 * tfill) * 1e3, (tp - 2 * tfill) / (3 * bound));
  FreeDoubles(doubles, rawA);
  FreeDoubles(doubles, rawB);
  return 0;
}
