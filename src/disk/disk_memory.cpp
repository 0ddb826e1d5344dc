#include "disk/disk_memory.h"

#include "fft/fft_product.h"
#include "mpint/fft_mul.h"

double DiskMemoryEstimate(long n) {
  return FFTNeededMemory(n) + 2.0 * static_cast<double>(n / 3) * 8;
}
