#include "constants/e_computation.h"

#include <algorithm>
#include <cmath>

#include "disk/disk_memory.h"
#include "fft/fft_product.h"
#include "shell/unavailable.h"

namespace {
double LimbBytes(double n) { return 8 * (n + 1); }
}  // namespace

void EComputation::PrintMethod(FILE* stream) const {
  std::fprintf(stream, Series == 0 ? "Method used : series SUM 1/n!\n"
                                   : "Method used : series 1/SUM (-1)^n/n!\n");
}

void EComputation::EstimateMemory(long fftSize, double* memory, double* diskMemory) const {
  const double f3 = static_cast<double>(fftSize / 3);
  if (Mode == kModeStandard) {
    double l = std::max(std::trunc(Digits / 12) + 1, f3);
    *memory = FFTNeededMemory(fftSize) + 2 * LimbBytes(f3) + 3 * LimbBytes(l);
    *diskMemory = 0;
  } else {
    *memory = DiskMemoryEstimate(fftSize) + 2 * LimbBytes(f3);
    *diskMemory = Digits * (Mode == kModeBasicDisk ? 2 : 3.5) / 1024;
  }
}

void EComputation::GetFFTSizeRange(int* first, int* end, double factors[10]) const {
  ConstantComputation::GetFFTSizeRange(first, end, factors);
  PiTimeFactors(Mode, factors);
}

int EComputation::Compute() {
  RequireAvailable(*this, false);
  return 0;
}
