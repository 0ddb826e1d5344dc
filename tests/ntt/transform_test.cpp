// The transforms against the definition and against schoolbook convolutions
// modulo p, at every length and on both vector kernels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "ntt/ntt.h"
#include "ntt_test_util.h"

namespace {

using nttt::u64;

constexpr long kMax = 1L << 11;  // rows of 64 and columns of 32 at the top

// Residues of prime k, with the extremes 0 and p - 1 among them.
std::vector<double> Random(long n, long k, std::mt19937_64& g) {
  const u64 p = static_cast<u64>(NTT().Primes.P[k]);
  std::vector<double> x(n);
  for (double& v : x) v = static_cast<double>(g() % 4 == 0 ? p - 1 - g() % 2 * (p - 1) : g() % p);
  return x;
}

// The root of order n of prime k, from the table root by exact powering.
u64 RootOfOrder(long n, long k) {
  const NTTContext& t = NTT();
  const u64 p = static_cast<u64>(t.Primes.P[k]);
  return nttt::Pow(static_cast<u64>(t.Primes.Root[k]), t.NNTTMax / n, p);
}

class BothKernels : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    UseBaselineKernels(GetParam());
    InitNTT(kMax, 1e6);
  }
  void TearDown() override { UseBaselineKernels(false); }
};

INSTANTIATE_TEST_SUITE_P(NTT, BothKernels, testing::Values(false, true));

TEST_P(BothKernels, ConvolutionMatchesSchoolbookAtEveryLength) {
  std::mt19937_64 g(20);
  for (long n = 1; n <= kMax; n *= 2) {
    for (long k : {0L, NTT().Primes.NbPrimes - 1}) {
      const u64 p = static_cast<u64>(NTT().Primes.P[k]);
      const std::vector<double> x = Random(n, k, g), y = Random(n, k, g);
      std::vector<double> a = x, b = y;
      ForwardNTT(a.data(), n, k);
      ForwardNTT(b.data(), n, k);
      PointwiseMulMod(a.data(), b.data(), b.data(), n);
      PointwiseMulMod(a.data(), a.data(), a.data(), n);
      InverseNTT(b.data(), n, k);
      InverseNTT(a.data(), n, k);
      ASSERT_EQ(b, nttt::Convolution(x, y, p)) << n << " " << k;
      ASSERT_EQ(a, nttt::Convolution(x, x, p)) << n << " " << k;
    }
  }
}

// Position k1 nc + k2 of the transform of x = (0, 1, 0, ...) holds w^(k1 + nr k2).
TEST_P(BothKernels, OutputIsTransposed) {
  for (long n : {64L, 128L, kMax}) {
    const long nr = n == 64 ? 8 : n == 128 ? 16 : 64, nc = n / nr;
    std::vector<double> x(n, 0.0);
    x[1] = 1;
    ForwardNTT(x.data(), n, 1);
    const u64 p = static_cast<u64>(NTT().Primes.P[1]), w = RootOfOrder(n, 1);
    for (long k1 = 0; k1 < nr; k1++) {
      for (long k2 = 0; k2 < nc; k2++) {
        ASSERT_EQ(x[k1 * nc + k2], nttt::Pow(w, k1 + nr * k2, p)) << n << " " << k1 << " " << k2;
      }
    }
  }
}

// The short transforms of the root table against the definition; the inverse is unscaled.
TEST(NTT, ShortTransformsFollowTheDefinition) {
  InitNTT(kMax, 1e6);
  std::mt19937_64 g(4);
  SelectPrime(2);
  const u64 p = static_cast<u64>(CurrentPrime().p);
  for (long len = 4; len <= NTT().NNTTSqrt; len *= 2) {
    const std::vector<double> x = Random(len, 2, g);
    std::vector<double> y(len), z(len);
    ShortForwardNTT(x.data(), len, y.data());
    ShortInverseNTT(y.data(), len, z.data());
    for (long k = 0; k < len; k++) {
      u64 sum = 0;
      for (long i = 0; i < len; i++) {
        sum = (sum + nttt::Mul(x[i], nttt::Pow(RootOfOrder(len, 2), i * k, p), p)) % p;
      }
      ASSERT_EQ(y[k], sum) << len << " " << k;
      ASSERT_EQ(z[k], nttt::Mul(x[k], len, p));
    }
  }
}

TEST(NTT, RoundTripAtALargeLength) {
  InitNTT(1L << 18, 1e6);
  std::mt19937_64 g(18);
  const std::vector<double> x = Random(1L << 18, 3, g);
  std::vector<double> y = x;
  ForwardNTT(y.data(), 1L << 18, 3);
  EXPECT_NE(y, x);
  InverseNTT(y.data(), 1L << 18, 3);
  EXPECT_EQ(y, x);
}

TEST(NTT, LengthsAndValuesOutsideTheTablesAreFatal) {
  using nttt::ExpectFatal;
  static std::vector<double> x(256, 1.0);
  ExpectFatal([] { InitNTT(128, 1000), ForwardNTT(x.data(), 256, 0); },
              "N=256 is not a power of two up to NNTTMax=128");
  ExpectFatal([] { InitNTT(256, 1000), ForwardNTT(x.data(), 96, 0); }, "N=96 is not a power");
  ExpectFatal([] { InitNTT(256, 1000), ShortForwardNTT(x.data(), 32, x.data() + 32); },
              "Error in the short NTT, len=32");
  x[200] = -1;
  ExpectFatal([] { InitNTT(256, 1000), ForwardNTT(x.data(), 256, 0); },
              "Error in ForwardNTT, a value is not a residue of prime 0");
  x[200] = std::numeric_limits<double>::quiet_NaN();
  ExpectFatal([] { InitNTT(256, 1000), InverseNTT(x.data(), 256, 0); },
              "Error in InverseNTT, a value is not a residue of prime 0");
  x[200] = 3e15;  // above every p
  ExpectFatal([] { InitNTT(256, 1000), ForwardNTT(x.data() + 192, 16, 0); },
              "Error in ForwardNTT, a value is not a residue");
}

}  // namespace
