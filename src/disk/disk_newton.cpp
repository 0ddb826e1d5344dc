// Reciprocal square root, reciprocal and quotient of disk numbers.
#include "disk/disk_newton.h"

#include <algorithm>
#include <cmath>

#include "disk/disk_arith.h"
#include "disk/disk_int.h"
#include "disk/disk_memory.h"
#include "disk/disk_mul.h"
#include "disk/runs.h"
#include "fft/fft_product.h"
#include "mpint/bigint.h"
#include "mpint/newton.h"
#include "ntt/ntt.h"
#include "shell/error_report.h"
#include "shell/memory.h"
#include "shell/progress.h"

namespace {

// The percentage shown in place by the console texts, and the live line.
class Percent {
 public:
  Percent(const char* phase, const char* start) : phase_(phase) {
    ProgressPrint("%s", start);
    ProgressUpdate(phase_, 0);
  }
  void Show(double share) const {
    ProgressPrint("\b\b\b%2.0lf%%", 100 * share);
    ProgressUpdate(phase_, share);
  }

 private:
  const char* phase_;
};

// The relative precision (in limbs) of the step after one of s limbs: the
// lengths are planned back from the goal, each at most twice the one before
// less 3, so that the last step lands on the goal with room for the
// correction in the work number; a step never more than doubles (less 1) the
// correct limbs.
long NextPrecision(long s, long goal) {
  long p = goal;
  for (long prev = (p + 4) / 2; prev > s && prev < p; prev = (p + 4) / 2) p = prev;
  return std::min(p, 2 * s - 1);
}

// x = v (0 < v <= 1) as two limbs at exponent -2; v = 1 carries into a third.
void StartValue(double v, DiskInt& x) {
  const double y = v * kBigIntBase;
  double limbs[2];
  limbs[1] = Floor(y);
  limbs[0] = Floor((y - limbs[1]) * kBigIntBase);
  WriteLimbs(limbs, x, 2, 0);
  x.Size = 2;
  x.Offset = -2;
  UpdateDiskInt(x);
}

// Limbs 0 .. n-1 of t become 1 - (their value) read under a unit: every limb
// complemented to 999999999999, and the unit of the lowest.
void ComplementUnderUnit(DiskInt& t, long n) {
  double carry = ReleaseCarries(t, n, 1, [](double x) { return kBigIntMaxLimb - x; });
  t.Size = n;
  if (carry != 0) {
    WriteLimbs(&carry, t, 1, n);
    t.Size = n + 1;
  }
  if (t.Size > 0) UpdateDiskIntSize(t);
}

// t holds a value close to 1: 1.000... (top limb 1 at exponent 0) or 0.999...
// (top limb 999999999999 at exponent -1). Leaves |1 - t| in t (its leading
// zeros dropped, Size 0 when t is 1 to its last limb) and returns the sign of
// the correction: -1 when t > 1, +1 when t < 1.
int TakeDeviation(DiskInt& t, const char* where) {
  double top = 0;
  if (t.Size >= 1) ReadLimbs(t, &top, 1, t.Size - 1);
  const long topExp = t.Offset + t.Size - 1;
  double found = 0;
  if (topExp == 0 && top == 1) {
    t.Size = ScanDown(t, t.Size - 1, 0.0, &found) + 1;
    return -1;
  }
  if (topExp != -1 || top != kBigIntMaxLimb)
    errorf("ERROR in %s, the Newton iteration does not converge", where);
  ComplementUnderUnit(t, ScanDown(t, t.Size - 1, kBigIntMaxLimb, &found) + 1);
  return 1;
}

// The same for t = 1 + e known modulo B^L (its limbs 0 .. L-1, the unit
// wrapped out), |e| below limb L - 2: limb L - 1 reads 0 when e >= 0 and
// 999999999999 when e < 0.
int TakeLowDeviation(DiskInt& t, long L, const char* where) {
  double top = 0;
  if (t.Size >= L) ReadLimbs(t, &top, 1, L - 1);
  double found = 0;
  if (top == 0) {
    t.Size = ScanDown(t, std::min(t.Size, L), 0.0, &found) + 1;
    return -1;
  }
  if (top != kBigIntMaxLimb) errorf("ERROR in %s, the Newton iteration does not converge", where);
  ComplementUnderUnit(t, ScanDown(t, L - 1, kBigIntMaxLimb, &found) + 1);
  return 1;
}

// The second half of a Newton step. t holds |1 - m x^2| or |1 - x f|, sign the
// sign of the correction: x becomes x + sign u / halve, u = x |1 - .|, extended
// down to the exponent `low`. u lives in t's files above the deviation, so no
// file or copy is needed.
void Correct(DiskInt& x, DiskInt& t, int sign, long low, double halve, const char* where) {
  DiskIntView u(t, t.Size);
  if (t.Size == 0) {
    // x is right to its last limb: it only grows.
    u.Offset = low;
  } else {
    const long xTop = x.Offset + x.Size, eTop = t.Offset + t.Size;
    u.NAlloc = std::min({xTop + eTop - low, x.Size + t.Size, t.NAlloc - t.Size});
    if (u.NAlloc < 1) errorf("ERROR in %s, the work number is too small", where);
    // x was the first operand of the product before: its residues may be kept.
    NTT().NTT0AlreadyComputed = 1;
    MulDiskInt(x, t, u);
  }
  if (halve != 1 && u.Size > 0) {
    DiskBufferLoan lend(DiskBufferSize());
    ShortDivDiskInt(u, halve, u);
  }
  const long k = x.Offset - u.Offset;
  if (k < 0) errorf("ERROR in %s, the work number is too small", where);
  ShiftAndAdd(x, k, u, sign);
  x.Offset = u.Offset;
}

// The steps of a Newton iteration until x holds x.NAlloc - 2 limbs:
// step(s, p) takes x from s limbs to a relative precision of p. Several steps
// in a row that do not lengthen x mean that the work number is too small.
template <typename Step>
void Iterate(DiskInt& x, const char* phase, const char* start, const char* where, Step step) {
  const Percent progress(phase, start);
  const long goal = x.NAlloc - 2;
  int stalled = 0;
  while (x.Size < goal) {
    progress.Show(static_cast<double>(x.Size) / static_cast<double>(x.NAlloc));
    const long s = x.Size;
    step(s, NextPrecision(s, goal));
    stalled = x.Size > s ? 0 : stalled + 1;
    if (stalled >= 3) errorf("ERROR in %s, the work number is too small", where);
  }
  ProgressPrint("\b\b\b  Done\n");
  ProgressEnd();
}

}  // namespace

void InvSqrtDiskInt(long n, DiskInt& x, DiskInt& t) {
  const char* where = "InvSqrtDiskInt";
  if (n < 2 || n > 1000000000000000L) errorf("ERROR in %s, n=%ld is out of range", where, n);
  if (x.NAlloc < 5 || t.NAlloc < x.NAlloc)
    errorf("ERROR in %s, the numbers are too small (%ld and %ld limbs)", where, x.NAlloc,
           t.NAlloc);
  StartValue(1 / std::sqrt(static_cast<double>(n)), x);
  Iterate(x, "SquareRoot", "SquareRoot :  0%", where, [&](long s, long p) {
    // x^2 < 1: its limbs down to one under the target, and a limb left for n.
    const long kept = std::min({2 * s, p + 1, t.NAlloc - 1});
    int sign;
    if (ByNTT(x, x, kept)) {
      {
        DiskCapacityScope square(t, kept);
        NTT().KeepNTT0 = 1;
        SquareDiskInt(x, t, 1);
      }
      ShortMulDiskInt(t, static_cast<double>(n), t);
      sign = TakeDeviation(t, where);
    } else {
      // n x^2 = 1 + e with |e| < B^(1-s): its lowest s + 3 limbs tell e (the
      // unit, at limb 2s, wrapped out), and the square's pieces that reach
      // them are about half of it.
      const long L = std::min({s + 3, 2 * s, t.NAlloc - 1});
      SquareDiskIntModulo(x, t, L);
      ShortMulDiskInt(t, static_cast<double>(n), t);
      if (t.Size > L) {
        t.Size = L;
        UpdateDiskIntSize(t);
      }
      sign = TakeLowDeviation(t, L, where);
    }
    Correct(x, t, sign, -p, 2, where);
  });
}

void InverseDiskInt(const DiskInt& a, DiskInt& x, DiskInt& t) {
  const char* where = "InverseDiskInt";
  if (x.NAlloc < 5 || t.NAlloc < x.NAlloc)
    errorf("ERROR in %s, the numbers are too small (%ld and %ld limbs)", where, x.NAlloc,
           t.NAlloc);
  if (a.Size < 1 || a.Sign() < 0) errorf("ERROR in %s, the number is not positive", where);
  // The iteration works on f = a / B^(a.Size + a.Offset) in [1/B, 1): x ~ 1/f in (1, B].
  double top[3] = {0, 0, 0};
  const long m = std::min(a.Size, 3L);
  ReadLimbs(a, top + 3 - m, m, a.Size - m);
  if (top[2] < 1) errorf("ERROR in %s, the number is not positive", where);
  StartValue(1 / (top[2] + 1e-12 * (top[1] + 1e-12 * top[0])), x);
  x.Offset += 1;
  Iterate(x, "Inverse", "Inverse :  0%", where, [&](long s, long p) {
    const long low = x.Offset + x.Size - p;
    // f's top limbs, as many as the target precision reads.
    const long n = std::min(p + 2, a.Size);
    DiskIntView f(a, a.Size - n);
    f.Offset = -n;
    {
      DiskCapacityScope product(t, std::min({p + 1, s + n, t.NAlloc}));
      NTT().KeepNTT0 = 1;
      MulDiskInt(x, f, t);
    }
    Correct(x, t, TakeDeviation(t, where), low, 1, where);
  });
  x.Offset -= a.Offset + a.Size;
}

namespace {

// w = the top `count` limbs of d, with their exponent.
void TopLimbs(const DiskInt& d, long count, BigInt& w) {
  ReadLimbs(d, w.Limbs, count, d.Size - count);
  w.Size = count;
  w.Offset = d.Offset + d.Size - count;
}

// x = x - w y, y the limbs of x's own files (or another number's) from limb
// `skip` up: those below no longer reach x's precision once multiplied by w.
// t keeps the product's limbs down to x's lowest; a shorter t would cut x.
void SubstractProduct(DiskInt& x, const BigInt& w, const DiskInt& y, long skip, DiskInt& t,
                      bool cached) {
  DiskIntView v(y, skip);
  if (v.Size <= 0) return;
  const long top = w.Offset + v.Offset + w.Size + v.Size;
  const long kept = top - x.Offset;
  if (kept <= 0) return;
  {
    DiskCapacityScope product(t, std::min(kept, t.NAlloc));
    if (cached) MarkSpectrumCached();
    MulBigByDiskInt(w, v, t);
  }
  if (t.Offset > x.Offset) error("ERROR in DivDiskInt, the work number is too small");
  DiskBufferLoan lend(DiskBufferSize());
  SubstractDiskInt(x, t, x);
}

bool IsZero(const BigInt& w) {
  for (long i = 0; i < w.Size; i++)
    if (w.Limbs[i] != 0) return false;
  return true;
}

}  // namespace

void DivDiskInt(DiskInt& q, DiskInt& d, DiskInt& t, BigInt& w, BigInt& inv) {
  if (d.Size < 1) error("ERROR in DivDiskInt, division by zero");
  // q / d = (-q) / (-d): the reciprocal wants a positive divisor.
  if (d.Sign() < 0) {
    DiskBufferLoan lend(DiskBufferSize());
    ShortMulDiskInt(d, -1, d);
    ShortMulDiskInt(q, -1, q);
  }
  // The divisor carries the precision of the quotient: a shorter one gets
  // zero limbs below (1 + delta would otherwise stop at its lowest limb).
  const long want = std::min(q.NAlloc, d.NAlloc);
  if (d.Size < want) {
    const long k = want - d.Size, offset = d.Offset;
    const DiskIntView none(d, d.Size);
    ShiftAndAdd(d, k, none, 0);
    d.Offset = offset - k;
  }
  const long P = std::min(GetNFFT() / 3, d.Size);
  if (w.Room() < P || inv.Room() < P)
    errorf("ERROR in DivDiskInt, the numbers in memory hold less than %ld limbs", P);
  TopLimbs(d, P, w);
  if (w.Limbs[P - 1] < 1) error("ERROR in DivDiskInt, division by zero");
  {
    // The disk buffer is free until the products: the scratch of the inverse.
    double* buf = DiskWorkBuffer("DivDiskInt");
    BigIntView scratch(buf, DiskBufferSize(), 0, 0);
    ScopedCapacity precision(inv, P);
    InverseBigInt(w, inv, scratch);
  }

  // Both sides times 1/w: the divisor becomes 1 + delta, delta small.
  MulBigByDiskInt(inv, d, d);
  MarkSpectrumCached();
  MulBigByDiskInt(inv, q, q);

  double top = 0;
  ReadLimbs(d, &top, 1, d.Size - 1);
  const long topExp = d.Offset + d.Size - 1;
  double found = 0;
  if (topExp == 0 && top == 1) {
    // delta >= 0: the unit goes, and the zeros under it.
    d.Size = ScanDown(d, d.Size - 1, 0.0, &found) + 1;
  } else if (topExp == -1 && top == kBigIntMaxLimb) {
    // delta < 0: the run of 999999999999 folds into a top limb of -1.
    const long j = ScanDown(d, d.Size - 1, kBigIntMaxLimb, &found) + 1;
    const double minusOne = -1;
    WriteLimbs(&minusOne, d, 1, j);
    d.Size = j + 1;
  } else {
    error("ERROR in DivDiskInt, leading coefficient is bad");
  }
  if (d.Size > 0) UpdateDiskIntSize(d);
  const long D = d.Size;

  // Each pass multiplies both sides by (1 - w), w the top block of delta:
  // delta loses those limbs and q moves to the quotient.
  const Percent progress("Division", "Division : 0% ");
  for (;;) {
    progress.Show(1 - static_cast<double>(d.Size) / static_cast<double>(std::max(D, 1L)));
    if (d.Size < 1) break;
    const long p = std::min(P, d.Size);
    TopLimbs(d, p, w);
    const long gone = D - d.Size;
    const bool zero = IsZero(w);
    if (!zero) SubstractProduct(q, w, q, gone, t, false);
    // w delta reaches q's precision only while delta keeps half its limbs.
    if (d.Size > D / 2 && !zero) {
      DiskIntView before(d, gone);
      d.Size -= p;
      SubstractProduct(d, w, before, 0, t, true);
    } else {
      d.Size -= p;
    }
  }
  ProgressPrint("\b\b\b\b  Done\n");
  ProgressEnd();
}
