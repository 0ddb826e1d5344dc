// The memory that the FFT set-up takes, for the tables of the parameter dialogue.
// It follows InitFFT table by table: an estimate that forgets a table (the row
// twiddles of the small sizes are 2 MB) tells the user less than the run needs.
#include <algorithm>

#include "fft/fft_engine.h"
#include "fft/fft_product.h"
#include "shell/memory.h"

namespace {

// The lane counts of the column and row passes and the largest size with a
// table of exact row twiddles, as InitFFT lays them out.
constexpr long kColumnLanes = 16;
constexpr long kRowLanes = 4;
constexpr long kRowTableMax = 1L << 16;

int Log2(long n) {
  int l = 0;
  while ((2L << l) <= n) l++;
  return l;
}

}  // namespace

double FFTMemory(long n) {
  long sqrt = 4;
  while (sqrt * sqrt < n) sqrt *= 2;
  long n1, n2;
  SplitFFTSize(n, &n1, &n2);
  double bytes = 0;
  for (long L = 4; L <= n2; L *= 2) bytes += AllocatedBytes(6 * (L / 4));  // radix-4 twiddles
  const long full = 2 * n;
  const long lo = 1L << ((Log2(full) + 1) / 2);
  bytes += AllocatedBytes(2 * lo) + AllocatedBytes(2 * (full / lo));  // two-level twiddles
  bytes += AllocatedBytes(2 * n2);                                    // pair table
  for (long N = 256; N <= std::min(n, kRowTableMax); N *= 2) bytes += AllocatedBytes(2 * N);
  bytes += AllocatedBytes(std::max(2 * kColumnLanes * n1, 2 * kRowLanes * n2));  // one gather buffer
  bytes += 2 * AllocatedBytes(2 * (n + sqrt));  // the two work arrays
  return bytes;
}
