// The linear arithmetic of disk numbers against the in-memory operations and
// the reference module, with local run blocks and with the lent buffer.
#include <optional>
#include <random>
#include <string>

#include "disk/disk_arith.h"
#include "disk_test_util.h"

namespace {

using namespace diskt;
using fftt::Shape;

// Sizes around the run lengths: local blocks of 8000, lent runs of 14562
// (sums) and 21844 (short products and quotients).
constexpr long kSizes[] = {1, 2, 7, 7999, 8001, 14563, 21845, 26000};

TEST_F(DiskTest, SumsAndDifferences) {
  std::mt19937_64 g(21);
  DiskInt &a = Number("A", 30000), &b = Number("B", 30000), &r = Number("R", 30000);
  for (int it = 0; it < 80; it++) {
    SCOPED_TRACE("seed 21, iteration " + std::to_string(it));
    std::optional<DiskBufferLoan> lend;
    if (it % 2) lend.emplace(Disk().BufferSize);
    const V x = Random(g, kSizes[g() % 8], Shape(g() % 3));
    const V y = Random(g, kSizes[g() % 8], Shape(g() % 3));
    const long ox = static_cast<long>(g() % 7) - 3, oy = static_cast<long>(g() % 7) - 3;
    mpt::Num mx(30000), my(30000), mr(30004);
    for (bool subtract : {false, true}) {
      DiskInt& dst = it % 3 == 0 ? r : it % 3 == 1 ? a : b;  // over an operand too
      (subtract ? SubstractDiskInt : AddDiskInt)(Put(a, x, ox), Put(b, y, oy), dst);
      (subtract ? SubstractBigInt : AddBigInt)(mx.Set(x, ox), my.Set(y, oy), mr.b);
      // Values compared: the in-memory difference may leave a -1 under its
      // top (a negative minus all nines), the disk number must not.
      EXPECT_EQ(Text(dst), fftt::Text(mr.b));
      EXPECT_TRUE(Normal(dst));
      EXPECT_EQ(dst.Offset, mr.b.Offset);
    }
  }
  // An empty operand takes no part in the alignment; one wholly below the
  // other's lowest limb is dropped.
  Put(a, {5, 6}, 2);
  b.Size = 0;
  b.Offset = 9;
  for (auto [x, y, text] :
       {std::tuple(&a, &b, "6000000000005"), std::tuple(&b, &a, "-6000000000005")}) {
    SubstractDiskInt(*x, *y, r);
    EXPECT_EQ(Text(r), text);
    EXPECT_EQ(r.Offset, 2);
  }
  SubstractDiskInt(Put(b, {7}, -3), a, r);
  EXPECT_EQ(Text(r), "-6000000000005");
  SubstractDiskInt(a, a, a);
  EXPECT_EQ(Get(a), V{0});
}

TEST_F(DiskTest, ShortProductsAndQuotients) {
  std::mt19937_64 g(33);
  DiskInt &a = Number("SA", 30000), &r = Number("SR", 30000);
  for (int it = 0; it < 32; it++) {
    SCOPED_TRACE("seed 33, iteration " + std::to_string(it));
    std::optional<DiskBufferLoan> lend;
    if (it >= 16) lend.emplace(Disk().BufferSize);
    const V x = Random(g, kSizes[it % 8], Shape(g() % 3));
    DiskInt& dst = it % 2 ? a : r;
    mpt::Num mx(30000), mr(30010);
    mx.Set(x, -1);
    // 3000 and -3000 take the direct product, 3001 and beyond the split one.
    for (double m : {0.0, 1.0, 3000.0, 3001.0, 123456789012345.0, 1e15, -1.0, -3000.0}) {
      ShortMulDiskInt(Put(a, x, -1), m, dst);
      ShortMul(mx.b, m, mr.b);
      EXPECT_EQ(Get(dst), mr.Limbs()) << m;
      EXPECT_EQ(dst.Offset, -1);
    }
    ShortMulDiskInt(mx.b, 7, r);  // any kind of number
    ShortMul(mx.b, 7, mr.b);
    EXPECT_EQ(Get(r), mr.Limbs());
    if (x.back() < 0) continue;
    // The lowest limb is rounded up above 0.9: floor((10 x + m) / (10 m)).
    for (long m : {1, 2, 3, 7, 999, 9007}) {
      r.Offset = 5;
      ShortDivDiskInt(Put(a, x, -2), static_cast<double>(m), dst);
      const auto ten = ref::Mul(ref::FromDecimal(Dec(x), 12), {10}, 12);
      const std::string num = ref::ToDecimal(ref::Add(ten, {m}, 12), 12);
      EXPECT_EQ(Text(dst), ref::Div(num, std::to_string(m) + "0")) << m;
      EXPECT_EQ(dst.Offset, -2);
    }
  }
  ShortDivDiskInt(Put(a, {kBigIntMaxLimb}), 3, r);
  EXPECT_EQ(Get(r), V{333333333333});
  // 999 10^12 - 1 over 999: the lowest limb rounds up to 10^12 and carries.
  ShortDivDiskInt(Put(a, {kBigIntMaxLimb, 998}), 999, r);
  EXPECT_EQ(Get(r), V({0, 1}));
}

// a B^k + m b against the reference, across the runs of the disk buffer.
TEST_F(DiskTest, ShiftAndAdd) {
  std::mt19937_64 g(45);
  DiskInt &a = Number("HA", 70000), &b = Number("HB", 70000);
  for (auto [na, k, nb, m] :
       {std::tuple(30000L, 25000L, 26000L, 1.0), {5000L, 100L, 4000L, -1.0}, {10L, 50L, 20L, 1.0},
        {300L, 0L, 200L, -1.0}, {40L, 3L, 30L, 3.0}, {25000L, 2L, 60000L, 1.0}}) {
    SCOPED_TRACE("na " + std::to_string(na) + ", k " + std::to_string(k));
    Put(a, Random(g, na + k + 10));  // stale limbs where the shift leaves room
    const V x = Random(g, na), y = Random(g, nb);
    ShiftAndAdd(Put(a, x), k, Put(b, y), m);
    EXPECT_EQ(a.Size, std::max(na + k, nb));
    EXPECT_EQ(a.Offset, -(na + k));
    V shifted(k, 0.0);
    shifted.insert(shifted.end(), x.begin(), x.end());
    const auto dx = ref::FromDecimal(Dec(shifted), 12);
    const auto dy = ref::Mul(ref::FromDecimal(Dec(y), 12), {static_cast<long>(std::fabs(m))}, 12);
    EXPECT_EQ(Text(a), m > 0 ? ref::ToDecimal(ref::Add(dx, dy, 12), 12) : fftt::Signed(dx, dy, 12));
  }
  // A carry through 3000 limbs of 999999999999 and out of the top.
  ShiftAndAdd(Put(a, V(3000, kBigIntMaxLimb)), 5, Put(b, {0, 0, 0, 0, 0, 1}), 1);
  V carried(3006, 0.0);
  carried.back() = 1;
  EXPECT_EQ(Get(a), carried);
  DiskBufferLoan lend(Disk().BufferSize);
  EXPECT_FATAL(ShiftAndAdd(a, 1, b, 1), "ERROR in ShiftAndAdd, the disk buffer is lent");
}

// Trimming scans down in runs that grow to the block length: far more runs
// than the growth takes to pass it (it once wrapped around and never ended).
TEST_F(DiskTest, TrimmingScansFarDown) {
  DiskInt &a = Number("Z", 400000);
  V v(400000, 0.0);
  v[0] = 7;
  Put(a, v);
  UpdateDiskIntSize(a);
  EXPECT_EQ(Get(a), V{7});
}

}  // namespace
