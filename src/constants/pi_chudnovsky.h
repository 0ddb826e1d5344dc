// Pi by the Chudnovsky series (menu entry 0), the base of the Ramanujan variant:
//   Pi = (4270934400 / sqrt(10005)) * Q / (13591409 Q - P),
// with P, Q the binary-splitting integers of the whole series.
#pragma once

#include <cmath>

#include "constants/binary_splitting.h"
#include "constants/known_digits.h"
#include "disk/disk_int.h"
#include "shell/computation.h"

class BigInt;
struct StepPlan;

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
  int HasDiskDriver(int mode) const override {
    return mode == kModeBasicDisk || mode == kModeAdvancedDisk;
  }
  // The resume records: the progress counter, then P and Q.
  void WriteParams(FILE* stream) override;
  void ReadParams(FILE* stream) override;
  void ForgetSavedState() override;

  void LastBabyStep(double a, double b, SmallInt& A, SmallInt& P, SmallInt& Q) override;
  // Every P has the sign of its first term, (-1)^a.
  int ExpectedPSign(double a) const override { return std::fmod(a, 2) == 0 ? 1 : -1; }

  // N, LogTermSize and the limits of the binary splitting for the digit count.
  void SizeSeries();
  // The in-memory driver (standard mode); returns 1.
  int ComputeInMemory();

  // The disk driver (both disk modes): 1 finished, 0 stopped with the state saved.
  // The progress counter says where a run starts: i >= 0, the steps above step
  // i are done; -1 the series is done; -2 the quotient Q / (S Q) is in Q; -3
  // the square root factor is in P.
  int ComputeOnDisk();
  int ProgressCounter = 0;
  DiskInt P, Q;  // "PP", "QQ": the sums of the steps done, then the factors of Pi
  // The series-specific constants of the driver.
  virtual double DigitsPerTerm() const { return 14.18; }
  virtual double LogTermConstant() const;  // 16.1 ln 10

 private:
  // The advanced mode's steps: intervals of at most Limit terms are summed in
  // memory, a top step holds Length terms in disk numbers of Limbs limbs.
  struct AdvancedSteps {
    double Limit = 0, Length = 0;
    long Limbs = 0;
  };
  AdvancedSteps AdvancedStepSizes() const;
  // The numbers of the disk recursion besides its results: the in-memory
  // integers of the leaves and the scratch "dtmp".
  struct DiskRecursion {
    BigInt &A, &P, &Q;
    DiskInt& S;
    double Limit;
  };
  // A, P, Q of (a, b] into dA, dP, dQ (advanced mode); the right half is built
  // in the files just above the left one. A is left out (Size 0) without doComputeA.
  void GiantStepDisk(double a, double b, DiskRecursion& w, DiskInt& dA, DiskInt& dP,
                     DiskInt& dQ, int doComputeA, int depth);
  // The same for at most Limit terms: two halves in memory.
  void GiantStepDiskLeaf(double a, double b, DiskRecursion& w, DiskInt& dA, DiskInt& dP,
                         DiskInt& dQ, int doComputeA);
  // The sizes of the disk driver: the limbs of the result, of a region of the
  // files of P and Q, and the plan of its equal steps.
  long DiskLimbs() const;
  long DiskRegion() const;
  StepPlan DiskPlan() const;
  // Saves the state after the files of P and Q are on the disk; 1 when the run
  // stops there.
  int SavePoint(int counter, bool stopAnyway = false);
  void MergeStepOnDisk(const BigInt& An, const BigInt& Pn, const BigInt& Qn, DiskInt& X,
                       long keep);
  // The same for a step on disk (advanced mode), by NTT products.
  void MergeDiskStep(DiskInt& dA, DiskInt& dP, DiskInt& dQ, DiskInt& X, long keep);
  void MoveToFreeRegion(DiskInt& d, long keep);
  void AddLeftProductToP(DiskInt& X, long keep);
};

// Ten digits after known decimal positions of Pi.
constexpr int kPiCheckCount = 22;
extern const KnownDigits PiCheckTable[kPiCheckCount];
