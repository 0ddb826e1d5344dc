// The binary splitting of both Pi series against A, P, Q computed from their
// definitions with the schoolbook reference, the step planner, and the check of a result.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "constants/pi_chudnovsky.h"
#include "constants/pi_ramanujan.h"
#include "fft/fft_product.h"
#include "mpint/bigint.h"
#include "mpint/smallint.h"
#include "reference/refnum.h"

namespace {

// Signed integers on the reference digits (base 10^6).
struct SInt {
  bool neg = false;
  ref::Digits mag{0};
};

SInt FromLong(long long v) {
  SInt s;
  s.neg = v < 0;
  s.mag = ref::FromDecimal(std::to_string(v < 0 ? -v : v), 6);
  return s;
}

SInt Mul(const SInt& a, const SInt& b) {
  SInt r;
  r.mag = ref::Mul(a.mag, b.mag, 6);
  ref::Trim(r.mag);
  r.neg = (a.neg != b.neg) && !(r.mag.size() == 1 && r.mag[0] == 0);
  return r;
}

SInt Add(const SInt& a, const SInt& b) {
  SInt r;
  if (a.neg == b.neg) {
    r.mag = ref::Add(a.mag, b.mag, 6);
    r.neg = a.neg;
  } else if (ref::Compare(a.mag, b.mag) >= 0) {
    r.mag = ref::Sub(a.mag, b.mag, 6);
    r.neg = a.neg;
  } else {
    r.mag = ref::Sub(b.mag, a.mag, 6);
    r.neg = b.neg;
  }
  ref::Trim(r.mag);
  if (r.mag.size() == 1 && r.mag[0] == 0) r.neg = false;
  return r;
}

std::string Text(const SInt& s) { return (s.neg ? "-" : "") + ref::ToDecimal(s.mag, 6); }

// Any limb pattern of base 10^k (balanced, complement) as signed decimal text.
std::string LimbsText(const double* limbs, long n, int k) {
  ref::Digits pos, neg;
  for (long i = 0; i < n; i++) {
    pos.push_back(limbs[i] > 0 ? static_cast<int64_t>(limbs[i]) : 0);
    neg.push_back(limbs[i] < 0 ? static_cast<int64_t>(-limbs[i]) : 0);
  }
  ref::Trim(pos);
  ref::Trim(neg);
  if (ref::Compare(pos, neg) >= 0) return ref::ToDecimal(ref::Sub(pos, neg, k), k);
  return "-" + ref::ToDecimal(ref::Sub(neg, pos, k), k);
}

struct Series {
  long long p[3][2];  // p(k) = prod of (c1 k + c0)
  long long q;        // q(k) = k^3 q
  long long l[2];     // l(k) = l1 k + l0
  bool alternating;
};
const Series kChudnovsky = {{{6, -5}, {2, -1}, {6, -1}}, 10939058860032000LL, {545140134, 13591409}, true};
const Series kRamanujan = {{{4, -3}, {2, -1}, {4, -1}}, 3073907232LL, {26390, 1103}, false};

// A, P, Q of (a, b] straight from the definitions.
std::vector<std::string> Direct(const Series& s, long a, long b) {
  auto p = [&](long k) {
    SInt r = FromLong(1);
    for (auto& f : s.p) r = Mul(r, FromLong(f[0] * k + f[1]));
    return r;
  };
  auto q = [&](long k) { return Mul(FromLong(s.q), FromLong(static_cast<long long>(k) * k * k)); };
  SInt A = FromLong(1), Q = FromLong(1), P = FromLong(0);
  for (long k = a + 1; k <= b; k++) {
    A = Mul(A, p(k));
    Q = Mul(Q, q(k));
  }
  for (long j = a + 1; j <= b; j++) {
    SInt t = FromLong(s.l[0] * j + s.l[1]);
    if (s.alternating && j % 2 == 0) t.neg = true;
    for (long k = a + 1; k <= j; k++) t = Mul(t, p(k));
    for (long k = j + 1; k <= b; k++) t = Mul(t, q(k));
    P = Add(P, t);
  }
  return {Text(A), Text(P), Text(Q)};
}

// A process sets up one transform size, as in a run: keep the one that other
// tests of this program may have chosen.
long UseFFT() {
  if (GetNFFT() == 0) InitBigIntFFT(1024);
  return GetNFFT();
}

template <typename T>
std::vector<std::string> Small(T& pi, long a, long b) {
  pi.BabyStep(a, b, pi.SmallA, pi.SmallP, pi.SmallQ);
  return {LimbsText(pi.SmallA.Limbs, pi.SmallA.Size, 6), LimbsText(pi.SmallP.Limbs, pi.SmallP.Size, 6),
          LimbsText(pi.SmallQ.Limbs, pi.SmallQ.Size, 6)};
}

TEST(PiSeriesLeaves, KnownIntervals) {
  PiChudnovskyComputation c;
  c.AllocWorkNumbers(1000);
  c.nLastBabyStepLimit = 4;
  using V = std::vector<std::string>;
  EXPECT_EQ(Small(c, 0, 1), V({"5", "2793657715", "10939058860032000"}));
  EXPECT_EQ(Small(c, 0, 2), V({"1155", "244479889433338740603253065",
                               "957304069945956794936328192000000"}));
  EXPECT_EQ(Small(c, 2, 3)[1], "1822158051155");
  EXPECT_EQ(Small(c, 1, 3), V({"255255", "-75313753679675151774412551195",
                               "25847209888540833463280861184000000"}));
  PiRamanujanComputation r;
  r.AllocWorkNumbers(1000);
  r.nLastBabyStepLimit = 4;
  EXPECT_EQ(Small(r, 0, 1), V({"3", "82479", "3073907232"}));
  EXPECT_EQ(Small(r, 0, 2), V({"315", "2028262373678169", "75591245367535214592"}));
  EXPECT_EQ(Small(r, 3, 4), V({"1365", "145594995", "196730062848"}));
}

TEST(PiSeriesBabyStep, IntervalsAgainstDefinitions) {
  PiChudnovskyComputation c;
  PiRamanujanComputation r;
  c.AllocWorkNumbers(2000);
  r.AllocWorkNumbers(2000);
  const long intervals[][2] = {{0, 7}, {1, 8}, {3, 4}, {10, 23}, {1000, 1017}, {69999, 70040}};
  for (int leaf : {1, 3, 4}) {
    c.nLastBabyStepLimit = r.nLastBabyStepLimit = leaf;
    for (auto& iv : intervals) {
      ASSERT_EQ(Small(c, iv[0], iv[1]), Direct(kChudnovsky, iv[0], iv[1])) << iv[0] << " " << iv[1];
      ASSERT_EQ(Small(r, iv[0], iv[1]), Direct(kRamanujan, iv[0], iv[1])) << iv[0] << " " << iv[1];
    }
  }
}

// GiantStep over BigInts with a small BabyStep limit, so that the FFT merges
// several levels, including a right part without A.
TEST(PiSeriesGiantStep, IntervalsAgainstDefinitions) {
  UseFFT();
  PiChudnovskyComputation c;
  PiRamanujanComputation r;
  c.AllocWorkNumbers(1000);
  r.AllocWorkNumbers(1000);
  c.nLastBabyStepLimit = r.nLastBabyStepLimit = 3;
  c.nBabyStepLimit = r.nBabyStepLimit = 9;
  BigInt A, P, Q;
  A.Alloc(2000);
  P.Alloc(2000);
  Q.Alloc(2000);
  const long intervals[][2] = {{0, 40}, {7, 60}, {500, 571}, {1, 10}};
  for (auto& iv : intervals) {
    for (int doA : {1, 0}) {
      for (SeriesSplitting* s : {static_cast<SeriesSplitting*>(&c), static_cast<SeriesSplitting*>(&r)}) {
        s->GiantStep(iv[0], iv[1], A, P, Q, doA);
        auto want = Direct(s == &c ? kChudnovsky : kRamanujan, iv[0], iv[1]);
        EXPECT_EQ(A.Offset + P.Offset + Q.Offset, 0);
        if (doA) {
          EXPECT_EQ(LimbsText(A.Limbs, A.Size, 12), want[0]) << iv[0];
        }
        ASSERT_EQ(LimbsText(P.Limbs, P.Size, 12), want[1]) << iv[0] << " " << iv[1];
        ASSERT_EQ(LimbsText(Q.Limbs, Q.Size, 12), want[2]) << iv[0] << " " << iv[1];
      }
    }
  }
  A.Free();
  P.Free();
  Q.Free();
}

TEST(PiSeriesPlan, StepsFitTheTransform) {
  std::vector<double> bounds;
  const double L = 16.1 * std::log(10.0);
  EXPECT_EQ(ComputeSteps(713, L, 1024, bounds), 5);
  EXPECT_EQ(bounds, std::vector<double>({0, 161, 315, 465, 539, 613}));

  // Steps shrink along the series: the plan outgrows its first estimate.
  const long count = ComputeSteps(70529, L, 8192, bounds);
  EXPECT_EQ(static_cast<long>(bounds.size()), count + 1);
  EXPECT_GE(count + 1, 69);
  for (long j = 0; j < count; j++) ASSERT_LT(bounds[j], bounds[j + 1]);
  EXPECT_LT(bounds[count], 70529);

  // A transform large enough for the whole series gives a single step.
  EXPECT_EQ(ComputeSteps(713, L, 1 << 20, bounds), 0);
  EXPECT_EQ(bounds, std::vector<double>({0}));
}

// A whole in-memory run, then one digit of a checked position damaged.
TEST(PiCompute, ResultPassesTheCheckUntilDamaged) {
  InitSmallIntConstants();
  for (int ramanujan : {0, 1}) {
    PiChudnovskyComputation chud;
    PiRamanujanComputation ram;
    PiChudnovskyComputation& pi = ramanujan ? ram : chud;
    pi.Digits = 30000;
    pi.Mode = kModeStandard;
    pi.FFTSize = UseFFT();
    testing::internal::CaptureStdout();
    const int done = pi.Compute();
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(done, 1);
    BigInt* r = static_cast<BigInt*>(pi.Result);
    EXPECT_EQ(r->GetTenDigits(0), 1415926535);
    EXPECT_EQ(pi.CheckResult(), 1);
    // Decimal position 20005 (weight 10^-20005 = 10^(12 * -1668 + 11)) is the
    // top digit of limb -1668 - Offset.
    const long i = -1668 - r->Offset;
    r->Limbs[i] += r->Limbs[i] >= 1e11 ? -1e11 : 1e11;
    EXPECT_EQ(pi.CheckResult(), 0);
    pi.Digits = 20000;  // 20000 itself is not checked
    EXPECT_EQ(pi.CheckResult(), 1);
    r->Free();
    delete r;
  }
}

}  // namespace
