// Pi by the Chudnovsky series (menu entry 0), the base of the Ramanujan variant:
//   Pi = (4270934400 / sqrt(10005)) * Q / (13591409 Q - P),
// with P, Q the binary-splitting integers of the whole series.
#pragma once

#include <cmath>

#include "constants/binary_splitting.h"
#include "constants/known_digits.h"
#include "shell/computation.h"

class PiChudnovskyComputation : public ConstantComputation, public SeriesSplitting {
 public:
  double N = 0;            // series index of the run
  double LogTermSize = 0;  // natural logarithm of the size of one term's integers

  int Compute() override;
  int GetTypeCode() const override { return 1; }
  std::string GetName() const override { return "Pi"; }
  std::string GetResultFileName() const override { return "pi.txt"; }
  void PrintMethod(FILE* stream) const override;
  void EstimateMemory(long fftSize, double* memory, double* diskMemory) const override;
  void GetFFTSizeRange(int* first, int* end, double factors[10]) const override;
  int CheckResult() override;
  int IsMultiRun() const override { return Mode == 1 || Mode == 2; }

  void LastBabyStep(double a, double b, SmallInt& A, SmallInt& P, SmallInt& Q) override;
  // Every P has the sign of its first term, (-1)^a.
  int ExpectedPSign(double a) const override { return std::fmod(a, 2) == 0 ? 1 : -1; }

  // The in-memory driver (standard mode); returns 1.
  int ComputeInMemory();
  // The series-specific constants of the driver.
  virtual double DigitsPerTerm() const { return 14.18; }
  virtual double LogTermConstant() const;  // 16.1 ln 10
};

// Ten digits after known decimal positions of Pi.
constexpr int kPiCheckCount = 22;
extern const KnownDigits PiCheckTable[kPiCheckCount];
