// The Newton operations on disk against those in memory (an independent
// implementation checked by the mpint tests), and the quotient checked by
// multiplying it back.
#include <algorithm>
#include <random>
#include <string>

#include "disk/disk_arith.h"
#include "disk/disk_newton.h"
#include "disk_test_util.h"
#include "fft/fft_engine.h"
#include "mpint/multiply.h"
#include "mpint/newton.h"

namespace {

using namespace diskt;

// The limbs of a number at and above exponent `low`, as digits.
ref::Digits From(const double* limbs, long size, long offset, long low) {
  const long skip = low - offset;
  EXPECT_GE(skip, 0);
  return ref::FromDecimal(fftt::Text(limbs + skip, size - skip, 12), 12);
}
ref::Digits From(const DiskInt& d, long low) {
  const V v = Get(d);
  return From(v.data(), d.Size, d.Offset, low);
}

// x and y agree to within one unit of the limb at exponent `low`.
void ExpectClose(const ref::Digits& x, const ref::Digits& y) {
  const ref::Digits diff = fftt::AbsDiff(x, y);
  EXPECT_LE(ref::Compare(diff, {1}), 0) << diff.size() << " limbs apart";
}

TEST_F(DiskTest, InverseSquareRootsAgreeWithMemory) {
  for (auto [n, limbs] :
       {std::pair(2L, 30000L), {2L, 40L}, {999999999989L, 300L}}) {
    SCOPED_TRACE(std::to_string(n) + ", " + std::to_string(limbs) + " limbs");
    Numbers.clear();
    DiskInt &x = Number("IX", limbs - 1), &t = Number("IT", limbs - 1);
    testing::internal::CaptureStdout();
    InvSqrtDiskInt(n, x, t);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(x.Offset, -x.Size);
    EXPECT_TRUE(Normal(x));
    mpt::Num y(limbs), s(limbs + 2);
    InvSqrtBigInt(n, y.b, s.b);
    const long low = -(limbs - 5);
    ExpectClose(From(x, low), From(y.b.Limbs, y.b.Size, y.b.Offset, low));
  }
}

TEST_F(DiskTest, ReciprocalsAgreeWithMemory) {
  std::mt19937_64 g(61);
  for (auto [na, limbs, offset] : {std::tuple(25000L, 30000L, 5L), {40000L, 26000L, -40000L},
                                   {3L, 50L, 0L}}) {
    SCOPED_TRACE(std::to_string(na) + " limbs to " + std::to_string(limbs));
    Numbers.clear();
    DiskInt &a = Number("RA", na), &x = Number("RX", limbs - 1), &t = Number("RT", limbs - 1);
    const V v = Random(g, na);
    Put(a, v, offset);
    testing::internal::CaptureStdout();
    InverseDiskInt(a, x, t);
    testing::internal::GetCapturedStdout();
    mpt::Num m(na), y(limbs), s(limbs + 2);
    InverseBigInt(m.Set(v, offset), y.b, s.b);
    const long low = x.Offset + x.Size - (limbs - 5);
    ExpectClose(From(x, low), From(y.b.Limbs, y.b.Size, y.b.Offset, low));
  }
  // 1/B^k from below or from above: 999999999999... or 1 000...
  Numbers.clear();
  DiskInt &a = Number("RA", 3), &x = Number("RX", 60), &t = Number("RT", 60);
  InverseDiskInt(Put(a, {0, 0, 1}, 4), x, t);
  const V r = Get(x);
  const long exp = x.Offset + x.Size;  // one above the top limb
  if (r.back() == 1) {
    EXPECT_EQ(exp, -5);
    for (size_t i = 0; i + 1 < r.size(); i++) EXPECT_LE(r[i], 1) << i;
  } else {
    EXPECT_EQ(exp, -6);
    for (size_t i = 1; i < r.size(); i++) EXPECT_EQ(r[i], kBigIntMaxLimb) << i;
  }
}

TEST_F(DiskTest, QuotientTimesDivisorGivesTheDividend) {
  std::mt19937_64 g(62);
  for (auto [nq, nd, negative] : {std::tuple(30000L, 30000L, false), {30000L, 500L, false},
                                  {30000L, 500L, true}, {60L, 70000L, false}}) {
    SCOPED_TRACE(std::to_string(nq) + " / " + std::to_string(nd));
    Numbers.clear();
    DiskInt &q = Number("Q", nq), &d = Number("D", std::max(nq, nd));
    DiskInt &t = Number("T", std::max(nq, nd) + 2);
    const V x = Random(g, nq);
    const V y = Random(g, nd, negative ? fftt::Shape::kNegative : fftt::Shape::kRandom);
    Put(q, x, -7);
    Put(d, y, 3);
    mpt::Num w(DiskPieceLimbs()), inv(DiskPieceLimbs());
    testing::internal::CaptureStdout();
    DivDiskInt(q, d, t, w.b, inv.b);
    testing::internal::GetCapturedStdout();
    // q d against the dividend, to within the last limbs of q's precision.
    mpt::Num mq(nq + 5), md(nd), p(nq + nd + 10);
    const V got = Get(q);
    mq.Set(got, q.Offset);
    MulBigInt(mq.b, md.Set(y, 3), p.b);
    const long low = -7 + 4;
    ExpectClose(From(p.b.Limbs, p.b.Size, p.b.Offset, low), From(x.data(), nq, -7, low));
  }
}

// A product that goes wrong on the way: the divisor does not come out as 1.
TEST_F(DiskTest, DivisionWhoseDivisorDoesNotNormalise) {
  std::mt19937_64 g(63);
  DiskInt &q = Number("Q", 29), &d = Number("D", 29), &t = Number("T", 40);
  mpt::Num w(DiskPieceLimbs()), inv(DiskPieceLimbs());
  Put(q, Random(g, 30), 0);
  Put(d, Random(g, 30), 0);
  // The top coefficient of d times 1/d (30 by 30 limbs), beyond the products
  // of the reciprocal's own iteration.
  FFT().TestFaultIndex = 177;
  FFT().TestFaultShift = 5;
  EXPECT_FATAL(DivDiskInt(q, d, t, w.b, inv.b), "ERROR in DivDiskInt, leading coefficient is bad");
  FFT().TestFaultIndex = -1;
}

}  // namespace
