#include "constants/pi_chudnovsky.h"

#include <cmath>

#include "disk/disk_memory.h"
#include "fft/fft_product.h"
#include "shell/unavailable.h"

namespace {
double LimbBytes(double n) { return 8 * (n + 1); }
}  // namespace

void PiChudnovskyComputation::PrintMethod(FILE* stream) const {
  std::fprintf(stream, "Method used : Chudnovsky\n");
}

void PiChudnovskyComputation::EstimateMemory(long fftSize, double* memory,
                                             double* diskMemory) const {
  const double f3 = static_cast<double>(fftSize / 3);
  if (Mode == kModeStandard) {
    double w = std::max(std::trunc(Digits / 12) + 1, f3);
    double w2 = std::max(w + 2, 2 * f3);
    *memory = FFTNeededMemory(fftSize) + 2 * LimbBytes(f3) + 2 * LimbBytes(w) + LimbBytes(w2);
    *diskMemory = 0;
  } else {
    *memory = DiskMemoryEstimate(fftSize) + 3 * LimbBytes(f3);
    *diskMemory = Digits * (Mode == kModeBasicDisk ? 2 : 4.5) / 1024;
  }
}

void PiChudnovskyComputation::GetFFTSizeRange(int* first, int* end, double factors[10]) const {
  ConstantComputation::GetFFTSizeRange(first, end, factors);
  PiTimeFactors(Mode, factors);
}

int PiChudnovskyComputation::Compute() {
  RequireAvailable(*this, false);
  return 0;
}
