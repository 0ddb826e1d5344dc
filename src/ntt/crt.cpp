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

// Coefficients handled by one matrix product.
constexpr long kTile = 32;
// Primes summed between two carry releases of the rebuilt coefficients: a
// prime adds at most a0 m + a1 m' + a2 m'' < 2 10^14 + 27 10^7 to a limb (m,
// m', m'' limbs of M_i below 10^7, alpha = a2 10^14 + a1 10^7 + a0 < 2.7 10^15),
// so 32 of them stay below 6.5 10^15, and a released limb below 10^9.
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
  TinyInt M;
  TinyInt Half;  // floor(M / 2): a rebuilt coefficient never exceeds it
  long LM = 0;   // limbs of M
  // A rebuilt coefficient row: ldR columns (a multiple of 8, with room for
  // NCRT M plus a carry).
  long ldR = 0;
  // Rows of the reconstruction: M_i times 10^(7 s) for s = 0, 1, 2 (the same
  // storage read two limbs lower or higher), then M itself for the -k M that
  // brings the sum below M.
  std::vector<const double*> CRTRows;
  // Residues of 10^(7 t) cut in three pieces: row t, column 3 i + s.
  long ldW = 0;
  long MaxChunks = 0;
  std::vector<const double*> WRows;
  // Scratch of one tile of coefficients.
  double* Chunks = nullptr;  // kTile x MaxChunks
  double* Sums = nullptr;    // kTile x ldW
  double* AlphaDigits = nullptr;  // kTile x (3 NCRT + 1)
  double* R = nullptr;       // kTile x ldR
  double* Carries = nullptr;  // ldR
  std::vector<double> Alpha;  // kTile x NCRT
  std::vector<double> K, MEst;  // per coefficient: multiple of M taken off, sum of alpha_i / p_i
  std::vector<std::pair<double*, long>> Owned;
};

CRTTables& Tables() {
  static CRTTables t;
  return t;
}

const double kPow10[15] = {1,    1e1,  1e2,  1e3,  1e4,  1e5,  1e6, 1e7,
                           1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14};
const double kInvPow10[15] = {1,    1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6, 1e-7,
                              1e-8, 1e-9,  1e-10, 1e-11, 1e-12, 1e-13, 1e-14};

double* Alloc(long n) {
  double *raw, *aligned;
  AllocDoubles(n, &raw, &aligned);
  Tables().Owned.push_back({raw, n});
  std::memset(aligned, 0, sizeof(double) * static_cast<size_t>(n));
  return aligned;
}

long RoundUp(long n, long m) { return (n + m - 1) / m * m; }

// floor(x / 10^k) for an integer 0 <= x < 2^53 (or a little below 0), k <= 14.
inline double FloorPow10(double x, int k) {
  double f = x * kInvPow10[k];
  residue::Nearest(f);
  if (f * kPow10[k] > x) return f - 1;
  if ((f + 1) * kPow10[k] <= x) return f + 1;
  return f;
}

// x mod p for an integer 0 <= x < 2^53.
inline double ModP(const PrimeConsts& c, double x) {
  double q = x * c.invp;
  residue::Nearest(q);
  double r = x - q * c.m.p;
  if (r < 0) r += c.m.p;
  if (r >= c.m.p) r -= c.m.p;
  return r;
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

// Exact carry release of a row (limbs of any sign, a non-negative or negative
// total); returns the carry out of the top: 0, or -1 for a negative total.
double ReleaseRow(double* x, long n) {
  double carry = 0;
  for (long i = 0; i < n; i++) {
    const double v = x[i] + carry;
    carry = TinyCarry(v);
    x[i] = v - carry * kTinyBase;
  }
  return carry;
}

// Brings every limb of the rows back near [-5 10^6, 10^9] without changing
// their values: carries taken to the nearest integer (not exact floors) and
// moved one limb up, two passes that vectorise.
void PartialRelease(double* rows, long nr, long ldR, double* carries) {
  for (long r = 0; r < nr; r++) {
    double* x = rows + r * ldR;
    for (long i = 0; i < ldR; i++) {
      double q = x[i] * 1e-7;
      residue::Nearest(q);
      carries[i] = q;
      x[i] -= q * kTinyBase;
    }
    // The top limb of a row holds less than 10^7: its carry is 0.
    for (long i = 1; i < ldR; i++) x[i] += carries[i - 1];
  }
}

// Sums alpha_i M_i - k M for the n coefficients of a tile (alphas n x NCRT),
// k = the multiple of M below the sum, into the rows of t.R.
void SumTile(CRTTables& t, const double* alpha, long n) {
  const long N = t.NCRT;
  const long lda = 3 * N + 1;
  const long nr = RoundUp(std::max(n, 1L), kMulRowsTile);
  std::memset(t.AlphaDigits, 0, sizeof(double) * static_cast<size_t>(nr * lda));
  std::memset(t.R, 0, sizeof(double) * static_cast<size_t>(nr * t.ldR));
  for (long j = 0; j < n; j++) {
    const double* a = alpha + j * N;
    double* digits = t.AlphaDigits + j * lda;
    // sum alpha_i M_i / M = sum alpha_i / p_i: the multiple of M to take off
    // is its integer part. A coefficient below M/2 leaves a fraction below
    // 1/2, so the rounding of this sum (far below 1/4) cannot change k.
    double m = 0;
    for (long i = 0; i < N; i++) {
      m += a[i] * t.Primes[i].invp;
      const double a2 = FloorPow10(a[i], 14);
      const double rest = a[i] - a2 * 1e14;
      const double a1 = FloorPow10(rest, 7);
      digits[3 * i] = rest - a1 * kTinyBase;
      digits[3 * i + 1] = a1;
      digits[3 * i + 2] = a2;
    }
    double k = std::floor(m + 0.25);
    if (k >= N) {
      Warning("WARNING in CRT : m is big\n");
      k = static_cast<double>(N - 1);
    }
    digits[3 * N] = -k;
    t.K[j] = k;
    t.MEst[j] = m;
  }
  for (long i0 = 0; i0 < N; i0 += kPrimeBlock) {
    const long i1 = std::min(N, i0 + kPrimeBlock);
    const long rows = 3 * (i1 - i0) + (i1 == N ? 1 : 0);
    MulAddRows(t.AlphaDigits + 3 * i0, lda, nr, t.CRTRows.data() + 3 * i0, rows, t.R, t.ldR, t.ldR);
    if (i1 < N) PartialRelease(t.R, nr, t.ldR, t.Carries);
  }
}

// Row j of the tile in normal form, checked: the coefficient, below M/2.
TinyInt FinishRow(CRTTables& t, long j, const double* alpha) {
  double* row = t.R + j * t.ldR;
  const bool negative = ReleaseRow(row, t.ldR) != 0;
  TinyInt v{t.ldR, t.ldR, row};
  while (v.Size > 1 && v.Limbs[v.Size - 1] == 0) v.Size--;
  if (!negative && v.Size > t.LM) CRTError("ERROR IN CRT, Result->_N>CRTP._N", -1, alpha);
  if (negative || CompareTinyInt(v, t.Half) > 0) {
    // The fraction of the sum over M: the coefficient over M.
    const double m = t.MEst[j] - t.K[j] + (negative ? 1 : 0);
    ProgressPrint("ERROR IN CRT, m=%.15lf>1 !\n", m);
    CRTError("ERROR IN CRT, m>0.5", m, alpha);
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

// Natural logarithm of the product of the first n primes.
double LogPrimes(long n) {
  double sum = 0;
  for (long i = 0; i < n; i++) sum += std::log(NTT().Primes.P[i]);
  return sum;
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
    const long fewer = CountPrimes(na + nb, *nntt / 2, &d);
    if (fewer == 0) break;  // half the points no longer hold the product
    *nntt /= 2;
    ncrt = fewer;
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
  const double lnM = LogPrimes(ncrt);
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

  // Rows of ldR + 2 doubles: two zeros, then the limbs; row s of prime i starts
  // s limbs lower, which shifts the limbs s places up.
  t.ldR = RoundUp(t.LM + 3, kMulColsTile);
  const long stride = t.ldR + 2;
  double* rows = Alloc((ncrt + 1) * stride);
  t.CRTRows.assign(3 * ncrt + 1, nullptr);
  for (long i = 0; i <= ncrt; i++) {
    double* row = rows + i * stride;
    TinyInt mi{0, cap, row + 2};
    if (i < ncrt)
      product(i, mi);
    else
      std::memcpy(row + 2, t.M.Limbs, sizeof(double) * static_cast<size_t>(t.LM));
    for (long s = 0; s < 3 && i < ncrt; s++) t.CRTRows[3 * i + s] = row + 2 - s;
    if (i == ncrt) t.CRTRows[3 * ncrt] = row + 2;
  }

  // Per prime: (M_i mod p_i)^-1 and the splits used by the residue step.
  t.Primes.resize(ncrt);
  for (long i = 0; i < ncrt; i++) {
    PrimeConsts& c = t.Primes[i];
    c.m = {ntt.Primes.P[i], ntt.Primes.C[i], ntt.Primes.InvC[i]};
    c.invp = 1 / c.m.p;
    double x = 1;
    for (long j = 0; j < ncrt; j++)
      if (j != i) x = MulMod(c.m, x, ModP(c, ntt.Primes.P[j]));
    c.invM = SplitMod(c.m, InvMod(x, c.m.p));
    c.two17 = SplitMod(c.m, kTwo17);
    c.two34 = SplitMod(c.m, kTwo17 * kTwo17);
  }

  // Residues of 10^(7 t) for the chunks of the largest coefficient (half the
  // digits of M).
  t.MaxChunks = static_cast<long>(lnM / std::log(10.0) / 2 / kTinyDigits) + 2;
  if (t.MaxChunks > kMaxChunks) errorf("Error in InitCRT, NCRT=%ld is too large", ncrt);
  t.ldW = RoundUp(3 * ncrt, kMulColsTile);
  double* w = Alloc(t.MaxChunks * t.ldW);
  t.WRows.resize(t.MaxChunks);
  for (long r = 0; r < t.MaxChunks; r++) t.WRows[r] = w + r * t.ldW;
  for (long i = 0; i < ncrt; i++) {
    const PrimeConsts& c = t.Primes[i];
    const SplitResidue ten7 = SplitMod(c.m, kTinyBase);
    double x = 1;
    for (long r = 0; r < t.MaxChunks; r++) {
      const double hi = std::floor(x / (kTwo17 * kTwo17));
      const double rest = x - hi * kTwo17 * kTwo17;
      const double mid = std::floor(rest / kTwo17);
      double* at = w + r * t.ldW + 3 * i;
      at[0] = rest - mid * kTwo17;
      at[1] = mid;
      at[2] = hi;
      x = MulMod(c.m, x, ten7);
    }
  }

  t.Chunks = Alloc(kTile * t.MaxChunks);
  t.Sums = Alloc(kTile * t.ldW);
  t.AlphaDigits = Alloc(kTile * (3 * ncrt + 1));
  t.R = Alloc(kTile * t.ldR);
  t.Carries = Alloc(t.ldR);
  t.Alpha.assign(kTile * ncrt, 0);
  t.K.assign(kTile, 0);
  t.MEst.assign(kTile, 0);
}

void FreeCRT() {
  CRTTables& t = Tables();
  for (auto& [raw, n] : t.Owned) FreeDoubles(n, raw);
  t = CRTTables{};
}

long CRTPrimeCount() { return Tables().NCRT; }

void ComputeModulos(const double* limbs, long crtNbDec, long count, double* res, long stride) {
  CRTTables& t = Tables();
  const long d = crtNbDec;
  const long nch = (d + kTinyDigits - 1) / kTinyDigits;
  if (t.NCRT == 0 || d < 1 || nch > t.MaxChunks)
    errorf("Error in ComputeModulos, CRTNbDec=%ld does not fit NCRT=%ld", d, t.NCRT);
  for (long j0 = 0; j0 < count; j0 += kTile) {
    const long n = std::min(kTile, count - j0);
    const long nr = RoundUp(n, kMulRowsTile);
    std::memset(t.Chunks, 0, sizeof(double) * static_cast<size_t>(nr * nch));
    for (long j = 0; j < n; j++) {
      const long g = (j0 + j) * d;
      double* chunk = t.Chunks + j * nch;
      for (long c = 0; c < nch; c++)
        chunk[c] = DigitsAt(limbs, g + kTinyDigits * c,
                            static_cast<int>(std::min<long>(kTinyDigits, d - kTinyDigits * c)));
    }
    std::memset(t.Sums, 0, sizeof(double) * static_cast<size_t>(nr * t.ldW));
    MulAddRows(t.Chunks, nch, nr, t.WRows.data(), nch, t.Sums, t.ldW, t.ldW);
    for (long i = 0; i < t.NCRT; i++) {
      const PrimeConsts& c = t.Primes[i];
      for (long j = 0; j < n; j++) {
        const double* s = t.Sums + j * t.ldW + 3 * i;
        double v = ModP(c, s[0]);
        v = AddMod(c.m, v, MulMod(c.m, ModP(c, s[1]), c.two17));
        v = AddMod(c.m, v, MulMod(c.m, ModP(c, s[2]), c.two34));
        res[i * stride + j0 + j] = v;
      }
    }
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
      for (long j = 0; j < n; j++) t.Alpha[j * N + i] = MulMod(c.m, x[i * stride + j0 + j], c.invM);
    }
    SumTile(t, t.Alpha.data(), n);
    for (long j = 0; j < n; j++) {
      const TinyInt v = FinishRow(t, j, t.Alpha.data() + j * N);
      AddDigits(out, (j0 + j) * crtNbDec, v);
    }
  }
}

void CRT(const double* alpha, TinyInt& result) {
  CRTTables& t = Tables();
  if (t.NCRT == 0) error("Error in CRT, the CRT tables are not set up");
  SumTile(t, alpha, 1);
  const TinyInt v = FinishRow(t, 0, alpha);
  if (v.Size > result.NAlloc) errorf("Error in CRT, %ld limbs do not hold the result", result.NAlloc);
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
