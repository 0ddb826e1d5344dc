// The in-memory sum of a series by top-level steps (the Pi series and the user
// series): each step is summed by binary splitting and put in front of the
// sums of the steps above it, at the precision of its position.
#pragma once

#include <algorithm>

#include "mpint/bigint.h"

class SeriesSplitting;
struct StepPlan;
struct PrecisionSchedule;

// The numbers of the sum; the driver owns them.
struct StepNumbers {
  BigInt& A;   // the integers of the step being summed
  BigInt& Pn;  //
  BigInt& Qn;  //
  BigInt& P;   // the sums of the steps done: at the end, of the whole series
  BigInt& Q;   //
  BigInt& X;   // product scratch
};

// P, Q of the whole series over the plan, with the progress texts ("Computing
// series", "Starting step", dots, "Series computing time"). P and Q keep at
// most precision.Keep(start) limbs after the step at start; their capacity is
// left at that of the first step.
void SumSeriesInMemory(SeriesSplitting& series, const StepPlan& plan,
                       const PrecisionSchedule& precision, StepNumbers& n);

// The step (An, Pn, Qn) put in front of the sums (P, Q) of the steps above it:
// P = An P + Pn Q, Q = Qn Q, each kept to keep limbs; X holds An P to the lowest
// limb that the sum keeps.
void MergeStep(const BigInt& An, const BigInt& Pn, const BigInt& Qn, BigInt& P, BigInt& Q,
               BigInt& X, long keep);

// The limbs of An P that the sum P = An P + Pn Q keeps when Pn Q keeps its top
// `keep` limbs: An P is needed down to the lowest of them, and no further.
// The step and the sums in memory or on disk.
template <typename Step, typename Number>
long LeftProductLimbs(const Step& An, const Step& Pn, const Number& P, const Number& Q,
                      long keep) {
  const long full = Pn.Size + Q.Size;
  const long lowest = Pn.Offset + Q.Offset + full - std::min(full, keep);
  const long top = An.Offset + P.Offset + An.Size + P.Size;
  return std::min(top - lowest + 1, An.Size + P.Size);
}
