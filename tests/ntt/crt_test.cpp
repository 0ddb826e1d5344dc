// The choice of primes and coefficient size, and the Chinese remaindering of
// single coefficients, against exact arithmetic on the prime table: M from the
// schoolbook reference, the alphas from 128-bit residues.
#include "ntt/crt.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ntt/mul_rows.h"
#include "ntt/ntt.h"
#include "ntt_test_util.h"
#include "reference/refnum.h"

namespace {

using nttt::u64;

// M = p_0 ... p_(n-1) in decimal.
std::string Modulus(long n) {
  ref::Digits m{1};
  for (long i = 0; i < n; i++)
    m = ref::Mul(m, ref::FromDecimal(std::to_string(static_cast<u64>(NTT().Primes.P[i])), 9), 9);
  return ref::ToDecimal(m, 9);
}

u64 ModDecimal(const std::string& v, u64 p) {
  u64 r = 0;
  for (char ch : v) r = static_cast<u64>((static_cast<unsigned __int128>(r) * 10 + (ch - '0')) % p);
  return r;
}

// The alphas of the value v (a decimal below M): alpha_i = v (M/p_i)^-1 mod p_i.
std::vector<double> Alphas(const std::string& v, long n) {
  std::vector<double> alpha(n);
  for (long i = 0; i < n; i++) {
    const u64 p = static_cast<u64>(NTT().Primes.P[i]);
    u64 mi = 1;
    for (long j = 0; j < n; j++)
      if (j != i) mi = nttt::Mul(mi, static_cast<u64>(NTT().Primes.P[j]) % p, p);
    alpha[i] = static_cast<double>(nttt::Mul(ModDecimal(v, p), nttt::Pow(mi, p - 2, p), p));
  }
  return alpha;
}

std::string Text(const TinyInt& t) {
  ref::Digits d(t.Limbs, t.Limbs + t.Size);
  ref::Trim(d);
  return ref::ToDecimal(d, 7);
}

TEST(CRT, ChooseBestCRTTakesTheLargestTransformNeedingFivePrimes) {
  InitNTT(1L << 20, 1e9);
  for (long n : {2000L, 7000L, 30000L, 1000000L}) {
    long nntt, d;
    const long ncrt = ChooseBestCRT(n / 2, n - n / 2, &nntt, &d);
    EXPECT_GE(ncrt, 5) << n;
    long d2;
    if (nntt < NTT().NNTTMax) {
      EXPECT_LT(ComputeNCRT(n, 2 * nntt, &d2), 5) << n;
    }
    // The coefficients of the product fit the transform, and NNTT/2
    // coefficients of d digits squared stay below M/2.
    EXPECT_LE((12 * n + d - 1) / d + 1, nntt) << n;
    const ref::Digits bound = ref::Mul(ref::FromDecimal(std::to_string(nntt), 9),
                                       ref::FromDecimal("1" + std::string(2 * d, '0'), 9), 9);
    EXPECT_LE(ref::Compare(bound, ref::FromDecimal(Modulus(ncrt), 9)), 0);
  }
  // More primes than the table holds.
  nttt::ExpectFatal(
      [] {
        long d;
        ComputeNCRT(1L << 40, 1L << 20, &d);
      },
      "Pb, NCRT is too large");
}

TEST(CRT, RebuildsEveryCoefficientBelowHalfTheModulus) {
  InitNTT(1L << 12, 1e6);  // 85 primes
  std::mt19937_64 g(5);
  std::vector<double> limbs(8000);
  for (long ncrt : {1L, 5L, 33L, 70L}) {
    InitCRT(ncrt);
    const std::string m = Modulus(ncrt);
    const std::string half = ref::Div(m, "2");
    std::vector<std::string> values = {"0", "1", half};
    for (int k = 0; k < 3; k++) {
      std::string v(m.size() - 1, '0');
      for (char& ch : v) ch = static_cast<char>('0' + g() % 10);
      ref::Digits x = ref::FromDecimal(v, 9);  // below M, brought below M/2
      if (ref::Compare(x, ref::FromDecimal(half, 9)) > 0)
        x = ref::Sub(x, ref::FromDecimal(half, 9), 9);
      values.push_back(ref::ToDecimal(x, 9));
    }
    for (bool baseline : {false, true}) {
      UseBaselineCRTKernels(baseline);
      for (const std::string& v : values) {
        TinyInt r{0, 8000, limbs.data()};
        CRT(Alphas(v, ncrt).data(), r);
        EXPECT_EQ(Text(r), v) << ncrt << " primes";
      }
    }
    UseBaselineCRTKernels(false);
    if (ncrt == 1) continue;
    // alpha_0 = p_0 (not reduced) makes the sum M itself: 0.
    std::vector<double> alpha(ncrt, 0.0);
    alpha[0] = NTT().Primes.P[0];
    TinyInt r{0, 8000, limbs.data()};
    CRT(alpha.data(), r);
    EXPECT_EQ(Text(r), "0");
  }
  FreeCRT();
}

TEST(CRT, ACoefficientOutOfRangeEndsTheRunWithTheDetails) {
  InitNTT(1L << 12, 1e5);
  InitCRT(5);
  const std::string m = Modulus(5);
  // Just above M/2 is not reduced to anything in range: reported, with the
  // alphas, in the log.
  const std::string v = ref::ToDecimal(ref::Add(ref::FromDecimal(ref::Div(m, "2"), 9), {1}, 9), 9);
  const std::vector<double> alpha = Alphas(v, 5);
  char details[200];
  std::snprintf(details, sizeof details, "---------------------------\n\nNCRT=5\nalpha[0]=%.0f\n",
                alpha[0]);
  nttt::ExpectFatal(
      [&] {
        std::vector<double> limbs(100);
        TinyInt r{0, 100, limbs.data()};
        CRT(alpha.data(), r);
      },
      {"ERROR IN CRT, m>0.5\n", details, "\nm="});
  FreeCRT();
}

}  // namespace
