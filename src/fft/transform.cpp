// The complex FFT of length N behind the real transforms, by a four-step split
// N = n1 x n2: column transforms (n1 points, stride n2), twiddles, row
// transforms (n2 points). Inner transforms run on gathered blocks of V
// transforms side by side (element i holds V real parts then V imaginary
// parts), so every butterfly is a loop over V lanes that vectorises.
//
// The forward inner transform is a decimation in frequency (natural order in,
// bit-reversed out) and the inverse a decimation in time (bit-reversed in,
// natural out): no permutation pass is ever made.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "fft/dispatch.h"
#include "fft/fft_engine.h"
#include "shell/error_report.h"
#include "shell/memory.h"

namespace {

constexpr int kColumnLanes = 16;  // columns gathered at once (four cache lines of a row)
constexpr int kRowLanes = 4;     // rows gathered at once
constexpr long kRowTableMax = 1L << 16;  // sizes with a precomputed row twiddle table

// The phases inline every helper into each clone (clang refuses flatten on clones).
#if defined(__clang__)
#define NUMORA_VECTOR NUMORA_VECTOR_CLONES
#else
#define NUMORA_VECTOR NUMORA_VECTOR_CLONES __attribute__((flatten))
#endif

int Log2(long n) {
  int l = 0;
  while ((1L << l) < n) l++;
  return l;
}

NUMORA_INLINE long Reverse(long p, int bits) {
  long r = 0;
  for (int b = 0; b < bits; b++) {
    r = (r << 1) | (p & 1);
    p >>= 1;
  }
  return r;
}

// V lanes of doubles as one value: each butterfly works on V transforms at once
// (one vector register or a few, whatever the instruction set).
// Four lanes: one AVX register, or two SSE2 registers in the plain build.
typedef double Vec4 __attribute__((vector_size(32), aligned(8), may_alias));

// One radix-4 decimation-in-frequency pass over blocks of length L (two radix-2
// stages fused; outputs stay in bit-reversed position). zeroTop: the upper half
// of the input is zero (the first pass of a padded real transform).
template <int V>
NUMORA_INLINE void ForwardPass4(double* x, long n, long L, const double* tw, bool zeroTop) {
  typedef Vec4 T;
  constexpr int K = V / 4;  // vectors per real or imaginary part of an element
  const long m = L / 4;
  for (long b = 0; b < n; b += L) {
    T* q = reinterpret_cast<T*>(x + 2 * V * b);
    for (long j = 0; j < m; j++) {
      const double c1 = tw[6 * j], s1 = tw[6 * j + 1], c2 = tw[6 * j + 2], s2 = tw[6 * j + 3],
                   c3 = tw[6 * j + 4], s3 = tw[6 * j + 5];
      for (int h = 0; h < K; h++) {
      T* p0 = q + 2 * K * j + h;
      T* p1 = p0 + 2 * K * m;
      T* p2 = p1 + 2 * K * m;
      T* p3 = p2 + 2 * K * m;
      T a0r = p0[0], a0i = p0[K], a1r = p1[0], a1i = p1[K];
      T t0r, t0i, t2r, t2i, t1r, t1i, dr, di;
      if (zeroTop) {
        t0r = a0r;
        t0i = a0i;
        t2r = a0r;
        t2i = a0i;
        t1r = a1r;
        t1i = a1i;
        dr = a1r;
        di = a1i;
      } else {
        T a2r = p2[0], a2i = p2[K], a3r = p3[0], a3i = p3[K];
        t0r = a0r + a2r;
        t0i = a0i + a2i;
        t2r = a0r - a2r;
        t2i = a0i - a2i;
        t1r = a1r + a3r;
        t1i = a1i + a3i;
        dr = a1r - a3r;
        di = a1i - a3i;
      }
      p0[0] = t0r + t1r;
      p0[K] = t0i + t1i;
      T ur = t0r - t1r, ui = t0i - t1i;
      p1[0] = ur * c2 + ui * s2;
      p1[K] = ui * c2 - ur * s2;
      T er = t2r + di, ei = t2i - dr;
      p2[0] = er * c1 + ei * s1;
      p2[K] = ei * c1 - er * s1;
      T fr = t2r - di, fi = t2i + dr;
      p3[0] = fr * c3 + fi * s3;
      p3[K] = fi * c3 - fr * s3;
      }
    }
  }
}

// The inverse of ForwardPass4 (conjugate twiddles, unscaled).
template <int V>
NUMORA_INLINE void InversePass4(double* x, long n, long L, const double* tw) {
  typedef Vec4 T;
  constexpr int K = V / 4;
  const long m = L / 4;
  for (long b = 0; b < n; b += L) {
    T* q = reinterpret_cast<T*>(x + 2 * V * b);
    for (long j = 0; j < m; j++) {
      const double c1 = tw[6 * j], s1 = tw[6 * j + 1], c2 = tw[6 * j + 2], s2 = tw[6 * j + 3],
                   c3 = tw[6 * j + 4], s3 = tw[6 * j + 5];
      for (int h = 0; h < K; h++) {
      T* p0 = q + 2 * K * j + h;
      T* p1 = p0 + 2 * K * m;
      T* p2 = p1 + 2 * K * m;
      T* p3 = p2 + 2 * K * m;
      T c0r = p0[0], c0i = p0[K];
      T xr = p1[0], xi = p1[K];
      T d1r = xr * c2 - xi * s2, d1i = xi * c2 + xr * s2;
      xr = p2[0];
      xi = p2[K];
      T d2r = xr * c1 - xi * s1, d2i = xi * c1 + xr * s1;
      xr = p3[0];
      xi = p3[K];
      T d3r = xr * c3 - xi * s3, d3i = xi * c3 + xr * s3;
      T b0r = c0r + d1r, b0i = c0i + d1i, b1r = c0r - d1r, b1i = c0i - d1i;
      T er = d2r + d3r, ei = d2i + d3i, fr = d2r - d3r, fi = d2i - d3i;
      p0[0] = b0r + er;
      p0[K] = b0i + ei;
      p2[0] = b0r - er;
      p2[K] = b0i - ei;
      p1[0] = b1r - fi;
      p1[K] = b1i + fr;
      p3[0] = b1r + fi;
      p3[K] = b1i - fr;
      }
    }
  }
}

// The last (forward) or first (inverse) factor 2 of an odd power of two.
template <int V>
NUMORA_INLINE void Pass2(double* x, long n) {
  typedef Vec4 T;
  constexpr int K = V / 4;
  T* q = reinterpret_cast<T*>(x);
  for (long b = 0; b < n; b += 2) {
    T* p0 = q + 2 * K * b;
    T* p1 = p0 + 2 * K;
    for (int k = 0; k < 2 * K; k++) {
      T a = p0[k], c = p1[k];
      p0[k] = a + c;
      p1[k] = a - c;
    }
  }
}

template <int V>
NUMORA_INLINE void ForwardKernel(double* x, long n, bool zeroTop) {
  FFTContext& f = FFT();
  long L = n;
  int l = Log2(n);
  for (; L >= 4; L /= 4, l -= 2) {
    ForwardPass4<V>(x, n, L, f.Twiddle4[l], zeroTop && L == n);
  }
  if (L == 2) Pass2<V>(x, n);
}

template <int V>
NUMORA_INLINE void InverseKernel(double* x, long n) {
  FFTContext& f = FFT();
  int l = Log2(n);
  long L = 4;
  int ll = 2;
  if (l & 1) {
    Pass2<V>(x, n);
    L = 8;
    ll = 3;
  }
  for (; L <= n; L *= 4, ll += 2) InversePass4<V>(x, n, L, f.Twiddle4[ll]);
}

// exp(-2 pi i t / (2 NFFT)).
NUMORA_INLINE void Twiddle(const FFTContext& f, long t, double* wr, double* wi) {
  const double* h = f.TwHi + 2 * (t >> f.TwBits);
  const double* o = f.TwLo + 2 * (t & ((1L << f.TwBits) - 1));
  *wr = h[0] * o[0] - h[1] * o[1];
  *wi = h[0] * o[1] + h[1] * o[0];
}

// Element j of a row block (kRowLanes lanes) times the twiddles tw[j] (same
// layout), or their conjugates.
NUMORA_INLINE void MultiplyLanes(double* buf, const double* tw, long n, bool conjugate) {
  static_assert(kRowLanes == 4, "one vector per part");
  Vec4* x = reinterpret_cast<Vec4*>(buf);
  const Vec4* w = reinterpret_cast<const Vec4*>(tw);
  const double sign = conjugate ? -1.0 : 1.0;
  for (long j = 0; j < n; j++) {
    Vec4 xr = x[2 * j], xi = x[2 * j + 1];
    Vec4 wr = w[2 * j], wi = w[2 * j + 1] * sign;
    x[2 * j] = xr * wr - xi * wi;
    x[2 * j + 1] = xr * wi + xi * wr;
  }
}

// Lane moves as whole vectors (element-wise loops over strided lanes come out
// as scalar copies).

// Rows a, b, c, d of a 4 x 4 block become its columns.
NUMORA_INLINE void Transpose4(Vec4& a, Vec4& b, Vec4& c, Vec4& d) {
  typedef double V __attribute__((vector_size(32)));
  const V t0 = NUMORA_SHUFFLE((V)a, (V)b, 0, 4, 2, 6), t1 = NUMORA_SHUFFLE((V)a, (V)b, 1, 5, 3, 7);
  const V t2 = NUMORA_SHUFFLE((V)c, (V)d, 0, 4, 2, 6), t3 = NUMORA_SHUFFLE((V)c, (V)d, 1, 5, 3, 7);
  a = NUMORA_SHUFFLE(t0, t2, 0, 1, 4, 5);
  b = NUMORA_SHUFFLE(t1, t3, 0, 1, 4, 5);
  c = NUMORA_SHUFFLE(t0, t2, 2, 3, 6, 7);
  d = NUMORA_SHUFFLE(t1, t3, 2, 3, 6, 7);
}

// Rows p .. p + 3 (n2 points each, stride 2 n2 doubles) into the lane layout
// of buf, two points at a time; and back.
NUMORA_INLINE void GatherRows(const double* data, long n2, double* buf) {
  const Vec4* r0 = reinterpret_cast<const Vec4*>(data);
  const Vec4* r1 = reinterpret_cast<const Vec4*>(data + 2 * n2);
  const Vec4* r2 = reinterpret_cast<const Vec4*>(data + 4 * n2);
  const Vec4* r3 = reinterpret_cast<const Vec4*>(data + 6 * n2);
  Vec4* d = reinterpret_cast<Vec4*>(buf);
  for (long j = 0; j < n2 / 2; j++) {
    Vec4 a = r0[j], b = r1[j], c = r2[j], e = r3[j];
    Transpose4(a, b, c, e);
    d[4 * j] = a;
    d[4 * j + 1] = b;
    d[4 * j + 2] = c;
    d[4 * j + 3] = e;
  }
}

NUMORA_INLINE void ScatterRows(const double* buf, long n2, double* data) {
  Vec4* r0 = reinterpret_cast<Vec4*>(data);
  Vec4* r1 = reinterpret_cast<Vec4*>(data + 2 * n2);
  Vec4* r2 = reinterpret_cast<Vec4*>(data + 4 * n2);
  Vec4* r3 = reinterpret_cast<Vec4*>(data + 6 * n2);
  const Vec4* d = reinterpret_cast<const Vec4*>(buf);
  for (long j = 0; j < n2 / 2; j++) {
    Vec4 a = d[4 * j], b = d[4 * j + 1], c = d[4 * j + 2], e = d[4 * j + 3];
    Transpose4(a, b, c, e);
    r0[j] = a;
    r1[j] = b;
    r2[j] = c;
    r3[j] = e;
  }
}

// The V columns of a row (V points, interleaved) into element j of the column
// buffer (V real parts, then V imaginary parts); and back.
template <int V>
NUMORA_INLINE void GatherColumns(const double* s, double* d) {
  typedef double W __attribute__((vector_size(32)));
  const Vec4* x = reinterpret_cast<const Vec4*>(s);
  Vec4* re = reinterpret_cast<Vec4*>(d);
  Vec4* im = reinterpret_cast<Vec4*>(d + V);
  for (int k = 0; k < V / 4; k++) {
    const W a = x[2 * k], b = x[2 * k + 1];
    re[k] = NUMORA_SHUFFLE(a, b, 0, 2, 4, 6);
    im[k] = NUMORA_SHUFFLE(a, b, 1, 3, 5, 7);
  }
}

template <int V>
NUMORA_INLINE void ScatterColumns(const double* d, double* s) {
  typedef double W __attribute__((vector_size(32)));
  Vec4* x = reinterpret_cast<Vec4*>(s);
  const Vec4* re = reinterpret_cast<const Vec4*>(d);
  const Vec4* im = reinterpret_cast<const Vec4*>(d + V);
  for (int k = 0; k < V / 4; k++) {
    const W a = re[k], b = im[k];
    x[2 * k] = NUMORA_SHUFFLE(a, b, 0, 4, 1, 5);
    x[2 * k + 1] = NUMORA_SHUFFLE(a, b, 2, 6, 3, 7);
  }
}

// The row twiddles of sizes without a table: element j of row p + v times
// exp(-2 pi i k1 j / N) (or its conjugate), k1 = rev(p + v), each factor the
// same product of two table entries as Twiddle gives, four lanes at once.
NUMORA_INLINE void MultiplyLanesTwiddles(double* buf, long p, int bits1, long step, long n2,
                                         bool conjugate) {
  static_assert(kRowLanes == 4, "one vector per part");
  const FFTContext& f = FFT();
  const long mask = (1L << f.TwBits) - 1;
  const long d0 = Reverse(p, bits1) * step, d1 = Reverse(p + 1, bits1) * step,
             d2 = Reverse(p + 2, bits1) * step, d3 = Reverse(p + 3, bits1) * step;
  Vec4* x = reinterpret_cast<Vec4*>(buf);
  const double sign = conjugate ? -1.0 : 1.0;
  for (long j = 0; j < n2; j++) {
    const long t0 = d0 * j, t1 = d1 * j, t2 = d2 * j, t3 = d3 * j;
    const double* h0 = f.TwHi + 2 * (t0 >> f.TwBits);
    const double* h1 = f.TwHi + 2 * (t1 >> f.TwBits);
    const double* h2 = f.TwHi + 2 * (t2 >> f.TwBits);
    const double* h3 = f.TwHi + 2 * (t3 >> f.TwBits);
    const double* o0 = f.TwLo + 2 * (t0 & mask);
    const double* o1 = f.TwLo + 2 * (t1 & mask);
    const double* o2 = f.TwLo + 2 * (t2 & mask);
    const double* o3 = f.TwLo + 2 * (t3 & mask);
    const Vec4 hr = {h0[0], h1[0], h2[0], h3[0]}, hi = {h0[1], h1[1], h2[1], h3[1]};
    const Vec4 lr = {o0[0], o1[0], o2[0], o3[0]}, li = {o0[1], o1[1], o2[1], o3[1]};
    const Vec4 wr = hr * lr - hi * li, wi = (hr * li + hi * lr) * sign;
    const Vec4 xr = x[2 * j], xi = x[2 * j + 1];
    x[2 * j] = xr * wr - xi * wi;
    x[2 * j + 1] = xr * wi + xi * wr;
  }
}

// ---- The column and row phases (compiled for two instruction sets) ----

NUMORA_VECTOR void ForwardColumns(double* data, long n1, long n2) {
  constexpr int V = kColumnLanes;
  double* buf = FFT().ColumnBuffer;
  const long half = n1 / 2;  // the padded upper half is zero and never read
  for (long c = 0; c < n2; c += V) {
    for (long j = 0; j < half; j++) GatherColumns<V>(data + 2 * (j * n2 + c), buf + 2 * V * j);
    ForwardKernel<V>(buf, n1, true);
    for (long j = 0; j < n1; j++) ScatterColumns<V>(buf + 2 * V * j, data + 2 * (j * n2 + c));
  }
}

NUMORA_VECTOR void ForwardRows(double* data, long n1, long n2, long N) {
  constexpr int V = kRowLanes;
  FFTContext& f = FFT();
  double* buf = f.RowBuffer;
  const int bits1 = Log2(n1);
  const long step = 2 * f.NFFT / N;  // exp(-2 pi i / N) is step units of the table
  const double* table = f.RowTwiddles[Log2(N)];
  for (long p = 0; p < n1; p += V) {
    GatherRows(data + 2 * p * n2, n2, buf);
    if (table != nullptr) {
      MultiplyLanes(buf, table + 2 * p * n2, n2, false);
    } else {
      MultiplyLanesTwiddles(buf, p, bits1, step, n2, false);
    }
    ForwardKernel<V>(buf, n2, false);
    ScatterRows(buf, n2, data + 2 * p * n2);
  }
}

NUMORA_VECTOR void InverseRows(double* data, long n1, long n2, long N) {
  constexpr int V = kRowLanes;
  FFTContext& f = FFT();
  double* buf = f.RowBuffer;
  const double* table = f.RowTwiddles[Log2(N)];
  const int bits1 = Log2(n1);
  const long step = 2 * f.NFFT / N;
  for (long p = 0; p < n1; p += V) {
    GatherRows(data + 2 * p * n2, n2, buf);
    InverseKernel<V>(buf, n2);
    if (table != nullptr) {
      MultiplyLanes(buf, table + 2 * p * n2, n2, true);
    } else {
      MultiplyLanesTwiddles(buf, p, bits1, step, n2, true);
    }
    ScatterRows(buf, n2, data + 2 * p * n2);
  }
}

NUMORA_VECTOR void InverseColumns(double* data, long n1, long n2) {
  constexpr int V = kColumnLanes;
  double* buf = FFT().ColumnBuffer;
  for (long c = 0; c < n2; c += V) {
    for (long j = 0; j < n1; j++) GatherColumns<V>(data + 2 * (j * n2 + c), buf + 2 * V * j);
    InverseKernel<V>(buf, n1);
    for (long j = 0; j < n1; j++) ScatterColumns<V>(buf + 2 * V * j, data + 2 * (j * n2 + c));
  }
}

// One conjugate pair (k, N - k) of the packed spectra: unpack the real
// spectra X and Y of both operands, multiply, pack back (scaled by 8). T is a
// double or a vector of pairs side by side (passed by reference: a vector
// argument would change the calling convention between the clones).
template <typename T>
NUMORA_INLINE void PairMath(const T& ar, const T& ai, const T& apr, const T& api, const T& br,
                            const T& bi, const T& bpr, const T& bpi, const T& ur, const T& ui,
                            T* cr, T* ci, T* cpr, T* cpi) {
  T sa_r = ar + apr, sa_i = ai - api, da_r = ar - apr, da_i = ai + api;
  T sb_r = br + bpr, sb_i = bi - bpi, db_r = br - bpr, db_i = bi + bpi;
  // t = -i u D
  T ta_r = ur * da_i + ui * da_r, ta_i = ui * da_i - ur * da_r;
  T tb_r = ur * db_i + ui * db_r, tb_i = ui * db_i - ur * db_r;
  T xa_r = sa_r + ta_r, xa_i = sa_i + ta_i, ya_r = sa_r - ta_r, ya_i = sa_i - ta_i;
  T xb_r = sb_r + tb_r, xb_i = sb_i + tb_i, yb_r = sb_r - tb_r, yb_i = sb_i - tb_i;
  T q1r = xa_r * xb_r - xa_i * xb_i, q1i = xa_r * xb_i + xa_i * xb_r;
  T q2r = ya_r * yb_r - ya_i * yb_i, q2i = ya_r * yb_i + ya_i * yb_r;
  T sr = q1r + q2r, si = q1i + q2i, gr = q1r - q2r, gi = q1i - q2i;
  // h = i conj(u) G
  T hr = ui * gr - ur * gi, hi = ur * gr + ui * gi;
  *cr = sr + hr;
  *ci = si + hi;
  *cpr = sr - hr;
  *cpi = hi - si;
}

NUMORA_INLINE void PairProduct(const double* a, const double* b, double* c, long i, long ip,
                               double ur, double ui) {
  double cr, ci, cpr, cpi;
  PairMath<double>(a[2 * i], a[2 * i + 1], a[2 * ip], a[2 * ip + 1], b[2 * i], b[2 * i + 1],
                   b[2 * ip], b[2 * ip + 1], ur, ui, &cr, &ci, &cpr, &cpi);
  c[2 * i] = cr;
  c[2 * i + 1] = ci;
  c[2 * ip] = cpr;
  c[2 * ip + 1] = cpi;
}

// Four pairs at once: points i .. i + 3 against ip .. ip - 3 (the partners run
// downward), with the column factors col[p .. p + 3] times r.
NUMORA_INLINE void PairProduct4(const double* a, const double* b, double* c, long i, long ip,
                                const double* col, double rr, double ri) {
  const long j = ip - 3;  // lowest partner point
  const Vec4* va = reinterpret_cast<const Vec4*>(a);
  const Vec4* vb = reinterpret_cast<const Vec4*>(b);
  const Vec4* vw = reinterpret_cast<const Vec4*>(col);
  // Loaded into values of natural alignment for the arithmetic. Points are 2
  // doubles: point i starts at vector i / 2 (i is a multiple of 4).
  typedef double V __attribute__((vector_size(32)));
  const V a0 = va[i / 2], a1 = va[i / 2 + 1], ap0 = va[j / 2], ap1 = va[j / 2 + 1];
  const V b0 = vb[i / 2], b1 = vb[i / 2 + 1], bp0 = vb[j / 2], bp1 = vb[j / 2 + 1];
  const V w0 = vw[0], w1 = vw[1];
  // Real parts (even lanes) and imaginary parts (odd lanes); the partners reversed.
  const V cr = NUMORA_SHUFFLE(w0, w1, 0, 2, 4, 6), ci = NUMORA_SHUFFLE(w0, w1, 1, 3, 5, 7);
  const V ur = rr * cr - ri * ci, ui = rr * ci + ri * cr;
  const V ar = NUMORA_SHUFFLE(a0, a1, 0, 2, 4, 6), ai = NUMORA_SHUFFLE(a0, a1, 1, 3, 5, 7);
  const V apr = NUMORA_SHUFFLE(ap0, ap1, 6, 4, 2, 0), api = NUMORA_SHUFFLE(ap0, ap1, 7, 5, 3, 1);
  const V br = NUMORA_SHUFFLE(b0, b1, 0, 2, 4, 6), bi = NUMORA_SHUFFLE(b0, b1, 1, 3, 5, 7);
  const V bpr = NUMORA_SHUFFLE(bp0, bp1, 6, 4, 2, 0), bpi = NUMORA_SHUFFLE(bp0, bp1, 7, 5, 3, 1);
  V xr, xi, xpr, xpi;
  PairMath<V>(ar, ai, apr, api, br, bi, bpr, bpi, ur, ui, &xr, &xi, &xpr, &xpi);
  Vec4* out = reinterpret_cast<Vec4*>(c + 2 * i);
  out[0] = NUMORA_SHUFFLE(xr, xi, 0, 4, 1, 5);
  out[1] = NUMORA_SHUFFLE(xr, xi, 2, 6, 3, 7);
  Vec4* outp = reinterpret_cast<Vec4*>(c + 2 * j);
  outp[0] = NUMORA_SHUFFLE(xpr, xpi, 3, 7, 2, 6);
  outp[1] = NUMORA_SHUFFLE(xpr, xpi, 1, 5, 0, 4);
}

NUMORA_VECTOR void PairProducts(const double* a, const double* b, double* c, long N) {
  FFTContext& f = FFT();
  long n1, n2;
  SplitFFTSize(N, &n1, &n2);
  const double* col = f.PairTable;
  const int bits1 = Log2(n1);
  // k = 0: DC and Nyquist of the real spectra sit in one complex point.
  {
    double xa0 = a[0] + a[1], xan = a[0] - a[1], xb0 = b[0] + b[1], xbn = b[0] - b[1];
    double p0 = xa0 * xb0, pn = xan * xbn;
    c[0] = 4 * (p0 + pn);
    c[1] = 4 * (p0 - pn);
  }
  // k = N/2 pairs with itself: a plain complex product.
  {
    const long i = 1;
    double ar = a[2 * i], ai = a[2 * i + 1], br = b[2 * i], bi = b[2 * i + 1];
    c[2 * i] = 8 * (ar * br - ai * bi);
    c[2 * i + 1] = 8 * (ar * bi + ai * br);
  }
  // Row 0 (k1 = 0): pairs inside the row, p <-> 3 2^m - 1 - p.
  for (long m = 2; m < n2; m *= 2) {
    for (long p = m; p < m + m / 2; p++) {
      PairProduct(a, b, c, p, 3 * m - 1 - p, col[2 * p], col[2 * p + 1]);
    }
  }
  // Row 1 (k1 = n1/2) pairs with itself, reversed; rows p1 and 3 2^m - 1 - p1 pair up.
  for (long p1 = 1; p1 < n1; p1++) {
    long q1;
    long m = 1;
    while (2 * m <= p1) m *= 2;
    if (p1 == 1) {
      q1 = 1;
    } else {
      if (p1 >= m + m / 2) continue;
      q1 = 3 * m - 1 - p1;
    }
    double rr, ri;
    Twiddle(f, Reverse(p1, bits1) * (f.NFFT / N), &rr, &ri);
    const long i0 = p1 * n2, ip0 = q1 * n2;
    const long end = p1 == 1 ? n2 / 2 : n2;
    // end is a multiple of 4 (rows have at least 16 points).
    for (long p2 = 0; p2 < end; p2 += 4) {
      PairProduct4(a, b, c, i0 + p2, ip0 + n2 - 1 - p2, col + 2 * p2, rr, ri);
    }
  }
}

void AllocTable(long n, double** p) {
  double* raw;
  AllocDoubles(n, &raw, p);
}

}  // namespace

FFTContext& FFT() {
  static FFTContext context;
  return context;
}

void SplitFFTSize(long N, long* n1, long* n2) {
  int l = Log2(N);
  *n1 = 1L << (l / 2);
  *n2 = 1L << (l - l / 2);
}

void InitFFT(long n) {
  FFTContext& f = FFT();
  if (f.FFTInitDone) {
    if (n != f.NFFT) error("Error in InitFFT, NFFT is not compatible with previous value");
    return;
  }
  if (n < 256 || (n & (n - 1)) != 0) errorf("Error in InitFFT, N=%ld is not a power of two >= 256", n);
  f.FFTInitDone = true;
  TotalAllocatedBytes() = 0;
  f.NFFT = n;
  long p = 4;
  while (p * p < n) p *= 2;
  f.NFFTSqrt = p;
  f.NFFTRows = n / p;
  long n1, n2;
  SplitFFTSize(n, &n1, &n2);
  f.KMax = n2;

  const double pi = 3.14159265358979323846;
  for (int l = 2; (1L << l) <= f.KMax; l++) {
    const long L = 1L << l;
    AllocTable(6 * (L / 4), &f.Twiddle4[l]);
    for (long j = 0; j < L / 4; j++) {
      for (int k = 1; k <= 3; k++) {
        f.Twiddle4[l][6 * j + 2 * (k - 1)] = std::cos(2 * pi * k * j / L);
        f.Twiddle4[l][6 * j + 2 * (k - 1) + 1] = std::sin(2 * pi * k * j / L);
      }
    }
  }
  const long full = 2 * n;  // angles in units of 2 pi / (2 NFFT)
  const int bits = Log2(full);
  f.TwBits = (bits + 1) / 2;
  const long lo = 1L << f.TwBits, hi = full >> f.TwBits;
  AllocTable(2 * lo, &f.TwLo);
  AllocTable(2 * hi, &f.TwHi);
  for (long t = 0; t < lo; t++) {
    f.TwLo[2 * t] = std::cos(2 * pi * t / full);
    f.TwLo[2 * t + 1] = -std::sin(2 * pi * t / full);
  }
  for (long t = 0; t < hi; t++) {
    double a = 2 * pi * static_cast<double>(t * lo) / full;
    f.TwHi[2 * t] = std::cos(a);
    f.TwHi[2 * t + 1] = -std::sin(a);
  }
  AllocTable(2 * f.KMax, &f.PairTable);
  const int kbits = Log2(f.KMax);
  for (long q = 0; q < f.KMax; q++) {
    double a = pi * static_cast<double>(Reverse(q, kbits)) / f.KMax;
    f.PairTable[2 * q] = std::cos(a);
    f.PairTable[2 * q + 1] = -std::sin(a);
  }
  // Row twiddles of the small transforms, exact and laid out as the row blocks
  // read them (the larger ones come from the two-level table).
  for (long N = 256; N <= std::min(n, kRowTableMax); N *= 2) {
    long m1, m2;
    SplitFFTSize(N, &m1, &m2);
    double* t;
    AllocTable(2 * N, &t);
    const int b1 = Log2(m1);
    for (long p = 0; p < m1; p += kRowLanes) {
      for (long j = 0; j < m2; j++) {
        for (int v = 0; v < kRowLanes; v++) {
          const long k1 = Reverse(p + v, b1);
          const double a = 2 * pi * static_cast<double>((k1 * j) % N) / static_cast<double>(N);
          double* e = t + 2 * kRowLanes * (p / kRowLanes * m2 + j);
          e[v] = std::cos(a);
          e[kRowLanes + v] = -std::sin(a);
        }
      }
    }
    f.RowTwiddles[Log2(N)] = t;
  }
  // The column and the row phases never run at once: one buffer serves both.
  AllocTable(std::max(2 * kColumnLanes * n1, 2 * kRowLanes * n2), &f.ColumnBuffer);
  f.RowBuffer = f.ColumnBuffer;
  AllocTable(2 * (n + f.NFFTSqrt), &f.FFTBufA);
  AllocTable(2 * (n + f.NFFTSqrt), &f.FFTBufB);
  f.FFT0AlreadyComputed = 0;
  f.First = SpectrumRecord();
}

void RealFFT(double* data, long N) {
  long n1, n2;
  SplitFFTSize(N, &n1, &n2);
  ForwardColumns(data, n1, n2);
  ForwardRows(data, n1, n2, N);
}

void FFTPointwiseMul(const double* a, const double* b, double* c, long N) {
  PairProducts(a, b, c, N);
}

void InverseRealFFT(double* data, long N) {
  long n1, n2;
  SplitFFTSize(N, &n1, &n2);
  InverseRows(data, n1, n2, N);
  InverseColumns(data, n1, n2);
}
