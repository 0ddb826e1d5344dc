// The linear arithmetic of disk numbers against the in-memory operations and
// the reference module, with local run blocks and with the lent buffer.
#include <optional>
#include <random>
#include <string>

#include "disk/disk_arith.h"
#include "disk_test_util.h"
#include "mpint/bigint.h"
#include "shell/error_report.h"

namespace {

using namespace diskt;

// Sizes around the run lengths: local blocks of 8000, lent runs of 14562
// (sums) and 21844 (short products and quotients).
constexpr long kSizes[] = {1, 2, 7, 7999, 8001, 14563, 21845, 26000};

V Operand(std::mt19937_64& g, long n, fftt::Shape shape) {
  fftt::Num b(n);
  fftt::Fill(b.b, n, g, shape);
  return b.Limbs();
}

// The disk buffer lent for the object's life, or local blocks.
struct MaybeLoan {
  explicit MaybeLoan(bool lend) {
    if (lend) loan.emplace(Disk().BufferSize);
  }
  std::optional<DiskBufferLoan> loan;
};

V Above(const V& v, long from) { return V(v.begin() + std::min<long>(from, v.size()), v.end()); }

TEST_F(DiskTest, SumsAndDifferences) {
  std::mt19937_64 g(21);
  DiskInt a, b, r;
  a.Init("A", 30000);
  b.Init("B", 30000);
  r.Init("R", 30000);
  for (bool lend : {false, true}) {
    MaybeLoan loan(lend);
    for (int it = 0; it < 40; it++) {
      SCOPED_TRACE("seed 21, lend " + std::to_string(lend) + ", iteration " + std::to_string(it));
      const auto shapeA = static_cast<fftt::Shape>(g() % 3), shapeB = static_cast<fftt::Shape>(g() % 3);
      const V x = Operand(g, kSizes[g() % 8], shapeA), y = Operand(g, kSizes[g() % 8], shapeB);
      const long ox = static_cast<long>(g() % 7) - 3, oy = static_cast<long>(g() % 7) - 3;
      fftt::Num mx(30000), my(30000), mr(30004);
      mx.Set(x, ox);
      my.Set(y, oy);
      for (bool subtract : {false, true}) {
        // The result over an operand, then in a third number.
        DiskInt& dst = it % 3 == 0 ? r : it % 3 == 1 ? a : b;
        Put(a, x, ox);
        Put(b, y, oy);
        (subtract ? SubstractDiskInt : AddDiskInt)(a, b, dst);
        (subtract ? SubstractBigInt : AddBigInt)(mx.b, my.b, mr.b);
        // The in-memory difference may leave a -1 limb under its top (negative
        // minus all-nines): compare values, and the disk result's normal form.
        EXPECT_EQ(Text(dst), fftt::Text(mr.b));
        EXPECT_TRUE(Normal(dst));
        EXPECT_EQ(dst.Offset, mr.b.Offset);
        if (shapeA == fftt::Shape::kNegative || shapeB == fftt::Shape::kNegative) continue;
        const long off = std::max(ox, oy);
        const ref::Digits dx = ref::FromDecimal(Dec(Above(x, off - ox)), 12);
        const ref::Digits dy = ref::FromDecimal(Dec(Above(y, off - oy)), 12);
        EXPECT_EQ(Text(dst), subtract ? fftt::Signed(dx, dy, 12)
                                      : ref::ToDecimal(ref::Add(dx, dy, 12), 12));
      }
    }
  }
  // An empty operand: the sum is the other one; the difference its negative.
  Put(a, {5, 6}, 2);
  b.Size = 0;
  b.Offset = 9;
  AddDiskInt(b, a, r);
  EXPECT_EQ(Get(r), V({5, 6}));
  EXPECT_EQ(r.Offset, 2);
  SubstractDiskInt(b, a, r);
  EXPECT_EQ(Text(r), "-6000000000005");
  SubstractDiskInt(a, b, r);
  EXPECT_EQ(Get(r), V({5, 6}));
  EXPECT_EQ(r.Offset, 2);
  SubstractDiskInt(a, a, a);
  EXPECT_EQ(Get(a), V{0});
  // An operand wholly below the other's lowest limb is dropped.
  Put(b, {7}, -3);
  SubstractDiskInt(b, Put(a, {5, 6}, 2), r);
  EXPECT_EQ(Text(r), "-6000000000005");
  EXPECT_EQ(r.Offset, 2);
  a.Free();
  b.Free();
  r.Free();
}

TEST_F(DiskTest, ShortProductsAndQuotients) {
  std::mt19937_64 g(33);
  DiskInt a, r;
  a.Init("SA", 30000);
  r.Init("SR", 30000);
  for (bool lend : {false, true}) {
    MaybeLoan loan(lend);
    for (int it = 0; it < 16; it++) {
      SCOPED_TRACE("seed 33, lend " + std::to_string(lend) + ", iteration " + std::to_string(it));
      const auto shape = static_cast<fftt::Shape>(g() % 3);
      const V x = Operand(g, kSizes[it % 8], shape);
      fftt::Num mx(30000), mr(30010);
      mx.Set(x, -1);
      // 3000 and -3000 take the direct product, 3001 and beyond the split one.
      for (double m : {0.0, 1.0, 3000.0, 3001.0, 999999.0, 123456789012345.0, 1e15, -1.0, -3000.0}) {
        Put(a, x, -1);
        ShortMulDiskInt(a, m, it % 2 ? a : r);
        ShortMul(mx.b, m, mr.b);
        const DiskInt& p = it % 2 ? a : r;
        EXPECT_EQ(Get(p), mr.Limbs()) << m;
        EXPECT_EQ(p.Offset, -1);
        if (shape == fftt::Shape::kNegative || m < 0) continue;
        const ref::Digits dm = ref::FromDecimal(std::to_string(static_cast<long long>(m)), 12);
        EXPECT_EQ(Text(p), ref::ToDecimal(ref::Mul(ref::FromDecimal(Dec(x), 12), dm, 12), 12));
      }
      // Any number kind as the operand.
      ShortMulDiskInt(mx.b, 7, r);
      ShortMul(mx.b, 7, mr.b);
      EXPECT_EQ(Get(r), mr.Limbs());
      if (shape == fftt::Shape::kNegative) continue;
      // The lowest limb is rounded up above 0.9: floor((10 x + m) / (10 m)).
      for (double m : {1.0, 2.0, 3.0, 7.0, 999.0, 9007.0}) {
        Put(a, x, -2);
        r.Offset = 5;
        ShortDivDiskInt(a, m, it % 2 ? a : r);
        const DiskInt& q = it % 2 ? a : r;
        const std::string M = std::to_string(static_cast<long>(m));
        EXPECT_EQ(Text(q), ref::Div(ref::ToDecimal(ref::Add(ref::Mul(ref::FromDecimal(Dec(x), 12),
                                                                      {10}, 12),
                                                             ref::FromDecimal(M, 12), 12), 12),
                                    M + "0")) << m;
        EXPECT_EQ(q.Offset, -2);
      }
    }
  }
  ShortDivDiskInt(Put(a, {kBigIntMaxLimb}), 3, r);
  EXPECT_EQ(Get(r), V{333333333333});
  // 999 10^12 - 1 over 999 rounds its lowest limb up to 10^12, which carries.
  ShortDivDiskInt(Put(a, {kBigIntMaxLimb, 998}), 999, r);
  EXPECT_EQ(Get(r), V({0, 1}));
  a.Free();
  r.Free();
}

// a B^k + m b against the reference, across the runs of the disk buffer.
TEST_F(DiskTest, ShiftAndAdd) {
  std::mt19937_64 g(45);
  DiskInt a, b;
  a.Init("HA", 70000);
  b.Init("HB", 70000);
  struct Case {
    long na, k, nb;
    double m;
  };
  for (Case c : {Case{30000, 25000, 26000, 1}, Case{5000, 100, 4000, -1}, Case{10, 50, 20, 1},
                 Case{300, 0, 200, -1}, Case{40, 3, 30, 3}, Case{25000, 2, 60000, 1}}) {
    SCOPED_TRACE("na " + std::to_string(c.na) + ", k " + std::to_string(c.k));
    // Stale limbs where the shift leaves room, which the result must not keep.
    Put(a, Random(g, c.na + c.k + 10));
    const V x = Random(g, c.na), y = Random(g, c.nb);
    Put(a, x);
    Put(b, y);
    ShiftAndAdd(a, c.k, b, c.m);
    EXPECT_EQ(a.Size, std::max(c.na + c.k, c.nb));
    EXPECT_EQ(a.Offset, -(c.na + c.k));
    V shifted(c.k, 0.0);
    shifted.insert(shifted.end(), x.begin(), x.end());
    const ref::Digits dx = ref::FromDecimal(Dec(shifted), 12);
    const ref::Digits dy = ref::Mul(ref::FromDecimal(Dec(y), 12), {static_cast<int64_t>(std::fabs(c.m))}, 12);
    EXPECT_EQ(Text(a), c.m > 0 ? ref::ToDecimal(ref::Add(dx, dy, 12), 12) : fftt::Signed(dx, dy, 12));
  }
  // A carry through a run of 999999999999 limbs and out of the top.
  Put(a, V(3000, kBigIntMaxLimb));
  Put(b, {0, 0, 0, 0, 0, 1});
  ShiftAndAdd(a, 5, b, 1);
  V expect(3006, 0.0);
  expect[3005] = 1;
  EXPECT_EQ(Get(a), expect);
  EXPECT_EQ(a.Offset, -3005);
  DiskBufferLoan loan(Disk().BufferSize);
  EXPECT_EXIT(OnStderr([&] { ShiftAndAdd(a, 1, b, 1); }), testing::ExitedWithCode(kExitFailure),
              "ERROR in ShiftAndAdd, the disk buffer is lent");
  a.Free();
  b.Free();
}

}  // namespace
