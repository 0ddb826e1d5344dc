// The BigInt products that fit one transform, and the shared scratch number.
#include <algorithm>

#include "fft/fft_engine.h"
#include "fft/fft_product.h"
#include "mpint/bigint.h"
#include "mpint/fft_mul.h"
#include "mpint/limb_storage.h"
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

// r = the product, m limbs, normalised.
void ReleaseProduct(BigInt& r, long m, const FFTProduct& p) {
  double carry = FFTToBigInt(p, r.Limbs, m);
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

double FFTNeededMemory(long n) { return FFTMemory(n) + LimbStorage::Bytes(n / 3); }

BigInt& ScratchBigInt() { return *Products().Scratch; }

void FFTSquare(const BigInt& a, BigInt& r) {
  FFTContext& f = FFT();
  const long N = Upper2Power(3 * a.Size, f.NFFT);
  if (2 * a.Size > r.NAlloc) {
    MulUnbalanced(a, a, r);
    return;
  }
  SetFirstOperand(a.Limbs, a.Size, N);
  const FFTProduct p = MulByFirstOperand(a.Limbs, a.Size);
  const long m = 2 * a.Size;
  r.Offset = 2 * a.Offset;
  ReleaseProduct(r, m, p);
}

void FFTMul(const BigInt& a, const BigInt& b, BigInt& r) {
  FFTContext& f = FFT();
  long N = 256;
  while (N < 3 * a.Size || N < 3 * b.Size) N *= 2;
  if (N > f.NFFT) Upper2Power(N, f.NFFT);
  if (r.NAlloc < a.Size + b.Size) error("Error in FFTMul, the result is too small");
  SetFirstOperand(a.Limbs, a.Size, N);
  const FFTProduct p = MulByFirstOperand(b.Limbs, b.Size);
  const long m = a.Size + b.Size;
  const long offset = a.Offset + b.Offset;
  r.Offset = offset;
  ReleaseProduct(r, m, p);
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
  // Every operand is transformed before any result is written, so the results
  // may share storage with any operand.
  auto span = [](const BigInt* p) {
    return p != nullptr ? LimbSpan{p->Limbs, p->Size} : LimbSpan{};
  };
  FFTProduct p1, p2, p3;
  TwoMulFFT(span(&a), span(&b), span(&c), span(&d), span(&e), span(f), N, &p1, &p2, &p3);
  ReleaseProduct(r1, m1, p1);
  ReleaseProduct(r2, m2, p2);
  if (f != nullptr) ReleaseProduct(*r3, m3, p3);
}
