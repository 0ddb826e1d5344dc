#include "constants/step_plan.h"

#include <algorithm>
#include <cmath>

#include "shell/error_report.h"

StepPlan PlanGrowingSteps(double n, double logTermConstant, long fftSize) {
  const double T = 3 * std::log(n) + logTermConstant;
  const double M = static_cast<double>(fftSize / 3) * std::log(1e12);
  const double k = std::trunc(M / T);
  if (k < 1) error("Error, your size of FFT is probably too small");
  const double d = std::trunc(std::log2(k)) + 2;
  const double L1 = logTermConstant + 1;

  StepPlan plan;
  plan.N = n;
  std::vector<double>& bounds = plan.Bounds;
  bounds.reserve(static_cast<size_t>(n / k) + 3);
  double x = 0;
  do {
    x += k;
    // Estimated logarithmic size of the step ending at x: its terms, plus the
    // growth of the products over the step, plus a margin per level.
    double S = d * T + k * L1 + 6 * (x * std::log(x) - (x - k / 2) * std::log(x - k / 2));
    while (S > M && x > bounds.back()) {
      x -= 1;
      S -= 3 * std::log(x) + L1;
    }
    while (S < M) {
      S += 3 * std::log(x) + L1;
      x += 1;
    }
    if (x <= bounds.back()) error("Error, your size of FFT is probably too small");
    bounds.push_back(x);
  } while (x < n);

  const long e = plan.Top();
  if (e < 2) {
    // The first step already reaches n: the whole series is one step.
    bounds.assign(1, 0.0);
    return plan;
  }
  bounds[e] = bounds[e - 1];
  bounds[e - 1] = std::floor((bounds[e - 2] + bounds[e - 1]) / 2);
  return plan;
}

StepPlan PlanEqualSteps(double n, double termsPerStep) {
  if (!(termsPerStep >= 1)) error("Error, your size of FFT is probably too small");
  StepPlan plan;
  plan.N = n;
  // n - 1: when the steps divide n, the last full one is the top step.
  const long top = static_cast<long>(std::floor((n - 1) / termsPerStep));
  for (long j = 1; j <= top; j++) plan.Bounds.push_back(static_cast<double>(j) * termsPerStep);
  return plan;
}

long PrecisionSchedule::Keep(double start) const {
  const long r = static_cast<long>(std::trunc(static_cast<double>(Limbs) * start / N));
  return std::max(Limbs - r, 3L);
}
