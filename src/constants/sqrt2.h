// The square root of 2 (menu entry 4), checked by squaring.
#pragma once

#include "shell/computation.h"

class MPInt;

class Sqrt2Computation : public ConstantComputation {
 public:
  int Compute() override;
  int GetTypeCode() const override { return 10; }
  std::string GetName() const override { return "Sqrt2"; }
  std::string GetResultFileName() const override { return "sqrt2.txt"; }
  void EstimateMemory(long fftSize, double* memory, double* diskMemory) const override;
  int HasDiskDriver(int mode) const override;

 private:
  // The basic disk mode: the numbers "A" (the result) and "B" in files.
  int ComputeOnDisk(long limbs);
};

// The wrong digits of a computed sqrt(2) told by its square s, which must read
// 1.999...9 or 2.000...0: 12 per limb below the highest limb that differs
// (position 0 the lowest), 0 when none does. A square whose integer limb is not
// at exponent 0 is wrong in every limb.
double Sqrt2WrongDigits(const MPInt& square);
// "The computation is OK" up to 12 wrong digits (rounding noise of the last
// two limbs), else the count of wrong digits.
void PrintSqrt2Check(double wrongDigits);
