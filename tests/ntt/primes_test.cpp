// The prime set, its sizes and the residue operations, against exact 128-bit
// arithmetic and an independent primality test.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <numeric>
#include <random>

#include "ntt/ntt.h"
#include "ntt_test_util.h"
#include "shell/debug_state.h"
#include "shell/memory.h"

namespace {

using nttt::u64;

TEST(NTTSizes, InitNTTSizesTheTablesAndCountsThePrimes) {
  struct Case {
    long nnttMax;
    double digits;
    long sqrtSize, exponent, primes;
  } cases[] = {{4, 10, 2, 2, 10},
               {1L << 19, 1000, 1024, 19, 10},
               {1L << 20, 1000, 1024, 20, 10},
               {262144, 1000100, 512, 18, 11}};
  for (const Case& c : cases) {
    InitNTT(c.nnttMax, c.digits);
    const NTTContext& t = NTT();
    EXPECT_EQ(t.NNTTSqrt, c.sqrtSize) << c.nnttMax;
    EXPECT_EQ(t.PrimeExponent, c.exponent) << c.nnttMax;
    EXPECT_EQ(t.Primes.NbPrimes, c.primes) << c.nnttMax;
    EXPECT_EQ(DebugState().NTTTablesOn, 1);
    EXPECT_EQ(DebugState().NNTTMax, c.nnttMax);
    EXPECT_EQ(DebugState().NbPrimes, c.primes);
    EXPECT_EQ(DebugState().PrimeExponent, c.exponent);
  }
  // A new prime set replaces the old one: nothing is left allocated.
  const int64_t once = TotalAllocatedBytes();
  InitNTT(262144, 1000100);
  EXPECT_EQ(TotalAllocatedBytes(), once);
}

TEST(SpecialPrimes, TheFirstPrimeForTransformsOf2To20) {
  InitNTT(1L << 20, 1000);
  const PrimeTable& t = NTT().Primes;
  EXPECT_EQ(t.C[0], 51798016);
  EXPECT_EQ(t.P[0], 2683034461536257.0);
  const u64 p = 2683034461536257ULL;
  EXPECT_EQ(t.Root[0], nttt::Pow(5, (p - 1) >> 20, p));
  // From the first candidate k = 6342 (c = 51953664) down, exactly the primes are accepted.
  for (u64 k = 6342; k >= 6300; k--) {
    const u64 c = k << 13;
    EXPECT_EQ(TestSpecialPrime(static_cast<double>(c), 20) > 0, nttt::IsPrime(c * c + 1)) << k;
  }
}

TEST(SpecialPrimes, EveryPrimeOfATableHasItsIdentities) {
  InitNTT(1L << 16, 1e8);
  const NTTContext& t = NTT();
  const int E = t.PrimeExponent;
  ASSERT_EQ(t.Primes.NbPrimes, 10 + static_cast<long>(1e8 * 2 * 0.15384615384615385 / 65536));
  for (long k = 0; k < t.Primes.NbPrimes; k++) {
    SelectPrime(k);
    const double p = t.Primes.P[k], c = t.Primes.C[k], root = t.Primes.Root[k];
    const u64 pi = static_cast<u64>(p);
    EXPECT_TRUE(nttt::IsPrime(pi)) << k;
    EXPECT_EQ(p, c * c + 1);
    EXPECT_EQ(std::fmod(c, 8192), 0);
    if (k > 0) {
      EXPECT_LT(c, t.Primes.C[k - 1]);
    }
    EXPECT_EQ(MulMod(c, c), p - 1);
    EXPECT_EQ(MulByC(1), c);
    EXPECT_EQ(MulMod(p - 1, p - 1), 1);
    EXPECT_EQ(MulMod(0, p - 1), 0);
    EXPECT_EQ(PowMod(root, std::ldexp(1, E - 1)), p - 1);
    EXPECT_EQ(PowMod(root, std::ldexp(1, E - 2)), c);
    EXPECT_EQ(PowMod(12345, 0), 1);
    // Root table entry L + j holds w_L^j split as hi c + lo, w_L = root^(NNTTMax / L).
    const double* lo = t.RootTable;
    const double* hi = t.RootTable + 2 * t.NNTTSqrt;
    for (long L = t.NNTTSqrt; L > 1; L /= 2) {
      for (long j = 0; j < L; j += 7) {
        const double v = hi[L + j] * c + lo[L + j];
        const u64 w = nttt::Pow(static_cast<u64>(root), (t.NNTTMax / L) * j, pi);
        EXPECT_EQ(static_cast<u64>(std::fmod(v, p) + (v < 0 ? p : 0)), w) << L << " " << j;
      }
    }
  }
}

TEST(Residues, OperationsMatch128BitArithmetic) {
  InitNTT(1L << 16, 1e7);
  std::mt19937_64 g(14);
  for (long k : {0L, NTT().Primes.NbPrimes - 1}) {
    SelectPrime(k);
    const PrimeContext m = CurrentPrime();
    const u64 p = static_cast<u64>(m.p), c = static_cast<u64>(m.c);
    // Every split h c + l with h and l at the ends of their ranges (both
    // roundings of the ties c/2 included): the products of these reach the
    // bounds of the reduction.
    std::vector<u64> v;
    for (u64 h : {u64{0}, u64{1}, c / 2, c - 1, c}) {
      for (long l :
           {-1L - static_cast<long>(c / 2), -static_cast<long>(c / 2), 1 - static_cast<long>(c / 2),
            -1L, 0L, 1L, static_cast<long>(c / 2) - 1, static_cast<long>(c / 2)}) {
        const long x = static_cast<long>(h * c) + l;
        if (x >= 0 && x < static_cast<long>(p)) v.push_back(static_cast<u64>(x));
      }
    }
    for (int i = 0; i < 20; i++) v.push_back(g() % p);
    for (u64 a : v) {
      const double x = static_cast<double>(a);
      EXPECT_EQ(MulByC(m, x), nttt::Mul(a, c, p)) << a;
      for (u64 b : v) {
        const double y = static_cast<double>(b);
        ASSERT_EQ(MulMod(m, x, y), nttt::Mul(a, b, p)) << a << " * " << b;
        EXPECT_EQ(MulMod(m, x, SplitMod(m, y)), nttt::Mul(a, b, p));
        EXPECT_EQ(AddMod(m, x, y), (a + b) % p);
        EXPECT_EQ(SubMod(m, x, y), (a + p - b) % p);
      }
    }
    for (int i = 0; i < 200000; i++) {
      const u64 a = g() % p, b = g() % p;
      ASSERT_EQ(MulMod(m, a, b), nttt::Mul(a, b, p)) << a << " * " << b;
    }
    for (int i = 0; i < 100; i++) {
      const u64 a = g() % p, e = g() % (p - 1);
      EXPECT_EQ(PowMod(a, e), nttt::Pow(a, e, p));
      const u64 x = g() % (1ULL << 53);
      EXPECT_EQ(ModReduce(x), x % p);
    }
    EXPECT_EQ(ModReduce(9007199254740991.0), 9007199254740991ULL % p);
  }
}

TEST(Residues, InversesAndGcd) {
  InitNTT(1024, 1000);
  SelectPrime(0);
  const double p = CurrentPrime().p;
  const u64 pi = static_cast<u64>(p);
  for (int e = 0; e < 52; e++) {
    EXPECT_EQ(nttt::Mul(InvMod(std::ldexp(1, e), p), u64{1} << e, pi), 1u) << e;
  }
  std::mt19937_64 g(3);
  for (int i = 0; i < 1000; i++) {
    const u64 a = g() % (pi - 1) + 1, m = g() % (1ULL << 53) + 2;
    EXPECT_EQ(nttt::Mul(InvMod(a, p), a, pi), 1u);
    double x, y;
    const double d = ExtendedGcd(a, m, &x, &y);
    EXPECT_EQ(d, std::gcd(a, m));
    EXPECT_EQ(static_cast<__int128>(x) * a + static_cast<__int128>(y) * m, d);
    if (d == 1) {
      EXPECT_EQ(nttt::Mul(InvMod(a, m), a % m, m), 1 % m);
    }
  }
  double x, y;
  EXPECT_EQ(ExtendedGcd(12, 0, &x, &y), 12);
  EXPECT_EQ(x, 1);
}

class NTTFatal : public nttt::FatalTest {};

TEST_F(NTTFatal, RefusalsEndTheRunWithTheirMessage) {
  ExpectFatal([] { InitNTT(96, 1000); }, "NNTTMax=96 is not a power of two");
  ExpectFatal([] { InitNTT(64, 1e9); }, "ERROR, too many primes required !");
  // 2^28 points leave 3171 candidates, far fewer than 900 primes.
  ExpectFatal([] { InitNTT(1L << 28, 7.8e11); },
              "ERROR, not a sufficient number of special primes !");
  ExpectFatal([] { InitNTT(64, 1000), InvMod(0, NTT().Primes.P[0]); },
              "Error in InvMod, non inversible residu");
  ExpectFatal([] { InvMod(6, 9); }, "Error in InvMod, non inversible residu");
  ExpectFatal([] { InitNTT(64, 10), SelectPrime(10); }, "prime 10 is not in the table");
  ExpectFatal([] { std::fesetround(FE_UPWARD), InitNTT(64, 1000); }, "rounding is not to nearest");
}

}  // namespace
