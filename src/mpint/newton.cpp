#include "mpint/newton.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "fft/fft_product.h"
#include "mpint/fft_mul.h"
#include "mpint/bigint.h"
#include "mpint/multiply.h"
#include "shell/error_report.h"
#include "shell/memory.h"
#include "shell/progress.h"

namespace {

// The part [from, to] of a phase that an operation fills, for the progress line.
struct Share {
  const char* phase;
  double from, to;
  void Report(double done) const { ProgressUpdate(phase, from + (to - from) * done); }
  Share Part(double a, double b) const {
    return {phase, from + (to - from) * a, from + (to - from) * b};
  }
};

// Rows of the band residual between two carry releases: 1000 rows of terms
// below 2 x 10^12 keep every column under 2^53.
constexpr long kBandRows = 1000;
// Rows whose x_j halves are cut together.
constexpr long kWindowRows = 64;

// x = v (0 < v <= 1) as two limbs at exponent -2. v = 1 gives the limb 10^12,
// which the carry release turns into a one.
void StartValue(double v, BigInt& x) {
  const double y = v * kBigIntBase;
  const double hi = Floor(y);
  x.Limbs[1] = hi;
  x.Limbs[0] = Floor((y - hi) * kBigIntBase);
  x.Size = 2;
  x.Offset = -2;
  x.UpdateBigInt();
}

// The limbs of t above t.Size as a number of the given capacity.
BigIntView SpareView(const BigInt& t, long capacity) {
  if (capacity < 1) error("Error in a Newton iteration, the scratch number is too small\n");
  return t.Above(capacity);
}

// 1 - t for t = 0.999..9 to its last limb: one unit of that limb.
void KeepOneUnit(BigInt& e) {
  e.Size = 1;
  e.Limbs[0] = 1;
}

// Limbs 0 .. n-1 of e become 1 - (their value): the complement to 999999999999
// and the unit of the lowest limb. The unit matters when the product before was
// exact (a short operand): without it the error of e would be one unit of its
// lowest limb instead of e^2.
void Complement(BigInt& e, long n) {
  for (long i = 0; i < n; i++) e.Limbs[i] = kBigIntMaxLimb - e.Limbs[i];
  e.Size = n;
  e.Limbs[0] += 1;
  e.UpdateBigInt();
}

// t holds a value close to 1 (1.000... or 0.999...). Leaves |1 - t| in t and
// returns the sign of the correction: -1 when t > 1, +1 when t < 1, 0 when t
// is 1 to its last limb.
int TakeDeviation(BigInt& t, const char* where) {
  const long topExp = t.Offset + t.Size - 1;
  const double top = t.Limbs[t.Size - 1];
  if (topExp == 0 && top == 1) {
    long n = t.Size - 1;
    while (n > 0 && t.Limbs[n - 1] == 0) n--;
    t.Size = n;
    return n == 0 ? 0 : -1;
  }
  if (topExp == -1 && top == kBigIntMaxLimb) {
    long n = t.Size - 1;
    while (n > 0 && t.Limbs[n - 1] == kBigIntMaxLimb) n--;
    if (n == 0) KeepOneUnit(t);
    else Complement(t, n);
    return 1;
  }
  errorf("Error in %s, the Newton iteration does not converge\n", where);
}

// x = x + s * u, where u is far below x's top limb. x keeps its top limb and
// grows downward to u's lowest limb, to at most cap limbs (u's limbs under
// the cap are dropped).
void AddCorrection(BigInt& x, const BigInt& u, int s, long cap, const char* where) {
  const long top = x.Offset + x.Size;  // one above x's top limb
  long low = std::min(u.Offset, x.Offset);
  if (top - low > cap) low = top - cap;
  const long len = top - low;
  if (u.Offset + u.Size > top) errorf("Error in %s, the correction is too large\n", where);
  const long shift = x.Offset - low;
  if (shift > 0) {
    for (long i = x.Size - 1; i >= 0; i--) x.Limbs[i + shift] = x.Limbs[i];
    for (long i = 0; i < shift; i++) x.Limbs[i] = 0;
  }
  const double sign = s;
  const long from = std::max(low - u.Offset, 0L);
  for (long j = from; j < u.Size; j++) x.Limbs[u.Offset + j - low] += sign * u.Limbs[j];
  x.Size = len;
  x.Offset = low;
  x.UpdateBigInt();
}

// A step that does not lengthen x still makes it more accurate, so the next
// one does; several in a row mean that the scratch number is too small.
void CheckProgress(bool grew, int& stalled, const char* where) {
  stalled = grew ? 0 : stalled + 1;
  if (stalled >= 3) errorf("Error in %s, the scratch number is too small\n", where);
}

// Carry release of p[0 .. w-1], non-negative values below 2^53, dropping
// what passes the top: the value modulo B^w.
void ReleaseModulo(double* p, long w) {
  double c = 0;
  for (long i = 0; i < w; i++) {
    double v = p[i] + c;
    c = Floor(v * 1e-12);
    v -= c * kBigIntBase;
    if (v < 0) {
      v += kBigIntBase;
      c -= 1;
    } else if (v >= kBigIntBase) {
      v -= kBigIntBase;
      c += 1;
    }
    p[i] = v;
  }
}

}  // namespace

namespace {

void Inverse(const BigInt& a, BigInt& x, BigInt& t, const Share& share) {
  const char* where = "InverseBigInt";
  if (a.Size < 1 || a.Limbs[a.Size - 1] <= 0)
    error("Error in InverseBigInt, the number is not positive\n");
  if (x.NAlloc < 2) error("Error in InverseBigInt, the result has less than 2 limbs\n");

  // The iteration works on f = a / B^top, in [1/B, 1), and x ~ 1/f in (1, B].
  const long top = a.Offset + a.Size;
  const double hi = a.Limbs[a.Size - 1];
  const double lo = a.Size >= 2 ? a.Limbs[a.Size - 2] : 0;
  StartValue(1 / (hi + lo * 1e-12), x);
  x.Offset += 1;

  bool realigned = false;
  int stalled = 0;
  // A target that never reaches the cut may stop one limb short; the step
  // that fills it is cheap at that size.
  while (x.Size < x.NAlloc - 1 || (!realigned && x.Size < x.NAlloc)) {
    const long n = x.Size;
    const long w = std::min({2 * n, x.NAlloc, a.Size});
    BigIntView f = a.ViewTop(w);
    f.Offset = -w;

    bool exact;
    {
      ScopedCapacity product(t, std::min(t.NAlloc, 2 * n));
      // A short a gives an exact product: then every limb of e is good.
      exact = n + w <= t.NAlloc;
      MulTruncated(x, f, t);
    }

    const int s = TakeDeviation(t, where);
    if (s == 0) {
      x.Lengthen(std::min(2 * n, x.NAlloc));
    } else {
      BigIntView u = SpareView(t, std::min({t.NAlloc - t.Size, n, exact ? n : t.Size}));
      MarkSpectrumCached();  // x was the first operand of the product above
      MulTruncated(x, t, u);
      AddCorrection(x, u, s, x.NAlloc, where);
    }
    CheckProgress(x.Size > n, stalled, where);

    // Cut once to a length that doubles exactly onto the target, so that the
    // last step does not overshoot it by up to a factor two.
    if (!realigned && x.Size >= 256 && x.Size < x.NAlloc - 1) {
      realigned = true;
      long m = x.NAlloc;
      while (m > 240) m /= 2;
      x.DropLowLimbs(x.Size - (m + 2));
    }
    share.Report(static_cast<double>(x.Size) / static_cast<double>(x.NAlloc));
  }
  x.Offset -= top;
}

}  // namespace

void InverseBigInt(const BigInt& a, BigInt& x, BigInt& t) {
  Inverse(a, x, t, Share{"Inverse", 0, 1});
}

void DivBigInt(BigInt& a, BigInt& b, BigInt& t, BigInt& q) {
  if (b.Size < 1 || b.IsZero()) error("Error in DivBigInt, division by zero\n");
  if (q.NAlloc < 2) error("Error in DivBigInt, the reciprocal has less than 2 limbs\n");
  const Share share{"Division", 0, 1};
  // a / b = (-a) / (-b): the iteration wants a positive divisor.
  if (b.Limbs[b.Size - 1] < 0) {
    NegateBigInt(b);
    NegateBigInt(a);
  }
  const long third = GetNFFT() / 3;
  // A reciprocal shorter than b only costs more correction passes.
  const long k = std::max(std::min({b.Size, third - third / 256, q.NAlloc}), 1L);
  {
    ScopedCapacity reciprocal(q, std::max(k, 2L));
    Inverse(b.ViewTop(k), q, t, share.Part(0, 0.5));
  }

  // Both sides times q: the denominator becomes 1 + e with e small. t lends
  // its storage to the unbalanced products.
  MulBigInt(q, b, b, &t);
  MarkSpectrumCached();
  MulBigInt(q, a, a, &t);
  share.Report(0.75);

  const long bTop = b.Offset + b.Size - 1;
  if (bTop == 0 && b.Limbs[b.Size - 1] == 1) {
    b.Limbs[b.Size - 1] = 0;
  } else if (bTop == -1 && b.Limbs[b.Size - 1] == kBigIntMaxLimb) {
    b.Limbs[b.Size - 1] = -1;
  } else {
    error("Error in DivBigInt, the reciprocal is wrong\n");
  }
  b.UpdateSize();

  // Each pass multiplies both sides by (1 - e_top), e_top the top k limbs of
  // e: the deviation loses those limbs and a moves to the quotient.
  const long deviation = b.Size;
  while (b.Size >= 5) {
    const long kk = std::min(k, b.Size);
    const BigIntView et = b.ViewTop(kk);
    const long d = -et.Offset - kk;  // e < B^-d
    // e * a is below a's lowest limb: nothing left to correct.
    if (d >= a.Size) break;
    // Limbs of a that cannot reach its precision are left out.
    const BigIntView an = a.ViewFrom(d > 100 ? d - 100 : 0);
    {
      ScopedCapacity product(t, std::min(t.NAlloc, a.NAlloc));
      MulBigInt(et, an, t);
    }
    SubstractBigInt(a, t, a);

    // e_top * e matters as long as it reaches a's precision.
    const bool square = 2 * (d + 1) < a.Size + 2;
    if (square) {
      ScopedCapacity product(t, std::min(t.NAlloc, b.NAlloc));
      MarkSpectrumCached();
      MulBigInt(et, b, t);
    }
    if (b.Size > kk) {
      b.Size -= kk;
    } else {
      b.Size = 1;
      b.Limbs[0] = 0;
    }
    if (square) {
      SubstractBigInt(b, t, b);
    } else {
      b.UpdateSize();
    }
    share.Report(0.75 + 0.25 * (1 - static_cast<double>(b.Size) / static_cast<double>(deviation)));
  }
}

void SqrtResidualBand(const BigInt& x, long lo, long hi, long m, BigInt& t, int& s) {
  const long n = x.Size;
  if (n < 200) return;
  lo = std::max(lo, 0L);
  hi = std::min(hi, 2 * n - 1);
  // Two columns under the band bring in most of the carry from below.
  const long lo2 = std::max(lo - 2, 0L);
  const long w = hi - lo2;
  if (w <= lo - lo2 + 1) return;
  // Work arrays in t: the band (w limbs and room for the carries of the
  // product by m), the three partial sums, the halves of a window of x.
  const long span = w + kWindowRows;
  if (t.NAlloc < (w + 4) + 3 * w + 2 * span) return;
  double* band = t.Limbs;
  double* ll = band + w + 4;   // low x low, weight 1
  double* mid = ll + w;        // cross terms, weight 10^6
  double* hh = mid + w;        // high x high, weight 10^12 (one column up)
  double* xh = hh + w;
  double* xl = xh + span;
  for (long c = 0; c < 3 * w; c++) ll[c] = 0;

  // Sum over i < j with lo2 <= i + j < hi of x_i x_j, by rows of i; the
  // halves of the x_j that a few rows need are cut once.
  const long rows = (hi - 2) / 2 + 1;
  for (long r0 = 0; r0 < rows; r0 += kBandRows) {
    const long r1 = std::min(r0 + kBandRows, rows);
    for (long i0 = r0; i0 < r1; i0 += kWindowRows) {
      const long i1 = std::min(i0 + kWindowRows, r1);
      const long j0 = std::max(lo2 - (i1 - 1), 0L);
      const long j1 = std::min(hi - 1 - i0, n - 1) + 1;
      for (long j = j0; j < j1; j++) SplitHalves(x.Limbs[j], &xh[j - j0], &xl[j - j0]);
      for (long i = i0; i < i1; i++) {
        double ah, al;
        SplitHalves(x.Limbs[i], &ah, &al);
        const long jb = std::max(i + 1, lo2 - i);
        const long je = std::min(n - 1, hi - 1 - i);
        for (long j = jb; j <= je; j++) {
          const long c = i + j - lo2;
          const double bh = xh[j - j0], bl = xl[j - j0];
          ll[c] += al * bl;
          mid[c] += al * bh + ah * bl;
          hh[c] += ah * bh;
        }
      }
    }
    ReleaseModulo(ll, w);
    ReleaseModulo(mid, w);
    ReleaseModulo(hh, w);
  }

  // Combine: the cross terms are cut at 10^6, the high terms move one column up.
  for (long c = 0; c < w; c++) {
    double mh, ml;
    SplitHalves(mid[c], &mh, &ml);
    band[c] = ll[c] + ml * 1e6;
    if (c > 0) {
      SplitHalves(mid[c - 1], &mh, &ml);
      band[c] += mh + hh[c - 1];
    }
  }
  ReleaseModulo(band, w);
  for (long c = 0; c < w; c++) band[c] *= 2;
  // The diagonal squares x_i^2, column 2i.
  for (long c = 0; c < w; c++) {
    const long col = lo2 + c;
    if (col % 2 != 0 || col / 2 >= n) continue;
    double ah, al;
    SplitHalves(x.Limbs[col / 2], &ah, &al);
    double cross = 2 * ah * al, ch, cl;
    SplitHalves(cross, &ch, &cl);
    band[c] += al * al + cl * 1e6;
    if (c + 1 < w) band[c + 1] += ah * ah + ch;
  }
  ReleaseModulo(band, w);

  // Times m, then the value modulo B^w again.
  BigIntView view(band, w + 3, w, 0);
  ShortMul(view, static_cast<double>(m), view);
  for (long c = view.Size; c < w; c++) band[c] = 0;

  // m x^2 is 1 - e or 1 + e with e far below the band's top: the band reads
  // 999..9 or 000..0 at its top.
  const long drop = lo - lo2;
  const double top = band[w - 1];
  long len = w;
  if (top == kBigIntMaxLimb) {
    while (len > drop && band[len - 1] == kBigIntMaxLimb) len--;
    s = 1;
  } else if (top == 0) {
    while (len > drop && band[len - 1] == 0) len--;
    s = -1;
  } else {
    Warning("PB in try !");
    return;
  }
  for (long c = drop; c < len; c++) band[c - drop] = band[c];
  t.Offset = lo + 2 * x.Offset;
  t.Size = len - drop;
  if (t.Size == 0) KeepOneUnit(t);
  else if (s == 1) Complement(t, t.Size);
  else t.UpdateSize();
}

void InvSqrtBigInt(long m, BigInt& x, BigInt& t) {
  const char* where = "InvSqrtBigInt";
  if (m < 2 || m > 1000000000000000L) error("Error in InvSqrtBigInt, m is out of range\n");
  if (x.NAlloc < 2) error("Error in InvSqrtBigInt, the result has less than 2 limbs\n");
  StartValue(1 / std::sqrt(static_cast<double>(m)), x);

  const double bandLimit = 10 * std::log(static_cast<double>(x.NAlloc));
  bool realigned = false;
  int stalled = 0;
  while (x.Size < x.NAlloc) {
    const long n = x.Size;
    int s = 0;
    // The last small step only needs a band of the square's limbs.
    if (static_cast<double>(x.NAlloc - n) < bandLimit)
      SqrtResidualBand(x, 2 * n - x.NAlloc, n + 5, m, t, s);
    bool squared = false;
    if (s == 0) {
      // One limb of t is kept free for the carry of the product by m.
      {
        ScopedCapacity square(t, t.NAlloc - 1);
        SquareTruncated(x, t);
      }
      ShortMul(t, static_cast<double>(m), t);
      s = TakeDeviation(t, where);
      squared = true;
    }
    if (s == 0) {
      x.Lengthen(std::min(2 * n, x.NAlloc));
    } else {
      BigIntView u = SpareView(t, std::min({t.NAlloc - t.Size, n, t.Size}));
      // A square of x in one block leaves x's spectrum in place; the product
      // checks that it belongs to x at the same size before using it.
      if (squared) MarkSpectrumCached();
      MulTruncated(x, t, u);
      ShortDiv(u, 2, u);
      AddCorrection(x, u, s, x.NAlloc, where);
    }
    CheckProgress(x.Size > n, stalled, where);

    // Cut once so that the later lengths sit just under a third of a
    // transform size and the last step ends on the target.
    if (!realigned && x.Size >= x.NAlloc / 16) {
      realigned = true;
      long k = Upper2Power(3 * x.NAlloc, 6 * x.NAlloc) / 3;
      while (k > x.Size - 20 && k > 1) k /= 2;
      if (k >= 2 && k < x.Size) x.DropLowLimbs(x.Size - k);
    }
    ProgressUpdate("InvSqrt", static_cast<double>(x.Size) / static_cast<double>(x.NAlloc));
  }
}
