// SmallInt against exact references: __int128 for small values, the schoolbook
// reference for long ones.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "mpint/bigint.h"
#include "mpint/multiply.h"
#include "mpint/smallint.h"
#include "reference/refnum.h"
#include "shell/error_report.h"

namespace {

using i128 = __int128;

void SetLimbs(SmallInt& s, const std::vector<double>& limbs) {
  s.Alloc(static_cast<long>(limbs.size()) + 4);
  for (size_t i = 0; i < limbs.size(); i++) s.Limbs[i] = limbs[i];
  s.Size = static_cast<long>(limbs.size());
}

std::vector<double> Limbs(const SmallInt& s) { return std::vector<double>(s.Limbs, s.Limbs + s.Size); }

// The value of any limb pattern (balanced or complement limbs).
i128 Value(const SmallInt& s) {
  i128 v = 0;
  for (long i = s.Size - 1; i >= 0; i--) v = v * 1000000 + static_cast<i128>(s.Limbs[i]);
  return v;
}

void SetValue(SmallInt& s, i128 v) {
  bool neg = v < 0;
  if (neg) v = -v;
  std::vector<double> limbs;
  do {
    limbs.push_back(static_cast<double>(static_cast<long long>(v % 1000000)));
    v /= 1000000;
  } while (v != 0);
  SetLimbs(s, limbs);
  if (neg) NegateSmallInt(s, s);
}

// A non-negative SmallInt (any limb pattern) as reference digits of base 10^6.
ref::Digits ToRef(const SmallInt& s) {
  ref::Digits pos, neg;
  for (long i = 0; i < s.Size; i++) {
    double x = s.Limbs[i];
    pos.push_back(x > 0 ? static_cast<int64_t>(x) : 0);
    neg.push_back(x < 0 ? static_cast<int64_t>(-x) : 0);
  }
  ref::Trim(pos);
  ref::Trim(neg);
  return ref::Sub(pos, neg, 6);
}

ref::Digits RandomDigits(std::mt19937_64& g, long n) {
  ref::Digits d(n);
  for (auto& x : d) x = static_cast<int64_t>(g() % 1000000);
  d.back() = 1 + static_cast<int64_t>(g() % 999999);
  return d;
}

void FromRef(SmallInt& s, const ref::Digits& d) {
  SetLimbs(s, std::vector<double>(d.begin(), d.end()));
}

i128 RandomValue(std::mt19937_64& g, int limbs) {
  i128 v = 0;
  for (int i = 0; i < limbs; i++) v = v * 1000000 + static_cast<i128>(g() % 1000000);
  return (g() & 1) ? -v : v;
}

// Fatal errors end the process after writing Numora.log: run them elsewhere.
void InScratchDir() {
  char dir[] = "/tmp/numora_smallint_XXXXXX";
  if (mkdtemp(dir) != nullptr && chdir(dir) == 0) return;
  std::abort();
}

TEST(SmallIntValues, SetSignLogAndConstants) {
  SmallInt s;
  s.Set(1000000);
  EXPECT_EQ(Limbs(s), std::vector<double>({0, 1}));
  s.Set(1e15);
  EXPECT_EQ(Value(s), static_cast<i128>(1000000000000000LL));
  EXPECT_DOUBLE_EQ(s.ToDouble(), 1e15);
  s.Set(-5);
  EXPECT_EQ(Value(s), -5);
  EXPECT_EQ(s.Sign(), -1);
  EXPECT_FALSE(s.IsZero());

  // Zero top limbs are skipped by Sign and Log.
  SetLimbs(s, {0, 7, 0, 0});
  EXPECT_EQ(s.Sign(), 1);
  EXPECT_NEAR(s.Log(), std::log(7e6), 1e-12);
  SetLimbs(s, {1, 2, 3, 4, 5, 6});
  EXPECT_NEAR(s.Log(), std::log(6.000005000004000003e30), 1e-12);

  InitSmallIntConstants();
  EXPECT_TRUE(SmallIntShared().Zero.IsZero());
  EXPECT_TRUE(SmallIntShared().One.IsOne());
  EXPECT_EQ(SmallIntShared().Zero.Sign(), 0);

  SetLimbs(s, {5, 999999, 999999, -1});
  s.Trim();
  EXPECT_EQ(Limbs(s), std::vector<double>({5, -1}));
}

TEST(SmallIntLinear, AddSubstractNegateAgainstInt128) {
  std::mt19937_64 g(11);
  SmallInt a, b, r;
  SetValue(a, 999999);
  SetValue(b, 1);
  AddSmallInt(a, b, r);
  EXPECT_EQ(Limbs(r), std::vector<double>({0, 1}));
  SetLimbs(a, {-1});
  AddSmallInt(a, b, r);
  EXPECT_TRUE(r.IsZero());

  for (int it = 0; it < 3000; it++) {
    i128 x = RandomValue(g, 1 + it % 5), y = RandomValue(g, 1 + (it / 5) % 5);
    SetValue(a, x);
    SetValue(b, y);
    AddSmallInt(a, b, r);
    ASSERT_EQ(Value(r), x + y) << it;
    SubstractSmallInt(a, b, r);
    ASSERT_EQ(Value(r), x - y) << it;
    ASSERT_EQ(r.Sign(), x == y ? 0 : (x > y ? 1 : -1)) << it;
    NegateSmallInt(r, r);
    ASSERT_EQ(Value(r), y - x) << it;
    // Results written over an operand.
    AddSmallInt(a, b, a);
    ASSERT_EQ(Value(a), x + y) << it;
    SubstractSmallInt(a, b, b);
    ASSERT_EQ(Value(b), x) << it;
  }
}

TEST(SmallIntLinear, ShortMulAndExactDivision) {
  std::mt19937_64 g(12);
  SmallInt a, r;
  SetValue(a, 999999);
  LongShortMulSmallInt(a, 1e15, r);
  EXPECT_EQ(Limbs(r), std::vector<double>({0, 0, 999000, 999}));

  const double ms[] = {1, 2, 3, 999, 3000, 999999, 1000000, 1e9, 1e9 + 7, 123456789012.0, 1e12,
                       987654321098765.0, 1e15, -7, -1e9 - 3, -5e14};
  for (int it = 0; it < 400; it++) {
    for (double m : ms) {
      i128 x = RandomValue(g, 1 + it % 3);
      SetValue(a, x);
      ShortMulSmallInt(a, m, r);
      const i128 p = x * static_cast<i128>(static_cast<long long>(m));
      ASSERT_EQ(Value(r), p) << it << " m=" << m;
      if (std::fabs(m) > 1e12) continue;
      ShortDivSmallInt(r, m, r);  // in place
      ASSERT_EQ(Value(r), x) << it << " m=" << m;
    }
  }
  // Three factors at once, across the bounds of one and two passes.
  for (double k : {5.0, 240.0, 241.0, 9128.0, 24000.0, 30000.0, 288000.0, 700000.0, 5e6}) {
    i128 x = RandomValue(g, 3);
    SetValue(a, x);
    MulThreeFactorsSmallInt(a, 6 * k - 5, 2 * k - 1, 6 * k - 1);
    const i128 p = x * static_cast<i128>(6 * k - 5) * static_cast<i128>(2 * k - 1) *
                   static_cast<i128>(6 * k - 1);
    ASSERT_EQ(Value(a), p) << k;
    DivThreeFactorsSmallInt(a, 6 * k - 5, 2 * k - 1, 6 * k - 1);
    ASSERT_EQ(Value(a), x) << k;
  }
  SetValue(a, 1000002);
  ShortDivSmallInt(a, 2, r);
  EXPECT_EQ(Limbs(r), std::vector<double>({500001}));
}

TEST(SmallIntProduct, MulAndSquareAgainstSchoolbook) {
  std::mt19937_64 g(13);
  SmallInt a, b, r;
  SetLimbs(a, {0, 0, 5});
  SetLimbs(b, {0, 3});
  MulSmallInt(a, b, r);
  EXPECT_EQ(Limbs(r), std::vector<double>({0, 0, 0, 15}));

  const long sizes[] = {1, 2, 3, 5, 17, 64, 301, 1000, 4000};
  for (long na : sizes) {
    for (long nb : {1L, 4L, 99L, na}) {
      ref::Digits x = RandomDigits(g, na), y = RandomDigits(g, nb);
      if (na > 3) x[0] = x[1] = 0;  // the zero-skipping path
      ref::Digits want = ref::Mul(x, y, 6);
      FromRef(a, x);
      FromRef(b, y);
      MulSmallInt(a, b, r);
      ASSERT_EQ(ToRef(r), want) << na << "x" << nb;
      // In place over either operand, after a product left unreleased.
      MulSmallInt(a, b, a, 0);
      a.UpdateSmallInt();
      ASSERT_EQ(ToRef(a), want) << na << "x" << nb;
      FromRef(a, x);
      MulSmallInt(a, b, b);
      ASSERT_EQ(ToRef(b), want) << na << "x" << nb;
    }
    ref::Digits x = RandomDigits(g, na);
    FromRef(a, x);
    SquareSmallInt(a, r);
    ASSERT_EQ(ToRef(r), ref::Mul(x, x, 6)) << na;
    SquareSmallInt(a, a);
    ASSERT_EQ(ToRef(a), ref::Mul(x, x, 6)) << na;
  }
  // Products of signed balanced operands.
  for (int it = 0; it < 2000; it++) {
    i128 x = RandomValue(g, 1 + it % 3), y = RandomValue(g, 1 + (it / 3) % 3);
    SetValue(a, x);
    SetValue(b, y);
    MulSmallInt(a, b, r);
    ASSERT_EQ(Value(r), x * y) << it;
  }
}

// Base 10^6 reference digits to base 10^12 ones.
ref::Digits To12(const ref::Digits& d6) { return ref::FromDecimal(ref::ToDecimal(d6, 6), 12); }

ref::Digits BigRef(const BigInt& b) {
  ref::Digits d;
  for (long i = 0; i < b.Size; i++) d.push_back(static_cast<int64_t>(b.Limbs[i]));
  ref::Trim(d);
  return d;
}

TEST(SmallIntBigInt, PairingAndSchoolbookProduct) {
  std::mt19937_64 g(14);
  for (long n6 : {1L, 2L, 7L, 100L, 999L, 1000L}) {
    for (long na : {1L, 3L, 250L}) {
      SmallInt s, t, u;
      ref::Digits x6 = RandomDigits(g, (n6 + 1) / 2), y6 = RandomDigits(g, n6 - (n6 + 1) / 2 + 1);
      FromRef(t, x6);
      FromRef(u, y6);
      MulSmallInt(t, u, s);  // balanced limbs, as the series leaves them
      ref::Digits s12 = To12(ToRef(s));

      BigInt sb;
      sb.Alloc(s.Size);
      SmallIntToBigInt(s, sb);
      EXPECT_EQ(sb.Offset, 0);
      sb.UpdateBigInt();
      ASSERT_EQ(BigRef(sb), s12) << n6;

      if (s.Size > 1000) continue;
      BigInt a, r;
      a.Alloc(na);
      ref::Digits a12(na);
      for (auto& v : a12) v = static_cast<int64_t>(g() % 1000000000000ULL);
      a12.back() = 1 + a12.back() % 999999999999LL;
      for (long i = 0; i < na; i++) a.Limbs[i] = static_cast<double>(a12[i]);
      a.Size = na;
      a.Offset = 3;
      const ref::Digits want = ref::Mul(a12, s12, 12);
      r.Alloc(na + sb.Size + 1);
      SmallIntMul(a, s, r);
      ASSERT_EQ(BigRef(r), want) << n6 << " " << na;
      EXPECT_EQ(r.Offset, 3);

      // Truncated: the top limbs, short of the carries of the dropped ones.
      const long keep = static_cast<long>(want.size()) - 2;
      BigInt rt;
      rt.Alloc(keep);
      SmallIntMul(a, s, rt);
      const long d = a.Size + (s.Size + 1) / 2 - keep;
      EXPECT_EQ(rt.Offset, 3 + d);
      ref::Digits top(want.begin() + d, want.end());
      ref::Digits diff = ref::Sub(top, BigRef(rt), 12);
      ASSERT_LE(diff.size(), 1u);
      EXPECT_LE(diff.empty() ? 0 : diff[0], 2 * s.Size);
      a.Free();
      r.Free();
      rt.Free();
      sb.Free();
    }
  }
}

TEST(SmallIntDeathTest, FatalMisuse) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto inexact = [] {
    InScratchDir();
    SmallInt a;
    a.Set(7);
    ShortDivSmallInt(a, 2, a);
  };
  EXPECT_EXIT(inexact(), testing::ExitedWithCode(kExitFailure), "");
  auto viewAlloc = [] {
    InScratchDir();
    SmallInt a(4), v;
    v.AllocSpecial(a, 1);
    v.Alloc(100);
  };
  EXPECT_EXIT(viewAlloc(), testing::ExitedWithCode(kExitFailure), "");
  auto tooLong = [] {
    InScratchDir();
    SmallInt a(4100);
    for (long i = 0; i < 4001; i++) a.Limbs[i] = 1;
    a.Size = 4001;
    MulSmallInt(a, a, a);
  };
  EXPECT_EXIT(tooLong(), testing::ExitedWithCode(kExitFailure), "");
}

}  // namespace
