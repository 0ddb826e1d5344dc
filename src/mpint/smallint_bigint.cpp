// The two meeting points of SmallInt and BigInt: a schoolbook product and the
// pairing of 6-digit limbs into 12-digit ones.
#include "mpint/bigint.h"
#include "mpint/multiply.h"
#include "mpint/smallint.h"
#include "shell/error_report.h"
#include "shell/memory.h"

namespace {

// floor(x * 10^-6), exact for |x| < 2^51.
inline double FloorMillionth(double x) {
  double q = RoundNearest(x * 1e-6);
  if (x - q * 1e6 < 0) q -= 1;
  return q;
}

}  // namespace

void SmallIntMul(const BigInt& a, const SmallInt& b, BigInt& r) {
  if (&a == &r) error("Error in BigInt::SmallIntMul, a and r are equal");
  // Each limb of r receives about 2 nb terms below 2 * 10^12: nb <= 500 keeps
  // the sums below 2^53.
  if (static_cast<double>(b.Size) * 1e12 > 1e15)
    error("Error in BigInt::SmallIntMul, b is too large");
  // A result keeps at least one limb.
  if (r.NAlloc < 1) error("Error in BigInt::SmallIntMul, r has no room");
  const long na = a.Size;
  const long nb = (b.Size + 1) / 2;
  const long L = na + nb < r.NAlloc ? na + nb : r.NAlloc;
  const long d = na + nb - L;
  double* R = r.Limbs;
  for (long k = 0; k < L; k++) R[k] = 0;
  const double* B = b.Limbs;
  for (long i = 0; i < na; i++) {
    const double x = a.Limbs[i];
    const double xh = FloorMillionth(x);
    const double xl = x - xh * 1e6;
    // The term just below the kept limbs still carries into limb 0: its high
    // half belongs there, and so does the carry of its low half.
    if (d - i - 1 >= 0 && d - i - 1 < nb) {
      const long j = d - i - 1;
      const double bl = B[2 * j];
      const double bh = 2 * j + 1 < b.Size ? B[2 * j + 1] : 0;
      const double mid = xl * bh + bl * xh;
      const double midh = FloorMillionth(mid);
      const double low = bl * xl + (mid - midh * 1e6) * 1e6;
      R[0] += FloorMillionth(FloorMillionth(low)) + midh + xh * bh;
    }
    for (long j = (d - i > 0 ? d - i : 0); j < nb; j++) {
      const double bl = B[2 * j];
      const double bh = 2 * j + 1 < b.Size ? B[2 * j + 1] : 0;
      const double mid = xl * bh + bl * xh;
      const double midh = FloorMillionth(mid);
      const long k = i + j - d;
      R[k] += bl * xl + (mid - midh * 1e6) * 1e6;
      R[k + 1] += midh + xh * bh;
    }
  }
  r.Size = L;
  r.Offset = d + a.Offset;
  r.UpdateBigInt();
}

void SmallIntToBigInt(const SmallInt& s, BigInt& r) {
  const long n = (s.Size + 1) / 2;
  if (r.NAlloc < n) error("Error in SmallIntToBigInt, r is too small");
  const double* S = s.Limbs;
  double* R = r.Limbs;
  const long pairs = s.Size / 2;
  for (long k = 0; k < pairs; k++) R[k] = S[2 * k + 1] * 1e6 + S[2 * k];
  if (s.Size & 1) R[pairs] = S[s.Size - 1];
  r.Size = n;
  r.Offset = 0;
}
