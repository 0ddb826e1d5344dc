// The prime set, its sizes and the residue operations, against exact 128-bit
// arithmetic and an independent primality test.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <numeric>
#include <random>

#include "ntt/ntt.h"
#include "ntt_test_util.h"
#include "shell/memory.h"

namespace {

using nttt::u64;

// Every prime of a table is one (by an independent test), of the form c^2 + 1
// with its roots; candidates are accepted exactly when they are prime; a new
// table replaces the old one without a leak.
TEST(SpecialPrimes, EveryPrimeOfATableHasItsIdentities) {
  InitNTT(1L << 20, 1000);
  for (u64 k = 6342; k >= 6300; k--) {
    const u64 c = k << 13;
    EXPECT_EQ(TestSpecialPrime(static_cast<double>(c), 20) > 0, nttt::IsPrime(c * c + 1)) << k;
  }
  InitNTT(1L << 16, 1e8);
  const int64_t once = TotalAllocatedBytes();
  InitNTT(1L << 16, 1e8);
  EXPECT_EQ(TotalAllocatedBytes(), once);
  const PrimeTable& t = NTT().Primes;
  const int E = NTT().PrimeExponent;
  ASSERT_EQ(t.NbPrimes, 479);
  for (long k = 0; k < t.NbPrimes; k++) {
    SelectPrime(k);
    const double p = t.P[k], c = t.C[k], root = t.Root[k];
    EXPECT_TRUE(nttt::IsPrime(static_cast<u64>(p)) && p == c * c + 1) << k;
    EXPECT_TRUE(k == 0 || c < t.C[k - 1]);
    EXPECT_EQ(MulMod(c, c), p - 1);
    EXPECT_EQ(PowMod(root, std::ldexp(1, E - 1)), p - 1);
    EXPECT_EQ(PowMod(root, std::ldexp(1, E - 2)), c);
  }
}

// The sizes of a few tables, and the first prime for transforms of 2^20 points.
TEST(SpecialPrimes, InitNTTSizesAndTheFirstPrime) {
  const struct {
    long nnttMax;
    double digits;
    long sqrtSize, exponent, primes;
  } cases[] = {{4, 10, 2, 2, 10},
               {1L << 19, 1000, 1024, 19, 10},
               {1L << 20, 1000, 1024, 20, 10},
               {262144, 1000100, 512, 18, 11}};
  for (const auto& c : cases) {
    InitNTT(c.nnttMax, c.digits);
    EXPECT_EQ(NTT().NNTTSqrt, c.sqrtSize) << c.nnttMax;
    EXPECT_EQ(NTT().PrimeExponent, c.exponent) << c.nnttMax;
    EXPECT_EQ(NTT().Primes.NbPrimes, c.primes) << c.nnttMax;
  }
  InitNTT(1L << 20, 1000);
  const PrimeTable& t = NTT().Primes;
  const u64 p = 2683034461536257ULL;  // the first accepted c below 51953664
  EXPECT_EQ(t.C[0], 51798016);
  EXPECT_EQ(t.P[0], p);
  EXPECT_EQ(t.Root[0], nttt::Pow(5, (p - 1) >> 20, p));
}

TEST(Residues, OperationsMatch128BitArithmetic) {
  InitNTT(1L << 16, 1e7);
  std::mt19937_64 g(14);
  for (long k : {0L, NTT().Primes.NbPrimes - 1}) {
    SelectPrime(k);
    const PrimeContext m = CurrentPrime();
    const u64 p = static_cast<u64>(m.p), c = static_cast<u64>(m.c);
    const long half = static_cast<long>(c / 2);
    // Every split h c + l with h and l at the ends of their ranges (either
    // rounding of the ties c/2): their products reach the bounds of the reduction.
    std::vector<u64> v;
    for (u64 h : {u64{0}, u64{1}, c / 2, c - 1, c}) {
      for (long l : {-half - 1, -half, 1 - half, -1L, 0L, 1L, half - 1, half}) {
        const long x = static_cast<long>(h * c) + l;
        if (x >= 0 && x < static_cast<long>(p)) v.push_back(static_cast<u64>(x));
      }
    }
    for (int i = 0; i < 20; i++) v.push_back(g() % p);
    for (u64 a : v) {
      EXPECT_EQ(MulByC(m, a), nttt::Mul(a, c, p)) << a;
      for (u64 b : v) {
        ASSERT_EQ(MulMod(m, a, b), nttt::Mul(a, b, p)) << a << " * " << b;
        EXPECT_EQ(MulMod(m, a, SplitMod(m, b)), nttt::Mul(a, b, p));
        EXPECT_EQ(AddMod(m, a, b), (a + b) % p);
        EXPECT_EQ(SubMod(m, a, b), (a + p - b) % p);
      }
    }
    for (int i = 0; i < 100; i++) {
      const u64 a = g() % (p - 1) + 1, e = g() % (p - 1), x = g() % (1ULL << 53);
      EXPECT_EQ(PowMod(a, e), nttt::Pow(a, e, p));
      EXPECT_EQ(ModReduce(x), x % p);
      EXPECT_EQ(nttt::Mul(InvMod(a, p), a, p), 1u);
      // Any modulus below 2^53, not only the current prime.
      EXPECT_TRUE(std::gcd(a, x + 2) != 1 || nttt::Mul(InvMod(a, x + 2), a, x + 2) == 1);
    }
  }
}

TEST(SpecialPrimes, RefusalsEndTheRunWithTheirMessage) {
  using nttt::ExpectFatal;
  ExpectFatal([] { InitNTT(96, 1000); }, "NNTTMax=96 is not a power of two");
  ExpectFatal([] { InitNTT(64, 1e9); }, "ERROR, too many primes required !");
  // 2^28 points leave 3171 candidates, far fewer than 900 primes.
  ExpectFatal([] { InitNTT(1L << 28, 7.8e11); },
              "ERROR, not a sufficient number of special primes !");
  ExpectFatal([] { InvMod(6, 9); }, "Error in InvMod, non inversible residu");
  ExpectFatal([] { InvMod(0, 2683034461536257.0); }, "Error in InvMod, non inversible residu");
  ExpectFatal([] { std::fesetround(FE_UPWARD), InitNTT(64, 10); }, "rounding is not to nearest");
}

}  // namespace
