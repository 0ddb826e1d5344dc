// The linear-time BigInt operations against the reference arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "mpint/guarded_num.h"
#include "shell/memory.h"

namespace {

using mpt::Num;
using V = std::vector<double>;

std::string RandomDecimal(std::mt19937_64& g, int digits) {
  std::string s(1, static_cast<char>('1' + g() % 9));
  for (int i = 1; i < digits; i++) s += static_cast<char>('0' + g() % 10);
  return s;
}

V FromText(const std::string& s) {
  ref::Digits d = ref::FromDecimal(s, 12);
  return V(d.begin(), d.end());
}

// The edges that random operands rarely reach: carries out of a full number,
// unaligned operands, unreduced limbs, a zero operand.
TEST(BigIntLinear, CarryAndAlignmentEdges) {
  Num b(4), c(8), r8(8), full(3), a(4);
  // A carry out of a full number drops its lowest limb.
  AddBigInt(full.Set({7, kBigIntMaxLimb, kBigIntMaxLimb}, 2), b.Set({kBigIntMaxLimb}, 2), full.b);
  EXPECT_EQ(full.b.Offset, 3);
  EXPECT_EQ(full.Limbs(), V({0, 0, 1}));
  // Offsets differing by 3: the lower operand's three lowest limbs are dropped.
  AddBigInt(c.Set({1, 2, 3, 4, 5}), b.Set({10, 20}, 3), r8.b);
  EXPECT_EQ(r8.b.Offset, 3);
  EXPECT_EQ(r8.Limbs(), V({14, 25}));
  // Carry release of unreduced limbs: 3e15 - 2e15 * 1e12 + 5e12 * 1e24.
  c.Set({3e15, -2e15, 5e12, 0}).UpdateBigInt();
  EXPECT_EQ(fftt::Text(c.b), "4999999998" + std::string(11, '0') + "3" + std::string(15, '0'));
  // A leading -1 folds over the 999999999999 limbs under it.
  r8.Set({5, kBigIntMaxLimb, kBigIntMaxLimb, -1}).UpdateSize();
  EXPECT_EQ(r8.Limbs(), V({5, -1}));
  // A zero does not truncate the other operand, whatever its exponent.
  c.Set({0, 0, 3, 4, 5}, -2);
  AddBigIntAligned(a.Set({0}, 9), c.b, r8.b);
  EXPECT_EQ(r8.Limbs(), V({0, 0, 3, 4, 5}));
  EXPECT_EQ(r8.b.Offset, -2);
}

// The carry release of unreduced limbs of either sign and any size up to 2^52
// (exact multiples of 10^12, sums just past a bound, carries running over
// limbs of 999999999999) against a release in integer arithmetic.
TEST(BigIntLinear, CarryReleaseAgainstIntegerRelease) {
  std::mt19937_64 g(21);
  const double big = 4503599627370496.0;  // 2^52
  for (int round = 0; round < 400; round++) {
    const long n = 1 + static_cast<long>(g() % (round < 200 ? 8 : 300));
    V x(n);
    for (auto& v : x) {
      const double k = static_cast<double>(static_cast<int64_t>(g() % 9001) - 4500);
      switch (g() % 5) {
        case 0:
          v = std::floor((static_cast<double>(g() >> 11) / 9007199254740992.0 * 2 - 1) * big);
          break;
        case 1: v = k * kBigIntBase; break;
        case 2: v = k * kBigIntBase + static_cast<double>(g() % 3) - 1; break;
        case 3: v = kBigIntMaxLimb; break;
        default: v = static_cast<double>(g() % 1000000000000ULL);
      }
    }
    // A top limb that keeps the value positive.
    x.back() = kBigIntBase + std::floor(static_cast<double>(g() >> 12) / 4503599627370496.0 * big);
    ref::Digits want;
    __int128 carry = 0;
    for (double v : x) {
      const __int128 t = static_cast<__int128>(static_cast<int64_t>(v)) + carry;
      const __int128 base = 1000000000000LL;
      __int128 r = t % base;
      carry = t / base;
      if (r < 0) r += base, carry -= 1;
      want.push_back(static_cast<int64_t>(r));
    }
    for (; carry > 0; carry /= 1000000000000LL) {
      want.push_back(static_cast<int64_t>(carry % 1000000000000LL));
    }
    Num c(n + 4);
    c.Set(x).UpdateBigInt();
    ASSERT_EQ(fftt::Text(c.b), ref::ToDecimal(want, 12)) << round;
  }
}

// Storage is handed over by a move and given back once; capacities stay
// within the storage and come back at the end of their scope.
TEST(BigIntOwnership, StorageAndCapacity) {
  const int64_t before = TotalAllocatedBytes();
  {
    BigInt a(10);
    a.Limbs[0] = 7;
    {
      ScopedCapacity lowered(a, 4);
      EXPECT_EQ(a.NAlloc, 4);
    }
    EXPECT_EQ(a.NAlloc, 10);
    BigInt b(std::move(a));
    EXPECT_EQ(a.Limbs, nullptr);
    a = std::move(b);
    EXPECT_EQ(a.Limbs[0], 7);
  }
  EXPECT_EQ(TotalAllocatedBytes(), before);
  EXPECT_FATAL(BigInt(4).SetCapacity(5), "beyond the 4 limbs stored");
  EXPECT_FATAL(BigInt x(4); BigIntView v = x.ViewFrom(1); BigInt y(std::move(v)), "view");
}

// Sums, differences, short products and quotients of random and all-nines numbers.
TEST(BigIntLinear, RandomOperandsAgainstReference) {
  std::mt19937_64 g(11);
  for (int it = 0; it < 300; it++) {
    SCOPED_TRACE("seed 11 iteration " + std::to_string(it));
    std::string x = RandomDecimal(g, 1 + g() % 80), y = RandomDecimal(g, 1 + g() % 80);
    if (it % 4 == 0) x = std::string(1 + g() % 80, '9');
    const ref::Digits dx = ref::FromDecimal(x, 12), dy = ref::FromDecimal(y, 12);
    Num a(10), b(10), r(10), s(10);
    AddBigInt(a.Set(FromText(x)), b.Set(FromText(y)), r.b);
    EXPECT_EQ(fftt::Text(r.b), ref::ToDecimal(ref::Add(dx, dy, 12), 12));
    // A negative difference is in complement form; adding b back restores a.
    SubstractBigInt(a.b, b.b, r.b);
    EXPECT_EQ(fftt::Text(r.b), fftt::Signed(dx, dy, 12));
    EXPECT_TRUE(fftt::Normal(r.b));
    EXPECT_EQ(r.b.Sign(), ref::Compare(dx, dy) < 0 ? -1 : 1);
    AddBigInt(r.b, b.b, r.b);
    EXPECT_EQ(fftt::Text(r.b), x);
    // 3000 takes the direct path, 3001 the split path.
    for (long m : {3000L, 3001L, 999999L, 1000000L, 123456789012345L, 1000000000000000L}) {
      ShortMul(a.b, static_cast<double>(m), r.b);
      const ref::Digits want = ref::Mul(dx, ref::FromDecimal(std::to_string(m), 12), 12);
      EXPECT_EQ(fftt::Text(r.b), ref::ToDecimal(want, 12)) << m;
    }
    LongShortMul(a.b, 3000, s.b);
    EXPECT_EQ(fftt::Text(s.b), ref::ToDecimal(ref::Mul(dx, {3000}, 12), 12));
    for (long m : {3L, 7L, 1000L}) {
      ShortDiv(a.b, static_cast<double>(m), r.b);
      const std::string q = ref::Div(x, std::to_string(m));
      // The lowest limb rounds up when the fraction is at least 0.9.
      if (fftt::Text(r.b) != q) {
        EXPECT_EQ(fftt::Text(r.b), ref::ToDecimal(ref::Add(ref::FromDecimal(q, 12), {1}, 12), 12));
      }
    }
  }
  // 999 10^12 - 1 over 999: the lowest limb rounds up to 10^12 and carries.
  Num a(2), r(2);
  ShortDiv(a.Set({kBigIntMaxLimb, 998}), 999, r.b);
  EXPECT_EQ(r.Limbs(), V({0, 1}));
  // A negative number times a small and a large factor.
  ShortMul(a.Set({kBigIntBase - 2, -1}), 5, r.b);
  EXPECT_EQ(r.Limbs(), V({kBigIntBase - 10, -1}));
  ShortMul(a.b, 5000000, r.b);
  EXPECT_EQ(r.Limbs(), V({kBigIntBase - 10000000, -1}));
}

}  // namespace
