#include "mpint/mpint.h"

#include "shell/error_report.h"
#include "shell/memory.h"

void MPInt::WriteToBuffer(double*, long, long) const {
  error("Error, this type of MPInt cannot write to a buffer");
}

int MPInt::Sign() const {
  double top[2] = {0, 0};
  if (Size >= 2) {
    WriteToBuffer(top, 2, Size - 2);
    return top[1] * 1e12 + top[0] < 0 ? -1 : 1;
  }
  if (Size == 1) WriteToBuffer(top, 1, 0);
  return top[0] < 0 ? -1 : 1;
}

double MPInt::GetTenDigits(double pos) const {
  const int d = GetNbDecPerLimb();
  constexpr int kMaxDigitsPerLimb = 16;  // more would not be exact in a double
  if (d < 1 || d > kMaxDigitsPerLimb) error("Error in GetTenDigits, unexpected limb size");
  const double e = -static_cast<double>(GetOffset()) * d - pos;
  const long idx = static_cast<long>(Floor(e / d));
  const long r = static_cast<long>(e - static_cast<double>(idx) * d);

  // Limbs idx-2, idx-1, idx as one run of 3d digits, lowest digit first;
  // limbs that are not stored read as 0.
  double limbs[3] = {0, 0, 0};
  for (int k = 0; k < 3; k++) {
    long i = idx - 2 + k;
    if (i >= 0 && i < Size) WriteToBuffer(&limbs[k], 1, i);
  }
  int digits[3 * kMaxDigitsPerLimb];
  for (int k = 0; k < 3; k++) {
    double x = limbs[k];
    for (int j = 0; j < d; j++) {
      double q = Floor(x * 0.1);
      digits[k * d + j] = static_cast<int>(x - q * 10);
      x = q;
    }
  }
  double acc = 0;
  for (long p = 2 * d + r - 1; p >= 2 * d + r - 10; p--)
    acc = acc * 10 + ((p >= 0 && p < 3 * d) ? digits[p] : 0);
  return acc;
}
