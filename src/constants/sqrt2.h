// The square root of 2 (menu entry 4), checked by squaring.
#pragma once

#include "shell/computation.h"

class Sqrt2Computation : public ConstantComputation {
 public:
  int Compute() override;
  int GetTypeCode() const override { return 10; }
  std::string GetName() const override { return "Sqrt2"; }
  std::string GetResultFileName() const override { return "sqrt2.txt"; }
  void EstimateMemory(long fftSize, double* memory, double* diskMemory) const override;
};
