// Pi by the Chudnovsky series (menu entry 0), the base of the Ramanujan variant.
#pragma once

#include "shell/computation.h"

class PiChudnovskyComputation : public ConstantComputation {
 public:
  int Compute() override;
  int GetTypeCode() const override { return 1; }
  std::string GetName() const override { return "Pi"; }
  std::string GetResultFileName() const override { return "pi.txt"; }
  void PrintMethod(FILE* stream) const override;
  void EstimateMemory(long fftSize, double* memory, double* diskMemory) const override;
  void GetFFTSizeRange(int* first, int* end, double factors[10]) const override;
  int IsMultiRun() const override { return Mode == 1 || Mode == 2; }
};
