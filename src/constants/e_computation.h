// e by the factorial series (menu entries 2 and 3).
#pragma once

#include "mpint/bigint.h"
#include "mpint/smallint.h"
#include "shell/computation.h"

// The ten digits of e after a few known decimal positions.
struct ECheckEntry {
  double Position;
  double TenDigits;
};
constexpr int kECheckCount = 21;
extern const ECheckEntry ECheckTable[kECheckCount];

// An interval (a, b) stands for the terms j = a+1 .. b and carries two exact
// integers: Q = (a+1)(a+2)...b and A = sum of eps(j) (j+1)(j+2)...b, so that
// A / Q = sum of eps(j) / ((a+1)...j); eps = 1 (series 0) or (-1)^j (series 1).
// Adjacent intervals combine as A = Al * Qr + Ar, Q = Ql * Qr.
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
  // 1 when the ten digits after every known position below the digit count agree.
  int CheckResult() override;
  int IsMultiRun() const override { return Mode == 1 || Mode == 2; }

  // The binary splitting. The right half of an interval is computed into the
  // storage just above the left half's results, which must have room for both.
  // On BigInts, for any interval; the series sizing (Compute) must have run.
  virtual void GiantStep(double a, double b, BigInt& A, BigInt& Q);
  // On SmallInts, for intervals of at most nBabyStepLimit terms.
  virtual void BabyStep(double a, double b, SmallInt& A, SmallInt& Q);
  // The leaf, for intervals of at most nLastBabyStepLimit terms.
  virtual void LastBabyStep(double a, double b, SmallInt& A, SmallInt& Q);
  virtual void LastBabyStepAlternating(double a, double b, SmallInt& A, SmallInt& Q);

  // Sizes the series for the digit count: N, LogTermSize and the two limits.
  void SizeSeries();
  // The in-memory driver: sums the series, divides, stores e in Result.
  int ComputeInMemory();

  SmallInt SmallA, SmallQ;  // results of the small-integer levels
  SmallInt SmallWork;       // product scratch of BabyStep
  BigInt W;                 // product scratch of GiantStep and of the division
  int nLastBabyStepLimit = 0;
  int nBabyStepLimit = 0;
  double N = 0;            // series index: terms 1 .. N
  double LogTermSize = 0;  // ln N
  int Series;
  int ProgressCounter = 0;  // dots printed by GiantStep, plus one
};
