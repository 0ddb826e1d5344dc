#include "mpint/smallint.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "shell/error_report.h"
#include "shell/memory.h"
#include "shell/progress.h"

namespace {

constexpr double kBase = kSmallIntBase;
constexpr double kInvBase = 1e-6;
constexpr double kTopLimb = kBase - 1;

// Nearest integer for |x| <= 2^51. The build never reassociates floating
// point, so the two additions are kept as written.
inline double Round(double x) {
  constexpr double kMagic = 6755399441055744.0;
  return (x + kMagic) - kMagic;
}

// c = q * 10^6 + limb with limb in [0, 10^6); returns q. The floor rounds
// c 10^-6 - 1/2: only an exact multiple of odd quotient (a tie) or the inexact
// 10^-6 leaves the limb out of range, rarely, so the test is a predicted
// branch and not one on every sign of the data.
inline double SplitFloor(double c, double* limb) {
  double q = Round(c * kInvBase - 0.5);
  double l = c - q * kBase;
  if (__builtin_expect(l < 0, 0)) {
    l += kBase;
    q -= 1;
  } else if (__builtin_expect(l >= kBase, 0)) {
    l -= kBase;
    q += 1;
  }
  *limb = l;
  return q;
}

// Keeps a limb sum in [0, 10^6) with a carry in {-1, 0, +1}.
inline double Reduce(double s, double* limb) {
  if (s < 0) {
    *limb = s + kBase;
    return -1;
  }
  if (s >= kBase) {
    *limb = s - kBase;
    return 1;
  }
  *limb = s;
  return 0;
}

// Growth of a result that may be one of the operands: then its limbs are kept.
void Reserve(const SmallInt& a, const SmallInt& b, SmallInt& r, long n) {
  if (&r == &a || &r == &b)
    r.Realloc(n);
  else
    r.Alloc(n);
}

// Appends the carry out of the top limb as further limbs (a negative number
// ends with a top limb -1).
void PushCarry(SmallInt& r, double c) {
  double* limbs = r.Limbs;
  while (c != 0 && c != -1) {
    if (r.Size >= r.NAlloc) error("ERROR in UpdateSmallInt, allocation of a is too small\n");
    c = SplitFloor(c, &limbs[r.Size]);
    r.Size++;
  }
  if (c == -1) {
    if (r.Size > 0 && limbs[r.Size - 1] == kTopLimb) {
      limbs[r.Size - 1] = -1;
    } else {
      if (r.Size >= r.NAlloc) error("ERROR in UpdateSmallInt, allocation of a is too small\n");
      limbs[r.Size++] = -1;
    }
  }
}

// The dot product of a coefficient: x[0..n) against y read downward from yTop.
// Four partial sums: every partial sum is an exact integer below 2^53, so the
// order of the additions does not change the result.
inline double Convolve(const double* x, const double* yTop, long n) {
  double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
  long i = 0;
  for (; i + 4 <= n; i += 4) {
    s0 += x[i] * yTop[-i];
    s1 += x[i + 1] * yTop[-i - 1];
    s2 += x[i + 2] * yTop[-i - 2];
    s3 += x[i + 3] * yTop[-i - 3];
  }
  for (; i < n; i++) s0 += x[i] * yTop[-i];
  return (s0 + s1) + (s2 + s3);
}

typedef double V4 __attribute__((vector_size(32)));

// Zeros on each side of the shorter operand, so that every block of four
// coefficients runs over one range of x.
constexpr long kPad = 4;

// r[k] = sum x[i] y[k-i] for every k, by blocks of four coefficients from the
// top down; y is padded with kPad zeros on both sides. A block reads x only at
// or below its own top, so r may be x. Exact: each lane sums integer products
// below 2^53 in whatever order.
#if defined(__x86_64__)
// Compiled for AVX2 and for any x86-64, chosen at run time; other machines
// take the generic vector code.
__attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
void ConvolveBlocks(const double* x, long nx, const double* y, long ny, double* r) {
  const long n = nx + ny - 1;
  long k0 = n - 4;
  for (; k0 >= 0; k0 -= 4) {
    const long lo = k0 - (ny - 1) > 0 ? k0 - (ny - 1) : 0;
    const long hi = k0 + 3 < nx - 1 ? k0 + 3 : nx - 1;
    V4 a0 = {0, 0, 0, 0}, a1 = a0, a2 = a0, a3 = a0;
    const double* yb = y + k0;
    long i = lo;
    for (; i + 3 <= hi; i += 4) {
      V4 y0, y1, y2, y3;
      __builtin_memcpy(&y0, yb - i, sizeof y0);
      __builtin_memcpy(&y1, yb - i - 1, sizeof y1);
      __builtin_memcpy(&y2, yb - i - 2, sizeof y2);
      __builtin_memcpy(&y3, yb - i - 3, sizeof y3);
      a0 += x[i] * y0;
      a1 += x[i + 1] * y1;
      a2 += x[i + 2] * y2;
      a3 += x[i + 3] * y3;
    }
    for (; i <= hi; i++) {
      V4 yv;
      __builtin_memcpy(&yv, yb - i, sizeof yv);
      a0 += x[i] * yv;
    }
    const V4 sum = (a0 + a1) + (a2 + a3);
    __builtin_memcpy(r + k0, &sum, sizeof sum);
  }
  for (long k = k0 + 3; k >= 0; k--) {
    const long lo = k - (ny - 1) > 0 ? k - (ny - 1) : 0;
    const long hi = k < nx - 1 ? k : nx - 1;
    double s = 0;
    for (long i = lo; i <= hi; i++) s += x[i] * y[k - i];
    r[k] = s;
  }
}

}  // namespace

SmallInt::SmallInt(const SmallInt& s) : MPInt() { *this = s; }

SmallInt& SmallInt::operator=(const SmallInt& s) {
  if (this == &s) return *this;
  // Two limbs of room: a carry release of the copy may need them.
  if (NAlloc < s.Size || Limbs == nullptr) Alloc(s.Size + 2);
  Size = s.Size;
  if (Size > 0) std::memmove(Limbs, s.Limbs, sizeof(double) * Size);
  return *this;
}

SmallInt::SmallInt(SmallInt&& s) noexcept : MPInt() { *this = std::move(s); }

SmallInt& SmallInt::operator=(SmallInt&& s) noexcept {
  if (this == &s) return *this;
  // The limbs of a view are not its own to hand over: they are copied.
  if (s.NoDelete() || NoDelete()) return *this = static_cast<const SmallInt&>(s);
  storage_ = std::move(s.storage_);
  Limbs = s.Limbs;
  NAlloc = s.NAlloc;
  Size = s.Size;
  s.Limbs = nullptr;
  s.NAlloc = s.Size = 0;
  return *this;
}

void SmallInt::Alloc(long n) {
  if (n < 1) n = 1;
  if (NAlloc >= n && Limbs != nullptr) return;
  if (NoDelete()) error("Error, Alloc cannot be used on a NoDelete SmallInt");
  Limbs = storage_.Allocate(n);
  NAlloc = n;
  Size = 0;
}

void SmallInt::Realloc(long n) {
  if (n < 1) n = 1;
  if (NAlloc >= n && Limbs != nullptr) return;
  if (NoDelete()) error("Error, Realloc cannot be used on a NoDelete SmallInt");
  LimbStorage grown;
  double* limbs = grown.Allocate(n);
  if (Size > 0) std::memcpy(limbs, Limbs, sizeof(double) * Size);
  storage_ = std::move(grown);
  Limbs = limbs;
  NAlloc = n;
}

SmallIntView::SmallIntView(const SmallInt& a, long k) {
  if (a.NAlloc - k < 1) error("Error in  SmallInt::AllocSpecial, a has not enough space ");
  Limbs = a.Limbs + k;
  NAlloc = a.NAlloc - k;
  Size = 0;
}

void SmallInt::Free() {
  storage_.Release();
  Limbs = nullptr;
  NAlloc = 0;
  Size = 0;
}

void SmallInt::WriteToBuffer(double* dst, long count, long start) const {
  std::memcpy(dst, Limbs + start, sizeof(double) * count);
}

void SmallInt::CopyTo(SmallInt& r) const {
  if (&r == this) return;
  if (r.NAlloc < Size) error("Error in SmallInt::CopyTo, r has not sufficient space");
  r.Size = Size;
  std::memmove(r.Limbs, Limbs, sizeof(double) * Size);
}

void SmallInt::Set(double x) {
  if (std::fabs(x) > 1e15) error("Error in SmallInt::Set, x is too large");
  // Up to 10^15 takes three limbs; a negative value one more for its -1 top.
  const long need = (x >= 0 && x < kBase) ? 1 : x >= 0 ? 3 : 4;
  if (NAlloc < need || Limbs == nullptr) Alloc(need);
  Limbs[0] = x;
  Size = 1;
  if (x < 0 || x >= kBase) UpdateSmallInt();
}

bool SmallInt::IsZero() {
  if (Size == 0) return true;
  UpdateSmallInt();
  return Size == 1 && Limbs[0] == 0;
}

bool SmallInt::IsOne() {
  if (Size == 0) return false;
  UpdateSmallInt();
  return Size == 1 && Limbs[0] == 1;
}

double SmallInt::ToDouble() const {
  double acc = 0;
  for (long i = Size - 1; i >= 0; i--) acc = acc * kBase + Limbs[i];
  return acc;
}

double SmallInt::Log() const {
  long top = Size - 1;
  while (top >= 0 && Limbs[top] == 0) top--;
  if (top < 0) return -HUGE_VAL;
  const long k = top + 1 > 4 ? top + 1 - 4 : 0;
  double v = 0;
  for (long i = top; i >= k; i--) v = v * kBase + Limbs[i];
  return std::log(std::fabs(v)) + static_cast<double>(k) * std::log(kBase);
}

int SmallInt::Sign() const {
  long top = Size - 1;
  while (top >= 0 && Limbs[top] == 0) top--;
  if (top < 0) return 0;
  double v = 0;
  for (long i = top; i >= 0 && i > top - 4; i--) v = v * kBase + Limbs[i];
  return v > 0 ? 1 : (v < 0 ? -1 : 0);
}

void SmallInt::UpdateSmallInt() {
  if (Size <= 0) return;
  double* limbs = Limbs;
  const long n = Size;
  double c = 0;
  // Balanced lower limbs (rounding to nearest), so that later products of
  // these limbs stay small.
  for (long i = 0; i < n - 2; i++) {
    c += limbs[i];
    const double q = Round(c * kInvBase);
    limbs[i] = c - q * kBase;
    c = q;
  }
  for (long i = (n > 2 ? n - 2 : 0); i < n; i++) c = SplitFloor(c + limbs[i], &limbs[i]);
  PushCarry(*this, c);
  Trim();
}

void SmallInt::Trim() {
  if (Size <= 0) {
    if (Limbs == nullptr) return;
    Limbs[0] = 0;
    Size = 1;
    return;
  }
  while (Size > 1 && Limbs[Size - 1] == 0) Size--;
  if (Limbs[Size - 1] == -1) {
    long k = Size - 1;
    while (k > 0 && Limbs[k - 1] == kTopLimb) k--;
    Limbs[k] = -1;
    Size = k + 1;
  }
}

SmallIntConstants& SmallIntShared() {
  static SmallIntConstants constants;
  return constants;
}

void InitSmallIntConstants() {
  SmallIntShared().Zero.Set(0);
  SmallIntShared().One.Set(1);
}

void NegateSmallInt(const SmallInt& a, SmallInt& r) {
  const long n = a.Size;
  Reserve(a, a, r, n + 1);
  for (long i = 0; i < n; i++) r.Limbs[i] = -a.Limbs[i];
  r.Size = n;
  r.UpdateSmallInt();
}

void AddSmallInt(const SmallInt& a, const SmallInt& b, SmallInt& r) {
  const SmallInt& lg = a.Size >= b.Size ? a : b;
  const SmallInt& sh = a.Size >= b.Size ? b : a;
  const long nl = lg.Size, ns = sh.Size;
  Reserve(a, b, r, nl + 1);
  const double* L = lg.Limbs;
  const double* S = sh.Limbs;
  double* R = r.Limbs;
  double c = 0;
  for (long i = 0; i < ns; i++) c = Reduce(c + S[i] + L[i], &R[i]);
  for (long i = ns; i < nl; i++) c = Reduce(c + L[i], &R[i]);
  r.Size = nl;
  if (c != 0) {
    if (nl >= r.NAlloc) error("Allocation problem in AddBigInt");
    R[nl] = c;
    r.Size = nl + 1;
  }
  r.Trim();
}

void SubstractSmallInt(const SmallInt& a, const SmallInt& b, SmallInt& r) {
  const long na = a.Size, nb = b.Size;
  const long n = na > nb ? na : nb;
  Reserve(a, b, r, n + 1);
  const double* A = a.Limbs;
  const double* B = b.Limbs;
  double* R = r.Limbs;
  const long common = na < nb ? na : nb;
  double c = 0;
  for (long i = 0; i < common; i++) c = Reduce(c + A[i] - B[i], &R[i]);
  for (long i = common; i < na; i++) c = Reduce(c + A[i], &R[i]);
  for (long i = common; i < nb; i++) c = Reduce(c - B[i], &R[i]);
  r.Size = n;
  if (c != 0) {
    // The capacity reserved above always has this limb; a failure here would
    // silently lose the carry, so it is fatal.
    if (n >= r.NAlloc) error("Allocation problem in SubstractSmallInt\n");
    R[n] = c;
    r.Size = n + 1;
  }
  r.Trim();
}

void SquareSmallInt(const SmallInt& a, SmallInt& r) {
  const long n = a.Size;
  if (n > kSmallIntMaxTerms) error("Problem in SquareSmallInt, SmallInt are too large");
  Reserve(a, a, r, 2 * n);
  const double* A = a.Limbs;
  double* R = r.Limbs;
  // From the top down, so that r may be a: coefficient k reads limbs <= k only.
  for (long k = 2 * n - 2; k >= 0; k--) {
    const long lo = k - (n - 1) > 0 ? k - (n - 1) : 0;
    const long half = (k + 1) / 2;  // pairs i < k - i
    double s = half > lo ? 2 * Convolve(A + lo, A + k - lo, half - lo) : 0;
    if ((k & 1) == 0) s += A[k / 2] * A[k / 2];
    R[k] = s;
  }
  r.Size = 2 * n - 1;
  r.UpdateSmallInt();
}

void MulSmallInt(const SmallInt& a, const SmallInt& b, SmallInt& r, int update) {
  const SmallInt& x = a.Size >= b.Size ? a : b;
  const SmallInt& y = a.Size >= b.Size ? b : a;
  const long nx = x.Size, ny = y.Size;
  if (ny > kSmallIntMaxTerms) {
    // Beyond this a coefficient could pass 2^53 and the product would be wrong.
    errorf("Problem in MulSmallInt, SmallInt are too large, Na=%ld, Nb=%ld", a.Size, b.Size);
  }
  if (&r != &a && &r != &b && x.Limbs[nx - 1] != 0 && y.Limbs[ny - 1] != 0 &&
      ((nx > 1 && x.Limbs[0] == 0) || (ny > 1 && y.Limbs[0] == 0))) {
    // Low zero limbs (powers of the base) are left out of the schoolbook.
    long zx = 0, zy = 0;
    while (zx < nx - 1 && x.Limbs[zx] == 0) zx++;
    while (zy < ny - 1 && y.Limbs[zy] == 0) zy++;
    r.Alloc(nx + ny);
    SmallIntView vx(x, zx), vy(y, zy);
    vx.Size = nx - zx;
    vy.Size = ny - zy;
    MulSmallInt(vx, vy, r, update);
    const long z = zx + zy;
    std::memmove(r.Limbs + z, r.Limbs, sizeof(double) * r.Size);
    std::memset(r.Limbs, 0, sizeof(double) * z);
    r.Size += z;
    return;
  }
  Reserve(a, b, r, nx + ny);
  // The shorter operand is copied between zeros: r may then be either operand.
  double padded[kSmallIntMaxTerms + 2 * kPad];
  for (long j = 0; j < kPad; j++) padded[j] = padded[kPad + ny + j] = 0;
  std::memcpy(padded + kPad, y.Limbs, sizeof(double) * ny);
  ConvolveBlocks(x.Limbs, nx, padded + kPad, ny, r.Limbs);
  r.Size = nx + ny - 1;
  if (update) r.UpdateSmallInt();
}

void ShortMulSmallInt(const SmallInt& a, double m, SmallInt& r) {
  if (std::fabs(m) > 1e9) {
    LongShortMulSmallInt(a, m, r);
    return;
  }
  const long n = a.Size;
  Reserve(a, a, r, n + 2);
  const double* A = a.Limbs;
  double* R = r.Limbs;
  double c = 0;
  for (long i = 0; i < n; i++) c = SplitFloor(m * A[i] + c, &R[i]);
  r.Size = n;
  PushCarry(r, c);
  r.Trim();
}

void LongShortMulSmallInt(const SmallInt& a, double m, SmallInt& r) {
  if (std::fabs(m) > 1e15) error("Error in SmallInt::LongShortMul,m is too large\n");
  double ml;
  const double mh = SplitFloor(m, &ml);
  const long n = a.Size;
  Reserve(a, a, r, n + 3);
  const double* A = a.Limbs;
  double* R = r.Limbs;
  double c = 0;
  for (long i = 0; i < n; i++) {
    const double x = A[i];
    c = SplitFloor(x * ml + c, &R[i]);
    c += x * mh;
  }
  r.Size = n;
  PushCarry(r, c);
  r.Trim();
}

void ShortDivSmallInt(const SmallInt& a, double m, SmallInt& r) {
  const double am = std::fabs(m);
  if (am > 1e9) {
    LongShortDivSmallInt(a, m, r);
    return;
  }
  if (am == 0) error("Error in ShortDivSmallInt, division by 0");
  const long n = a.Size;
  Reserve(a, a, r, m < 0 ? n + 1 : n);
  const double* A = a.Limbs;
  double* R = r.Limbs;
  const double inv = 1 / am;
  // rem stays in [0, am): rem * 10^6 + limb < 10^15.
  double rem = 0;
  for (long i = n - 1; i >= 0; i--) {
    const double t = rem * kBase + A[i];
    double q = Round(t * inv);
    rem = t - q * am;
    while (rem < 0) {
      q -= 1;
      rem += am;
    }
    while (rem >= am) {
      q += 1;
      rem -= am;
    }
    R[i] = m < 0 ? -q : q;
  }
  if (rem != 0) errorf("Carry is not zero in ShortDivSmallInt (carry=%.0lf, m=%.0lf)", rem, m);
  r.Size = n;
  if (m < 0)
    r.UpdateSmallInt();
  else
    r.Trim();
}

void LongShortDivSmallInt(const SmallInt& a, double m, SmallInt& r) {
  const double am = std::fabs(m);
  if (am > 1e12) error("Error in SmallInt::LongShortMul,m is too large\n");
  const long n = a.Size;
  Reserve(a, a, r, m < 0 ? n + 1 : n);
  const double* A = a.Limbs;
  double* R = r.Limbs;
  // The remainder (up to 10^12) times 10^6 would pass 2^53: it is carried in
  // 9-digit halves, with 10^15 = Q * am + R0.
  const double Q = std::floor(1e15 / am);
  const double R0 = 1e15 - Q * am;
  const double inv = 1 / am;
  double rem = 0;
  for (long i = n - 1; i >= 0; i--) {
    double h = Round(rem * 1e-9);
    double low = rem - h * 1e9;
    if (low < 0) {
      h -= 1;
      low += 1e9;
    }
    const double t = low * kBase + A[i] + h * R0;
    double q = Round(t * inv);
    rem = t - q * am;
    while (rem < 0) {
      q -= 1;
      rem += am;
    }
    while (rem >= am) {
      q += 1;
      rem -= am;
    }
    const double limb = h * Q + q;
    R[i] = m < 0 ? -limb : limb;
  }
  if (rem != 0) error("Carry is not zero in LongShortDivSmallInt");
  r.Size = n;
  if (m < 0)
    r.UpdateSmallInt();
  else
    r.Trim();
}

namespace {

// a = op(a, f1 f2 f3) in as few passes as the bound of one factor allows.
void ThreeFactors(SmallInt& a, double f1, double f2, double f3, double bound,
                  void (*op)(const SmallInt&, double, SmallInt&)) {
  const double f12 = f1 * f2;
  if (std::fabs(f12 * f3) <= bound) {
    op(a, f12 * f3, a);
  } else if (std::fabs(f12) <= bound) {
    op(a, f12, a);
    op(a, f3, a);
  } else {
    op(a, f1, a);
    op(a, f2, a);
    op(a, f3, a);
  }
}

}  // namespace

void MulThreeFactorsSmallInt(SmallInt& a, double f1, double f2, double f3) {
  ThreeFactors(a, f1, f2, f3, 1e15, ShortMulSmallInt);
}

void DivThreeFactorsSmallInt(SmallInt& a, double f1, double f2, double f3) {
  ThreeFactors(a, f1, f2, f3, 1e12, ShortDivSmallInt);
}
