// The transforms against schoolbook convolutions modulo p, at every length
// and on both vector kernels.
#include <gtest/gtest.h>

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

TEST(NTT, LengthsAndValuesOutsideTheTablesAreFatal) {
  using nttt::ExpectFatal;
  static std::vector<double> x(256, 1.0);
  ExpectFatal([] { InitNTT(128, 1000), ForwardNTT(x.data(), 256, 0); },
              "N=256 is not a power of two up to NNTTMax=128");
  x[200] = -1;
  ExpectFatal([] { InitNTT(256, 1000), ForwardNTT(x.data(), 256, 0); },
              "Error in ForwardNTT, a value is not a residue of prime 0");
  x[200] = std::numeric_limits<double>::quiet_NaN();
  ExpectFatal([] { InitNTT(256, 1000), InverseNTT(x.data(), 256, 0); },
              "Error in InverseNTT, a value is not a residue of prime 0");
}

}  // namespace
