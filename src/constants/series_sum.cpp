#include "constants/series_sum.h"

#include <algorithm>

#include "constants/binary_splitting.h"
#include "constants/step_plan.h"
#include "mpint/bigint.h"
#include "mpint/multiply.h"
#include "shell/clock.h"
#include "shell/progress.h"

void MergeStep(const BigInt& An, const BigInt& Pn, const BigInt& Qn, BigInt& P, BigInt& Q,
               BigInt& X, long keep) {
  P.SetCapacity(keep);
  Q.SetCapacity(keep);
  const long xKeep = std::min(LeftProductLimbs(An, Pn, P, Q, keep), X.Room());
  if (xKeep >= 1) {
    X.SetCapacity(xKeep);
    MulBigInt(An, P, X);
  } else {
    X.Size = 1;
    X.Limbs[0] = 0;
  }
  ProgressPrint(".");
  StartTimer(kTimerSeries);
  MulBigInt(Pn, Q, P);
  ProgressPrint(".");
  {
    ScopedCapacity sum(P, keep + 1);
    AddBigIntAligned(P, X, P);
  }
  MulBigInt(Qn, Q, Q);
  StopTimer(kTimerSeries);
}

void SumSeriesInMemory(SeriesSplitting& series, const StepPlan& plan,
                       const PrecisionSchedule& precision, StepNumbers& n) {
  const long top = plan.Top();
  ProgressPrint("Computing series with index N=%.0lf\n", plan.N);
  ProgressPrint("Starting step %ld\n", top);
  const double start = GetSeconds();

  series.GiantStep(plan.Start(top), plan.N, n.A, n.P, n.Q, 0);
  // The top of the series needs only the precision of its position.
  const long drop = std::max(n.P.Size, n.Q.Size) - precision.Keep(plan.Start(top));
  n.P.DropLowLimbs(drop);
  n.Q.DropLowLimbs(drop);
  ProgressUpdate("Series", 1 - plan.Start(top) / plan.N);

  for (long j = top - 1; j >= 0; j--) {
    ProgressPrint("Starting step %ld ", j);
    series.GiantStep(plan.Start(j), plan.End(j), n.A, n.Pn, n.Qn, 1);
    ProgressPrint(".");
    MergeStep(n.A, n.Pn, n.Qn, n.P, n.Q, n.X, precision.Keep(plan.Start(j)));
    ProgressPrint("\n");
    ProgressUpdate("Series", 1 - plan.Start(j) / plan.N);
  }
  ProgressEnd();
  ProgressPrint("Series computing time : %.2lf\n", GetSeconds() - start);
}
