// The BigInt products that fit one transform, and the shared scratch number.
#include <algorithm>

#include "fft/fft_engine.h"
#include "fft/fft_product.h"
#include "fft/fft_split.h"
#include "mpint/bigint.h"
#include "mpint/fft_mul.h"
#include "mpint/multiply.h"
#include "shell/error_report.h"
#include "shell/memory.h"

namespace {

struct ProductState {
  BigInt* Scratch = nullptr;
};

ProductState& Products() {
  static ProductState state;
  return state;
}

}  // namespace

namespace {

// r = the product whose spectrum is given, m limbs, normalised.
void ReleaseProduct(BigInt& r, long m, double* spectrum, long N) {
  double carry = InverseFFTAndNormalise(r.Limbs, m, spectrum, N);
  r.Size = m;
  r.PutCarry(m, carry);
}

}  // namespace

void InitBigIntFFT(long n) {
  InitFFT(n);
  ProductState& p = Products();
  if (p.Scratch == nullptr) {
    p.Scratch = new BigInt(n / 3);
  }
}

double FFTNeededMemory(long n) { return FFTMemory(n) + 8.0 * static_cast<double>(n / 3 + 1); }

BigInt& ScratchBigInt() { return *Products().Scratch; }

void FFTSquare(const BigInt& a, BigInt& r) {
  FFTContext& f = FFT();
  const long N = Upper2Power(3 * a.Size, f.NFFT);
  if (2 * a.Size > r.NAlloc) {
    MulUnbalanced(a, a, r);
    return;
  }
  if (!(f.FFT0AlreadyComputed != 0 && f.nFFT0AlreadyComputed == N)) {
    BigIntToFFT(a.Limbs, a.Size, f.FFTBufA, N);
  }
  // The square records its operand too, so that a later mark cannot pair the
  // spectrum with another number.
  RecordSpectrum(a.Limbs, N);
  FFTPointwiseMul(f.FFTBufA, f.FFTBufA, f.FFTBufB, N);
  const long m = 2 * a.Size;
  r.Offset = 2 * a.Offset;
  ReleaseProduct(r, m, f.FFTBufB, N);
}

void FFTMul(const BigInt& a, const BigInt& b, BigInt& r) {
  FFTContext& f = FFT();
  long N = 256;
  while (N < 3 * a.Size || N < 3 * b.Size) N *= 2;
  if (N > f.NFFT) Upper2Power(N, f.NFFT);
  if (r.NAlloc < a.Size + b.Size) error("Error in FFTMul, the result is too small");
  if (!SpectrumCached(a.Limbs, N)) BigIntToFFT(a.Limbs, a.Size, f.FFTBufA, N);
  RecordSpectrum(a.Limbs, N);
  if (b.Limbs == a.Limbs && b.Size == a.Size) {
    FFTPointwiseMul(f.FFTBufA, f.FFTBufA, f.FFTBufB, N);
  } else {
    BigIntToFFT(b.Limbs, b.Size, f.FFTBufB, N);
    FFTPointwiseMul(f.FFTBufA, f.FFTBufB, f.FFTBufB, N);
  }
  const long m = a.Size + b.Size;
  const long offset = a.Offset + b.Offset;
  r.Offset = offset;
  ReleaseProduct(r, m, f.FFTBufB, N);
}

void TwoMulBigInt(const BigInt& a, const BigInt& b, const BigInt& c, const BigInt& d,
                  const BigInt& e, const BigInt* f, BigInt& r1, BigInt& r2, BigInt* r3) {
  FFTContext& x = FFT();
  long N = 256;
  for (const BigInt* p : {&a, &b, &c, &d, &e, f}) {
    if (p != nullptr) N = std::max(N, Upper2Power(3 * p->Size, x.NFFT));
  }
  if (N > x.NFFT / 2) {
    error("Error in TwoMulBigInt, BigInts are two large");
    return;
  }
  const long m1 = std::max(c.Size + a.Size, d.Size + b.Size);
  const long m2 = e.Size + a.Size;
  const long m3 = f != nullptr ? f->Size + b.Size : 0;
  if (r1.NAlloc < m1 || r2.NAlloc < m2 || (f != nullptr && r3->NAlloc < m3)) {
    error("Error in TwoMulBigInt, a result is too small");
  }
  double* A = x.FFTBufA;
  double* B = x.FFTBufB;
  double* A2 = A + 2 * N + x.NFFTSqrt;
  double* B2 = B + 2 * N + x.NFFTSqrt;
  // Every operand is transformed before any result is written, so the results
  // may share storage with any operand.
  BigIntToFFT(a.Limbs, a.Size, A, N);
  BigIntToFFT(b.Limbs, b.Size, B, N);
  BigIntToFFT(c.Limbs, c.Size, A2, N);
  BigIntToFFT(d.Limbs, d.Size, B2, N);
  FFTPointwiseMul(A, A2, A2, N);
  FFTPointwiseMul(B, B2, B2, N);
  for (long i = 0; i < 2 * N; i++) A2[i] += B2[i];
  double* spectrum3 = nullptr;
  if (f != nullptr) {
    BigIntToFFT(f->Limbs, f->Size, B2, N);
    FFTPointwiseMul(B, B2, B2, N);
    spectrum3 = B2;
  }
  BigIntToFFT(e.Limbs, e.Size, B, N);
  FFTPointwiseMul(A, B, B, N);
  x.FFT0AlreadyComputed = 0;
  x.nFFT0AlreadyComputed = 0;
  x.CachedLimbs = nullptr;

  ReleaseProduct(r1, m1, A2, N);
  ReleaseProduct(r2, m2, B, N);
  if (f != nullptr) ReleaseProduct(*r3, m3, spectrum3, N);
}
