// The memory that the FFT set-up takes, for the tables of the parameter dialogue.
#include "fft/fft_product.h"

namespace {

// The smallest power of two p >= 4 with p * p >= n (2 when n <= 4).
long SqrtSize(long n) {
  if (n <= 4) return 2;
  long p = 4;
  while (p * p < n) p *= 2;
  return p;
}

}  // namespace

double FFTMemory(long n) {
  double p = static_cast<double>(SqrtSize(n));
  double r = 2 * p > 4096 ? 2 * p : 4096;
  double s = 16 * p > 4096 ? 16 * p : 4096;
  return 32.0 * static_cast<double>(n) + 68 * r + 24 * s + 16 * p;
}


