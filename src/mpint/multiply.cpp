// Products of BigInts: the choice of transform size, block products for
// unbalanced operands, schoolbook tails and the truncated products.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "fft/fft_product.h"
#include "mpint/fft_mul.h"
#include "mpint/bigint.h"
#include "mpint/multiply.h"
#include "shell/error_report.h"
#include "shell/memory.h"

namespace {

// Remainders of at most T limbs go to schoolbook rather than to a transform.
long TailThreshold(long N) { return static_cast<long>(5 * std::log(static_cast<double>(N))); }

// What is left of n after removing blocks while more than T remain.
long Remainder(long n, long block, long T) {
  long t = n;
  if (n > T) {
    while (t > T) t -= block;
  }
  return t;
}

BigIntView View(const BigInt& a, long from, long size) {
  BigIntView v = a.ViewFrom(from);
  v.Size = size;
  return v;
}

// The longest tail that goes to schoolbook: T = 5 ln N for the largest
// transform a long can index.
constexpr long kMaxTail = 220;

// The tail limbs of b cut into 6-digit halves (hi, lo pairs).
void CutHalves(const BigInt& b, long t, double* halves) {
  if (t > kMaxTail) error("Error in MulSchoolbookTail, the tail is too long");
  for (long j = 0; j < t; j++) {
    const double x = b.Limbs[j];
    const double hi = RoundNearest(x * 1e-6);
    halves[2 * j] = hi;
    halves[2 * j + 1] = x - hi * 1e6;
  }
}

void Zero(BigInt& r, long from, long to) {
  if (to > from) std::fill(r.Limbs + from, r.Limbs + to, 0.0);
}

// The top-aligned product in r[0 .. L) is complete: fold the spare limb L
// (at most a unit of overflow from the top coefficient) and normalise.
void Finish(BigInt& r, long L, long offset) {
  r.Limbs[L - 1] += r.Limbs[L] * kBigIntBase;
  r.Limbs[L] = 0;
  r.Size = L;
  r.Offset = offset;
  r.UpdateBigInt();
}

// Block size for a first operand of n limbs in a block product: one transform
// when it fits, halves of a transform when n sits just above a power of two.
long FirstOperandBlock(long n) {
  const long nmax = GetNFFT();
  long block = nmax / 3;
  if (n < nmax / 3) {
    long N = Upper2Power(3 * n, nmax);
    if (3 * n - N / 2 < N / 16) block = N / 6;
  }
  return block;
}

// The block products read their operands while they write r: an operand that
// shares r's storage is copied first (only products beyond one transform).
template <typename Product>
void WithOperandsApartFrom(const BigInt& r, const BigInt& a, const BigInt& b, Product product) {
  const bool onA = r.Limbs == a.Limbs, onB = r.Limbs == b.Limbs;
  if (!onA && !onB) {
    product(a, b);
    return;
  }
  const BigInt& shared = onA ? a : b;
  BigInt copy(shared.Size);
  shared.CopyTo(copy);
  product(onA ? copy : a, onB ? copy : b);
}

}  // namespace

void MulBigInt(const BigInt& a, const BigInt& b, BigInt& r, BigInt* special) {
  long N = 256;
  while (N < 3 * a.Size || N < 3 * b.Size) N *= 2;
  if (N <= GetNFFT() && a.Size + b.Size <= r.NAlloc) {
    if (2 * a.Size < b.Size) {
      MulUnbalanced(a, b, r, special);
    } else if (2 * b.Size >= a.Size) {
      FFTMul(a, b, r);
    } else {
      MulUnbalanced(b, a, r, special);
    }
  } else if (3 * std::min(a.Size, b.Size) > GetNFFT()) {
    // Neither operand fits one transform: the block product cuts both, and
    // with room for every limb it is exact.
    WithOperandsApartFrom(r, a, b,
                          [&r](const BigInt& x, const BigInt& y) { MulTruncated(x, y, r); });
  } else if (a.Size > b.Size) {
    MulUnbalanced(b, a, r, special);
  } else {
    MulUnbalanced(a, b, r, special);
  }
}

void SquareBigInt(const BigInt& a, BigInt& r) {
  if (3 * a.Size > GetNFFT())
    WithOperandsApartFrom(r, a, a, [&r](const BigInt& x, const BigInt&) { SquareTruncated(x, r); });
  else
    FFTSquare(a, r);
}

void MulUnbalanced(const BigInt& a, const BigInt& b, BigInt& r, BigInt* special) {
  const long nmax = GetNFFT();
  const long N = Upper2Power(3 * a.Size, nmax);
  const long block = N / 3;
  const long T = TailThreshold(N);
  const long t = Remainder(b.Size, block, T);
  if (t > 0 && r.NAlloc >= b.Size && special != nullptr && special->NAlloc >= b.Size - t &&
      special->Limbs != a.Limbs && special->Limbs != b.Limbs) {
    // The schoolbook tail reads a after r is written: a short operand that
    // shares r's storage is copied first.
    if (r.Limbs == a.Limbs) {
      BigInt copy(a.Size);
      a.CopyTo(copy);
      MulUnbalanced(copy, b, r, special);
      return;
    }
    SetFirstOperand(a.Limbs, a.Size, N);
    MarkSpectrumCached();
    // b's upper part moves to the special operand and its tail is cut into
    // halves before r, which may share storage with b, is written.
    const long upper = b.Size - t;
    for (long i = 0; i < upper; i++) special->Limbs[i] = b.Limbs[t + i];
    special->Size = upper;
    special->Offset = b.Offset + t;
    double halves[2 * kMaxTail];
    CutHalves(b, t, halves);
    const long m = std::min(a.Size + b.Size, r.NAlloc);
    const long bsize = b.Size, boffset = b.Offset;
    Zero(r, 0, m + 1);
    if (upper > 0) SpecialMul(a, *special, r, m);
    // b itself may be gone: the tail needs only its size, offset and halves.
    double none = 0;
    const BigIntView shape(&none, 0, bsize, boffset);
    MulSchoolbookTail(a, shape, t, r, m, halves);
    return;
  }
  SpecialMul(a, b, r, 0);
}

void SpecialMul(const BigInt& a, const BigInt& b, BigInt& r, long m) {
  const long nmax = GetNFFT();
  const long N = Upper2Power(3 * a.Size, nmax);
  const long block = N / 3;
  const long asize = a.Size;
  const long offset = a.Offset + b.Offset + a.Size + b.Size;
  const bool owned = m == 0;
  const long L = owned ? std::min(a.Size + b.Size, r.NAlloc) : m;
  // A block's product lands below the block by the limbs the result drops;
  // when r shares b's storage, only the next block is saved from it.
  if (r.Limbs == b.Limbs && b.Limbs != a.Limbs && a.Size + b.Size - L > block) {
    BigInt copy(b.Size);
    b.CopyTo(copy);
    SpecialMul(a, copy, r, m);
    return;
  }
  SetFirstOperand(a.Limbs, a.Size, N);
  long R = L;
  long e = b.Size;
  long s = std::max(e - block, 0L);
  long reached = L + 1;  // lowest limb written so far (owned mode zeroes below it)
  // The first block is read from b (b itself and whole: a square), the later
  // ones from the scratch copy.
  const double* blockLimbs = b.Limbs + s;
  BigInt& scratch = ScratchBigInt();
  while (R > 0 && e > 0) {
    const long k = e - s;
    const FFTProduct p = MulByFirstOperand(blockLimbs, k);
    // r may share storage with b: the next block is saved before r is written.
    const long ns = std::max(s - block, 0L);
    if (s > 0) {
      if (s - ns > nmax / 3) error("PB in SpecialMul, Nb0-Nb00>Nmax/3");
      std::memcpy(scratch.Limbs, b.Limbs + ns, sizeof(double) * (s - ns));
    }
    const long pos = R - (asize + k);
    const long carryStart = pos < 0 ? -3 * pos : 0;
    const long carryEnd = 3 * (asize + k) - 1;
    const long low = std::max(pos, 0L);
    if (owned && low < reached) Zero(r, low, reached);
    reached = std::min(reached, low);
    if (carryStart < carryEnd) InverseFFTAndCarry(p, carryStart, carryEnd, r.Limbs, pos);
    R -= k;
    e = s;
    s = ns;
    blockLimbs = scratch.Limbs;
  }
  if (owned) {
    Zero(r, 0, reached);
    Finish(r, L, offset - L);
  }
}

void MulSchoolbookTail(const BigInt& a, const BigInt& b, long t, BigInt& r, long L,
                       const double* bHalves) {
  double own[2 * kMaxTail];
  if (bHalves == nullptr) {
    CutHalves(b, t, own);
    bHalves = own;
  }
  const long shift = L - a.Size - b.Size;
  // Six-digit halves keep every partial product below 10^12.
  for (long i = 0; i < a.Size; i++) {
    const double x = a.Limbs[i];
    const double ah = RoundNearest(x * 1e-6), al = x - ah * 1e6;
    for (long j = std::max(-shift - 1 - i, 0L); j < t; j++) {
      const double bh = bHalves[2 * j], bl = bHalves[2 * j + 1];
      const double mid = al * bh + bl * ah;
      const double midh = RoundNearest(mid * 1e-6);
      const double low = al * bl + (mid - midh * 1e6) * 1e6;
      const long k = shift + i + j;
      if (k >= 0) {
        r.Limbs[k] += low;
        r.Limbs[k + 1] += ah * bh + midh;
      } else {
        r.Limbs[0] += Floor(low * 1e-12) + ah * bh + midh;
      }
    }
  }
  Finish(r, L, a.Offset + b.Offset + a.Size + b.Size - L);
}

void MulTruncated(const BigInt& a, const BigInt& b, BigInt& r) {
  const long nmax = GetNFFT();
  const long N = 3 * a.Size < nmax ? Upper2Power(3 * a.Size, nmax) : nmax;
  const long T = TailThreshold(N);
  const long L = std::min(a.Size + b.Size, r.NAlloc);
  const long ta = Remainder(a.Size, N / 3, T);
  const long tb = Remainder(b.Size, N / 3, T);
  const bool cutA = 1 <= ta && ta < a.Size;
  const bool cutB = !cutA && 1 <= tb && tb < b.Size;
  if (!cutA && !cutB) {
    MulTruncatedBlocks(a, b, r);
    return;
  }
  const long t = cutA ? ta : tb;
  const long Lh = std::min(a.Size + b.Size - t, r.NAlloc);
  Zero(r, 0, L - Lh);
  BigIntView upper = r.ViewFrom(L - Lh);
  upper.SetCapacity(Lh);
  const BigIntView ua = a.ViewFrom(cutA ? ta : 0);
  const BigIntView ub = b.ViewFrom(cutA ? 0 : tb);
  MulTruncated(ua, ub, upper);
  // A truncated value just under a power of the base may have rounded over it:
  // the upper product then dropped its lowest limb and raised its exponent.
  // Put it back in place, the top going to the spare limb, so that the outer
  // normalisation sees the carry.
  long used = upper.Size;
  if (upper.Offset == ua.Offset + ub.Offset + ua.Size + ub.Size - Lh + 1) {
    for (long i = used - 1; i >= 0; i--) upper.Limbs[i + 1] = upper.Limbs[i];
    upper.Limbs[0] = 0;
    used += 1;
  }
  // The upper product may have trimmed itself: its stale limbs above are cleared.
  Zero(r, L - Lh + used, L + 1);
  if (cutA) {
    MulSchoolbookTail(b, a, ta, r, L, nullptr);
  } else {
    MulSchoolbookTail(a, b, tb, r, L, nullptr);
  }
}

void MulTruncatedBlocks(const BigInt& a, const BigInt& b, BigInt& r) {
  if (r.NAlloc < a.Size) {
    MulTruncated(a.ViewFrom(a.Size - r.NAlloc), b, r);
    return;
  }
  const long block = FirstOperandBlock(a.Size);
  const long L = std::min(a.Size + b.Size, r.NAlloc);
  Zero(r, 0, L + 1);
  long R = L;
  for (long e = a.Size; R >= 1 && e > 0;) {
    const long s = std::max(e - block, 0L);
    SpecialMul(View(a, s, e - s), b, r, R);
    R -= block;
    e = s;
  }
  Finish(r, L, a.Offset + b.Offset + a.Size + b.Size - L);
}

void SquareTruncated(const BigInt& a, BigInt& r) {
  const long block = FirstOperandBlock(a.Size);
  const long L = std::min(2 * a.Size, r.NAlloc);
  Zero(r, 0, L + 1);
  // The lower part is doubled in place for each block (exact), then restored.
  double* limbs = const_cast<double*>(a.Limbs);
  long R = L;
  for (long e = a.Size; R >= 1 && e > 0;) {
    const long s = std::max(e - block, 0L);
    for (long i = 0; i < s; i++) limbs[i] *= 2;
    SpecialMul(View(a, s, e - s), View(a, 0, e), r, R);
    for (long i = 0; i < s; i++) limbs[i] *= 0.5;
    R -= 2 * block;
    e = s;
  }
  Finish(r, L, 2 * (a.Offset + a.Size) - L);
}
