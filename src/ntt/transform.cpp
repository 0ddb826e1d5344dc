// Forward and inverse NTTs by the four-step method: column transforms, a
// twiddle by w_n^(r j), row transforms. Eight rows or columns are gathered side
// by side into a scratch buffer (element i holds the eight lanes), so that every
// butterfly works on eight transforms at once with one broadcast root, and the
// column gather reads one cache line of each row.
//
// The short transforms are decimations in time: a radix-4 pass reads natural
// order and stores bit-reversed, the later passes (radix 4, and one radix 2
// for an odd power of two) finish in natural order. The fourth root of unity of
// every prime is c, so a radix-4 butterfly costs three general products.
#include <cstring>
#include <utility>

#include "ntt/ntt.h"
#include "shell/error_report.h"

namespace {

// Vectors of the two widths used: one SSE2 or NEON register, one AVX register.
typedef double Vec2 __attribute__((vector_size(16), aligned(8), may_alias));
typedef double Vec4 __attribute__((vector_size(32), aligned(8), may_alias));

constexpr int kLanes = 8;               // transforms side by side
constexpr long kSmallestFourStep = 64;  // eight rows of eight columns

#define NTT_INLINE __attribute__((always_inline)) inline

int Log2(long n) {
  int l = 0;
  while ((1L << l) < n) l++;
  return l;
}

using residue::Butterfly;
using residue::MulC;

// The roots and scratch that a transform reads, taken once from the context.
struct Tables {
  PrimeContext m;
  const double* lo;
  const double* hi;
  const int32_t* rev;
  long sqrtSize;
  double* bufA;
  double* bufB;
};

Tables GetTables() {
  const NTTContext& t = NTT();
  return {t.Prime, t.RootTable, t.RootTable + 2 * t.NNTTSqrt, t.BitReverse.data(), t.NNTTSqrt,
          t.BufA,  t.BufB};
}

// Two radix-2 stages at once on a0 .. a3 (the elements j, j + M, j + 2M, j + 3M
// of four sub-transforms of length M, a1 .. a3 already times their roots): the
// fourth root of unity is c, and c^-1 = -c for the inverse.
template <class T, bool Inverse>
NTT_INLINE void Radix4(const PrimeContext& m, T& a0, T& a1, T& a2, T& a3) {
  Butterfly(m, a0, a1);
  Butterfly(m, a2, a3);
  MulC(m, a3);
  Butterfly(m, a0, a2);
  if (Inverse) {
    Butterfly(m, a1, a3);
    std::swap(a1, a3);
  } else {
    Butterfly(m, a1, a3);
  }
}

// A short transform of len elements of K values of T each (T a double or a
// vector), out of place, natural order in and out, unscaled: a radix-4 pass that
// reads natural order and stores bit-reversed, a radix-2 pass when log2 len is
// odd, radix-4 passes.
template <class T, int K, bool Inverse>
NTT_INLINE void ShortTransform(const Tables& tb, const T* in, long len, T* out) {
  const PrimeContext m = tb.m;  // a copy: stores to the data cannot change it
  // w_L^e, or w_L^-e for the inverse, from the row of length L of the table.
  auto root = [](long L, long e) { return Inverse ? 2 * L - e : L + e; };
  const long q = len / 4;
  const long revStep = tb.sqrtSize / len;
  for (long i = 0; i < q; i++) {
    T* o = out + K * tb.rev[i * revStep];
#pragma GCC unroll 4
    for (int h = 0; h < K; h++) {
      T a0 = in[K * i + h], a1 = in[K * (i + 2 * q) + h];
      T a2 = in[K * (i + q) + h], a3 = in[K * (i + 3 * q) + h];
      Radix4<T, Inverse>(m, a0, a1, a2, a3);
      o[h] = a0;
      o[K + h] = a1;
      o[2 * K + h] = a2;
      o[3 * K + h] = a3;
    }
  }
  long M = 4;  // the length of the sub-transforms done
  if (Log2(len) % 2 == 1) {
    for (long b = 0; b < len; b += 8) {
      T* u = out + K * b;
      for (long j = 0; j < 4; j++) {
        const long e = root(8, j);
#pragma GCC unroll 4
        for (int h = 0; h < K; h++) {
          T x = u[K * (j + 4) + h];
          if (j > 0) residue::Mul(m, x, tb.lo[e], tb.hi[e]);
          Butterfly(m, u[K * j + h], x);
          u[K * (j + 4) + h] = x;
        }
      }
    }
    M = 8;
  }
  for (; M < len; M *= 4) {
    const long L = 4 * M;
    for (long b = 0; b < len; b += L) {
      T* u = out + K * b;
#pragma GCC unroll 4
      for (int h = 0; h < K; h++)
        Radix4<T, Inverse>(m, u[h], u[K * M + h], u[2 * K * M + h], u[3 * K * M + h]);
      for (long j = 1; j < M; j++) {
        const long e1 = root(L, j), e2 = root(L, 2 * j), e3 = root(L, 3 * j);
#pragma GCC unroll 4
        for (int h = 0; h < K; h++) {
          T a0 = u[K * j + h], a1 = u[K * (j + M) + h];
          T a2 = u[K * (j + 2 * M) + h], a3 = u[K * (j + 3 * M) + h];
          residue::Mul(m, a1, tb.lo[e2], tb.hi[e2]);
          residue::Mul(m, a2, tb.lo[e1], tb.hi[e1]);
          residue::Mul(m, a3, tb.lo[e3], tb.hi[e3]);
          Radix4<T, Inverse>(m, a0, a1, a2, a3);
          u[K * j + h] = a0;
          u[K * (j + M) + h] = a1;
          u[K * (j + 2 * M) + h] = a2;
          u[K * (j + 3 * M) + h] = a3;
        }
      }
    }
  }
}

// Buffer A to buffer B, eight lanes of vectors V.
template <class V, bool Inverse>
NTT_INLINE void LaneTransform(const Tables& tb, long len) {
  ShortTransform<V, kLanes * sizeof(double) / sizeof(V), Inverse>(
      tb, reinterpret_cast<const V*>(tb.bufA), len, reinterpret_cast<V*>(tb.bufB));
}

// The count doubles at x are residues (false for negative values, p and above, and NaN).
template <class V>
NTT_INLINE bool AllResidues(const double* x, long count, double p) {
  constexpr int kWidth = sizeof(V) / sizeof(double);
  const V* v = reinterpret_cast<const V*>(x);
  decltype(V{} < 0) ok = V{} == 0;
  for (long i = 0; i < count / kWidth; i++) ok &= (v[i] >= 0) & (v[i] < p);
  for (int l = 0; l < kWidth; l++) {
    if (ok[l] == 0) return false;
  }
  return true;
}

[[noreturn]] void NotResidues(const char* where) {
  errorf("Error in %s, a value is not a residue of prime %ld\n", where, NTT().SelectedPrime);
}

// Columns j0 .. j0 + 7 of every row into buffer A, lane q of element r.
NTT_INLINE void GatherColumns(const Tables& tb, const double* data, long nr, long nc, long j0) {
  for (long r = 0; r < nr; r++)
    std::memcpy(tb.bufA + kLanes * r, data + r * nc + j0, sizeof(double) * kLanes);
}

NTT_INLINE void ScatterColumns(const Tables& tb, double* data, long nr, long nc, long j0) {
  for (long r = 0; r < nr; r++)
    std::memcpy(data + r * nc + j0, tb.bufB + kLanes * r, sizeof(double) * kLanes);
}

// Eight columns at a time; the forward pass is the first to read the data and checks it.
template <class V, bool Inverse>
NTT_INLINE bool ColumnPass(const Tables& tb, double* data, long nr, long nc) {
  bool ok = true;
  for (long j0 = 0; j0 < nc; j0 += kLanes) {
    GatherColumns(tb, data, nr, nc, j0);
    if (!Inverse) ok = AllResidues<V>(tb.bufA, kLanes * nr, tb.m.p) && ok;
    LaneTransform<V, Inverse>(tb, nr);
    ScatterColumns(tb, data, nr, nc, j0);
  }
  return ok;
}

// Element j of a lane buffer times f0 t^j, lane by lane (t[q] the root of
// lane q). Four independent chains keep the multiplier busy.
template <class V>
NTT_INLINE void TwiddleLanes(const Tables& tb, double* buf, long nc, const double* t, double f0) {
  constexpr int kWidth = sizeof(V) / sizeof(double), K = kLanes / kWidth;
  const PrimeContext m = tb.m;  // a copy: stores to the data cannot change it
  V* x = reinterpret_cast<V*>(buf);
  for (int h = 0; h < K; h++) {
    V tv, tl, th;
    std::memcpy(&tv, t + kWidth * h, sizeof(V));
    residue::Split(m, tv, tl, th);
    V f[4];
    f[0] = V{} + f0;
    for (int u = 1; u < 4; u++) {
      f[u] = f[u - 1];
      residue::Mul(m, f[u], tl, th);
    }
    V t4 = tv, t4l, t4h;
    for (int u = 1; u < 4; u++) residue::Mul(m, t4, tl, th);
    residue::Split(m, t4, t4l, t4h);
    for (long j = 0; j < nc; j += 4) {
      for (int u = 0; u < 4; u++) {
        V fl, fh;
        residue::Split(m, f[u], fl, fh);
        residue::Mul(m, x[K * (j + u) + h], fl, fh);
        residue::Mul(m, f[u], t4l, t4h);
      }
    }
  }
}

// Rows r0 .. r0 + 7 into buffer A, lane q of element j: eight streams read,
// the buffer written in order.
NTT_INLINE void GatherRows(const Tables& tb, const double* data, long nc, long r0) {
  const double* row = data + r0 * nc;
  for (long j = 0; j < nc; j++) {
    for (int q = 0; q < kLanes; q++) tb.bufA[kLanes * j + q] = row[q * nc + j];
  }
}

NTT_INLINE void ScatterRows(const Tables& tb, double* data, long nc, long r0) {
  double* row = data + r0 * nc;
  for (long j = 0; j < nc; j++) {
    for (int q = 0; q < kLanes; q++) row[q * nc + j] = tb.bufB[kLanes * j + q];
  }
}

// The roots w^r0 .. w^(r0 + 7) of the next eight rows.
struct RowRoots {
  double t[kLanes];
  SplitResidue step;  // w^8

  RowRoots(const PrimeContext& m, double w) {
    t[0] = 1;
    for (int q = 1; q < kLanes; q++) t[q] = MulMod(m, t[q - 1], w);
    step = SplitMod(m, MulMod(m, t[kLanes - 1], w));
  }
  void Next(const PrimeContext& m) {
    for (double& x : t) x = MulMod(m, x, step);
  }
};

// Columns (length nr), then the twiddle w^(r j) and the rows (length nc).
template <class V>
NTT_INLINE bool ForwardFourStep(const Tables& tb, double* data, long nr, long nc, double w) {
  const bool ok = ColumnPass<V, false>(tb, data, nr, nc);
  RowRoots roots(tb.m, w);
  for (long r0 = 0; r0 < nr; r0 += kLanes, roots.Next(tb.m)) {
    GatherRows(tb, data, nc, r0);
    TwiddleLanes<V>(tb, tb.bufA, nc, roots.t, 1);
    LaneTransform<V, false>(tb, nc);
    ScatterRows(tb, data, nc, r0);
  }
  return ok;
}

// Rows with the twiddle n^-1 w^-(r j), then the columns.
template <class V>
NTT_INLINE bool InverseFourStep(const Tables& tb, double* data, long nr, long nc, double winv,
                                double scale) {
  bool ok = true;
  RowRoots roots(tb.m, winv);
  for (long r0 = 0; r0 < nr; r0 += kLanes, roots.Next(tb.m)) {
    GatherRows(tb, data, nc, r0);
    ok = AllResidues<V>(tb.bufA, kLanes * nc, tb.m.p) && ok;
    LaneTransform<V, true>(tb, nc);
    TwiddleLanes<V>(tb, tb.bufB, nc, roots.t, scale);
    ScatterRows(tb, data, nc, r0);
  }
  ColumnPass<V, true>(tb, data, nr, nc);
  return ok;
}

template <class V>
NTT_INLINE void PointwiseKernel(const PrimeContext m, const double* a, const double* b, double* c,
                                long n) {
  constexpr int kWidth = sizeof(V) / sizeof(double);
  long i = 0;
  for (; i + kWidth <= n; i += kWidth) {
    V x, y, lo, hi;
    std::memcpy(&x, a + i, sizeof x);
    std::memcpy(&y, b + i, sizeof y);
    residue::Split(m, y, lo, hi);
    residue::Mul(m, x, lo, hi);
    std::memcpy(c + i, &x, sizeof x);
  }
  for (; i < n; i++) c[i] = MulMod(m, a[i], b[i]);
}

// The kernels for one vector width. The wide one is built for AVX2 with FMA and
// chosen at run time; elsewhere the narrow vectors map to SSE2 or NEON.
struct Kernels {
  bool (*forward)(const Tables&, double*, long, long, double);
  bool (*inverse)(const Tables&, double*, long, long, double, double);
  void (*pointwise)(PrimeContext, const double*, const double*, double*, long);
};

#define NTT_KERNELS(Name, V, Target)                                                             \
  Target bool Name##Forward(const Tables& tb, double* d, long nr, long nc, double w) {           \
    return ForwardFourStep<V>(tb, d, nr, nc, w);                                                 \
  }                                                                                              \
  Target bool Name##Inverse(const Tables& tb, double* d, long nr, long nc, double w, double s) { \
    return InverseFourStep<V>(tb, d, nr, nc, w, s);                                              \
  }                                                                                              \
  Target void Name##Pointwise(PrimeContext m, const double* a, const double* b, double* c,       \
                              long n) {                                                          \
    PointwiseKernel<V>(m, a, b, c, n);                                                           \
  }

NTT_KERNELS(Narrow, Vec2, )
#if defined(__x86_64__)
NTT_KERNELS(Wide, Vec4, __attribute__((target("avx2,fma"))))
#endif

const Kernels kNarrow{NarrowForward, NarrowInverse, NarrowPointwise};
bool useBaseline = false;

const Kernels& Engine() {
#if defined(__x86_64__)
  static const bool wide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  static const Kernels kWide{WideForward, WideInverse, WidePointwise};
  if (wide && !useBaseline) return kWide;
#endif
  return kNarrow;
}

void CheckResidues(const double* data, long n, double p, const char* where) {
  for (long i = 0; i < n; i++) {
    if (!(data[i] >= 0 && data[i] < p)) NotResidues(where);
  }
}

// Lengths below the smallest four-step matrix, by the definition (natural order).
void DirectTransform(double* data, long n, double w, double scale) {
  const PrimeContext m = NTT().Prime;
  double powers[kSmallestFourStep], out[kSmallestFourStep];
  powers[0] = 1;
  for (long e = 1; e < n; e++) powers[e] = MulMod(m, powers[e - 1], w);
  for (long k = 0; k < n; k++) {
    double sum = 0;
    for (long i = 0; i < n; i++) sum = AddMod(m, sum, MulMod(m, data[i], powers[(i * k) % n]));
    out[k] = MulMod(m, sum, scale);
  }
  std::memcpy(data, out, sizeof(double) * n);
}

// w_n: the table root of order NNTTMax squared down to order n.
double RootOfLength(long n, long k) {
  const NTTContext& t = NTT();
  if (n < 1 || n > t.NNTTMax || (n & (n - 1)) != 0) {
    errorf("Error in the NTT, N=%ld is not a power of two up to NNTTMax=%ld\n", n, t.NNTTMax);
  }
  SelectPrime(k);
  double w = t.Primes.Root[k];
  for (long l = t.NNTTMax; l > n; l /= 2) w = MulMod(t.Prime, w, w);
  return w;
}

// nr = 8 for 64 points, else the smallest power of two >= 16 with nr^2 >= n.
void SplitNTTSize(long n, long* nr, long* nc) {
  *nr = 8;
  if (n > kSmallestFourStep) {
    *nr = 16;
    while (*nr * *nr < n) *nr *= 2;
  }
  *nc = n / *nr;
}

void CheckShortLength(long len) {
  const NTTContext& t = NTT();
  if (t.SelectedPrime < 0 || len < 4 || len > t.NNTTSqrt || (len & (len - 1)) != 0) {
    errorf("Error in the short NTT, len=%ld (NNTTSqrt=%ld, prime %ld)\n", len, t.NNTTSqrt,
           t.SelectedPrime);
  }
}

}  // namespace

void ForwardNTT(double* data, long n, long k) {
  const double w = RootOfLength(n, k);
  const Tables tb = GetTables();
  if (n < kSmallestFourStep) {
    CheckResidues(data, n, tb.m.p, "ForwardNTT");
    DirectTransform(data, n, w, 1);
    return;
  }
  long nr, nc;
  SplitNTTSize(n, &nr, &nc);
  if (!Engine().forward(tb, data, nr, nc, w)) NotResidues("ForwardNTT");
}

void InverseNTT(double* data, long n, long k) {
  const double w = RootOfLength(n, k);
  const Tables tb = GetTables();
  const double winv = InvMod(w, tb.m.p);
  const double scale = InvMod(static_cast<double>(n), tb.m.p);
  if (n < kSmallestFourStep) {
    CheckResidues(data, n, tb.m.p, "InverseNTT");
    DirectTransform(data, n, winv, scale);
    return;
  }
  long nr, nc;
  SplitNTTSize(n, &nr, &nc);
  if (!Engine().inverse(tb, data, nr, nc, winv, scale)) NotResidues("InverseNTT");
}

void ShortForwardNTT(const double* in, long len, double* out) {
  CheckShortLength(len);
  ShortTransform<double, 1, false>(GetTables(), in, len, out);
}

void ShortInverseNTT(const double* in, long len, double* out) {
  CheckShortLength(len);
  ShortTransform<double, 1, true>(GetTables(), in, len, out);
}

void PointwiseMulMod(const double* a, const double* b, double* c, long n) {
  if (NTT().SelectedPrime < 0) error("Error in PointwiseMulMod, no prime is selected");
  Engine().pointwise(NTT().Prime, a, b, c, n);
}

void UseBaselineKernels(bool on) { useBaseline = on; }
