// A tile of 4 rows of C (two vectors wide) stays in registers while k runs:
// per k, two vectors of rows[k] are loaded and each of the 4 factors of A is
// broadcast, so the loop is bound by multiply-adds, not by loads.
#include "ntt/mul_rows.h"

#include <cstring>

#include "shell/error_report.h"

namespace {

typedef double Vec2 __attribute__((vector_size(16), aligned(8), may_alias));
typedef double Vec4 __attribute__((vector_size(32), aligned(8), may_alias));

// Two vectors per row of a tile: 4 x 2 accumulators, two vectors of rows[k]
// and a broadcast fit the 16 registers of either width.
template <class V>
__attribute__((always_inline)) inline void Tiles(const double* A, long lda, long nr,
                                                 const double* const* rows, long K, double* C,
                                                 long ldc, long nc) {
  constexpr int kW = sizeof(V) / sizeof(double);
  for (long n = 0; n < nc; n += 2 * kW) {
    for (long r = 0; r < nr; r += kMulRowsTile) {
      double* c = C + r * ldc + n;
      V c00, c01, c10, c11, c20, c21, c30, c31;
      std::memcpy(&c00, c, sizeof(V));
      std::memcpy(&c01, c + kW, sizeof(V));
      std::memcpy(&c10, c + ldc, sizeof(V));
      std::memcpy(&c11, c + ldc + kW, sizeof(V));
      std::memcpy(&c20, c + 2 * ldc, sizeof(V));
      std::memcpy(&c21, c + 2 * ldc + kW, sizeof(V));
      std::memcpy(&c30, c + 3 * ldc, sizeof(V));
      std::memcpy(&c31, c + 3 * ldc + kW, sizeof(V));
      const double* a0 = A + r * lda;
      const double* a1 = a0 + lda;
      const double* a2 = a1 + lda;
      const double* a3 = a2 + lda;
      for (long k = 0; k < K; k++) {
        V b0, b1;
        std::memcpy(&b0, rows[k] + n, sizeof(V));
        std::memcpy(&b1, rows[k] + n + kW, sizeof(V));
        c00 += a0[k] * b0;
        c01 += a0[k] * b1;
        c10 += a1[k] * b0;
        c11 += a1[k] * b1;
        c20 += a2[k] * b0;
        c21 += a2[k] * b1;
        c30 += a3[k] * b0;
        c31 += a3[k] * b1;
      }
      std::memcpy(c, &c00, sizeof(V));
      std::memcpy(c + kW, &c01, sizeof(V));
      std::memcpy(c + ldc, &c10, sizeof(V));
      std::memcpy(c + ldc + kW, &c11, sizeof(V));
      std::memcpy(c + 2 * ldc, &c20, sizeof(V));
      std::memcpy(c + 2 * ldc + kW, &c21, sizeof(V));
      std::memcpy(c + 3 * ldc, &c30, sizeof(V));
      std::memcpy(c + 3 * ldc + kW, &c31, sizeof(V));
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

void UseBaselineCRTKernels(bool on) { useBaseline = on; }
bool BaselineCRTKernels() { return useBaseline; }
