// Binary splitting of a series sum over k of l(k) * sigma(k) * prod_{j<=k} p(j)/q(j).
// An interval of terms (a, b] (indices a+1 .. b) is carried by three exact integers
//   A(a,b) = prod p(k),  Q(a,b) = prod q(k),
//   P(a,b) = sum_j sigma(j) l(j) prod_{k=a+1..j} p(k) prod_{k=j+1..b} q(k),
// and two adjacent intervals (a,m), (m,b) combine by
//   A = Al Ar,  Q = Ql Qr,  P = Pl Qr + Al Pr.
// Only the leaf (LastBabyStep) knows the series. A series whose p(k) are all 1
// (the factorial series of e) has no A: its merge is P = Pl Qr + Pr.
#pragma once

#include "mpint/smallint.h"

class BigInt;

class SeriesSplitting {
 public:
  int nLastBabyStepLimit = 0;  // most terms a leaf evaluates directly
  int nBabyStepLimit = 0;      // most terms summed on SmallInts, without the FFT
  // Results of the SmallInt levels, product scratch, and the leaf's linear term.
  SmallInt SmallA, SmallP, SmallQ, SmallWork, SmallTerm;
  // The product scratch of the merges of a series without A (set by its driver).
  BigInt* MergeScratch = nullptr;

  virtual ~SeriesSplitting() = default;

  // A, P, Q of (a, b], 1 <= b - a <= nLastBabyStepLimit, into SmallInts whose
  // capacity suffices. A series without A leaves A alone.
  virtual void LastBabyStep(double a, double b, SmallInt& A, SmallInt& P, SmallInt& Q) = 0;
  // The sign P(a, b) must have (that of its first term), or 0 for no check.
  virtual int ExpectedPSign(double a) const = 0;
  // False when every p(k) is 1: A is then neither stored nor multiplied.
  virtual bool HasFactorA() const { return true; }
  // The fatal message for a P of the wrong sign.
  virtual const char* WrongSignMessage() const {
    return "P does not have the right sign in GiantStep";
  }
  // Called after each merge of GiantStep, for the progress of the series.
  virtual void Merged(double /*a*/, double /*b*/) {}

  // Storage of the work SmallInts (A and the linear term only for a series
  // with A), and its release.
  void AllocWorkNumbers(long limbs);
  void FreeWorkNumbers();

  // A, P, Q of (a, b] for b - a <= nBabyStepLimit. The right half is computed in
  // the storage just above the left half's results.
  void BabyStep(double a, double b, SmallInt& A, SmallInt& P, SmallInt& Q);
  // A, P, Q of (a, b] on BigInts. The right half lives in the free storage
  // above the left half, and the results overwrite both. With doComputeA = 0
  // the caller does not need A, which is then left unfinished. A series with
  // A merges by exact products within one transform (its steps are planned to
  // fit); a series without A merges by products truncated to the capacity of
  // its numbers, through MergeScratch.
  void GiantStep(double a, double b, BigInt& A, BigInt& P, BigInt& Q, int doComputeA);
  // The same for a series without A.
  void GiantStep(double a, double b, BigInt& P, BigInt& Q);

 private:
  void Merge(BigInt& A, BigInt& P, BigInt& Q, const BigInt& Ar, const BigInt& Pr,
             const BigInt& Qr, int doComputeA);
};
