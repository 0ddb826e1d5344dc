// The residue and CRT steps work on tiles of 32 coefficients laid across
// vector lanes: the element of coefficient j sits at column j of a row, so
// that every per-prime or per-limb step (reductions, digit splits, carries)
// runs on whole vectors, and the two matrix products (MulAddRows) have the
// coefficients as their columns.
#include "ntt/crt.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "ntt/modular.h"
#include "ntt/mul_rows.h"
#include "ntt/ntt.h"
#include "shell/error_report.h"
#include "shell/memory.h"
#include "shell/progress.h"

namespace {

typedef double Vec2 __attribute__((vector_size(16), aligned(8), may_alias));
typedef double Vec4 __attribute__((vector_size(32), aligned(8), may_alias));

// Coefficients of a tile: the columns of every row.
constexpr long kTile = 32;
// Primes summed between two carry releases of the rebuilt coefficients: a
// prime adds at most a0 m + a1 m' + a2 m'' < 2 10^14 + 27 10^7 to a limb (m,
// m', m'' limbs of M_i below 10^7, alpha = a2 10^14 + a1 10^7 + a0 < 2.7 10^15),
// so 32 of them stay below 6.5 10^15, and a released limb is below 10^9.
constexpr long kPrimeBlock = 32;
// The residues of the powers of 10^7 are cut in base 2^17 (pieces below 2^18
// since p < 2^52): a 7-digit chunk times a piece is below 2.7 10^12, so the
// sums of up to 3400 chunks stay below 2^53.
constexpr double kTwo17 = 131072.0;
constexpr long kMaxChunks = 3400;

struct PrimeConsts {
  PrimeContext m;
  double invp;         // 1/p
  SplitResidue invM;   // (M_i mod p_i)^-1
  SplitResidue two17;  // 2^17 and 2^34 modulo p, to combine the pieces
  SplitResidue two34;
};

struct CRTTables {
  long NCRT = 0;
  std::vector<PrimeConsts> Primes;
  std::vector<double> InvP;  // 1/p_i, for the multiple of M in a sum
  TinyInt M;
  TinyInt Half;  // floor(M / 2): a rebuilt coefficient never exceeds it
  long LM = 0;   // limbs of M
  // Limb rows of a rebuilt tile: ldR (a multiple of 8, room for NCRT M and
  // a carry).
  long ldR = 0;
  // MiT[2 + l][i] = limb l of M_i (column NCRT: of M), two zero rows on top:
  // read from row 2 - s it gives the limbs of M_i 10^(7 s).
  double* MiT = nullptr;
  long ldMiT = 0;
  // W[3 i + s][t]: piece s of 10^(7 t) mod p_i.
  double* W = nullptr;
  long MaxChunks = 0;
  // Tile scratch, rows of kTile columns.
  double* ChunksT = nullptr;  // MaxChunks rows: chunk t of every coefficient
  double* Sums = nullptr;     // 3 NCRT (rounded up to 4) rows
  double* AlphaT = nullptr;   // NCRT rows
  double* DigitsT = nullptr;  // 3 (NCRT + 1) rows: digit s of alpha_i, then -k
  double* RT = nullptr;       // ldR rows: the rebuilt coefficients
  double* Lane = nullptr;     // kTile: the carry out of the top (-1 for a negative sum)
  double* MSum = nullptr;     // kTile: sum alpha_i / p_i
  double* Column = nullptr;   // ldR: one coefficient's limbs
  std::vector<const double*> ChunkRows, DigitRows;
  std::vector<std::pair<double*, long>> Owned;
};

// Never destroyed: a run that ends inside a product still reaches its tables.
CRTTables& Tables() {
  static auto* t = new CRTTables;
  return *t;
}

const double kPow10[15] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6, 1e7,
                           1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14};
const double kInvPow10[15] = {1,    1e-1, 1e-2,  1e-3,  1e-4,  1e-5,  1e-6, 1e-7,
                              1e-8, 1e-9, 1e-10, 1e-11, 1e-12, 1e-13, 1e-14};

double* Alloc(long n) {
  double *raw, *aligned;
  AllocDoubles(n, &raw, &aligned);
  Tables().Owned.push_back({raw, n});
  std::memset(aligned, 0, sizeof(double) * static_cast<size_t>(n));
  return aligned;
}

long RoundUp(long n, long m) { return (n + m - 1) / m * m; }

#define CRT_INLINE __attribute__((always_inline)) inline

// The floors below round x / m - 1/2 to the nearest integer: the quotient,
// or one off only when x is near a multiple of m, so that the corrections are
// rare (and well predicted in scalar code). T is a double or a vector; as in
// the residue operations, vectors are passed by reference only.

// f = floor(x / 10^k) for integers |x| < 2^53, k <= 14.
template <class T>
CRT_INLINE void FloorPow10(const T& x, int k, T& f) {
  f = x * kInvPow10[k] - 0.5;
  residue::Nearest(f);
  const T r = x - f * kPow10[k];
  f = r < 0 ? f - 1 : f;
  f = r >= kPow10[k] ? f + 1 : f;
}

inline double FloorPow10(double x, int k) {
  double f;
  FloorPow10(x, k, f);
  return f;
}

// q = floor(x / 10^7) and x = x - 10^7 q, for integers |x| < 2^53.
template <class T>
CRT_INLINE void SplitTiny(T& x, T& q) {
  FloorPow10(x, kTinyDigits, q);
  x -= q * kTinyBase;
}

// x = x mod p for integers 0 <= x < 2^53.
template <class T>
CRT_INLINE void ModP(const PrimeConsts& c, T& x) {
  T q = x * c.invp - 0.5;
  residue::Nearest(q);
  x -= q * c.m.p;
  x = x < 0 ? x + c.m.p : x;
  x = x >= c.m.p ? x - c.m.p : x;
}

// a = a + b mod p for residues.
template <class T>
CRT_INLINE void AddModTo(const PrimeContext& m, T& a, const T& b) {
  a += b;
  a = a >= m.p ? a - m.p : a;
}

template <class T>
CRT_INLINE void Load(T& v, const double* p) {
  std::memcpy(&v, p, sizeof v);
}

template <class T>
CRT_INLINE void Store(double* p, const T& v) {
  std::memcpy(p, &v, sizeof v);
}

// The residue of the pieces s[0], s[kTile], s[2 kTile] of a coefficient's sums.
template <class T>
CRT_INLINE void CombinePieces(const PrimeConsts& c, const double* s, double* out) {
  T v, w, x;
  Load(v, s);
  Load(w, s + kTile);
  Load(x, s + 2 * kTile);
  ModP(c, v);
  ModP(c, w);
  ModP(c, x);
  residue::Mul(c.m, w, c.two17.lo, c.two17.hi);
  residue::Mul(c.m, x, c.two34.lo, c.two34.hi);
  AddModTo(c.m, v, w);
  AddModTo(c.m, v, x);
  Store(out, v);
}

// The residues of n coefficients (their 7-digit chunks in t.ChunksT) into
// res[i stride + j].
template <class V>
CRT_INLINE void ResidueTile(CRTTables& t, long nch, long n, double* res, long stride) {
  const long N = t.NCRT;
  const long nr = RoundUp(3 * N, kMulRowsTile);
  const long nc = RoundUp(n, kMulColsTile);
  std::memset(t.Sums, 0, sizeof(double) * static_cast<size_t>(nr * kTile));
  MulAddRows(t.W, t.MaxChunks, nr, t.ChunkRows.data(), nch, t.Sums, kTile, nc);
  constexpr long kW = sizeof(V) / sizeof(double);
  for (long i = 0; i < N; i++) {
    const PrimeConsts& c = t.Primes[i];
    const double* s = t.Sums + 3 * i * kTile;
    double* out = res + i * stride;
    long j = 0;
    for (; j + kW <= n; j += kW) CombinePieces<V>(c, s + j, out + j);
    for (; j < n; j++) CombinePieces<double>(c, s + j, out + j);
  }
}

// Carry release over the ldR limb rows of the tile, every lane at once:
// exact floors (limbs in [0, 10^7), the carry out of the top left in t.Lane),
// or nearest carries that only bring the limbs back below 10^9.
template <class V>
CRT_INLINE void ReleaseTile(CRTTables& t, bool exact) {
  constexpr long kW = sizeof(V) / sizeof(double);
  constexpr long kV = kTile / kW;
  V carry[kV] = {};  // the lanes' chains side by side
  for (long l = 0; l < t.ldR; l++) {
    for (long q = 0; q < kV; q++) {
      double* x = t.RT + l * kTile + q * kW;
      V v;
      Load(v, x);
      v += carry[q];
      if (exact) {
        SplitTiny(v, carry[q]);
      } else {
        carry[q] = v * 1e-7;
        residue::Nearest(carry[q]);
        v -= carry[q] * kTinyBase;
      }
      Store(x, v);
    }
  }
  // A partial release drops the carry out of the top row: the sums leave
  // that row below 10^5, whose nearest carry is 0.
  if (exact)
    for (long q = 0; q < kV; q++) Store(t.Lane + q * kW, carry[q]);
}

// Rebuilds the n coefficients whose alphas are in t.AlphaT: sum alpha_i M_i
// less k M, k the multiple of M below the sum, into the limb rows t.RT.
template <class V>
CRT_INLINE void SumTile(CRTTables& t, long n) {
  constexpr long kW = sizeof(V) / sizeof(double);
  const long N = t.NCRT;
  // Lanes beyond n still run: they hold zeros or an earlier tile's alphas.
  for (long i = 0; i < N; i++) std::fill(t.AlphaT + i * kTile + n, t.AlphaT + (i + 1) * kTile, 0.0);
  std::fill(t.MSum, t.MSum + kTile, 0.0);
  for (long i = 0; i < N; i++) {
    const double* a = t.AlphaT + i * kTile;
    double* d0 = t.DigitsT + i * kTile;
    double* d1 = d0 + (N + 1) * kTile;
    double* d2 = d1 + (N + 1) * kTile;
    const double invp = t.InvP[i];
    for (long j = 0; j < kTile; j += kW) {
      V x, sum, hi, mid;
      Load(x, a + j);
      Load(sum, t.MSum + j);
      // sum alpha_i M_i / M = sum alpha_i / p_i: the multiple of M to take
      // off is its integer part.
      sum += x * invp;
      Store(t.MSum + j, sum);
      FloorPow10(x, 14, hi);
      V rest = x - hi * 1e14;
      SplitTiny(rest, mid);
      Store(d0 + j, rest);
      Store(d1 + j, mid);
      Store(d2 + j, hi);
    }
  }
  double* minusK = t.DigitsT + N * kTile;  // the row of M in the shift-0 block
  for (long j = 0; j < kTile; j++) {
    // A coefficient below M/2 leaves a fraction below 1/2, and the rounding of
    // the sum (far below 1/4) cannot change k.
    double k = std::floor(t.MSum[j] + 0.25);
    if (k >= N && j < n) {
      Warning("WARNING in CRT : m is big\n");
      k = static_cast<double>(N - 1);
    }
    minusK[j] = -k;
  }
  std::memset(t.RT, 0, sizeof(double) * static_cast<size_t>(t.ldR * kTile));
  for (long i0 = 0; i0 < N; i0 += kPrimeBlock) {
    const long i1 = std::min(N, i0 + kPrimeBlock);
    for (long s = 0; s < 3; s++) {
      // The -k M row goes with the last block, in the unshifted rows.
      const long K = i1 - i0 + (i1 == N && s == 0 ? 1 : 0);
      MulAddRows(t.MiT + (2 - s) * t.ldMiT + i0, t.ldMiT, t.ldR,
                 t.DigitRows.data() + s * (N + 1) + i0, K, t.RT, kTile, kTile);
    }
    if (i1 < N) ReleaseTile<V>(t, false);
  }
  ReleaseTile<V>(t, true);
}

// The kernels for one vector width, the wide one built for AVX2 with FMA and
// chosen at run time.
struct Kernels {
  void (*residues)(CRTTables&, long, long, double*, long);
  void (*sum)(CRTTables&, long);
};

#define CRT_KERNELS(Name, V, Target)                                                     \
  Target void Name##Residues(CRTTables& t, long nch, long n, double* res, long stride) { \
    ResidueTile<V>(t, nch, n, res, stride);                                              \
  }                                                                                      \
  Target void Name##Sum(CRTTables& t, long n) { SumTile<V>(t, n); }

CRT_KERNELS(Narrow, Vec2, )
#if defined(__x86_64__)
CRT_KERNELS(Wide, Vec4, __attribute__((target("avx2,fma"))))
#endif

const Kernels& Engine() {
  static const Kernels kNarrow{NarrowResidues, NarrowSum};
#if defined(__x86_64__)
  static const bool wide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  static const Kernels kWide{WideResidues, WideSum};
  if (wide && !BaselineCRTKernels()) return kWide;
#endif
  return kNarrow;
}

// The digits g .. g + len - 1 (len <= 7) of base 10^12 limbs, as an integer.
inline double DigitsAt(const double* limbs, long g, int len) {
  const long q = g / 12;
  const int e = static_cast<int>(g % 12);
  const double low = e == 0 ? limbs[q] : FloorPow10(limbs[q], e);
  if (e + len <= 12) return low - FloorPow10(low, len) * kPow10[len];
  const int more = len - (12 - e);
  const double y = limbs[q + 1];
  return low + (y - FloorPow10(y, more) * kPow10[more]) * kPow10[12 - e];
}

[[noreturn]] void CoefficientError(const CRTTables& t, long j, const char* message, double m) {
  std::vector<double> alpha(t.NCRT);
  for (long i = 0; i < t.NCRT; i++) alpha[i] = t.AlphaT[i * kTile + j];
  CRTError(message, m, alpha.data());
}

// Coefficient j of the rebuilt tile in normal form, checked: below M/2.
TinyInt FinishCoefficient(CRTTables& t, long j) {
  const bool negative = t.Lane[j] != 0;  // the carry out of the top
  TinyInt v{t.ldR, t.ldR, t.Column};
  for (long l = 0; l < t.ldR; l++) t.Column[l] = t.RT[l * kTile + j];
  while (v.Size > 1 && v.Limbs[v.Size - 1] == 0) v.Size--;
  if (!negative && v.Size > t.LM) CoefficientError(t, j, "ERROR IN CRT, Result->_N>CRTP._N", -1);
  if (negative || CompareTinyInt(v, t.Half) > 0) {
    // The fraction of the sum over M: the coefficient over M.
    const double k = -t.DigitsT[t.NCRT * kTile + j];
    const double m = t.MSum[j] - k + (negative ? 1 : 0);
    ProgressPrint("ERROR IN CRT, m=%.15lf>1 !\n", m);
    CoefficientError(t, j, "ERROR IN CRT, m>0.5", m);
  }
  return v;
}

// out += v 10^pos (pos in digits) over base 10^12 limbs.
void AddDigits(double* out, long pos, const TinyInt& v) {
  long q = pos / 12;
  int e = static_cast<int>(pos % 12);
  for (long i = 0; i < v.Size; i++) {
    const double x = v.Limbs[i];
    if (e <= 12 - kTinyDigits) {
      out[q] += x * kPow10[e];
    } else {
      const double hi = FloorPow10(x, 12 - e);
      out[q] += (x - hi * kPow10[12 - e]) * kPow10[e];
      out[q + 1] += hi;
    }
    e += kTinyDigits;
    if (e >= 12) {
      e -= 12;
      q++;
    }
  }
}

// The primes needed by a product of n limbs with nntt points, or 0 when no
// number of primes of the table makes the coefficients fit the transform.
long CountPrimes(long n, long nntt, long* crtNbDec) {
  const NTTContext& ntt = NTT();
  const double target = 12.0 * static_cast<double>(n);
  const double slots = static_cast<double>(nntt / 12 * 12);
  const double lnN = std::log(static_cast<double>(nntt));
  double sum = 0;
  long d = 0;
  for (long i = 0;; i++) {
    if (d > 0 && static_cast<double>(d) * slots >= target) {
      *crtNbDec = d;
      return i;
    }
    if (i >= ntt.Primes.NbPrimes) return 0;
    sum += std::log(ntt.Primes.P[i]);
    // nntt 10^(2d) <= M keeps every coefficient of the convolution below M/2;
    // the margin keeps a rounded logarithm from granting a digit too many.
    d = std::max(0L, static_cast<long>(std::floor((sum - lnN) / (2 * std::log(10.0)) - 1e-9)));
  }
}

}  // namespace

long ComputeNCRT(long n, long nntt, long* crtNbDec) {
  const long ncrt = CountPrimes(n, nntt, crtNbDec);
  if (ncrt == 0) error("Pb, NCRT is too large");
  return ncrt;
}

long ChooseBestCRT(long na, long nb, long* nntt, long* crtNbDec) {
  constexpr long kSmallest = 64;  // the transforms' smallest four-step matrix
  *nntt = NTT().NNTTMax;
  long ncrt = ComputeNCRT(na + nb, *nntt, crtNbDec);
  while (ncrt < 5 && *nntt / 2 >= kSmallest) {
    long d;
    const long more = CountPrimes(na + nb, *nntt / 2, &d);
    if (more == 0) break;  // half the points no longer hold the product
    *nntt /= 2;
    ncrt = more;
    *crtNbDec = d;
  }
  if (*nntt < 512) ProgressPrint("Pb in ChooseBestCRT, NNTT is too small\n");
  return ncrt;
}

void InitCRT(long ncrt) {
  FreeCRT();
  CRTTables& t = Tables();
  const NTTContext& ntt = NTT();
  if (!ntt.Initialised || ncrt < 1 || ncrt > ntt.Primes.NbPrimes)
    errorf("Error in InitCRT, NCRT=%ld with %ld primes", ncrt, ntt.Primes.NbPrimes);
  t.NCRT = ncrt;
  double lnM = 0;
  for (long i = 0; i < ncrt; i++) lnM += std::log(ntt.Primes.P[i]);
  const long cap = static_cast<long>(lnM / std::log(kTinyBase)) + 3;

  // M, and each M_i as the product of the other primes.
  double* work = Alloc(2 * cap);
  auto product = [&](long skip, TinyInt& out) {
    TinyInt x{1, cap, work}, y{0, cap, work + cap};
    x.Limbs[0] = 1;
    for (long i = 0; i < ncrt; i++) {
      if (i == skip) continue;
      ShortMulTinyInt(ntt.Primes.P[i], x, y);
      std::swap(x, y);
    }
    std::memcpy(out.Limbs, x.Limbs, sizeof(double) * static_cast<size_t>(x.Size));
    out.Size = x.Size;
  };
  t.M = TinyInt{0, cap, Alloc(cap)};
  product(-1, t.M);
  t.LM = t.M.Size;
  t.Half = TinyInt{0, cap, Alloc(cap)};
  double rem = 0;
  for (long i = t.LM - 1; i >= 0; i--) {
    const double x = rem * kTinyBase + t.M.Limbs[i];
    t.Half.Limbs[i] = std::floor(x * 0.5);
    rem = x - 2 * t.Half.Limbs[i];
  }
  t.Half.Size = t.LM;
  while (t.Half.Size > 1 && t.Half.Limbs[t.Half.Size - 1] == 0) t.Half.Size--;

  t.ldR = RoundUp(t.LM + 3, kMulColsTile);
  t.ldMiT = ncrt + 1;
  t.MiT = Alloc((t.ldR + 2) * t.ldMiT);
  TinyInt mi{0, cap, Alloc(cap)};
  for (long i = 0; i <= ncrt; i++) {
    if (i < ncrt)
      product(i, mi);
    else
      mi = TinyInt{t.LM, cap, t.M.Limbs};
    for (long l = 0; l < mi.Size; l++) t.MiT[(2 + l) * t.ldMiT + i] = mi.Limbs[l];
  }

  // Per prime: (M_i mod p_i)^-1 and the splits used by the residue step.
  t.Primes.resize(ncrt);
  t.InvP.resize(ncrt);
  for (long i = 0; i < ncrt; i++) {
    PrimeConsts& c = t.Primes[i];
    c.m = {ntt.Primes.P[i], ntt.Primes.C[i], ntt.Primes.InvC[i]};
    c.invp = 1 / c.m.p;
    t.InvP[i] = c.invp;
    double x = 1;
    for (long j = 0; j < ncrt; j++) {
      double pj = ntt.Primes.P[j];
      ModP(c, pj);
      if (j != i) x = MulMod(c.m, x, pj);
    }
    c.invM = SplitMod(c.m, InvMod(x, c.m.p));
    c.two17 = SplitMod(c.m, kTwo17);
    c.two34 = SplitMod(c.m, kTwo17 * kTwo17);
  }

  // Residues of 10^(7 t) for the chunks of the largest coefficient (half the
  // digits of M).
  t.MaxChunks = static_cast<long>(lnM / std::log(10.0) / 2 / kTinyDigits) + 2;
  if (t.MaxChunks > kMaxChunks) errorf("Error in InitCRT, NCRT=%ld is too large", ncrt);
  const long nr = RoundUp(3 * ncrt, kMulRowsTile);
  t.W = Alloc(nr * t.MaxChunks);
  for (long i = 0; i < ncrt; i++) {
    const PrimeConsts& c = t.Primes[i];
    const SplitResidue ten7 = SplitMod(c.m, kTinyBase);
    double x = 1;
    for (long r = 0; r < t.MaxChunks; r++) {
      const double hi = std::floor(x / (kTwo17 * kTwo17));
      const double rest = x - hi * kTwo17 * kTwo17;
      const double mid = std::floor(rest / kTwo17);
      t.W[(3 * i) * t.MaxChunks + r] = rest - mid * kTwo17;
      t.W[(3 * i + 1) * t.MaxChunks + r] = mid;
      t.W[(3 * i + 2) * t.MaxChunks + r] = hi;
      x = MulMod(c.m, x, ten7);
    }
  }

  t.ChunksT = Alloc(t.MaxChunks * kTile);
  t.Sums = Alloc(nr * kTile);
  t.AlphaT = Alloc(ncrt * kTile);
  t.DigitsT = Alloc(3 * (ncrt + 1) * kTile);
  t.RT = Alloc(t.ldR * kTile);
  t.Lane = Alloc(kTile);
  t.MSum = Alloc(kTile);
  t.Column = Alloc(t.ldR);
  t.ChunkRows.resize(t.MaxChunks);
  for (long r = 0; r < t.MaxChunks; r++) t.ChunkRows[r] = t.ChunksT + r * kTile;
  t.DigitRows.resize(3 * (ncrt + 1));
  for (long r = 0; r < 3 * (ncrt + 1); r++) t.DigitRows[r] = t.DigitsT + r * kTile;
}

void FreeCRT() {
  CRTTables& t = Tables();
  for (auto& [raw, n] : t.Owned) FreeDoubles(n, raw);
  t = CRTTables{};
}

void ComputeModulos(const double* limbs, long crtNbDec, long count, double* res, long stride) {
  CRTTables& t = Tables();
  const long d = crtNbDec;
  const long nch = (d + kTinyDigits - 1) / kTinyDigits;
  if (t.NCRT == 0 || d < 1 || nch > t.MaxChunks)
    errorf("Error in ComputeModulos, CRTNbDec=%ld does not fit NCRT=%ld", d, t.NCRT);
  for (long j0 = 0; j0 < count; j0 += kTile) {
    const long n = std::min(kTile, count - j0);
    for (long j = 0; j < kTile; j++) {
      const long g = (j0 + j) * d;
      for (long c = 0; c < nch; c++) {
        const int len = static_cast<int>(std::min<long>(kTinyDigits, d - kTinyDigits * c));
        t.ChunksT[c * kTile + j] = j < n ? DigitsAt(limbs, g + kTinyDigits * c, len) : 0;
      }
    }
    Engine().residues(t, nch, n, res + j0, stride);
  }
}

void CRTCoefficients(const double* x, long stride, long count, long crtNbDec, double* out) {
  CRTTables& t = Tables();
  const long N = t.NCRT;
  if (N == 0) error("Error in CRTCoefficients, the CRT tables are not set up");
  for (long j0 = 0; j0 < count; j0 += kTile) {
    const long n = std::min(kTile, count - j0);
    for (long i = 0; i < N; i++) {
      const PrimeConsts& c = t.Primes[i];
      const double* in = x + i * stride + j0;
      double* alpha = t.AlphaT + i * kTile;
      for (long j = 0; j < n; j++) alpha[j] = MulMod(c.m, in[j], c.invM);
    }
    Engine().sum(t, n);
    for (long j = 0; j < n; j++) AddDigits(out, (j0 + j) * crtNbDec, FinishCoefficient(t, j));
  }
}

double ReleaseCarries(double* limbs, long n) {
  double carry = 0;
  for (long i = 0; i < n; i++) {
    const double v = limbs[i] + carry;
    FloorPow10(v, 12, carry);
    limbs[i] = v - carry * 1e12;
  }
  return carry;
}

void CRT(const double* alpha, TinyInt& result) {
  CRTTables& t = Tables();
  if (t.NCRT == 0) error("Error in CRT, the CRT tables are not set up");
  for (long i = 0; i < t.NCRT; i++) t.AlphaT[i * kTile] = alpha[i];
  Engine().sum(t, 1);
  const TinyInt v = FinishCoefficient(t, 0);
  if (v.Size > result.NAlloc)
    errorf("Error in CRT, %ld limbs do not hold the result", result.NAlloc);
  std::memcpy(result.Limbs, v.Limbs, sizeof(double) * static_cast<size_t>(v.Size));
  result.Size = v.Size;
}

void CRTError(const char* message, double m, const double* alpha) {
  ErrorReport(message, 0);
  // The report's log; the details follow what it wrote.
  const char* logName = "Numora.log";
  FILE* log = std::fopen(logName, "a");
  bool written = log != nullptr;
  if (log != nullptr) {
    std::fprintf(log, "---------------------------\n\nNCRT=%ld\n", Tables().NCRT);
    for (long i = 0; i < Tables().NCRT; i++) std::fprintf(log, "alpha[%ld]=%.0lf\n", i, alpha[i]);
    std::fprintf(log, "\nm=%.10lf\n", m);
    if (std::ferror(log) != 0) written = false;
    if (std::fclose(log) != 0) written = false;
  }
  if (!written) std::fprintf(stderr, "The CRT details could not be added to %s.\n", logName);
  std::exit(kExitFailure);
}
