// The FFT piece product of disk numbers, and the choice between it and the NTT
// product.
#include "disk/disk_mul.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "disk/disk_int.h"
#include "disk/disk_memory.h"
#include "disk/runs.h"
#include "fft/fft_product.h"
#include "mpint/bigint.h"
#include "mpint/fft_mul.h"
#include "ntt/ntt.h"
#include "ntt/ntt_product.h"
#include "shell/debug_state.h"
#include "shell/error_report.h"
#include "shell/memory.h"

namespace {

// The debug report shows the product under way.
struct MulDebugScope {
  MulDebugScope(long na, long nb, long nc) {
    DebugStateData& d = DebugState();
    d.MulDiskIntOn = 1;
    d.MulNa = na;
    d.MulNb = nb;
    d.MulNcAlloc = nc;
  }
  ~MulDebugScope() { DebugState().MulDiskIntOn = 0; }
};

// The kept part of the product in r: product limb drop + i is r's limb i, for
// i < n. r's limbs from `reached` up hold partial sums; those below hold
// nothing of this product yet and are written, not added to. wrap: the
// product is kept modulo B^n (what passes limb n - 1 is dropped), else n
// reaches the product's top.
struct Window {
  DiskInt& r;
  long drop;
  long n;
  bool wrap;
  long reached;
  std::vector<double> run;  // existing limbs of r, kLocalRun at a time
};

// Adds c to r's limb k (read, add, write): the carry out of a run into the
// limb above, which an earlier run wrote.
void AddToLimb(DiskInt& r, long k, double c) {
  double x;
  ReadLimbs(r, &x, 1, k);
  x += c;
  WriteLimbs(&x, r, 1, k);
}

// Puts v[0 .. len) into r's limbs o .. o+len-1 (o >= 0; what passes the
// window is left out): written where r holds nothing yet, added where it holds
// partial sums. The run is released to normal limbs; its carry goes to the
// limb above, or into the top limb at the top of the window, or nowhere when
// the window wraps (limbs may stay a little outside [0, 10^12) until the final
// carry release).
void PutRun(Window& w, double* v, long o, long len) {
  len = std::min(len, w.n - o);
  if (len <= 0) return;
  double carry = 0;
  const long fresh = std::clamp(w.reached - o, 0L, len);
  for (long i = 0; i < fresh; i++) carry = SplitCarry(v[i] + carry, &v[i]);
  const bool top = o + len == w.n && !w.wrap;
  if (top && fresh == len) {
    v[len - 1] += carry * kBigIntBase;
    carry = 0;
  }
  WriteLimbs(v, w.r, fresh, o);
  for (long p = fresh; p < len; p += kLocalRun) {
    const long k = std::min(kLocalRun, len - p);
    double* x = w.run.data();
    ReadLimbs(w.r, x, k, o + p);
    for (long i = 0; i < k; i++) carry = SplitCarry(x[i] + v[p + i] + carry, &x[i]);
    if (top && p + k == len) {
      x[k - 1] += carry * kBigIntBase;
      carry = 0;
    }
    WriteLimbs(x, w.r, k, o + p);
  }
  if (carry != 0 && o + len < w.n) AddToLimb(w.r, o + len, carry);
  w.reached = std::min(w.reached, o);
}

// The first operand's piece a[from .. from+len) for SetFirstOperand: seen in
// place for a number in memory (whose spectrum the cache may hold), else read
// into the shared scratch number. Its address differs from the disk buffer's,
// where the second operand's pieces go, so that the product layer never takes
// a product of two different pieces for a square.
const double* FirstPiece(const MPInt& a, long from, long len) {
  if (const auto* m = dynamic_cast<const BigInt*>(&a)) return m->Limbs + from;
  double* piece = ScratchBigInt().Limbs;
  a.WriteToBuffer(piece, len, from);
  return piece;
}

// The piece of the first operand whose spectrum the product layer holds (alen
// limbs, product position `at`, limbs `first`) times b's limbs 0 .. bTop-1,
// into the window. b is taken in pieces from the top; each piece product
// is released into the disk buffer over the low limbs of the one before, and
// the limbs that no lower piece can reach are put into r. square: b is the
// first operand itself from its piece down; the pieces below are doubled.
void SpecialMulByDiskInt(const double* first, long alen, long at, long fftLen, const MPInt& b,
                         long bTop, bool square, Window& w) {
  double* buf = DiskWorkBuffer("SpecialMulByDiskInt");
  const long pb = fftLen / 3;
  long hi = bTop;
  // Pieces whose product starts above a wrapping window add nothing to it.
  while (hi > 0 && at + std::max(hi - pb, 0L) - w.drop >= w.n) hi = std::max(hi - pb, 0L);
  long carried = 0;  // low limbs of the previous piece product, at buf[0 .. carried)
  while (hi > 0) {
    const long lo = std::max(hi - pb, 0L), len = hi - lo;
    const long q = at + lo - w.drop;  // r's limb at buf[0]
    std::memmove(buf + len, buf, sizeof(double) * static_cast<size_t>(carried));
    std::fill(buf + len + carried, buf + alen + len + 1, 0.0);
    b.WriteToBuffer(buf, len, lo);
    const bool own = square && hi == bTop;  // the first operand's piece: its square
    if (square && !own)
      for (long i = 0; i < len; i++) buf[i] *= 2;
    const FFTProduct p = own ? MulByFirstOperand(first, alen) : MulByFirstOperand(buf, len);
    std::fill(buf, buf + len, 0.0);
    InverseFFTAndCarry(p, 0, 3 * (alen + len), buf, 0);
    // The top coefficient's high part may spill one limb up; the product fits.
    buf[alen + len - 1] += buf[alen + len] * kBigIntBase;
    buf[alen + len] = 0;

    // Lower pieces of b reach only r's limbs below q + alen.
    const bool last = lo == 0 || q + alen <= 0;
    if (last) {
      // The limbs under the window still carry into it.
      double carry = 0;
      const long skip = std::clamp(-q, 0L, alen + len);
      for (long i = 0; i < skip; i++) carry = SplitCarry(buf[i] + carry, &buf[i]);
      buf[skip] += carry;
      PutRun(w, buf + skip, q + skip, alen + len - skip);
      return;
    }
    PutRun(w, buf + alen, q + alen, len);
    carried = alen;
    hi = lo;
  }
}

// Carry release of r's limbs 0 .. n-1, the carry out of the top dropped.
void ReleaseModulo(DiskInt& r, long n) {
  ReleaseCarries(r, n, 0, [](double x) { return x; });
  r.Size = n;
  UpdateDiskIntSize(r);
}

// r = a b (square: a = b, b ignored) keeping the top min(na + nb, r.NAlloc)
// limbs of its lowest `top` limbs (the product modulo B^top when top is below
// na + nb), a and b of any kind.
void PieceProduct(const MPInt& a, const MPInt& b, DiskInt& r, bool square, long top) {
  const long na = a.Size, nb = square ? a.Size : b.Size;
  const long offset = a.GetOffset() + (square ? a.GetOffset() : b.GetOffset());
  top = std::min(top, na + nb);
  if (na <= 0 || nb <= 0 || r.NAlloc <= 0 || top <= 0) {
    r.Size = 0;
    r.Offset = offset;
    return;
  }
  const long nfft = GetNFFT();
  const long P = nfft / 3;
  const long n = std::min(top, r.NAlloc);
  Window w{r, top - n, n, top < na + nb, n, std::vector<double>(kLocalRun)};

  // r is written while the operands are read: it may share their files only
  // where nothing is read after it is overwritten.
  const long pieces = (na + P - 1) / P;
  auto overlaps = [&](const MPInt& x) {
    const auto* d = dynamic_cast<const DiskInt*>(&x);
    return d != nullptr && std::strcmp(d->FileName, r.FileName) == 0 &&
           d->FileBase < r.FileBase + n && r.FileBase < d->FileBase + d->Size;
  };
  const long alen0 = std::min(P, na);
  const MPInt& second = square ? a : b;
  const auto* sd = dynamic_cast<const DiskInt*>(&second);
  if ((pieces > 1 && overlaps(a)) ||
      (overlaps(second) && (pieces > 1 || r.FileBase + alen0 - w.drop < sd->FileBase)))
    errorf("Problem in SpecialMulByDiskInt (the result %s overlaps an operand still to be read)",
           r.FileName);

  for (long hi = na; hi > 0;) {
    const long alen = std::min(P, hi), at = hi - alen;
    const long bTop = square ? hi : nb;
    if (at + alen + bTop <= w.drop) break;  // this piece and those below miss the window
    if (at - w.drop >= n) {  // above a wrapping window
      hi = at;
      continue;
    }
    const long fftLen = Upper2Power(3 * alen, nfft);
    const double* first = FirstPiece(a, at, alen);
    SetFirstOperand(first, alen, fftLen);
    SpecialMulByDiskInt(first, alen, at, fftLen, second, bTop, square, w);
    hi = at;
  }
  r.Offset = offset + w.drop;
  if (w.wrap) {
    ReleaseModulo(r, n);
    return;
  }
  r.Size = n;
  UpdateDiskInt(r);
}

// The FFT path leaves no residue of the NTT path to be reused.
void ForgetNTTReuse() {
  NTTContext& ntt = NTT();
  ntt.LastProductByNTT = 0;
  ntt.NTT0AlreadyComputed = 0;
  ntt.KeepNTT0 = 0;
}

bool SameLimbs(const DiskInt& a, const DiskInt& b) {
  return &a == &b || (std::strcmp(a.FileName, b.FileName) == 0 && a.FileBase == b.FileBase &&
                      a.Size == b.Size && a.Packed == b.Packed && a.Offset == b.Offset);
}

}  // namespace

bool ByNTT(const DiskInt& a, const DiskInt& b, long kept) {
  return NTT().Initialised && kept > 7 * GetNFFT() / 3 && a.Sign() >= 0 && b.Sign() >= 0;
}

void SquareDiskIntModulo(const DiskInt& a, DiskInt& r, long n) {
  MulDebugScope debug(a.Size, a.Size, r.NAlloc);
  ForgetNTTReuse();
  PieceProduct(a, a, r, true, n);
}

void MulDiskIntByFFT(const DiskInt& a, const DiskInt& b, DiskInt& r, int) {
  PieceProduct(a, b, r, SameLimbs(a, b), a.Size + b.Size);
}

void MulDiskInt(const DiskInt& a, const DiskInt& b, DiskInt& r) {
  if (SameLimbs(a, b)) {
    SquareDiskInt(a, r, 1);
    return;
  }
  MulDebugScope debug(a.Size, b.Size, r.NAlloc);
  if (ByNTT(a, b, std::min(a.Size + b.Size, r.NAlloc))) {
    // With both release flags 0 the operands are only read.
    MulDiskIntByNTT(const_cast<DiskInt&>(a), const_cast<DiskInt&>(b), r, 0, 0);
    return;
  }
  ForgetNTTReuse();
  PieceProduct(a, b, r, false, a.Size + b.Size);
}

void SquareDiskInt(const DiskInt& a, DiskInt& r, int) {
  MulDebugScope debug(a.Size, a.Size, r.NAlloc);
  if (ByNTT(a, a, std::min(2 * a.Size, r.NAlloc))) {
    DiskInt& x = const_cast<DiskInt&>(a);
    MulDiskIntByNTT(x, x, r, 0, 0);
    return;
  }
  ForgetNTTReuse();
  PieceProduct(a, a, r, true, 2 * a.Size);
}

void MulDiskIntOver(DiskInt& a, DiskInt& b, DiskInt& r, DiskInt& scratch) {
  const long kept = std::min(a.Size + b.Size, r.NAlloc);
  if (ByNTT(a, b, kept)) {
    MulDebugScope debug(a.Size, b.Size, r.NAlloc);
    MulDiskIntByNTT(a, b, r, 0, 0);
    return;
  }
  if (scratch.NAlloc < kept)
    errorf("Problem in MulDiskIntOver, %s cannot hold the %ld limbs of the product",
           scratch.FileName, kept);
  DiskCapacityScope room(scratch, kept);
  MulDiskInt(a, b, scratch);
  CopyToDiskInt(scratch, r);
}

void MulBigByDiskInt(const BigInt& a, const DiskInt& b, DiskInt& r) {
  MulDebugScope debug(a.Size, b.Size, r.NAlloc);
  // The shorter operand is cut into pieces, unless a fits one transform
  // (then its spectrum is made once, or taken from the cache).
  const long n = a.Size + b.Size;
  if (a.Size <= std::max(b.Size, GetNFFT() / 3))
    PieceProduct(a, b, r, false, n);
  else
    PieceProduct(b, a, r, false, n);
}
