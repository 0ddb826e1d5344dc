// The top-level steps of a series and the precision each one needs. Both are
// plain numbers, the same for the in-memory and the disk drivers.
#pragma once

#include <vector>

// The steps of a series of index N: step j is the interval of terms
// (Bounds[j], Bounds[j+1]] for j < Top(), and the top step is (Bounds[Top()], N].
// The drivers sum the top step first and put each lower step in front of the
// sums of the steps above it.
struct StepPlan {
  double N = 0;
  std::vector<double> Bounds{0.0};

  long Top() const { return static_cast<long>(Bounds.size()) - 1; }
  double Start(long j) const { return Bounds[j]; }
  double End(long j) const { return j < Top() ? Bounds[j + 1] : N; }
};

// Steps of a series whose term k has the logarithmic size 3 ln k +
// logTermConstant (the Pi series), so that each step's integers fill about a
// third of a transform of fftSize points: the steps shorten as the terms grow.
// The last full step is cut in two halves; a transform that holds the whole
// series gives a single step.
StepPlan PlanGrowingSteps(double n, double logTermConstant, long fftSize);

// Steps of termsPerStep terms each, for a series that only knows a bound of
// its term size (the user series) or that sizes its steps itself (the disk
// drivers). The top step holds the rest, never nothing.
StepPlan PlanEqualSteps(double n, double termsPerStep);

// The limbs of the sums that a step still needs: the terms from start on are
// below the first ones by about their share of the series, so a step at
// position start keeps Limbs - Limbs * start / N limbs (at least 3).
struct PrecisionSchedule {
  long Limbs = 0;  // the precision of the whole series, at its start
  double N = 0;

  long Keep(double start) const;
};
