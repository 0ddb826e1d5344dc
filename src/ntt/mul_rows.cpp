// A tile of 4 rows x 8 columns of C stays in registers while k runs: per k,
// the 8 values of rows[k] are loaded once and each of the 4 factors of A is
// broadcast, so the loop is bound by multiply-adds, not by loads.
#include "ntt/mul_rows.h"

#include <cstring>

#include "shell/error_report.h"

namespace {

typedef double Vec2 __attribute__((vector_size(16), aligned(8), may_alias));
typedef double Vec4 __attribute__((vector_size(32), aligned(8), may_alias));

template <class V>
__attribute__((always_inline)) inline void Tiles(const double* A, long lda, long nr,
                                                 const double* const* rows, long K, double* C,
                                                 long ldc, long nc) {
  constexpr int kW = sizeof(V) / sizeof(double);
  constexpr int kV = kMulColsTile / kW;  // vectors per row of a tile
  for (long n = 0; n < nc; n += kMulColsTile) {
    for (long r = 0; r < nr; r += kMulRowsTile) {
      V acc[kMulRowsTile][kV];
      for (int i = 0; i < kMulRowsTile; i++)
        for (int v = 0; v < kV; v++) std::memcpy(&acc[i][v], C + (r + i) * ldc + n + v * kW, sizeof(V));
      const double* a = A + r * lda;
      for (long k = 0; k < K; k++) {
        V b[kV];
        for (int v = 0; v < kV; v++) std::memcpy(&b[v], rows[k] + n + v * kW, sizeof(V));
        for (int i = 0; i < kMulRowsTile; i++) {
          const double f = a[i * lda + k];
          for (int v = 0; v < kV; v++) acc[i][v] += f * b[v];
        }
      }
      for (int i = 0; i < kMulRowsTile; i++)
        for (int v = 0; v < kV; v++) std::memcpy(C + (r + i) * ldc + n + v * kW, &acc[i][v], sizeof(V));
    }
  }
}

using Kernel = void (*)(const double*, long, long, const double* const*, long, double*, long, long);

void Narrow(const double* A, long lda, long nr, const double* const* rows, long K, double* C,
            long ldc, long nc) {
  Tiles<Vec2>(A, lda, nr, rows, K, C, ldc, nc);
}

#if defined(__x86_64__)
__attribute__((target("avx2,fma"))) void Wide(const double* A, long lda, long nr,
                                              const double* const* rows, long K, double* C,
                                              long ldc, long nc) {
  Tiles<Vec4>(A, lda, nr, rows, K, C, ldc, nc);
}
#endif

bool useBaseline = false;

Kernel Engine() {
#if defined(__x86_64__)
  static const bool wide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  if (wide && !useBaseline) return Wide;
#endif
  return Narrow;
}

}  // namespace

void MulAddRows(const double* A, long lda, long nr, const double* const* rows, long K, double* C,
                long ldc, long nc) {
  if (nr % kMulRowsTile != 0 || nc % kMulColsTile != 0 || nr < 0 || nc < 0 || K < 0)
    errorf("Error in MulAddRows, %ld x %ld is not a whole number of tiles", nr, nc);
  Engine()(A, lda, nr, rows, K, C, ldc, nc);
}

void UseBaselineMulRows(bool on) { useBaseline = on; }
