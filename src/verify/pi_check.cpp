#include "verify/pi_check.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "output/compressed.h"
#include "shell/clock.h"
#include "shell/console.h"
#include "shell/error_report.h"
#include "verify/digit_extraction.h"

CheckPlan PlanCheck(double index, double storedDigits) {
  if (index + 100 > storedDigits) index = storedDigits - 100;
  CheckPlan plan;
  // Groups of 36 digits: four 32-bit words of the packed layout.
  plan.Digits = std::max(0.0, std::floor(index / 36) * 36);
  plan.Position = std::floor(plan.Digits * std::log(10.0) / std::log(2.0)) + 1;
  return plan;
}

void PrintBinaryDigits(double f, long count) {
  for (long i = 0; i < count; i++) {
    f = 2 * f;
    if (f >= 1) {
      std::putchar('1');
      f -= 1;
    } else {
      std::putchar('0');
    }
  }
  std::putchar('\n');
}

bool SameBinaryDigits(double f1, double f2, long count) {
  double d = f1 - f2;
  d -= std::round(d);
  for (long i = 0; i < count; i++) d *= 2;
  return d * d < 1.0;
}

void CheckPiResult(const std::string& name, const FirstStep& firstStep) {
  CompressedNumber stored;
  const std::string damaged = stored.Open(name, true);
  if (!damaged.empty()) Refuse("%s", damaged.c_str());

  std::printf("*******************************************************\n");
  std::printf("*              Pi digits verification                 *\n");
  std::printf("*******************************************************\n");
  std::printf("\n\n");
  std::printf("The file contains %.0lf decimal digits.\n", stored.Info().Digits);
  const CheckPlan plan =
      PlanCheck(AskDouble("Index of decimal digit until you want to check the result : "),
                stored.Info().Digits);
  std::printf("\n");
  if (plan.Position > static_cast<double>(kMaxExtractionPosition)) {
    // Never for a result Numora can compute; no verdict that the sums cannot back.
    std::printf(
        "The check cannot decide at binary position %.0lf: the digit-extraction sums "
        "are exact only up to position %lld.\n",
        plan.Position, static_cast<long long>(kMaxExtractionPosition));
    return;
  }
  std::printf("Checking the first %.0lf digits,\n", plan.Digits);
  std::printf("by computing %ld binary digits at binary position %.0lf\n", kCheckedBinaryDigits,
              plan.Position);
  std::printf("\n");

  std::printf("First step : deduce the binary digits from the Pi result file...\n");
  std::fflush(stdout);
  double start = GetSeconds();
  const double f1 = firstStep(stored, plan.Digits, plan.Position);
  std::printf("End of first step, time=%.2lf\n", GetSeconds() - start);
  std::printf("Binary digits : ");
  PrintBinaryDigits(f1, kCheckedBinaryDigits);

  std::printf("\n");
  std::printf("Second step : deduce the binary digits from Fabrice Bellard formula...\n");
  std::fflush(stdout);
  start = GetSeconds();
  int sums = 0;
  const double f2 = PiBinaryFraction(static_cast<int64_t>(plan.Position), [&sums] {
    std::putchar(++sums < 7 ? '.' : '\n');
    std::fflush(stdout);
  });
  std::printf("End of second step, time=%.2lf\n", GetSeconds() - start);
  std::printf("Binary digits : ");
  PrintBinaryDigits(f2, kCheckedBinaryDigits);

  std::printf("\n\n");
  if (SameBinaryDigits(f1, f2, kCheckedBinaryDigits)) {
    std::printf("The computed %ld binary digits are identical.\n", kCheckedBinaryDigits);
    std::printf("The first %.0lf digits of the Pi computation are good\n", plan.Digits);
    std::printf("with a very high probability\n");
  } else {
    std::printf("The check shows that your first %.0lf digits are not OK\n", plan.Digits);
  }
  std::fflush(stdout);
}
