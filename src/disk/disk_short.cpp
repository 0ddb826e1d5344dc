// Products and quotients of disk numbers by a machine number.
#include <algorithm>
#include <cmath>

#include "disk/disk_arith.h"
#include "disk/disk_int.h"
#include "disk/runs.h"
#include "mpint/bigint.h"
#include "shell/error_report.h"
#include "shell/memory.h"

void ShortMulDiskInt(const MPInt& a, double m, DiskInt& r) {
  if (m != std::floor(m) || m < -3000 || m > 1e15)
    errorf("ERROR in ShortMulDiskInt, m=%.0f is out of range", m);
  const long n = a.Size;
  const long offset = a.GetOffset();
  RunBlocks blocks(2, 8000);
  double *x = blocks[0], *out = blocks[1];
  // Beyond 3000, m and every limb are cut at 10^6 so that each partial
  // product stays below 2^53 (10^12 x 3000 still does).
  const bool split = m > 3000;
  double mh = 0, ml = 0;
  SplitHalves(m, &mh, &ml);
  double carry = 0;  // the high part carried to the next limb (split product)
  double c = 0;      // the carry of the normalisation
  for (long p = 0; p < n; p += blocks.Length) {
    const long len = std::min(blocks.Length, n - p);
    a.WriteToBuffer(x, len, p);
    for (long i = 0; i < len; i++) {
      if (!split) {
        c = SplitCarry(x[i] * m + c, &out[i]);
        continue;
      }
      const double xh = RoundNearest(x[i] * 1e-6);
      const double xl = x[i] - xh * 1e6;
      const double mid = xl * mh + xh * ml;
      const double midh = RoundNearest(mid * 1e-6);
      const double low = xl * ml + carry + (mid - midh * 1e6) * 1e6;
      carry = midh + xh * mh;
      c = SplitCarry(c + low, &out[i]);
    }
    WriteLimbs(out, r, len, p);
  }
  // The last carry may exceed a limb (m up to 10^15): it is appended in normal form.
  double limbs[4];
  const int k = CarryLimbs(carry + c, limbs);
  WriteLimbs(limbs, r, k, n);
  r.Size = n + k;
  r.Offset = offset;
  UpdateDiskIntSize(r);
}

void ShortDivDiskInt(const DiskInt& a, double m, DiskInt& r) {
  if (m != std::floor(m) || m < 1 || m * 1e12 >= 9007199254740992.0)
    errorf("ERROR in ShortDivDiskInt, m=%.0f is out of range", m);
  const double inv = 1 / m;
  const long n = a.Size;
  RunBlocks blocks(2, 8000);
  double *x = blocks[0], *q = blocks[1];
  double rem = 0;
  bool carryOut = false;
  for (long hi = n; hi > 0; hi -= blocks.Length) {
    const long len = std::min(blocks.Length, hi);
    ReadLimbs(a, x, len, hi - len);
    for (long i = len - 1; i >= 0; i--) {
      const double v = rem * 1e12 + x[i];
      double d = Floor(v * inv);
      double left = v - d * m;
      // The inexact 1/m may miss the quotient by one.
      if (left < 0) {
        d -= 1;
        left += m;
      } else if (left >= m) {
        d += 1;
        left -= m;
      }
      q[i] = d;
      rem = left;
      if (hi - len + i == 0) {
        // The lowest limb is rounded up when the quotient is a hair below a
        // whole number; it may then reach 10^12.
        q[0] = Floor(v * inv + 0.1);
        carryOut = q[0] >= 1e12;
      }
    }
    WriteLimbs(q, r, len, hi - len);
  }
  r.Size = n;
  r.Offset = a.Offset;
  if (carryOut)
    UpdateDiskInt(r);
  else
    UpdateDiskIntSize(r);
}
