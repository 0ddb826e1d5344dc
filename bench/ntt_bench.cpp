// Processor time of the NTT: forward + inverse transforms and the pointwise
// product at 2^20 and 2^22 points, and the cost per butterfly.
//   ntt_bench [log2 of the largest size, default 22]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

#include "ntt/ntt.h"

namespace {

double Cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

}  // namespace

int main(int argc, char** argv) {
  const int top = argc > 1 ? std::atoi(argv[1]) : 22;
  if (top < 6 || top > 28) {
    std::fprintf(stderr, "usage: ntt_bench [log2 size, 6 to 28]\n");
    return 1;
  }
  InitNTT(1L << top, 1e6);
  std::printf("%8s %12s %12s %12s %14s\n", "points", "fwd+inv ms", "ns/bfly", "pointwise ms",
              "ns/element");
  for (int l = top - 2; l <= top; l += 2) {
    const long n = 1L << l;
    const double p = NTT().Primes.P[2];  // the smallest of the three primes used
    std::mt19937_64 g(1);
    std::vector<double> a(n), b(n);
    for (long i = 0; i < n; i++) {
      a[i] = static_cast<double>(g() % static_cast<uint64_t>(p));
      b[i] = static_cast<double>(g() % static_cast<uint64_t>(p));
    }
    const std::vector<double> a0 = a;
    const int reps = std::max(2L, (1L << 24) / n);
    double t0 = Cpu();
    for (int r = 0; r < reps; r++) {
      ForwardNTT(a.data(), n, r % 3);
      InverseNTT(a.data(), n, r % 3);
    }
    const double transform = (Cpu() - t0) / reps;
    t0 = Cpu();
    for (int r = 0; r < 4 * reps; r++) PointwiseMulMod(a.data(), b.data(), b.data(), n);
    const double pointwise = (Cpu() - t0) / (4 * reps);
    if (a != a0) {
      std::printf("the round trip changed the data\n");
      return 1;
    }
    const double butterflies = 2.0 * (n / 2) * l;
    std::printf("%8ld %12.2f %12.3f %12.3f %14.3f\n", n, transform * 1e3,
                transform * 1e9 / butterflies, pointwise * 1e3, pointwise * 1e9 / n);
  }
  return 0;
}
