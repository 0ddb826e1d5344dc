#include "mpint/bigint.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "shell/error_report.h"
#include "shell/memory.h"

namespace {

constexpr double kInvBase = 1e-12;

// q = floor(c / 10^12) and the remainder in [0, 10^12). The product by the
// inexact 10^-12 can miss by one at exact multiples, hence the correction.
inline double SplitCarry(double c, double* rest) {
  // floor by rounding x - 1/2 with the 1.5 x 2^52 constant (no library call);
  // ties and the inexact 10^-12 are caught by the correction below.
  constexpr double kRound = 6755399441055744.0;
  double q = (c * kInvBase - 0.5 + kRound) - kRound;
  double r = c - q * kBigIntBase;
  if (r < 0) {
    r += kBigIntBase;
    q -= 1;
  } else if (r >= kBigIntBase) {
    r -= kBigIntBase;
    q += 1;
  }
  *rest = r;
  return q;
}

}  // namespace

BigInt::BigInt(BigInt&& other) noexcept { *this = std::move(other); }

BigInt& BigInt::operator=(BigInt&& other) noexcept {
  if (this == &other) return *this;
  // A view handed over would become a second owner of borrowed limbs.
  if (other.Limbs != nullptr && other.storage_.Empty())
    error("Error, a view of a BigInt cannot take over storage");
  storage_ = std::move(other.storage_);
  Size = other.Size;
  NAlloc = other.NAlloc;
  Offset = other.Offset;
  Limbs = other.Limbs;
  room_ = other.room_;
  other.Size = other.NAlloc = other.room_ = 0;
  other.Limbs = nullptr;
  return *this;
}

void BigInt::Alloc(long n) {
  if (n < 1) n = 1;
  Limbs = storage_.Allocate(n);
  room_ = NAlloc = n;
  Offset = 0;
  Size = 1;
  Limbs[0] = 0;
}

void BigInt::Free() {
  storage_.Release();
  Limbs = nullptr;
  room_ = NAlloc = 0;
  Size = 0;
}

void BigInt::WriteToBuffer(double* dst, long count, long start) const {
  for (long i = 0; i < count; i++) dst[i] = Limbs[start + i];
}

void BigInt::SetCapacity(long n) {
  if (n < 0 || n > room_)
    errorf("Error, a capacity of %ld limbs is beyond the %ld limbs stored", n, room_);
  NAlloc = n;
}

BigIntView BigInt::ViewFrom(long k) const {
  BigIntView v(Limbs + k, room_ - k, Size - k, Offset + k);
  v.NAlloc = NAlloc - k;
  return v;
}

BigIntView BigInt::ViewTop(long k) const { return ViewFrom(Size - k); }

BigIntView BigInt::Above(long capacity) const {
  if (capacity < 1 || capacity > NAlloc - Size)
    error("Error, there is no room above a number for its right part");
  BigIntView v(Limbs + Size, room_ - Size, 1, 0);
  v.NAlloc = capacity;
  v.Limbs[0] = 0;
  return v;
}

BigIntView BigInt::Above() const { return Above(NAlloc - Size); }

BigIntView::BigIntView(double* limbs, long room, long size, long offset) {
  Limbs = limbs;
  room_ = NAlloc = room;
  Size = size;
  Offset = offset;
}

BigIntView::BigIntView(const BigIntView& v) : BigInt() { *this = v; }

BigIntView& BigIntView::operator=(const BigIntView& v) {
  Limbs = v.Limbs;
  room_ = v.room_;
  NAlloc = v.NAlloc;
  Size = v.Size;
  Offset = v.Offset;
  return *this;
}

void BigInt::CopyTo(BigInt& r) const {
  if (r.NAlloc < Size) error("Error in BigInt::CopyTo, r has not sufficient space");
  r.Size = Size;
  r.Offset = Offset;
  for (long i = Size - 1; i >= 0; i--) r.Limbs[i] = Limbs[i];
}

void BigInt::DropLowLimbs(long k) {
  if (k <= 0) return;
  if (k >= Size) {
    Offset += k;
    Size = 1;
    Limbs[0] = 0;
    return;
  }
  for (long i = k; i < Size; i++) Limbs[i - k] = Limbs[i];
  Size -= k;
  Offset += k;
}

void BigInt::Lengthen(long len) {
  const long shift = len - Size;
  if (shift <= 0) return;
  if (len > NAlloc) error("Error, a number cannot be lengthened beyond its capacity");
  for (long i = Size - 1; i >= 0; i--) Limbs[i + shift] = Limbs[i];
  for (long i = 0; i < shift; i++) Limbs[i] = 0;
  Size = len;
  Offset -= shift;
}

void BigInt::UpdateBigInt() {
  // Each limb is cut at its own multiple of 10^12 (no chain from limb to limb)
  // and takes the quotient of the limb below; the sum leaves [0, 10^12) only
  // near a bound of the range (or where the inexact 10^-12 missed a multiple),
  // rarely: that carry is a branch the processor predicts.
  constexpr double kRound = 6755399441055744.0;
  double q = 0;  // the quotient of the limb below
  double c = 0;  // the carry of a sum out of range
  for (long i = 0; i < Size; i++) {
    const double x = Limbs[i];
    const double qi = (x * kInvBase - 0.5 + kRound) - kRound;
    double t = (x - qi * kBigIntBase) + q + c;
    q = qi;
    c = 0;
    if (__builtin_expect(t < 0 || t >= kBigIntBase, 0)) c = SplitCarry(t, &t);
    Limbs[i] = t;
  }
  PutCarry(Size, q + c);
}

void BigInt::PutCarry(long n, double c) {
  while (c != 0) {
    if (c == -1 && n >= 1 && Limbs[n - 1] == kBigIntMaxLimb) {
      Limbs[n - 1] = -1;
      Size = n;
      break;
    }
    if (n >= NAlloc) {
      // Full: keep the top limbs, the exponent rises.
      Offset += 1;
      for (long i = 1; i < n; i++) Limbs[i - 1] = Limbs[i];
      n -= 1;
    }
    Size = n + 1;
    if (c == -1) {
      Limbs[n] = -1;
      break;
    }
    c = SplitCarry(c, &Limbs[n]);
    n += 1;
  }
  UpdateSize();
}

void BigInt::UpdateSize() {
  // A number always keeps one limb; with none in use it is 0.
  if (Size < 1) {
    Size = 1;
    Limbs[0] = 0;
    return;
  }
  long top = Size - 1;
  while (top > 0 && Limbs[top] == 0) top--;
  if (Limbs[top] == -1) {
    long j = top - 1;
    while (j >= 0 && Limbs[j] == kBigIntMaxLimb) j--;
    top = j + 1;
    Limbs[top] = -1;
  }
  Size = top + 1;
}

void BigInt::Print() const {
  if (Size <= 0) {
    std::printf("(empty)");
  } else {
    std::printf("%.0f", Limbs[Size - 1]);
    for (long i = Size - 2; i >= 0; i--) std::printf("%012.0f", Limbs[i]);
  }
  std::printf(" OFFSET=%ld\n", Offset);
}

namespace {

inline double LimbAt(const BigInt& a, long e) {
  long i = e - a.Offset;
  return (i >= 0 && i < a.Size) ? a.Limbs[i] : 0.0;
}

// Sum or difference over the exponents [bottom, top) of r. Each read limb sits
// at an index at least as high as the limb written, so r may be a or b.
void AddSub(const BigInt& a, const BigInt& b, BigInt& r, double sign) {
  long top = std::max(a.Offset + a.Size, b.Offset + b.Size);
  long bottom = std::max(a.Offset, b.Offset);
  // A result longer than its capacity keeps its top limbs.
  if (top - bottom > r.NAlloc) bottom = top - r.NAlloc;
  long n = top - bottom;
  // Each limb's own sum is reduced without a branch and its carry passed up;
  // the carry in pushes a limb out of range only at 0 or 999999999999, rarely
  // (a branch the processor predicts), so no carry chain runs limb to limb.
  double up = 0;  // the carry of the limb below's own sum
  double c = 0;   // the carry of a limb pushed out of range by the carry in
  for (long k = 0; k < n; k++) {
    const long e = bottom + k;
    const double x = LimbAt(a, e) + sign * LimbAt(b, e);
    const double out = static_cast<double>(x >= kBigIntBase) - static_cast<double>(x < 0);
    double s = (x - out * kBigIntBase) + up + c;
    up = out;
    c = 0;
    if (__builtin_expect(s >= kBigIntBase || s < 0, 0)) {
      c = s < 0 ? -1 : 1;
      s -= c * kBigIntBase;
    }
    r.Limbs[k] = s;
  }
  r.Offset = bottom;
  r.Size = n;
  r.PutCarry(n, up + c);
}

}  // namespace

void AddBigInt(const BigInt& a, const BigInt& b, BigInt& r) {
  // The operand reaching higher is the long one; the order of a sum does not matter.
  AddSub(a, b, r, 1.0);
}

void AddBigIntAligned(const BigInt& a, const BigInt& b, BigInt& r) {
  if (a.IsZero()) {
    if (&b != &r) b.CopyTo(r);
  } else if (b.IsZero()) {
    if (&a != &r) a.CopyTo(r);
  } else {
    AddBigInt(a, b, r);
  }
}

void SubstractBigInt(const BigInt& a, const BigInt& b, BigInt& r) {
  if (r.NAlloc < a.Size || r.NAlloc < b.Size) error("Allocation Problem in SubstractBigInt\n");
  AddSub(a, b, r, -1.0);
}

void NegateBigInt(BigInt& x) {
  double zero[2] = {0, 0};
  const BigIntView z(zero, 1, 1, x.Offset);
  SubstractBigInt(z, x, x);
}

void ShortMul(const BigInt& a, double m, BigInt& r) {
  if (r.NAlloc < a.Size) {
    const BigIntView view = a.ViewFrom(a.Size - r.NAlloc);
    ShortMul(view, m, r);
    return;
  }
  if (std::fabs(m) > 1e15) error("ERROR in BigInt::ShortMul, m is too big");
  if (std::fabs(m) > 3000) {
    LongShortMul(a, m, r);
    return;
  }
  // 10^12 x 3000 stays below 2^53: the direct product is exact.
  for (long i = 0; i < a.Size; i++) r.Limbs[i] = a.Limbs[i] * m;
  r.Size = a.Size;
  r.Offset = a.Offset;
  r.UpdateBigInt();
}

void LongShortMul(const BigInt& a, double m, BigInt& r) {
  // m and every limb cut at 10^6 so that each partial product stays below 2^53.
  double mh, ml;
  SplitHalves(m, &mh, &ml);
  const long n = a.Size;
  double carry = 0;  // the high part carried to the next limb
  double c = 0;      // the carry of the running normalisation
  for (long i = 0; i < n; i++) {
    double x = a.Limbs[i];
    double xh = RoundNearest(x * 1e-6);
    double xl = x - xh * 1e6;
    double mid = xl * mh + xh * ml;
    double midh = RoundNearest(mid * 1e-6);
    double low = xl * ml + carry + (mid - midh * 1e6) * 1e6;
    carry = midh + xh * mh;
    c = SplitCarry(c + low, &r.Limbs[i]);
  }
  r.Size = n;
  r.Offset = a.Offset;
  r.PutCarry(n, carry + c);
}

void ShortDiv(const BigInt& a, double m, BigInt& r) {
  if (r.NAlloc < a.Size) error("ERROR in BigInt::ShortDiv, allocation of r is too small\n");
  if (std::fabs(m) * 1e12 > 1e15) error("WARNING in BigInt::ShortDiv, m is too big");
  const double inv = 1 / m;
  const long n = a.Size;
  double rem = 0;
  for (long i = n - 1; i >= 1; i--) {
    rem = rem * kBigIntBase + a.Limbs[i];
    double q = Floor(rem * inv);
    double left = rem - q * m;
    // The inexact 1/m may miss the quotient by one; keep the remainder on m's side.
    if (m > 0 ? left < 0 : left > 0) {
      q -= 1;
      left += m;
    } else if (m > 0 ? left >= m : left <= m) {
      q += 1;
      left -= m;
    }
    r.Limbs[i] = q;
    rem = left;
  }
  r.Limbs[0] = Floor((rem * kBigIntBase + a.Limbs[0]) * inv + 0.1);
  r.Size = n;
  r.Offset = a.Offset;
  // The rounded lowest limb may reach 10^12: a carry pass rather than a bare trim.
  r.UpdateBigInt();
}
