#include "constants/sqrt2.h"

#include "shell/unavailable.h"

void Sqrt2Computation::EstimateMemory(long fftSize, double* memory, double* diskMemory) const {
  const double n = static_cast<double>(fftSize);
  if (Mode == kModeStandard) {
    *memory = 37.3333 * n + Digits * 1.333 / 1024;
    *diskMemory = 0;
  } else {
    *memory = 42.6666 * n;
    *diskMemory = Digits * (Mode == kModeBasicDisk ? 2 : 3) / 1024;
  }
}

int Sqrt2Computation::Compute() {
  RequireAvailable(*this, false);
  return 0;
}
