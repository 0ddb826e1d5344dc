// BigInt products of every kind against schoolbook and residue checks, with
// sizes drawn around the transform, block and tail thresholds.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "fft/fft_engine.h"
#include "mpint/guarded_num.h"
#include "mpint/multiply.h"
#include "shell/memory.h"

namespace {

using mpt::Num;
using fftt::Shape;

// r against the exact product (residues for large or negative operands): equal
// when r kept every limb, else r is the top of it with only a small error in its
// lowest limb. A truncated value just under a power of the base may round over
// it: r then has one limb less.
void ExpectProduct(const BigInt& a, const BigInt& b, const BigInt& r, double slack = 0) {
  ASSERT_TRUE(fftt::Normal(r));
  const long full = a.Size + b.Size, top = a.Offset + b.Offset + full;
  const bool large = static_cast<double>(a.Size) * b.Size > 4e6;
  const bool negative = a.Sign() < 0 || b.Sign() < 0;
  if (slack == 0 && !negative) {
    EXPECT_EQ(r.Offset + r.Size, top) << "top not aligned";
  }
  if (slack == 0 && (large || negative)) {
    EXPECT_TRUE(fftt::ProductMatches(a, b, r));
    return;
  }
  // The exact product: schoolbook, or a full product verified by residues.
  Num f(large ? full : 1);
  if (large) {
    MulBigInt(a, b, f.b);
    ASSERT_TRUE(fftt::ProductMatches(a, b, f.b));
  }
  ref::Digits exact = large ? fftt::ToRef(f.b) : ref::Mul(fftt::ToRef(a), fftt::ToRef(b), 12);
  exact.resize(full, 0);
  const long shift = r.Offset + r.Size - top;
  ref::Digits low(exact.begin() + (r.Offset - shift - a.Offset - b.Offset), exact.end());
  ref::Trim(low);
  if (slack == 0) {
    EXPECT_EQ(fftt::Text(r), ref::ToDecimal(low, 12));
    return;
  }
  ASSERT_GE(shift, 0);
  ASSERT_LE(shift, 1);
  ref::Digits got(shift, 0);  // r placed at the exponent of low
  got.insert(got.end(), r.Limbs, r.Limbs + r.Size);
  ref::Trim(got);
  const ref::Digits diff = fftt::AbsDiff(got, low);
  EXPECT_EQ(diff.size(), 1u);
  EXPECT_LE(static_cast<double>(diff[0]), slack);
}

// A small largest transform makes every product here cross the block and
// truncation paths; the Newton tests of this program use the same size.
long EnsureFFT() { return fftt::EnsureFFT(8192); }

struct Case {
  long na, nb, cap = 0;  // cap 0: the full product, -1: a capacity drawn below it
};

// Full and truncated products (the top limbs, with a small error in the lowest
// one) and squares of every kind.
TEST(Multiply, FullAndTruncatedProducts) {
  const long nmax = EnsureFFT();
  std::mt19937_64 g(41);
  // Sizes at the edges of the transform sizes (3 n = N), of the unbalanced rule
  // (2 a > b) and of the tail threshold; both operands beyond one transform;
  // 2 (NFFT/3) + 5 limbs, whose five lowest go to schoolbook.
  const long tail = 2 * (nmax / 3) + 5;
  std::vector<Case> cs = {{1, 1},       {10, 20},     {10, 21},   {85, 85},    {86, 86},
                          {85, 171},    {171, 341},   {682, 683}, {1365, 1366}, {3, 3000},
                          {20, 20000},  {1, 5000},    {5000, 1},  {700, 5000},  {3000, 3000},
                          {2900, 4100}, {5000, 2731}, {tail, 700, tail + 699},   {tail, 700},
                          {tail, 700, tail / 2},      {tail, 700, 1000},         {tail, 700, 3}};
  for (long N = 512; N <= std::min(nmax, 1L << 14); N *= 2) {
    const long t = static_cast<long>(5 * std::log(static_cast<double>(N))), n = N / 3;
    for (Case c : {Case{n, n}, {n + 1, n - 1}, {N / 6, 2 * (N / 6)}, {n, 2 * n + t},
                   {n, 2 * n + t + 1}, {n + 1, 1 + n / 2, -1}}) {
      cs.push_back(c);
    }
  }
  auto draw = [&g] { return 1 + static_cast<long>(g() % 3000); };
  for (int i = 0; i < 75; i++) cs.push_back({draw(), draw(), i % 3 ? -1 : 0});
  int it = 0;
  for (Case c : cs) {
    // Negative numbers (complement form) only in full products.
    const Shape s = it % 4 == 1 ? Shape::kNines : it % 4 == 2 ? Shape::kNegative : Shape::kRandom;
    const long full = c.na + c.nb, drawn = 1 + static_cast<long>(g() % full);
    const long cap = c.cap == 0 || s == Shape::kNegative ? full : c.cap > 0 ? c.cap : drawn;
    const double slack = cap < full ? 1e6 : 0;
    SCOPED_TRACE(testing::Message() << it++ << ": " << c.na << " x " << c.nb << " into " << cap);
    Num a(c.na), b(c.nb), r(cap), sq(cap == full ? 2 * c.na : std::min(cap, 2 * c.na));
    fftt::Fill(a.b, c.na, g, s);
    fftt::Fill(b.b, c.nb, g, s == Shape::kNegative ? Shape::kRandom : s);
    a.b.Offset = 1;
    b.b.Offset = -3;
    const std::vector<double> a0 = a.Limbs(), b0 = b.Limbs();
    MulBigInt(a.b, b.b, r.b);
    ExpectProduct(a.b, b.b, r.b, slack);
    SquareBigInt(a.b, sq.b);
    ExpectProduct(a.b, a.b, sq.b, sq.b.NAlloc < 2 * c.na ? 1e6 : 0);
    if (s == Shape::kNegative) continue;
    MulTruncated(a.b, b.b, r.b);
    ExpectProduct(a.b, b.b, r.b, 1e6);
    MulTruncatedBlocks(a.b, b.b, r.b);
    ExpectProduct(a.b, b.b, r.b, 1e6);
    SquareTruncated(a.b, sq.b);
    ExpectProduct(a.b, a.b, sq.b, 1e6);
    // The operands are read only (the truncated square restores what it doubles).
    EXPECT_EQ(a.Limbs(), a0);
    EXPECT_EQ(b.Limbs(), b0);
  }
}

// The tail path: b's top goes to the special operand, its last t <= T limbs by
// schoolbook, and SpecialMul by blocks of b: results written into b itself, and
// into the short a, which the schoolbook tail reads after r is written.
TEST(Multiply, SpecialOperandAndSpecialMulIntoAnOperand) {
  EnsureFFT();
  std::mt19937_64 g(43);
  std::vector<Case> cs = {{200, 1000}, {200, 5000}, {200, 20000}};
  for (long na : {5L, 85L, 300L}) {
    const long N = Upper2Power(3 * na, GetNFFT());
    const long T = static_cast<long>(5 * std::log(static_cast<double>(N)));
    for (long t : {1L, T / 2, T}) cs.push_back({na, 3 * (N / 3) + t});
  }
  for (size_t i = 0; i < cs.size(); i++) {
    const long na = cs[i].na, nb = cs[i].nb;
    for (int onA = 0; onA < 2; onA++) {
      SCOPED_TRACE(testing::Message() << na << " x " << nb << (onA ? " into a" : " into b"));
      Num a(na + nb), b(na + nb), a0(na), b0(nb), special(nb), sq(2 * na);
      fftt::Fill(a.b, na, g);
      fftt::Fill(b.b, nb, g, i % 3 == 2 ? Shape::kNines : Shape::kRandom);
      a.b.CopyTo(a0.b);
      b.b.CopyTo(b0.b);
      BigInt& r = onA ? a.b : b.b;
      if (i < 3) {
        SpecialMul(a.b, b.b, r, 0);
        SpecialMul(a0.b, a0.b, sq.b, 0);  // a square through the same path
        ExpectProduct(a0.b, a0.b, sq.b);
      } else {
        MulUnbalanced(a.b, b.b, r, &special.b);
      }
      ExpectProduct(a0.b, b0.b, r);
    }
  }
}

// A product written over one of its operands equals the product into fresh storage.
TEST(Multiply, ResultOnEitherOperand) {
  const long nmax = EnsureFFT();
  std::mt19937_64 g(43);
  // With a capacity below the product, also far below the long operand.
  const Case cases[] = {{5, 5},      {100, 150},   {10, 400},         {400, 10},
                        {nmax / 3, 2 * (nmax / 3) + 3},   {50, 3 * nmax}, {3000, 3100},
                        {20, 2000, 1500}, {2000, 20, 1500}, {300, 5000, 2000}, {4000, 4000, 1000}};
  for (Case c : cases) {
    for (int onA = 0; onA < 4; onA++) {
      SCOPED_TRACE(testing::Message() << c.na << " x " << c.nb << " on " << (onA % 2 ? 'a' : 'b')
                                      << (onA > 1 ? ", special" : ""));
      Num a(c.na + c.nb), b(c.na + c.nb), want(c.na + c.nb), special(c.na + c.nb);
      fftt::Fill(a.b, c.na, g);
      fftt::Fill(b.b, c.nb, g);
      for (BigInt* x : {&a.b, &b.b, &want.b}) x->SetCapacity(c.cap ? c.cap : c.na + c.nb);
      MulBigInt(a.b, b.b, want.b);
      BigInt& r = onA % 2 ? a.b : b.b;
      MulBigInt(a.b, b.b, r, onA > 1 ? &special.b : nullptr);
      EXPECT_EQ(r.Offset, want.b.Offset);
      ASSERT_EQ(fftt::Limbs(r), want.Limbs());
    }
    Num sq(2 * c.nb), want(2 * c.nb);
    fftt::Fill(sq.b, c.nb, g);
    for (BigInt* x : {&sq.b, &want.b}) x->SetCapacity(c.cap ? std::min(c.cap, 2 * c.nb) : 2 * c.nb);
    SquareBigInt(sq.b, want.b);
    SquareBigInt(sq.b, sq.b);
    ASSERT_EQ(sq.Limbs(), want.Limbs()) << "square";
  }
}

}  // namespace
