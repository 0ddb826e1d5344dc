// SmallInt against exact references: __int128 for small values, the schoolbook
// reference for long ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "mpint/guarded_num.h"
#include "mpint/multiply.h"
#include "mpint/smallint.h"

namespace {

using i128 = __int128;
using V = std::vector<double>;

SmallInt& SetLimbs(SmallInt& s, const V& limbs) {
  s.Alloc(static_cast<long>(limbs.size()) + 4);
  std::copy(limbs.begin(), limbs.end(), s.Limbs);
  s.Size = static_cast<long>(limbs.size());
  return s;
}

V Limbs(const SmallInt& s) { return V(s.Limbs, s.Limbs + s.Size); }
std::string Text(const SmallInt& s) { return fftt::Text(s.Limbs, s.Size, 6); }

// The value of any limb pattern (balanced or complement limbs).
i128 Value(const SmallInt& s) {
  i128 v = 0;
  for (long i = s.Size - 1; i >= 0; i--) v = v * 1000000 + static_cast<i128>(s.Limbs[i]);
  return v;
}

void SetValue(SmallInt& s, i128 v) {
  V limbs;
  for (i128 m = v < 0 ? -v : v; limbs.empty() || m != 0; m /= 1000000) {
    limbs.push_back(static_cast<double>(static_cast<long long>(m % 1000000)));
  }
  SetLimbs(s, limbs);
  if (v < 0) NegateSmallInt(s, s);
}

i128 RandomValue(std::mt19937_64& g, int limbs) {
  i128 v = 0;
  for (int i = 0; i < limbs; i++) v = v * 1000000 + static_cast<i128>(g() % 1000000);
  return (g() & 1) ? -v : v;
}

// Random base-10^6 digits with a non-zero top, set into s.
ref::Digits RandomDigits(std::mt19937_64& g, long n, SmallInt& s) {
  ref::Digits d(n);
  for (auto& x : d) x = static_cast<int64_t>(g() % 1000000);
  d.back() = 1 + static_cast<int64_t>(g() % 999999);
  SetLimbs(s, V(d.begin(), d.end()));
  return d;
}

// Set, Sign, Log, Trim; sums, differences, negations, short products and exact
// divisions, products of signed balanced operands, against __int128; results
// also over an operand.
TEST(SmallIntLinear, OperationsAgainstInt128) {
  std::mt19937_64 g(11);
  SmallInt a, b, r;
  SmallInt fresh;  // a negative value of 16 digits needs a fourth limb for its -1 top
  fresh.Set(-1e15);
  EXPECT_EQ(Value(fresh), -static_cast<i128>(1000000000000000LL));
  // Zero top limbs are skipped by Sign and Log; a top -1 folds over 999999 limbs.
  EXPECT_EQ(SetLimbs(r, {0, 7, 0, 0}).Sign(), 1);
  EXPECT_NEAR(r.Log(), std::log(7e6), 1e-12);
  SetLimbs(r, {5, 999999, 999999, -1}).Trim();
  EXPECT_EQ(Limbs(r), V({5, -1}));
  const double ms[] = {1, 2, 3, 999, 3000, 999999, 1000000, 1e9, 1e9 + 7, 123456789012.0, 1e12,
                       987654321098765.0, 1e15, -7, -1e9 - 3, -5e14};
  for (int it = 0; it < 6400; it++) {
    const int nx = 1 + it % 5, ny = 1 + (it / 5) % 5;
    const i128 x = RandomValue(g, nx), y = RandomValue(g, ny);
    SetValue(a, x);
    SetValue(b, y);
    if (nx <= 3 && ny <= 3) {
      MulSmallInt(a, b, r);
      ASSERT_EQ(Value(r), x * y) << it;
    }
    SubstractSmallInt(a, b, r);
    ASSERT_EQ(Value(r), x - y) << it;
    ASSERT_EQ(r.Sign(), x == y ? 0 : (x > y ? 1 : -1)) << it;
    NegateSmallInt(r, r);
    ASSERT_EQ(Value(r), y - x) << it;
    AddSmallInt(a, b, a);
    ASSERT_EQ(Value(a), x + y) << it;
    SubstractSmallInt(a, b, b);
    ASSERT_EQ(Value(b), x) << it;
    const double m = ms[it % 16];
    if (nx > 3) continue;
    ShortMulSmallInt(b, m, r);
    ASSERT_EQ(Value(r), x * static_cast<i128>(static_cast<long long>(m))) << it << " m=" << m;
    if (std::fabs(m) > 1e12) continue;
    ShortDivSmallInt(r, m, r);
    ASSERT_EQ(Value(r), x) << it << " m=" << m;
  }
  // Three factors at once, across the bounds of one and two passes.
  for (double k : {5.0, 240.0, 241.0, 9128.0, 24000.0, 30000.0, 288000.0, 700000.0, 5e6}) {
    const i128 x = RandomValue(g, 3);
    SetValue(a, x);
    MulThreeFactorsSmallInt(a, 6 * k - 5, 2 * k - 1, 6 * k - 1);
    ASSERT_EQ(Value(a), x * static_cast<i128>(6 * k - 5) * static_cast<i128>(2 * k - 1) *
                            static_cast<i128>(6 * k - 1)) << k;
    DivThreeFactorsSmallInt(a, 6 * k - 5, 2 * k - 1, 6 * k - 1);
    ASSERT_EQ(Value(a), x) << k;
  }
}

TEST(SmallIntProduct, MulAndSquareAgainstSchoolbook) {
  std::mt19937_64 g(13);
  SmallInt a, b, r;
  for (long na : {1, 2, 3, 5, 17, 64, 301, 1000, 4000}) {
    for (long nb : {1L, 4L, 99L, na}) {
      ref::Digits x = RandomDigits(g, na, a), y = RandomDigits(g, nb, b);
      if (na > 3) x[0] = x[1] = a.Limbs[0] = a.Limbs[1] = 0;  // the zero-skipping path
      const std::string want = ref::ToDecimal(ref::Mul(x, y, 6), 6);
      MulSmallInt(a, b, r);
      ASSERT_EQ(Text(r), want) << na << "x" << nb;
      // In place over either operand, after a product left unreleased.
      MulSmallInt(a, b, a, 0);
      a.UpdateSmallInt();
      ASSERT_EQ(Text(a), want) << na << "x" << nb;
      SetLimbs(a, V(x.begin(), x.end()));
      MulSmallInt(a, b, b);
      ASSERT_EQ(Text(b), want) << na << "x" << nb;
      if (nb != na) continue;
      SquareSmallInt(a, r);
      SquareSmallInt(a, a);
      ASSERT_EQ(Text(r), ref::ToDecimal(ref::Mul(x, x, 6), 6)) << na;
      ASSERT_EQ(Text(a), Text(r)) << na;
    }
  }
}

// A SmallInt product (balanced limbs, as the series leaves them) as a BigInt, and
// BigInt x SmallInt products, full and truncated.
TEST(SmallIntBigInt, PairingAndSchoolbookProduct) {
  std::mt19937_64 g(14);
  for (long n6 : {1L, 2L, 7L, 100L, 999L, 1000L}) {
    for (long na : {1L, 3L, 250L}) {
      SmallInt s, t, u;
      RandomDigits(g, (n6 + 1) / 2, t);
      RandomDigits(g, n6 - (n6 + 1) / 2 + 1, u);
      MulSmallInt(t, u, s);
      const std::string st = Text(s);
      mpt::Num sb(s.Size), a(na), r(na + s.Size);
      SmallIntToBigInt(s, sb.b);
      EXPECT_EQ(sb.b.Offset, 0);
      sb.b.UpdateBigInt();
      ASSERT_EQ(fftt::Text(sb.b), st) << n6;
      if (s.Size > 1000) continue;
      fftt::Fill(a.b, na, g);
      a.b.Offset = 3;
      const ref::Digits want = ref::Mul(fftt::ToRef(a.b), ref::FromDecimal(st, 12), 12);
      SmallIntMul(a.b, s, r.b);
      ASSERT_EQ(fftt::Text(r.b), ref::ToDecimal(want, 12)) << n6 << " " << na;
      EXPECT_EQ(r.b.Offset, 3);
      // Truncated: the top limbs, short of the carries of the dropped ones.
      const long keep = static_cast<long>(want.size()) - 2, d = na + (s.Size + 1) / 2 - keep;
      if (keep < 1) continue;
      mpt::Num cut(keep);
      SmallIntMul(a.b, s, cut.b);
      EXPECT_EQ(cut.b.Offset, 3 + d);
      const ref::Digits top(want.begin() + d, want.end());
      const ref::Digits diff = ref::Sub(top, fftt::ToRef(cut.b), 12);
      ASSERT_LE(diff.size(), 1u);
      EXPECT_LE(diff[0], 2 * s.Size);
    }
  }
}

// An inexact division, a product too long for exact sums, a product into no room.
TEST(SmallIntDeathTest, FatalMisuse) {
  SmallInt a(4100);
  a.Set(7);
  EXPECT_FATAL(ShortDivSmallInt(a, 2, a), "Carry is not zero in ShortDivSmallInt");
  std::fill(a.Limbs, a.Limbs + 4001, 1.0);
  a.Size = 4001;
  EXPECT_FATAL(MulSmallInt(a, a, a), "SmallInt are too large");
  mpt::Num x(3), none(0);
  a.Size = 2;
  EXPECT_FATAL(SmallIntMul(x.Set({1}), a, none.b), "r has no room");
}

}  // namespace
