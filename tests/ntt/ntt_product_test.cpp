// NTT products of disk numbers against the schoolbook reference (and, for the
// products too long for it, against residues modulo primes near 2^61): squares,
// unbalanced and truncated products, results on an operand, released operands,
// the reuse of a kept operand's residues, and the scratch files.
#include "ntt/ntt_product.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "disk/disk_test_util.h"
#include "ntt/mul_rows.h"
#include "ntt/ntt.h"
#include "ntt_test_util.h"
#include "reference/refnum.h"
#include "shell/debug_state.h"

namespace {

using namespace diskt;

// One FFT size for the whole program: a small one, so that the disk buffer
// (2730 limbs) cuts products into many batches and NNTTMax = 8192 makes them
// need many primes.
constexpr long kNFFT = 1L << 12;

class NTTProduct : public DiskTest {
 protected:
  void SetUp() override {  // the disk test's scratch directory, with this FFT size
    InitDiskBuffers(kNFFT);
    ScratchDirTest::SetUp();
    InitNTT(2 * kNFFT, 2e6);
  }
  void TearDown() override {
    UseBaselineCRTKernels(false);
    DiskTest::TearDown();
  }

  void Release() {
    for (auto& d : Numbers) d->Free();
    Numbers.clear();
  }
  // The scratch files of the products present in the directory.
  static long ScratchFiles() {
    long n = 0;
    for (const auto& e : fs::directory_iterator("."))
      n += e.path().filename().string().rfind("Numora-scratch-", 0) == 0;
    return n;
  }
};

ref::Digits Ref(const V& v) { return ref::FromDecimal(Dec(v), 12); }

V Exact(const V& a, const V& b) {
  const ref::Digits p = ref::Mul(Ref(a), Ref(b), 12);
  return V(p.begin(), p.end());
}

// Products and squares (one operand's residues multiplied by themselves)
// against the schoolbook reference; long products by residues, on both CRT
// kernels: 33 primes and more release the rebuilt sums between blocks of
// primes, and a long first operand leaves too little of the FFT arrays to
// stage the second one's residues: they go through the disk buffer by batches.
TEST_F(NTTProduct, ProductsAndSquares) {
  std::mt19937_64 g(11);
  const struct {
    long na, nb;
    fftt::Shape shape;
  } cases[] = {{1, 1, {}},          {7, 3, fftt::Shape::kNines}, {200, 200, {}},
               {1500, 1499, fftt::Shape::kNines},      {2400, 2400, {}}, {3000, 40, {}},
               {30000, 29993, {}}, {90000, 89993, {}}, {40000, 50, {}}};
  for (const auto& c : cases) {
    const bool exact = c.na <= 3000;
    for (bool baseline : {false, true}) {
      if (exact && baseline) continue;
      UseBaselineCRTKernels(baseline);
      const V a = Random(g, c.na, c.shape), b = Random(g, c.nb, c.shape);
      DiskInt& x = Number("x", a);
      DiskInt& y = Number("y", b);
      DiskInt& r = Number("r", {}, 2 * std::max(c.na, c.nb));
      testing::internal::CaptureStdout();
      MulDiskIntByNTT(x, y, r, 0, 0);
      const std::string said = testing::internal::GetCapturedStdout();
      if (c.na <= 7) {
        // A transform below 512 points: said, and still the right product.
        EXPECT_NE(said.find("Pb in ChooseBestCRT, NNTT is too small"), std::string::npos);
        EXPECT_LT(LastNTTProduct().NNTT, 512);
      }
      if (exact) {
        EXPECT_EQ(Get(r), Exact(a, b)) << c.na << " x " << c.nb;
        MulDiskIntByNTT(x, x, r, 0, 0);
        EXPECT_EQ(Get(r), Exact(a, a)) << c.na << " squared";
      } else {
        // By residues modulo three primes, and in normal form.
        const V p = Get(r);
        EXPECT_TRUE(fftt::ProductMatches(a.data(), c.na, b.data(), c.nb, p.data(), r.Size));
        EXPECT_TRUE(Normal(r));
        EXPECT_EQ(r.Offset, 0);
        EXPECT_EQ(LastNTTProduct().NNTT, 2 * kNFFT);
        EXPECT_TRUE(c.na != 90000 || LastNTTProduct().NCRT > 32);
      }
      EXPECT_EQ(ScratchFiles(), 0);
      Release();
    }
  }
}

TEST_F(NTTProduct, TruncatedProductsKeepTheTopLimbs) {
  std::mt19937_64 g(13);
  for (long keep : {1L, 5L, 100L, 2000L, 2999L}) {
    const fftt::Shape shape = keep == 5 ? fftt::Shape::kNines : fftt::Shape::kRandom;
    const V a = Random(g, 1700), b = Random(g, 1300, shape);
    const V exact = Exact(a, b);
    DiskInt& x = Number("x", a);
    x.Offset = -3;
    DiskInt& y = Number("y", b);
    y.Offset = 7;
    DiskInt& r = Number("r", {});
    r.NAlloc = keep;
    MulDiskIntByNTT(x, y, r, 0, 0);
    const long dropped = 3000 - keep;
    ASSERT_EQ(r.Size, keep);
    EXPECT_EQ(r.Offset, 4 + dropped);
    // The coefficients below the kept limbs are not rebuilt: their carries
    // are lost, so r is below the exact top by less than a few low limbs.
    const V top(exact.begin() + dropped, exact.end());
    const ref::Digits diff = ref::Sub(Ref(top), Ref(Get(r)), 12);
    EXPECT_LE(static_cast<long>(diff.size()), (2 * LastNTTProduct().CRTNbDec + 8) / 12 + 2) << keep;
    Release();
  }
}

TEST_F(NTTProduct, TheResultMayReplaceAnOperandAndOperandsMayBeReleased) {
  std::mt19937_64 g(15);
  const V a = Random(g, 2500), b = Random(g, 1100);
  DiskInt& x = Number("x", a, 7200);
  DiskInt& y = Number("y", b);
  // x = x y with both operands' files released once their residues exist.
  MulDiskIntByNTT(x, y, x, 1, 1);
  EXPECT_EQ(Get(x), Exact(a, b));
  EXPECT_FALSE(fs::exists("y-00"));
  // x = x^2 in place.
  const V p = Get(x);
  MulDiskIntByNTT(x, x, x, 1, 1);
  EXPECT_EQ(Get(x), Exact(p, p));
  EXPECT_EQ(ScratchFiles(), 0);
}

TEST_F(NTTProduct, KeptResiduesServeTheSameNumberOnly) {
  std::mt19937_64 g(16);
  const V a = Random(g, 2000), b = Random(g, 1900), c = Random(g, 1950);
  DiskInt& x = Number("x", a, 4000);
  DiskInt& y = Number("y", b);
  DiskInt& z = Number("z", c);
  DiskInt& r = Number("r", {}, 4000);
  DiskInt& s = Number("s", {}, 4000);
  NTTContext& ntt = NTT();

  // x y keeping x's residues, then x z from them, as the series drivers do.
  ntt.KeepNTT0 = 1;
  MulDiskIntByNTT(x, y, r, 0, 0);
  EXPECT_GT(ScratchFiles(), 0);
  ntt.NTT0AlreadyComputed = 1;
  MulDiskIntByNTT(x, z, s, 0, 0);
  EXPECT_TRUE(LastNTTProduct().ReusedA);
  EXPECT_EQ(Get(r), Exact(a, b));
  EXPECT_EQ(Get(s), Exact(a, c));
  EXPECT_EQ(ScratchFiles(), 0);

  // The first operand released by the keeping product: its residues are all
  // that is left of it, and they still serve (the result replaces it).
  ntt.KeepNTT0 = 1;
  MulDiskIntByNTT(x, y, r, 1, 0);
  ntt.NTT0AlreadyComputed = 1;
  MulDiskIntByNTT(x, z, x, 1, 0);
  EXPECT_TRUE(LastNTTProduct().ReusedA);
  EXPECT_EQ(Get(x), Exact(a, c));

  // A request for another number, or for the same number with other limbs,
  // computes the residues again.
  WriteLimbs(a.data(), x, 2000, 0);
  x.Size = 2000;
  x.Offset = 0;
  for (int other = 0; other < 2; other++) {
    ntt.KeepNTT0 = 1;
    MulDiskIntByNTT(x, y, r, 0, 0);
    V changed = a;
    changed[1000] = 5;
    DiskInt& first = other == 0 ? z : x;
    const V want = other == 0 ? c : changed;
    if (other == 1) WriteLimbs(changed.data(), x, 2000, 0);
    ntt.NTT0AlreadyComputed = 1;
    MulDiskIntByNTT(first, y, s, 0, 0);
    EXPECT_FALSE(LastNTTProduct().ReusedA) << other;
    EXPECT_EQ(Get(s), Exact(want, b)) << other;
  }
  EXPECT_EQ(ScratchFiles(), 0);
}

TEST_F(NTTProduct, TheDebugReportShowsTheProductWhileItRuns) {
  std::mt19937_64 g(17);
  DiskInt& x = Number("x", Random(g, 3000));
  DiskInt& y = Number("y", Random(g, 3000));
  DiskInt& r = Number("r", {}, 6000);
  // A disk that fills during the product: the run ends, the log describes the
  // product, and no residue file is left behind.
  Disk().WriteBudget = 100000;
  const std::string log = nttt::FatalLog([&] { MulDiskIntByNTT(x, y, r, 0, 0); });
  EXPECT_NE(log.find("write in file did not succeed (file Numora-scratch-B"), std::string::npos);
  EXPECT_NE(
      log.find("NTT product is on\nNa=3000, Nb=3000, Nc=6001\nNCRT=5, NNTT=2048, CRTNbDec=36"),
      std::string::npos)
      << log;
  EXPECT_EQ(ScratchFiles(), 0);
  EXPECT_EQ(DebugState().NTTProductOn, 0);
}

}  // namespace
