#include "ntt/tiny_int.h"

#include "ntt/modular.h"
#include "shell/error_report.h"

namespace {

// floor(x / 10^7) for an integer 0 <= x < 2^53, exact.
double TinyCarry(double x) {
  // x 10^-7 is not exact, but the integer nearest to it less 1/2 is the
  // quotient or one off (only when x is near a multiple of 10^7, so that the
  // corrections are rare and well predicted); the remainder says which.
  double q = x * 1e-7 - 0.5;
  residue::Nearest(q);
  const double r = x - q * kTinyBase;
  if (r < 0) return q - 1;
  if (r >= kTinyBase) return q + 1;
  return q;
}

}  // namespace

void UpdateTinyInt(TinyInt& a) {
  double carry = 0;
  long i = 0;
  for (; i < a.Size || carry != 0; i++) {
    if (i >= a.NAlloc) errorf("Error in UpdateTinyInt, %ld limbs do not hold the number", a.NAlloc);
    const double x = (i < a.Size ? a.Limbs[i] : 0) + carry;
    carry = TinyCarry(x);
    a.Limbs[i] = x - carry * kTinyBase;
  }
  a.Size = i;
  while (a.Size > 1 && a.Limbs[a.Size - 1] == 0) a.Size--;
  if (a.Size == 0) {
    if (a.NAlloc < 1) error("Error in UpdateTinyInt, no room for a limb");
    a.Limbs[0] = 0;
    a.Size = 1;
  }
}

void ShortMulTinyInt(double m, const TinyInt& a, TinyInt& r) {
  if (!(m >= 0 && m < 8e15)) errorf("Error in ShortMulTinyInt, factor %.0f out of range", m);
  if (a.Size + 1 > r.NAlloc)
    errorf("Error in ShortMulTinyInt, %ld limbs do not hold the product", r.NAlloc);
  // Each new limb is a[i] ml + a[i-1] mh < 10^14 + m < 2^53.
  const double mh = TinyCarry(m);
  const double ml = m - mh * kTinyBase;
  double below = 0;
  for (long i = 0; i < a.Size; i++) {
    r.Limbs[i] = a.Limbs[i] * ml + below * mh;
    below = a.Limbs[i];
  }
  r.Limbs[a.Size] = below * mh;
  r.Size = a.Size + 1;
  UpdateTinyInt(r);
}

int CompareTinyInt(const TinyInt& a, const TinyInt& b) {
  if (a.Size != b.Size) return a.Size < b.Size ? -1 : 1;
  for (long i = a.Size - 1; i >= 0; i--) {
    if (a.Limbs[i] != b.Limbs[i]) return a.Limbs[i] < b.Limbs[i] ? -1 : 1;
  }
  return 0;
}
