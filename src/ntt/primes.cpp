// The special primes of a run, the selected prime and its root table, and the
// sizing of the transforms.
#include <algorithm>
#include <cfenv>
#include <cmath>

#include "ntt/ntt.h"
#include "shell/debug_state.h"
#include "shell/error_report.h"
#include "shell/memory.h"

namespace {

constexpr long kMaxPrimes = 1000;
// The candidates c = k 2^s have c^2 at most this, so that c < 2^26 and every
// intermediate of MulMod stays below 2^53.
constexpr double kPrimeBound = 2.7e15;

double* Alloc(long n) {
  double *raw, *aligned;
  AllocDoubles(n, &raw, &aligned);
  NTT().Owned.push_back({raw, n});
  return aligned;
}

void ReleaseTables(NTTContext& t) {
  for (auto& [raw, n] : t.Owned) FreeDoubles(n, raw);
  t.Owned.clear();
  t.Primes = PrimeTable{};
  t.RootTable = t.BufA = t.BufB = nullptr;
  t.BitReverse.clear();
  t.BitReverse.shrink_to_fit();
  t.SelectedPrime = -1;
  t.Initialised = false;
}

void MakeCurrent(double c) {
  NTTContext& t = NTT();
  t.Prime = {c * c + 1, c, 1 / c};
  t.SelectedPrime = -1;
}

// The splits rely on round-to-nearest; the integer test also catches a build
// whose arithmetic does not round where the source says (excess precision).
void CheckRounding() {
  volatile double x = 2.75;
  double up = x, down = -x;
  residue::Nearest(up);
  residue::Nearest(down);
  if (std::fegetround() != FE_TONEAREST || up != 3 || down != -3) {
    error("ERROR, the floating-point rounding is not to nearest: residues would be wrong");
  }
}

}  // namespace

NTTContext& NTT() {
  static NTTContext context;
  return context;
}

void InitNTT(long nnttMax, double digits) {
  NTTContext& t = NTT();
  CheckRounding();
  ReleaseTables(t);
  // Transforms of 2^E points need 2^E to divide p - 1 = c^2 < 2.7e15.
  if (nnttMax < 4 || nnttMax > (1L << 50) || (nnttMax & (nnttMax - 1)) != 0) {
    errorf("Error in InitNTT, NNTTMax=%ld is not a power of two from 4 to 2^50\n", nnttMax);
  }
  t.NNTTMax = nnttMax;
  t.NNTTSqrt = 2;
  if (nnttMax > 4) {
    do {
      t.NNTTSqrt *= 2;
    } while (t.NNTTSqrt * t.NNTTSqrt < nnttMax);
  }
  DebugStateData& d = DebugState();
  d.NTTTablesOn = 1;
  d.NNTTMax = nnttMax;

  t.PrimeExponent = 0;
  while ((1L << t.PrimeExponent) < nnttMax) t.PrimeExponent++;
  // A product coefficient has about 4 digits / nnttMax decimal digits and each
  // prime holds 13 of them; 10 primes in reserve. Compared before the
  // conversion, which would overflow for absurd digit counts.
  const double share = digits * 2 * 0.15384615384615385 / static_cast<double>(nnttMax);
  if (!(share >= 0)) errorf("Error in InitNTT, digits=%.0lf is not a digit count\n", digits);
  if (share + 10 >= kMaxPrimes + 1) error("ERROR, too many primes required !\n");
  // The primes first: a size that no prime set can serve fails before the tables exist.
  ComputeSpecialPrimes(t.PrimeExponent, static_cast<long>(share) + 10);
  t.BufA = Alloc(8 * t.NNTTSqrt);
  t.BufB = Alloc(8 * t.NNTTSqrt);
  t.BitReverse.resize(t.NNTTSqrt);
  BitReverseTable(t.BitReverse.data(), t.NNTTSqrt);
  t.RootTable = Alloc(4 * t.NNTTSqrt);
  t.Initialised = true;
  SelectPrime(0);  // the current prime is a table prime, not the last candidate
  t.LastProductByNTT = 0;
  t.KeepNTT0 = 0;
  t.NTT0AlreadyComputed = 0;
}

void ComputeSpecialPrimes(int exponent, long count) {
  NTTContext& t = NTT();
  DebugState().PrimeExponent = exponent;
  DebugState().NbPrimes = count;
  if (exponent < 2 || exponent > 50 || count < 1 || count > kMaxPrimes) {
    errorf("Error in ComputeSpecialPrimes, exponent=%d, count=%ld\n", exponent, count);
  }
  // s >= 13 keeps k < 2^s (k^2 2^(2s) < 2.7e15 < 2^52), which makes the
  // acceptance test a proof of primality.
  const int s = std::max((exponent + 1) / 2, 13);
  const double step = std::ldexp(1.0, s);
  const long k0 = static_cast<long>(std::sqrt((kPrimeBound / step) / step));

  PrimeTable& table = t.Primes;
  table = PrimeTable{};
  table.P = Alloc(count);
  table.C = Alloc(count);
  table.InvC = Alloc(count);
  table.Root = Alloc(count);
  for (long k = k0; k >= 1 && table.NbPrimes < count; k--) {
    const double c = static_cast<double>(k) * step;
    const double root = TestSpecialPrime(c, exponent);
    if (root > 0) {
      const long i = table.NbPrimes++;
      table.P[i] = c * c + 1;
      table.C[i] = c;
      table.InvC[i] = 1 / c;
      table.Root[i] = root;
    }
  }
  if (table.NbPrimes < count) error("ERROR, not a sufficient number of special primes !");
}

double TestSpecialPrime(double c, int exponent) {
  MakeCurrent(c);
  const PrimeContext& m = NTT().Prime;
  // Only c = k 2^s with c^2 < 2.7e15 and 2^exponent dividing c^2 give exact
  // residue arithmetic and a root of the asked order; k < 2^s makes the test
  // below a proof of primality.
  if (!(c >= 2 && c * c <= kPrimeBound) || exponent < 2 || std::floor(c) != c ||
      std::fmod(c * c, std::ldexp(1.0, exponent)) != 0) {
    return 0.0;
  }
  double k = c, twos = 1;
  for (; std::fmod(k, 2) == 0; k /= 2) twos *= 2;
  if (k >= twos) return 0.0;
  const double quarter = (m.p - 1) * 0.25;
  // t = g^((p-1)/4) is a fourth root of unity; u = t^2 = -1 for a non-residue
  // g. With p - 1 = K 2^n, K < 2^n, such a g proves p prime; we also want the
  // g whose fourth root is c itself, so that the butterflies may use MulByC.
  for (double g = 3; g < 1000; g++) {
    const double t4 = PowMod(g, quarter);
    const double u = MulMod(m, t4, t4);
    if (u != 1 && u != m.p - 1) return 0.0;
    if (t4 == c) return PowMod(g, std::ldexp(m.p - 1, -exponent));
  }
  return 0.0;
}

void SelectPrime(long k) {
  NTTContext& t = NTT();
  if (!t.Initialised || k < 0 || k >= t.Primes.NbPrimes) {
    errorf("Error in SelectPrime, prime %ld is not in the table\n", k);
  }
  if (t.SelectedPrime == k) return;
  t.Prime = {t.Primes.P[k], t.Primes.C[k], t.Primes.InvC[k]};
  double w = t.Primes.Root[k];
  for (long n = t.NNTTMax; n > t.NNTTSqrt; n /= 2) w = MulMod(t.Prime, w, w);
  BuildRootTable(t.RootTable, w, t.NNTTSqrt);
  t.SelectedPrime = k;
}

void BuildRootTable(double* table, double w, long n) {
  const PrimeContext m = NTT().Prime;
  double* lo = table;
  double* hi = table + 2 * n;
  for (long L = n; L > 1; L /= 2) {
    double x = 1;
    for (long j = 0; j < L; j++) {
      const SplitResidue s = SplitMod(m, x);
      lo[L + j] = s.lo;
      hi[L + j] = s.hi;
      x = MulMod(m, x, w);
    }
    w = MulMod(m, w, w);
  }
}
