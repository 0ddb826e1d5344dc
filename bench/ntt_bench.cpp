// Processor time of the NTT: forward + inverse transforms and the pointwise
// product at 2^(top-2) and 2^top points, per butterfly and per element, for the
// kernels chosen at run time and for the baseline ones. Each figure is the best
// of three batches (the machine may be shared).
//   ntt_bench [log2 of the largest size, default 22]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

#include "ntt/ntt.h"

namespace {

double Cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Seconds of one call of f, the best of three batches of reps calls.
template <class F>
double Best(int reps, F f) {
  double best = 1e30;
  for (int batch = 0; batch < 3; batch++) {
    const double t0 = Cpu();
    for (int r = 0; r < reps; r++) f(r);
    best = std::min(best, (Cpu() - t0) / reps);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int top = argc > 1 ? std::atoi(argv[1]) : 22;
  if (top < 8 || top > 28) {
    std::fprintf(stderr, "usage: ntt_bench [log2 size, 8 to 28]\n");
    return 1;
  }
  InitNTT(1L << top, 1e6);
  std::printf("%-9s %8s %12s %10s %13s %11s\n", "kernels", "points", "fwd+inv ms", "ns/bfly",
              "pointwise ms", "ns/element");
  for (bool baseline : {false, true}) {
    UseBaselineKernels(baseline);
    for (int l = top - 2; l <= top; l += 2) {
      const long n = 1L << l;
      const uint64_t p = static_cast<uint64_t>(NTT().Primes.P[2]);  // the smallest of three
      std::mt19937_64 g(1);
      std::vector<double> a(n), b(n);
      for (long i = 0; i < n; i++) {
        a[i] = static_cast<double>(g() % p);
        b[i] = static_cast<double>(g() % p);
      }
      const std::vector<double> a0 = a;
      const int reps = static_cast<int>(std::max(2L, (1L << 23) / n));
      const double transform = Best(reps, [&](int r) {
        ForwardNTT(a.data(), n, r % 3);
        InverseNTT(a.data(), n, r % 3);
      });
      const double pointwise =
          Best(4 * reps, [&](int) { PointwiseMulMod(a.data(), b.data(), b.data(), n); });
      if (a != a0) {
        std::printf("the round trip changed the data\n");
        return 1;
      }
      const double butterflies = 2.0 * static_cast<double>(n / 2) * l;
      std::printf("%-9s %8ld %12.2f %10.3f %13.3f %11.3f\n", baseline ? "baseline" : "run-time",
                  n, transform * 1e3, transform * 1e9 / butterflies, pointwise * 1e3,
                  pointwise * 1e9 / static_cast<double>(n));
    }
  }
  return 0;
}
