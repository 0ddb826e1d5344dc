// The binary splitting of both Pi series against A, P, Q computed from their
// definitions with the schoolbook reference.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "constants/pi_chudnovsky.h"
#include "constants/pi_ramanujan.h"
#include "mpint/guarded_num.h"

namespace {

using Texts = std::vector<std::string>;

struct Series {
  long long p[3][2];  // p(k) = prod of (c1 k + c0), positive for k >= 1
  long long q;        // q(k) = k^3 q
  long long l[2];     // l(k) = l1 k + l0
  bool alternating;
};
const Series kChudnovsky = {
    {{6, -5}, {2, -1}, {6, -1}}, 10939058860032000LL, {545140134, 13591409}, true};
const Series kRamanujan = {{{4, -3}, {2, -1}, {4, -1}}, 3073907232LL, {26390, 1103}, false};

// A, P, Q of (a, b] straight from the definitions: A = p(a+1)...p(b),
// Q = q(a+1)...q(b), P = sum of (-1)^j l(j) p(a+1)...p(j) q(j+1)...q(b).
Texts Direct(const Series& s, long a, long b) {
  auto num = [](long long v) { return ref::FromDecimal(std::to_string(v), 12); };
  auto p = [&](long k) {
    ref::Digits r{1};
    for (auto& f : s.p) r = ref::Mul(r, num(f[0] * k + f[1]), 12);
    return r;
  };
  auto q = [&](long k) { return ref::Mul(num(s.q), num(static_cast<long long>(k) * k * k), 12); };
  ref::Digits A{1}, Q{1}, plus{0}, minus{0};
  for (long k = a + 1; k <= b; k++) {
    A = ref::Mul(A, p(k), 12);
    Q = ref::Mul(Q, q(k), 12);
  }
  for (long j = a + 1; j <= b; j++) {
    ref::Digits t = num(s.l[0] * j + s.l[1]);
    for (long k = a + 1; k <= b; k++) t = ref::Mul(t, k <= j ? p(k) : q(k), 12);
    ref::Digits& sum = s.alternating && j % 2 == 0 ? minus : plus;
    sum = ref::Add(sum, t, 12);
  }
  return {ref::ToDecimal(A, 12), fftt::Signed(plus, minus, 12), ref::ToDecimal(Q, 12)};
}

// GiantStep over BigInts with leaves of 1, 3 and 4 terms, and the SmallInt levels
// alone or cut at 9 terms with small transforms, so that the FFT merges several
// levels, including right parts without A.
TEST(PiSeries, IntervalsAgainstDefinitions) {
  fftt::EnsureFFT(1024);
  PiChudnovskyComputation c;
  PiRamanujanComputation r;
  c.AllocWorkNumbers(2000);
  r.AllocWorkNumbers(2000);
  mpt::Num A(2000), P(2000), Q(2000);
  const long intervals[][2] = {{0, 1},  {0, 2},  {1, 3},  {3, 4},    {0, 7},      {1, 8},
                               {1, 10}, {10, 23}, {0, 40}, {7, 60}, {500, 571}, {1000, 1017},
                               {69999, 70040}};
  for (auto& iv : intervals) {
    for (PiChudnovskyComputation* s : {&c, static_cast<PiChudnovskyComputation*>(&r)}) {
      const Texts want = Direct(s == &c ? kChudnovsky : kRamanujan, iv[0], iv[1]);
      const std::string where =
          std::to_string(iv[0]) + " " + std::to_string(iv[1]) + (s == &c ? " C " : " R ");
      // Leaves of 1, 3 and 4 terms, SmallInt levels cut at 9 or 100 terms, with and without A.
      for (int k = 0; k < 12; k++) {
        SCOPED_TRACE(where + std::to_string(k));
        s->nLastBabyStepLimit = k < 4 ? 1 : k < 8 ? 3 : 4;
        s->nBabyStepLimit = k % 4 < 2 ? 9 : 100;
        s->GiantStep(iv[0], iv[1], A.b, P.b, Q.b, k % 2);
        EXPECT_EQ(A.b.Offset + P.b.Offset + Q.b.Offset, 0);
        if (k % 2) {
          EXPECT_EQ(fftt::Text(A.b), want[0]);
        }
        ASSERT_EQ(Texts({fftt::Text(P.b), fftt::Text(Q.b)}), Texts({want[1], want[2]}));
      }
    }
  }
}

}  // namespace
