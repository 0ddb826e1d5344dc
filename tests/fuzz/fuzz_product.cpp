// libFuzzer target: BigInt products through the FFT layer against the
// schoolbook reference. The input chooses the sizes, the limbs (random, the
// hardest pieces, nines, zeros), and whether every product is checked with a
// wrong coefficient injected; full products must be exact, truncated ones the
// same with and without the injected fault.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "fft/fft_engine.h"
#include "fft/fft_test_util.h"
#include "mpint/multiply.h"

namespace {

// A small largest transform: operands of a few thousand limbs cross the block,
// tail and truncation paths.
constexpr long kNFFT = 4096;
constexpr long kMaxLimbs = 2500;

struct Input {
  const uint8_t* p;
  size_t n;
  uint64_t Take(int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; i++) {
      v = v << 8 | (n > 0 ? *p : 0);
      if (n > 0) p++, n--;
    }
    return v;
  }
};

void Fill(Input& in, BigInt& x, long size) {
  const int kind = static_cast<int>(in.Take(1) % 4);
  for (long i = 0; i < size; i++) {
    const double pattern[4] = {static_cast<double>(in.Take(5) % 1000000000000ULL), 499949994999.0,
                               kBigIntMaxLimb, 0};
    x.Limbs[i] = pattern[kind];
  }
  if (size > 0 && x.Limbs[size - 1] == 0) x.Limbs[size - 1] = 1;
  x.Size = size;
  x.Offset = 0;
}

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// An owned number; the sanitizer's redzones stand guard around its limbs.
struct Num {
  BigInt b;
  explicit Num(long cap) { b.Alloc(cap); }
  Num(const Num&) = delete;
  Num& operator=(const Num&) = delete;
  std::vector<double> Limbs() const { return fftt::Limbs(b); }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitBigIntFFT(kNFFT);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  const long na = 1 + static_cast<long>(in.Take(2) % kMaxLimbs);
  const long nb = 1 + static_cast<long>(in.Take(2) % kMaxLimbs);
  const long cap = 1 + static_cast<long>(in.Take(2) % (na + nb));
  const long fault = static_cast<long>(in.Take(2));  // above the transform: none
  Num a(na), b(nb), r(na + nb), sq(2 * na), t(cap), u(cap);
  Fill(in, a.b, na);
  Fill(in, b.b, nb);
  const ref::Digits A = fftt::ToRef(a.b), B = fftt::ToRef(b.b);

  // Truncated products without a fault first, to compare with the repaired ones.
  MulTruncated(a.b, b.b, t.b);
  SquareTruncated(b.b, u.b);
  FFTContext& f = FFT();
  f.CheckLoad = -1;  // every product checked, even those that cannot round wrong
  f.TestFaultIndex = fault;
  f.TestFaultShift = 1;
  MulBigInt(a.b, b.b, r.b);
  Check(fftt::Text(r.b) == ref::ToDecimal(ref::Mul(A, B, 12), 12));
  SquareBigInt(a.b, sq.b);
  Check(fftt::Text(sq.b) == ref::ToDecimal(ref::Mul(A, A, 12), 12));
  Num t2(cap), u2(cap);
  MulTruncated(a.b, b.b, t2.b);
  SquareTruncated(b.b, u2.b);
  Check(t2.Limbs() == t.Limbs() && t2.b.Offset == t.b.Offset);
  Check(u2.Limbs() == u.Limbs() && u2.b.Offset == u.b.Offset);
  if (3 * std::max(na, nb) <= kNFFT / 2) {
    // a b + b a (one limb more than a b) and a^2.
    Num s(na + nb + 1), q(2 * na);
    TwoMulBigInt(a.b, b.b, b.b, a.b, a.b, nullptr, s.b, q.b, nullptr);
    const ref::Digits ab = ref::Mul(A, B, 12);
    Check(fftt::Text(s.b) == ref::ToDecimal(ref::Add(ab, ab, 12), 12));
    Check(fftt::Text(q.b) == ref::ToDecimal(ref::Mul(A, A, 12), 12));
  }
  f.CheckLoad = FFTContext().CheckLoad;
  f.TestFaultIndex = -1;
  return 0;
}
