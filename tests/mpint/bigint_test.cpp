// The linear-time BigInt operations against the reference arithmetic.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "mpint/bigint.h"
#include "reference/refnum.h"

namespace {

struct Num {
  BigInt b;
  explicit Num(long cap) { b.Alloc(cap); }
  ~Num() { b.Free(); }
  void Set(const std::vector<double>& limbs, long offset = 0) {
    for (size_t i = 0; i < limbs.size(); i++) b.Limbs[i] = limbs[i];
    b.Size = static_cast<long>(limbs.size());
    b.Offset = offset;
  }
  std::vector<double> Limbs() const { return std::vector<double>(b.Limbs, b.Limbs + b.Size); }
};

ref::Digits ToRef(const BigInt& b) {
  ref::Digits d;
  for (long i = 0; i < b.Size; i++) d.push_back(static_cast<int64_t>(b.Limbs[i]));
  ref::Trim(d);
  return d;
}

std::vector<double> FromRef(const ref::Digits& d) { return std::vector<double>(d.begin(), d.end()); }

std::string RandomDecimal(std::mt19937_64& g, int digits) {
  std::string s(1, static_cast<char>('1' + g() % 9));
  for (int i = 1; i < digits; i++) s += static_cast<char>('0' + g() % 10);
  return s;
}

TEST(BigIntLinear, CarryAndSignEdges) {
  Num a(4), b(4), r(4);
  a.Set({-1});
  b.Set({1});
  AddBigInt(a.b, b.b, r.b);
  EXPECT_EQ(r.Limbs(), std::vector<double>({0}));
  EXPECT_EQ(r.b.Sign(), 1);

  a.Set({0, 1});
  SubstractBigInt(a.b, b.b, r.b);
  EXPECT_EQ(r.Limbs(), std::vector<double>({kBigIntMaxLimb}));

  r.Set({5, kBigIntMaxLimb, kBigIntMaxLimb, -1});
  r.b.UpdateSize();
  EXPECT_EQ(r.Limbs(), std::vector<double>({5, -1}));
  EXPECT_EQ(r.b.Sign(), -1);

  // 3 - 5 = -2 in complement form, and back.
  a.Set({3});
  b.Set({5});
  SubstractBigInt(a.b, b.b, r.b);
  EXPECT_EQ(r.Limbs(), std::vector<double>({kBigIntBase - 2, -1}));
  r.b.UpdateSize();
  AddBigInt(r.b, b.b, r.b);
  EXPECT_EQ(r.Limbs(), std::vector<double>({3}));
}

TEST(BigIntLinear, FullNumberDropsLowestLimb) {
  Num a(3), b(3);
  a.Set({7, kBigIntMaxLimb, kBigIntMaxLimb}, 2);
  b.Set({kBigIntMaxLimb}, 2);
  AddBigInt(a.b, b.b, a.b);
  EXPECT_EQ(a.b.Offset, 3);
  EXPECT_EQ(a.Limbs(), std::vector<double>({0, 0, 1}));

  // Offsets differing by 3: the lower operand's three lowest limbs are dropped.
  Num c(8), r(8);
  c.Set({1, 2, 3, 4, 5}, 0);
  b.Set({10, 20}, 3);
  AddBigInt(c.b, b.b, r.b);
  EXPECT_EQ(r.b.Offset, 3);
  EXPECT_EQ(r.Limbs(), std::vector<double>({14, 25}));
}

TEST(BigIntLinear, RandomSumsAndDifferences) {
  std::mt19937_64 g(11);
  for (int it = 0; it < 200; it++) {
    SCOPED_TRACE("seed 11 iteration " + std::to_string(it));
    std::string x = RandomDecimal(g, 1 + g() % 80), y = RandomDecimal(g, 1 + g() % 80);
    if (it % 4 == 0) x = std::string(1 + g() % 80, '9');
    ref::Digits dx = ref::FromDecimal(x, 12), dy = ref::FromDecimal(y, 12);
    Num a(10), b(10), r(10);
    a.Set(FromRef(dx));
    b.Set(FromRef(dy));
    AddBigInt(a.b, b.b, r.b);
    EXPECT_EQ(ref::ToDecimal(ToRef(r.b), 12), ref::ToDecimal(ref::Add(dx, dy, 12), 12));
    // The smaller minus the larger goes negative; adding the larger back restores it.
    bool less = ref::Compare(dx, dy) < 0;
    SubstractBigInt(less ? a.b : b.b, less ? b.b : a.b, r.b);
    ref::Digits diff = less ? ref::Sub(dy, dx, 12) : ref::Sub(dx, dy, 12);
    if (ref::Compare(diff, ref::Digits{0}) != 0) {
      EXPECT_EQ(r.b.Sign(), -1);
      EXPECT_EQ(r.Limbs().back(), -1);
    }
    AddBigInt(r.b, less ? b.b : a.b, r.b);
    EXPECT_EQ(ref::ToDecimal(ToRef(r.b), 12), less ? x : y);
  }
}

TEST(BigIntLinear, ShortProductsAndQuotients) {
  std::mt19937_64 g(12);
  for (int it = 0; it < 100; it++) {
    SCOPED_TRACE("seed 12 iteration " + std::to_string(it));
    std::string x = it % 3 == 0 ? std::string(60, '9') : RandomDecimal(g, 1 + g() % 60);
    ref::Digits dx = ref::FromDecimal(x, 12);
    Num a(8), r(8), s(8);
    a.Set(FromRef(dx));
    // 3000 takes the direct path, 3001 the split path.
    for (double m : {3000.0, 3001.0, 999999.0, 1000000.0, 123456789012345.0, 1e15}) {
      ShortMul(a.b, m, r.b);
      ref::Digits want = ref::Mul(dx, ref::FromDecimal(std::to_string(static_cast<long>(m)), 12), 12);
      EXPECT_EQ(ref::ToDecimal(ToRef(r.b), 12), ref::ToDecimal(want, 12)) << m;
    }
    ShortMul(a.b, 3000, r.b);
    LongShortMul(a.b, 3000, s.b);
    EXPECT_EQ(r.Limbs(), s.Limbs());
    for (double m : {3.0, 7.0, 1000.0}) {
      ShortDiv(a.b, m, r.b);
      std::string q = ref::Div(x, std::to_string(static_cast<long>(m)));
      std::string got = ref::ToDecimal(ToRef(r.b), 12);
      // The lowest limb rounds up when the fraction is at least 0.9.
      if (got != q) {
        EXPECT_EQ(got, ref::ToDecimal(ref::Add(ref::FromDecimal(q, 12), {1}, 12), 12));
      }
    }
  }
  Num a(2), r(2);
  a.Set({0, 1});
  ShortDiv(a.b, 3, r.b);
  EXPECT_EQ(r.Limbs(), std::vector<double>({333333333333.0}));
  // A negative number times a small and a large factor.
  a.Set({kBigIntBase - 2, -1});
  ShortMul(a.b, 5, r.b);
  EXPECT_EQ(r.Limbs(), std::vector<double>({kBigIntBase - 10, -1}));
  ShortMul(a.b, 5000000, r.b);
  EXPECT_EQ(r.Limbs(), std::vector<double>({kBigIntBase - 10000000, -1}));
}

TEST(BigIntLinear, CarryReleaseOfUnreducedLimbs) {
  Num a(5);
  a.Set({3e15, -2e15, 5e12, 0});
  a.b.UpdateBigInt();
  // 3e15 - 2e15 * 1e12 + 5e12 * 1e24 = 5e36 - 2e27 + 3e15
  ref::Digits want = ref::Sub(ref::FromDecimal("5" + std::string(36, '0'), 12),
                              ref::FromDecimal("2" + std::string(27, '0'), 12), 12);
  want = ref::Add(want, ref::FromDecimal("3" + std::string(15, '0'), 12), 12);
  EXPECT_EQ(ref::ToDecimal(ToRef(a.b), 12), ref::ToDecimal(want, 12));

  a.Set({1, 2, 3, 4, 5}, -2);
  a.b.DropLowLimbs(2);
  EXPECT_EQ(a.Limbs(), std::vector<double>({3, 4, 5}));
  EXPECT_EQ(a.b.Offset, 0);
}

}  // namespace
