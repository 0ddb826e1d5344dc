// BigInt products of every kind against schoolbook and residue checks, with
// sizes drawn around the transform, block and tail thresholds.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "fft/fft_engine.h"
#include "fft/fft_test_util.h"
#include "mpint/multiply.h"
#include "shell/memory.h"

namespace {

using fftt::Num;
using fftt::Shape;

// The digits of r placed at exponent base (r.Offset >= base).
ref::Digits Placed(const BigInt& r, long base) {
  ref::Digits d(r.Offset - base, 0);
  for (long i = 0; i < r.Size; i++) d.push_back(static_cast<int64_t>(r.Limbs[i]));
  ref::Trim(d);
  return d;
}

// |x - y| <= slack units of exponent base, x and y placed there.
void ExpectClose(const ref::Digits& x, const ref::Digits& y, double slack) {
  ref::Digits diff = ref::Compare(x, y) >= 0 ? ref::Sub(x, y, 12) : ref::Sub(y, x, 12);
  EXPECT_EQ(diff.size(), 1u);
  EXPECT_LE(static_cast<double>(diff[0]), slack);
}

// r against the exact product: equal when r kept every limb, else r is the
// top of it with only a small error in its lowest limb. A truncated value just
// under a power of the base may round over it: r then has one limb less.
void ExpectProduct(const BigInt& a, const BigInt& b, const BigInt& r, double slack = 0) {
  ASSERT_TRUE(fftt::Normal(r));
  const long full = a.Size + b.Size;
  const long top = a.Offset + b.Offset + full;
  if (slack == 0) {
    EXPECT_EQ(r.Offset + r.Size, top) << "top not aligned";
  }
  if (static_cast<double>(a.Size) * static_cast<double>(b.Size) > 4e6) {
    ASSERT_EQ(slack, 0);
    EXPECT_TRUE(fftt::ProductMatches(a, b, r));
    return;
  }
  ref::Digits exact = ref::Mul(fftt::ToRef(a), fftt::ToRef(b), 12);
  exact.resize(full, 0);
  const long shift = r.Offset + r.Size - top;
  const long drop = r.Offset - shift - a.Offset - b.Offset;
  ref::Digits low(exact.begin() + drop, exact.end());
  ref::Trim(low);
  if (slack == 0) {
    EXPECT_EQ(ref::ToDecimal(fftt::ToRef(r), 12), ref::ToDecimal(low, 12));
    return;
  }
  ASSERT_GE(shift, 0);
  ASSERT_LE(shift, 1);
  ExpectClose(Placed(r, r.Offset - shift), low, slack);
}

// A small largest transform makes every product here cross the block and
// truncation paths; the Newton tests of this program use the same size.
long EnsureFFT() { return fftt::EnsureFFT(8192); }

struct Case {
  long na, nb;
};

// Sizes at the edges of the transform sizes (3 n = N), of the unbalanced rule
// (2 a > b) and of the tail threshold.
std::vector<Case> Cases(std::mt19937_64& g, long nmax) {
  std::vector<Case> cs = {{1, 1}, {10, 20}, {10, 21}, {85, 85}, {86, 86}, {85, 171},
                          {171, 341}, {682, 683}, {1365, 1366}, {3, 3000}, {20, 20000},
                          {1, 5000}, {5000, 1}, {700, 5000},
                          // Both operands beyond one transform: cut into blocks.
                          {3000, 3000}, {2900, 4100}, {5000, 2731}};
  for (long N = 512; N <= std::min(nmax, 1L << 14); N *= 2) {
    long t = static_cast<long>(5 * std::log(static_cast<double>(N)));
    cs.push_back({N / 3, N / 3});
    cs.push_back({N / 3 + 1, N / 3 - 1});
    cs.push_back({N / 6, 2 * (N / 6)});
    // An unbalanced product whose remainder sits just at / above the tail threshold.
    cs.push_back({N / 3, 2 * (N / 3) + t});
    cs.push_back({N / 3, 2 * (N / 3) + t + 1});
  }
  for (int i = 0; i < 25; i++) {
    long na = 1 + static_cast<long>(g() % 3000);
    long nb = 1 + static_cast<long>(g() % 3000);
    cs.push_back({na, nb});
  }
  return cs;
}

TEST(Multiply, MulBigIntEveryShape) {
  const long nmax = EnsureFFT();
  std::mt19937_64 g(41);
  int it = 0;
  for (Case c : Cases(g, nmax)) {
    SCOPED_TRACE("seed 41 case " + std::to_string(it) + ": " + std::to_string(c.na) + " x " +
                 std::to_string(c.nb));
    Shape s = it % 4 == 1 ? Shape::kNines : it % 4 == 2 ? Shape::kNegative : Shape::kRandom;
    it++;
    Num a(c.na), b(c.nb), r(c.na + c.nb);
    fftt::Fill(a.b, c.na, g, s);
    fftt::Fill(b.b, c.nb, g, s == Shape::kNegative ? Shape::kRandom : s);
    a.b.Offset = 1;
    b.b.Offset = -3;
    MulBigInt(a.b, b.b, r.b);
    if (s == Shape::kNegative) {
      EXPECT_TRUE(fftt::ProductMatches(a.b, b.b, r.b));
    } else {
      ExpectProduct(a.b, b.b, r.b);
    }
    Num sq(2 * c.na);
    SquareBigInt(a.b, sq.b);
    if (s == Shape::kNegative) {
      EXPECT_TRUE(fftt::ProductMatches(a.b, a.b, sq.b));
    } else {
      ExpectProduct(a.b, a.b, sq.b);
    }
  }
}

TEST(Multiply, SmallCapacityKeepsTopLimbs) {
  EnsureFFT();
  std::mt19937_64 g(42);
  for (int it = 0; it < 40; it++) {
    long na = 1 + static_cast<long>(g() % 2000), nb = 1 + static_cast<long>(g() % 2000);
    long cap = std::max(1L, static_cast<long>(g() % (na + nb)));
    SCOPED_TRACE("seed 42 iteration " + std::to_string(it) + ": " + std::to_string(na) + " x " +
                 std::to_string(nb) + " into " + std::to_string(cap));
    Num a(na), b(nb), r(cap);
    fftt::Fill(a.b, na, g, it % 3 ? Shape::kRandom : Shape::kNines);
    fftt::Fill(b.b, nb, g, it % 3 ? Shape::kRandom : Shape::kNines);
    MulBigInt(a.b, b.b, r.b);
    ExpectProduct(a.b, b.b, r.b, 1e6);
    Num s(std::max(1L, cap / 2));
    SquareBigInt(a.b, s.b);
    ExpectProduct(a.b, a.b, s.b, 1e6);
  }
}

// The tail path: b's top goes to the special operand, its last t <= T limbs by
// schoolbook; the result overwrites b.
TEST(Multiply, UnbalancedTailWithSpecialOperandIntoB) {
  EnsureFFT();
  std::mt19937_64 g(43);
  for (long na : {5L, 85L, 300L}) {
    const long N = Upper2Power(3 * na, GetNFFT());
    const long T = static_cast<long>(5 * std::log(static_cast<double>(N)));
    for (long t : {1L, T / 2, T}) {
      const long nb = 3 * (N / 3) + t;
      SCOPED_TRACE("seed 43: " + std::to_string(na) + " x " + std::to_string(nb));
      Num a(na), b(na + nb), b0(nb), special(nb);
      fftt::Fill(a.b, na, g, Shape::kRandom);
      fftt::Fill(b.b, nb, g, t == T ? Shape::kNines : Shape::kRandom);
      b.b.CopyTo(b0.b);
      SetSpecialOperand(&special.b);
      MulUnbalanced(a.b, b.b, b.b);
      SetSpecialOperand(nullptr);
      ExpectProduct(a.b, b0.b, b.b);
    }
  }
}

TEST(Multiply, SpecialMulIntoItsSecondOperand) {
  EnsureFFT();
  std::mt19937_64 g(44);
  for (long nb : {1000L, 5000L, 20000L}) {
    SCOPED_TRACE("seed 44: 200 x " + std::to_string(nb));
    const long na = 200;
    Num a(na), b(na + nb), b0(nb);
    fftt::Fill(a.b, na, g, Shape::kRandom);
    fftt::Fill(b.b, nb, g, Shape::kRandom);
    b.b.CopyTo(b0.b);
    SpecialMul(a.b, b.b, b.b, 0);
    ExpectProduct(a.b, b0.b, b.b);
    // And a square of a number by itself through the same path.
    Num sq(2 * na);
    SpecialMul(a.b, a.b, sq.b, 0);
    ExpectProduct(a.b, a.b, sq.b);
  }
}

TEST(Multiply, TruncatedProducts) {
  const long nmax = EnsureFFT();
  std::mt19937_64 g(45);
  for (int it = 0; it < 30; it++) {
    long na = 1 + static_cast<long>(g() % 3000), nb = 1 + static_cast<long>(g() % 3000);
    if (it < 4) na = nmax / 3 + 1 + it;  // just above one transform: cut into halves
    long cap = 1 + static_cast<long>(g() % (na + nb));
    if (it % 5 == 0) cap = na + nb;
    SCOPED_TRACE("seed 45 iteration " + std::to_string(it) + ": " + std::to_string(na) + " x " +
                 std::to_string(nb) + " into " + std::to_string(cap));
    Num a(na), b(nb), r(cap), s(cap), m(cap);
    Shape sh = it % 3 == 0 ? Shape::kNines : Shape::kRandom;
    fftt::Fill(a.b, na, g, sh);
    fftt::Fill(b.b, nb, g, sh);
    if (static_cast<double>(na) * nb <= 4e6) {
      MulTruncated(a.b, b.b, r.b);
      ExpectProduct(a.b, b.b, r.b, 1e6);
      MulTruncatedBlocks(a.b, b.b, r.b);
      ExpectProduct(a.b, b.b, r.b, 1e6);
    }
    if (static_cast<double>(na) * na <= 4e6 || na > nmax / 3) {
      Num cut(std::min(cap, 2 * na));
      SquareTruncated(a.b, cut.b);
      Num viaMul(std::min(cap, 2 * na));
      MulTruncated(a.b, a.b, viaMul.b);
      if (static_cast<double>(na) * na <= 4e6) ExpectProduct(a.b, a.b, cut.b, 1e6);
      long base = std::min(cut.b.Offset, viaMul.b.Offset);
      ExpectClose(Placed(cut.b, base), Placed(viaMul.b, base), 1e6);
    }
  }
}

// A number of 2 (NFFT/3) + 5 limbs: its five lowest limbs go to schoolbook.
TEST(Multiply, TruncatedWithSchoolbookTail) {
  const long nmax = EnsureFFT();
  std::mt19937_64 g(46);
  const long na = 2 * (nmax / 3) + 5, nb = 700;
  Num a(na), b(nb), r(na + nb), exact(na + nb);
  fftt::Fill(a.b, na, g, Shape::kRandom);
  fftt::Fill(b.b, nb, g, Shape::kNines);
  MulTruncated(a.b, b.b, r.b);
  EXPECT_TRUE(fftt::ProductMatches(a.b, b.b, r.b));
  // With a smaller capacity the result is the top of the verified full product.
  MulBigInt(b.b, a.b, exact.b);
  ASSERT_TRUE(fftt::ProductMatches(a.b, b.b, exact.b));
  for (long cap : {na + nb - 1, na / 2, 1000L, 3L}) {
    Num t(cap);
    MulTruncated(a.b, b.b, t.b);
    EXPECT_EQ(t.b.Offset + t.b.Size, na + nb);
    long drop = exact.b.Size - t.b.Size;
    // The top limbs agree except for the lowest few (truncation error).
    for (long i = 2; i < t.b.Size; i++) {
      ASSERT_EQ(t.b.Limbs[i], exact.b.Limbs[i + drop]) << "cap " << cap << " limb " << i;
    }
  }
}

}  // namespace

namespace {

// A product written over one of its operands equals the product into fresh storage.
TEST(Multiply, ResultOnEitherOperand) {
  const long nmax = EnsureFFT();
  std::mt19937_64 g(43);
  const Case cases[] = {{5, 5}, {100, 150}, {10, 400}, {400, 10}, {nmax / 3, 2 * (nmax / 3) + 3},
                        {50, 3 * nmax}, {3000, 3100}};
  for (Case c : cases) {
    for (int onA = 0; onA < 2; onA++) {
      SCOPED_TRACE(std::to_string(c.na) + " x " + std::to_string(c.nb) + (onA ? " into a" : " into b"));
      Num a(c.na + c.nb), b(c.na + c.nb), want(c.na + c.nb);
      fftt::Fill(a.b, c.na, g, Shape::kRandom);
      fftt::Fill(b.b, c.nb, g, Shape::kRandom);
      MulBigInt(a.b, b.b, want.b);
      BigInt& r = onA ? a.b : b.b;
      MulBigInt(a.b, b.b, r);
      ASSERT_EQ(r.Size, want.b.Size);
      EXPECT_EQ(r.Offset, want.b.Offset);
      for (long i = 0; i < r.Size; i++) ASSERT_EQ(r.Limbs[i], want.b.Limbs[i]) << "limb " << i;
    }
    Num sq(2 * c.nb), want(2 * c.nb);
    fftt::Fill(sq.b, c.nb, g, Shape::kRandom);
    SquareBigInt(sq.b, want.b);
    SquareBigInt(sq.b, sq.b);
    ASSERT_EQ(sq.b.Size, want.b.Size);
    for (long i = 0; i < sq.b.Size; i++) ASSERT_EQ(sq.b.Limbs[i], want.b.Limbs[i]) << "square limb " << i;
  }
}

}  // namespace
