// Products of disk numbers against the in-memory products (which the fft and
// mpint tests check against the reference), at sizes around one and several
// FFT pieces (21845 limbs at 2^16 points), whole and truncated, and around the
// threshold of the NTT product.
#include <random>
#include <string>

#include "disk/disk_arith.h"
#include "disk/disk_mul.h"
#include "disk_test_util.h"
#include "mpint/multiply.h"
#include "ntt/ntt.h"
#include "ntt/ntt_product.h"

namespace {

using namespace diskt;
using fftt::Shape;

constexpr long kPiece = (1L << 16) / 3;

// The exact product in memory, from its limb `drop` on.
std::string Exact(const V& x, const V& y, long drop = 0) {
  mpt::Num a(x.size()), b(y.size()), r(x.size() + y.size() + 2);
  MulBigInt(a.Set(x), b.Set(y), r.b);
  return fftt::Text(r.b.Limbs + drop, r.b.Size - drop, 12);
}

// The top limbs that a truncated product keeps, from limb `drop` of the exact
// product: the disk product may miss the carries of the limbs it never formed,
// a few units of its lowest limb.
void ExpectTopOf(const V& x, const V& y, const DiskInt& r, long drop) {
  ASSERT_EQ(r.Offset, drop);
  const ref::Digits exact = ref::FromDecimal(Exact(x, y, drop), 12);
  const ref::Digits disk = ref::FromDecimal(Text(r), 12);
  ASSERT_LE(ref::Compare(disk, exact), 0);
  EXPECT_LE(ref::Compare(ref::Sub(exact, disk, 12), {1000000}), 0);
  EXPECT_TRUE(Normal(r));
}

TEST_F(DiskTest, ProductsAndSquaresAcrossPieces) {
  std::mt19937_64 g(51);
  DiskInt &a = Number("PA", 80000), &b = Number("PB", 80000), &r = Number("PR", 160000);
  const long sizes[][2] = {{1, 1},          {7, 40000},        {kPiece, kPiece},
                           {kPiece + 1, 3}, {kPiece + 1, 50000}, {70001, 65536},
                           {43690, 43691},  {50000, 1}};
  for (int it = 0; it < 8; it++) {
    SCOPED_TRACE("seed 51, case " + std::to_string(it));
    const Shape sa = it == 6 ? Shape::kNines : Shape(g() % 3), sb = Shape(g() % 3);
    const V x = Random(g, sizes[it][0], sa), y = Random(g, sizes[it][1], sb);
    MulDiskInt(Put(a, x, -3), Put(b, y, 2), r);
    EXPECT_EQ(Text(r), Exact(x, y));
    EXPECT_EQ(r.Offset, -1);
    EXPECT_TRUE(Normal(r));
    // A square, by itself and through the general product.
    SquareDiskInt(a, r, 1);
    const std::string sq = Exact(x, x);
    EXPECT_EQ(Text(r), sq);
    EXPECT_EQ(r.Offset, -6);
    MulDiskInt(a, a, r);
    EXPECT_EQ(Text(r), sq);
  }
}

TEST_F(DiskTest, TruncatedProductsKeepTheTopLimbs) {
  std::mt19937_64 g(52);
  DiskInt &a = Number("TA", 80000), &b = Number("TB", 80000), r;
  for (auto [na, nb, kept] : {std::tuple(60000L, 50000L, 30000L), {60000L, 50000L, 109999L},
                              {30000L, 30000L, 25000L}, {5L, 60000L, 100L}, {50000L, 4L, 7L}}) {
    SCOPED_TRACE(std::to_string(na) + " x " + std::to_string(nb) + " to " + std::to_string(kept));
    r.Init("TR", kept - 1);
    const V x = Random(g, na), y = Random(g, nb);
    MulDiskInt(Put(a, x), Put(b, y), r);
    EXPECT_EQ(r.Size, kept);
    ExpectTopOf(x, y, r, na + nb - kept);
    SquareDiskInt(a, r, 1);
    ExpectTopOf(x, x, r, std::max(0L, 2 * na - kept));
  }
}

// The square modulo B^n: exact, from the pieces that reach the low limbs.
TEST_F(DiskTest, SquaresModuloAPowerOfTheBase) {
  std::mt19937_64 g(57);
  DiskInt &a = Number("QA", 70000), &r = Number("QR", 140000);
  for (auto [na, n] : {std::pair(60000L, 60003L), {60000L, 30000L}, {3L, 4L}, {kPiece + 5, 2L},
                       {50000L, 100000L}}) {
    SCOPED_TRACE(std::to_string(na) + " limbs modulo B^" + std::to_string(n));
    const V x = Random(g, na);
    mpt::Num m(na), e(2 * na + 2);
    MulBigInt(m.Set(x), m.b, e.b);
    SquareDiskIntModulo(Put(a, x, -1), r, n);
    EXPECT_EQ(Text(r), fftt::Text(e.b.Limbs, std::min(n, e.b.Size), 12));
    EXPECT_EQ(r.Offset, -2);
    EXPECT_TRUE(Normal(r));
  }
}

TEST_F(DiskTest, ProductsOfANumberInMemory) {
  std::mt19937_64 g(53);
  DiskInt &b = Number("MB", 80000), &r = Number("MR", 140000);
  for (auto [na, nb] :
       {std::pair(100L, 60000L), {kPiece, 50000L}, {40000L, 30000L}, {50000L, 9L}}) {
    SCOPED_TRACE(std::to_string(na) + " x " + std::to_string(nb));
    mpt::Num a(na);
    const V x = Random(g, na), y = Random(g, nb);
    MulBigByDiskInt(a.Set(x, 1), Put(b, y, -2), r);
    EXPECT_EQ(Text(r), Exact(x, y));
    EXPECT_EQ(r.Offset, -1);
    if (na > kPiece) continue;
    // Again with its spectrum taken from the cache, and over the disk operand.
    MarkSpectrumCached();
    MulBigByDiskInt(a.b, b, b);
    EXPECT_EQ(Text(b), Exact(x, y));
  }
  // Over the operand with a truncated result.
  const V x = Random(g, 2000), y = Random(g, 50000);
  mpt::Num a(2000);
  DiskInt &c = Number("MC", 50000);
  MulBigByDiskInt(a.Set(x), Put(c, y), c);
  ExpectTopOf(x, y, c, 2000 + 50000 - 50001);
}

TEST_F(DiskTest, ResultOverAnOperandStillToBeReadIsRefused) {
  std::mt19937_64 g(54);
  DiskInt &a = Number("OA", 150000), &b = Number("OB", 100000);
  Put(a, Random(g, 50000));
  Put(b, Random(g, 50000));
  EXPECT_FATAL(MulDiskInt(a, b, a), "Problem in SpecialMulByDiskInt \\(the result OA overlaps");
  // Above the operand's limbs, in its own files: allowed.
  DiskIntView above(a, a.Size);
  MulDiskInt(b, b, above);
  EXPECT_EQ(Text(above), Exact(Get(b), Get(b)));
}

// Just below and just above floor(7 NFFT / 3) kept limbs: the FFT piece product
// and the NTT product give the same limbs, and both the exact product.
TEST_F(DiskTest, NTTProductAboveTheThresholdAgreesWithTheFFT) {
  std::mt19937_64 g(55);
  InitNTT(1L << 17, 4e6);
  const long threshold = 7 * (1L << 16) / 3;
  DiskInt &a = Number("NA", 80000), &b = Number("NB", 80000);
  DiskInt &r = Number("NR", threshold + 10), &s = Number("NS", threshold + 10);
  for (long kept : {threshold, threshold + 1}) {
    const V x = Random(g, kept / 2), y = Random(g, kept - kept / 2);
    MulDiskInt(Put(a, x), Put(b, y), r);
    EXPECT_EQ(NTT().LastProductByNTT, kept > threshold ? 1 : 0) << kept;
    MulDiskIntByFFT(a, b, s, 1);
    EXPECT_EQ(Get(r), Get(s)) << kept;
    EXPECT_EQ(Text(r), Exact(x, y));
    SquareDiskInt(a, r, 1);
    MulDiskIntByFFT(a, a, s, 1);
    EXPECT_EQ(Get(r), Get(s)) << kept;
  }
  // A negative operand stays with the FFT product.
  const V x = Random(g, 80000, Shape::kNegative), y = Random(g, 80000);
  MulDiskInt(Put(a, x), Put(b, y), r);
  EXPECT_EQ(NTT().LastProductByNTT, 0);
}

}  // namespace
