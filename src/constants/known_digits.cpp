#include "constants/known_digits.h"

#include <cmath>

#include "mpint/mpint.h"

int CheckKnownDigits(const MPInt& number, double digits, const KnownDigits* table, int count) {
  for (int i = count - 1; i >= 0; i--) {
    const KnownDigits& e = table[i];
    if (e.Position >= digits) continue;
    if (std::fabs(number.GetTenDigits(e.Position) - e.TenDigits) > 0.01) return 0;
  }
  return 1;
}
