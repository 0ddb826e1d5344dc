// e by the factorial series (menu entries 2 and 3).
#pragma once

#include "constants/binary_splitting.h"
#include "constants/known_digits.h"
#include "disk/disk_int.h"
#include "mpint/bigint.h"
#include "shell/computation.h"

// The ten digits of e after a few known decimal positions.
constexpr int kECheckCount = 21;
extern const KnownDigits ECheckTable[kECheckCount];

// An interval (a, b) stands for the terms j = a+1 .. b and carries two exact
// integers: Q = (a+1)(a+2)...b and A = sum of eps(j) (j+1)(j+2)...b, so that
// A / Q = sum of eps(j) / ((a+1)...j); eps = 1 (series 0) or (-1)^j (series 1).
// Adjacent intervals combine as A = Al * Qr + Ar, Q = Ql * Qr: the series of the
// binary splitting with every p(k) = 1, whose P is this A.
//
// Unlike the Pi series, the whole series is summed by one recursion: without
// an A there is no product for the steps to save, and the products of its top
// levels are truncated to the precision of the result. Its progress is a dot
// each time the merges pass another ninth of the series.
class EComputation : public ConstantComputation, public SeriesSplitting {
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
  int HasDiskDriver(int mode) const override {
    return mode == kModeBasicDisk || mode == kModeAdvancedDisk;
  }
  // The resume records: the phase, then "PP", "QQ" and "AA".
  void WriteParams(FILE* stream) override;
  void ReadParams(FILE* stream) override;
  void ForgetSavedState() override;

  // SeriesSplitting: the leaf of at most nLastBabyStepLimit terms writes the
  // sum into P (the A of this series) and the product into Q.
  void LastBabyStep(double a, double b, SmallInt& unused, SmallInt& P, SmallInt& Q) override;
  void LastBabyStepAlternating(double a, double b, SmallInt& P, SmallInt& Q);
  // A is positive for series 0; for series 1 it has the sign of its first term.
  int ExpectedPSign(double a) const override;
  bool HasFactorA() const override { return false; }
  const char* WrongSignMessage() const override {
    return "A does not have the right sign in GiantStep";
  }
  void Merged(double a, double b) override;

  // Sizes the series for the digit count: N, LogTermSize and the two limits.
  void SizeSeries();
  // The in-memory driver: sums the series, divides, stores e in Result.
  int ComputeInMemory();

  // The disk driver (both disk modes): 1 finished, 0 stopped with the state
  // saved. The series is summed by a recursion on disk numbers in two halves;
  // the phase says where a run starts: 1 afresh, 0 the first half is done, -1
  // the series is done, -2 (advanced mode) the inverse is done. "PP" receives
  // the sum of series 0 and the product of series 1, "AA" the other one, so
  // that e = PP / AA in both; "QQ" is the work number of the division, or the
  // inverse of "AA" in the advanced mode.
  int ComputeOnDisk();
  // The sum and product of (a, b] into dA and dQ, dS the scratch; the right
  // half is built in the files just above the left one.
  void GiantStepDisk(double a, double b, double limit, DiskInt& dA, DiskInt& dQ, DiskInt& dS,
                     int depth);
  // The same for fewer than 2 limit terms: two halves in memory.
  void GiantStepDiskLeaf(double a, double b, DiskInt& dA, DiskInt& dQ, DiskInt& dS);
  int Phase = 1;
  DiskInt PP, QQ, AA;

  BigInt W;  // product scratch of the merges and of the division
  double N = 0;            // series index: terms 1 .. N
  double LogTermSize = 0;  // ln N
  int Series;
  int ProgressCounter = 0;  // dots printed by GiantStep, plus one

 private:
  long DiskLimbs() const;  // the capacity of the disk numbers
  // Saves the state after the files of the numbers are on the disk; 1 when
  // the run stops there.
  int SavePoint(int phase, bool stopAnyway = false);
  // The in-memory numbers of the leaves (set by ComputeOnDisk).
  BigInt* LeafA = nullptr;
  BigInt* LeafQ = nullptr;
  bool Stopped = false;
};
