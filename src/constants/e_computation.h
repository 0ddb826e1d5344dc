// e by the factorial series (menu entries 2 and 3).
#pragma once

#include "shell/computation.h"

class EComputation : public ConstantComputation {
 public:
  // series 0: e = sum 1/n!; series 1: e = 1 / sum (-1)^n/n!.
  explicit EComputation(int series) : Series(series) {}

  int Compute() override;
  int GetTypeCode() const override { return Series == 0 ? 20 : 21; }
  std::string GetName() const override { return "E"; }
  std::string GetResultFileName() const override { return "e.txt"; }
  void PrintMethod(FILE* stream) const override;
  void EstimateMemory(long fftSize, double* memory, double* diskMemory) const override;
  void GetFFTSizeRange(int* first, int* end, double factors[10]) const override;
  int IsMultiRun() const override { return Mode == 1 || Mode == 2; }

  int Series;
};
