// Products of limb arrays through the FFT engine: the operands are cut into
// pieces and transformed, the first operand's spectrum is kept for the products
// that follow, and every product is checked or proven exact before its release.
#include <algorithm>
#include <cmath>
#include <vector>

#include "fft/fft_check.h"
#include "fft/fft_engine.h"
#include "fft/fft_product.h"
#include "shell/error_report.h"

namespace {

// The rounding error of a product grows with log2 N times the norms of the
// pieces of its operands.
double Load(long N, double norm2a, double norm2b) {
  return std::log2(static_cast<double>(N)) * std::sqrt(norm2a * norm2b);
}

// Above the largest size whose margin was measured for the hardest inputs,
// every product is checked, whatever its load.
constexpr long kCheckedAbove = 1L << 22;

bool Checked(long N, double load) { return N > kCheckedAbove || load > FFT().CheckLoad; }

// Residues are taken at the sizes where a product of limbs in their range could
// need a check: full operands of balanced pieces, three times over (doubled
// limbs, summed spectra). Below, only limbs far outside their range call for a
// check, and such a product is recomputed from smaller pieces at once.
bool TakeResidues(long N) {
  const double n = static_cast<double>(N);
  return Checked(N, 3 * Load(N, n * 5001 * 5001, n * 5001 * 5001));
}

// The pieces of limbs[0 .. n) in out[0 .. N), transformed in place.
PieceStats BigIntToFFT(const double* limbs, long n, double* out, long N) {
  if (n < 0 || 3 * n > N) errorf("Error in FFT product, %ld limbs do not fit N=%ld", n, N);
  PieceStats s = SplitLimbsChecked(limbs, n, out, TakeResidues(N));
  std::fill(out + 3 * n, out + N, 0.0);
  RealFFT(out, N);
  return s;
}

// The largest recomputation size M (2M doubles from work on) with M <= N; a
// temporary buffer when the work arrays leave too little (the smallest sizes).
struct Workspace {
  double* work;
  long M;
  std::vector<double> own;
  Workspace(double* w, long room, long N) : work(w), M(N) {
    while (2 * M > room) M /= 2;
    if (M < 256) {
      own.assign(2 * N, 0.0);
      work = own.data();
      M = N;
    }
  }
};

// Inverse transform of a product spectrum, then, when its size or load calls
// for it, the check of the rounded convolution against the residue the operands give;
// a mismatch (or no residue to check against) has recompute() rebuild the
// convolution exactly.
template <typename Recompute>
FFTProduct Finish(double* conv, long N, bool haveResidue, uint64_t expected, double load,
                  Recompute recompute) {
  FFTContext& f = FFT();
  InverseRealFFT(conv, N);
  if (f.TestFaultIndex >= 0 && f.TestFaultIndex < 2 * N) {
    conv[f.TestFaultIndex] += f.TestFaultShift / FFTScale(N);
  }
  if (!Checked(N, load)) return FFTProductAccess::Make(conv, N, false);
  if (!haveResidue) {
    f.Recoveries++;
    recompute();
    return FFTProductAccess::Make(conv, N, true);
  }
  if (ConvolutionResidue(conv, 2 * N, FFTScale(N), &f.MaxRoundingError) != expected) {
    f.Recoveries++;
    recompute();
    double worst = 0;
    if (ConvolutionResidue(conv, 2 * N, FFTScale(N), &worst) != expected) {
      error("Error in FFT product, the recomputed product fails its check");
    }
  }
  return FFTProductAccess::Make(conv, N, true);
}

}  // namespace

FFTProduct FFTProductAccess::Make(const double* conv, long N, bool checked) {
  FFTProduct p;
  p.Conv_ = conv;
  p.N_ = N;
  p.Generation_ = FFT().Generation;
  p.Checked_ = checked;
  return p;
}

const double* FFTProductAccess::Conv(const FFTProduct& p, bool* checked) {
  if (p.N_ == 0 || p.Generation_ != FFT().Generation) {
    error("Error in FFT product, released after its work array was reused");
  }
  *checked = p.Checked_;
  return p.Conv_;
}

long GetNFFT() { return FFT().NFFT; }

void MarkSpectrumCached() { FFT().FFT0AlreadyComputed = 1; }

FFTWorkArrays BorrowFFTWorkArrays() {
  FFTContext& f = FFT();
  f.Generation++;
  f.First = SpectrumRecord();
  f.FFT0AlreadyComputed = 0;
  FFTWorkArrays w;
  if (f.FFTInitDone) w = {f.FFTBufA, f.FFTBufB, 2 * (f.NFFT + f.NFFTSqrt)};
  return w;
}

void SetFirstOperand(const double* limbs, long n, long N) {
  FFTContext& f = FFT();
  const SpectrumRecord& r = f.First;
  const bool cached = f.FFT0AlreadyComputed != 0 && r.N == N && r.Limbs == limbs && r.n == n;
  f.FFT0AlreadyComputed = 0;
  if (cached) return;
  if (N > f.NFFT) errorf("Error in FFT product, N=%ld is above NFFT", N);
  f.Generation++;
  f.First = SpectrumRecord();
  const PieceStats s = BigIntToFFT(limbs, n, f.FFTBufA, N);
  f.First = {limbs, n, N, s.HasResidue, s.Residue, s.Norm2};
}

FFTProduct MulByFirstOperand(const double* limbs, long n) {
  FFTContext& f = FFT();
  const SpectrumRecord a = f.First;
  if (a.N == 0) error("Error in FFT product, no first operand");
  const long N = a.N;
  double* A = f.FFTBufA;
  double* B = f.FFTBufB;
  f.Generation++;
  const bool square = limbs == a.Limbs && n == a.n;
  PieceStats b{a.HasResidue, a.Residue, a.Norm2};
  if (square) {
    FFTPointwiseMul(A, A, B, N);
  } else {
    b = BigIntToFFT(limbs, n, B, N);
    FFTPointwiseMul(A, B, B, N);
  }
  // The first operand comes back from its spectrum (its limbs may have been
  // written over since), the second from its limbs; the spectrum is then
  // rebuilt for the products that follow.
  auto recompute = [&]() {
    InverseRealFFT(A, N);
    const double s = 1.0 / static_cast<double>(N);  // a transform and its inverse scale by N
    for (long t = 0; t < N; t++) {
      const double v = A[t] * s, r = Round(v);
      if (std::fabs(v - r) > 0.25) error("Error in FFT product, a spectrum does not invert");
      A[t] = t < 3 * a.n ? r : 0;
    }
    const PieceSource x{A, nullptr, 0, 3 * a.n};
    const PieceSource y = square ? x : PieceSource{nullptr, limbs, n, 3 * n};
    const ProductTerm term{x, y};
    const long room = 2 * (f.NFFT + f.NFFTSqrt) - N;
    Workspace w(A + N, room, N);
    ExactConvolution(B, N, &term, 1, w.work, w.M);
    RealFFT(A, N);
  };
  return Finish(B, N, a.HasResidue && b.HasResidue, MulMod(a.Residue, b.Residue),
                Load(N, a.Norm2, b.Norm2), recompute);
}

void TwoMulFFT(LimbSpan a, LimbSpan b, LimbSpan c, LimbSpan d, LimbSpan e, LimbSpan f, long N,
               FFTProduct* r1, FFTProduct* r2, FFTProduct* r3) {
  FFTContext& x = FFT();
  if (2 * N > x.NFFT) errorf("Error in FFT product, N=%ld is above NFFT / 2", N);
  x.Generation++;
  x.First = SpectrumRecord();
  double* A = x.FFTBufA;
  double* B = x.FFTBufB;
  double* A2 = A + 2 * N + x.NFFTSqrt;
  double* B2 = B + 2 * N + x.NFFTSqrt;
  const PieceStats sa = BigIntToFFT(a.Limbs, a.n, A, N);
  const PieceStats sb = BigIntToFFT(b.Limbs, b.n, B, N);
  const PieceStats sc = BigIntToFFT(c.Limbs, c.n, A2, N);
  const PieceStats sd = BigIntToFFT(d.Limbs, d.n, B2, N);
  FFTPointwiseMul(A, A2, A2, N);
  FFTPointwiseMul(B, B2, B2, N);
  // Spectra are linear: the sum of two products is the spectrum of a c + b d.
  for (long i = 0; i < 2 * N; i++) A2[i] += B2[i];
  PieceStats sf;
  if (f.n > 0) {
    sf = BigIntToFFT(f.Limbs, f.n, B2, N);
    FFTPointwiseMul(B, B2, B2, N);
  }
  const PieceStats se = BigIntToFFT(e.Limbs, e.n, B, N);
  FFTPointwiseMul(A, B, B, N);

  // Every operand is still in its limbs: a recomputation cuts them again and
  // works in the first work array, free from here.
  auto source = [](LimbSpan s) { return PieceSource{nullptr, s.Limbs, s.n, 3 * s.n}; };
  auto recompute = [A, N](double* conv, const ProductTerm* terms, int count) {
    return [=]() { ExactConvolution(conv, N, terms, count, A, N); };
  };
  const ProductTerm t1[2] = {{source(a), source(c)}, {source(b), source(d)}};
  const ProductTerm t2 = {source(a), source(e)};
  const ProductTerm t3 = {source(b), source(f)};
  const bool residues = sa.HasResidue;  // all taken at the same size
  *r1 = Finish(A2, N, residues,
               AddMod(MulMod(sa.Residue, sc.Residue), MulMod(sb.Residue, sd.Residue)),
               Load(N, sa.Norm2, sc.Norm2) + Load(N, sb.Norm2, sd.Norm2), recompute(A2, t1, 2));
  *r2 = Finish(B, N, residues, MulMod(sa.Residue, se.Residue), Load(N, sa.Norm2, se.Norm2),
               recompute(B, &t2, 1));
  if (f.n > 0) {
    *r3 = Finish(B2, N, residues, MulMod(sb.Residue, sf.Residue), Load(N, sb.Norm2, sf.Norm2),
                 recompute(B2, &t3, 1));
  }
}
