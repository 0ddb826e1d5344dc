// Binary splitting of the series sum over k of l(k) * sigma(k) * prod_{j<=k} p(j)/q(j).
// An interval of terms (a, b] (indices a+1 .. b) is carried by three exact integers
//   A(a,b) = prod p(k),  Q(a,b) = prod q(k),
//   P(a,b) = sum_j sigma(j) l(j) prod_{k=a+1..j} p(k) prod_{k=j+1..b} q(k),
// and two adjacent intervals (a,m), (m,b) combine by
//   A = Al Ar,  Q = Ql Qr,  P = Pl Qr + Al Pr.
// Only the leaf (LastBabyStep) knows the series.
#pragma once

#include <vector>

#include "mpint/smallint.h"

class BigInt;

class SeriesSplitting {
 public:
  int nLastBabyStepLimit = 0;  // most terms a leaf evaluates directly
  int nBabyStepLimit = 0;      // most terms summed on SmallInts, without the FFT
  // Results of the SmallInt levels, product scratch, and the leaf's linear term.
  SmallInt SmallA, SmallP, SmallQ, SmallWork, SmallTerm;

  virtual ~SeriesSplitting() = default;

  // A, P, Q of (a, b], 1 <= b - a <= nLastBabyStepLimit, into SmallInts whose
  // capacity suffices.
  virtual void LastBabyStep(double a, double b, SmallInt& A, SmallInt& P, SmallInt& Q) = 0;
  // The sign P(a, b) must have (that of its first term), or 0 for no check.
  virtual int ExpectedPSign(double a) const = 0;

  // Storage of the five work SmallInts, and its release.
  void AllocWorkNumbers(long limbs);
  void FreeWorkNumbers();

  // A, P, Q of (a, b] for b - a <= nBabyStepLimit. The right half is computed in
  // the storage just above the left half's results.
  void BabyStep(double a, double b, SmallInt& A, SmallInt& P, SmallInt& Q);
  // A, P, Q of (a, b] on BigInts with Offset 0. The right half lives in the free
  // storage above the left half, and the results overwrite both. With
  // doComputeA = 0 the caller does not need A, which is then left unfinished.
  void GiantStep(double a, double b, BigInt& A, BigInt& P, BigInt& Q, int doComputeA);
};

// Plans the top-level steps of a series of index n whose terms have the
// logarithmic size 3 ln k + logTermConstant, so that each step's integers fill
// about one third of a transform of fftSize points. Fills bounds with 0 and the
// step ends and returns count: the steps are (bounds[j], bounds[j+1]) for
// j < count, then (bounds[count], n).
long ComputeSteps(double n, double logTermConstant, long fftSize, std::vector<double>& bounds);
