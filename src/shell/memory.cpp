#include "shell/memory.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "shell/error_report.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// Large arrays (the transforms' work arrays, the numbers of a big run) are
// walked with strides of many pages: on 2 MiB pages their address translations
// stay cached. The kernel is asked (a hint it may ignore) to back the whole
// huge pages inside a large block; the block is not rounded up, so that no
// more memory is touched than before.
constexpr uintptr_t kHugePage = uintptr_t{1} << 21;

// aligned_alloc takes sizes that are multiples of the alignment.
size_t AlignedSize(size_t bytes) { return (bytes + 63) / 64 * 64; }

void* AllocateBlock(size_t bytes) {
  void* p = std::aligned_alloc(64, AlignedSize(bytes));
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  const uintptr_t a = reinterpret_cast<uintptr_t>(p);
  const uintptr_t from = (a + kHugePage - 1) & ~(kHugePage - 1), to = (a + bytes) & ~(kHugePage - 1);
  if (p != nullptr && from < to) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
  return p;
}

}  // namespace

int64_t& TotalAllocatedBytes() {
  static int64_t bytes = 0;
  return bytes;
}

void OutOfMemory(double bytes) {
  SystemError("Choose fewer digits or a smaller FFT size, or close other programs, "
              "then start Numora again.",
              "Not enough memory: an allocation of %.0lf Kbytes failed "
              "(%.0lf Kbytes already allocated)",
              bytes / 1024, static_cast<double>(TotalAllocatedBytes()) / 1024);
}

double AllocatedBytes(long n) {
  return static_cast<double>(AlignedSize(8 * static_cast<size_t>(n < 0 ? 0 : n) + 8));
}

void AllocDoubles(long n, double** raw, double** aligned) {
  if (n < 0) n = 0;
  size_t bytes = 8 * static_cast<size_t>(n) + 8;
  void* p = AllocateBlock(bytes);
  if (p == nullptr) OutOfMemory(static_cast<double>(bytes));
  *raw = static_cast<double*>(p);
  *aligned = *raw;
  TotalAllocatedBytes() += static_cast<int64_t>(bytes);
}

void FreeDoubles(long n, double* raw) {
  if (raw == nullptr) return;
  if (n < 0) n = 0;
  TotalAllocatedBytes() -= 8 * static_cast<int64_t>(n) + 8;
  std::free(raw);
}

long Upper2Power(long n, long max) {
  long p = 4;
  while (p < n) p *= 2;
  if (p > max) {
    errorf("Error in Upper2Power , N=%ld is too big\n", n);
  }
  return p < 256 ? 256 : p;
}

double Floor(double x) { return std::floor(x); }
