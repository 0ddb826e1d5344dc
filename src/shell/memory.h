// Byte-accounted storage of double arrays and the size rules of the transforms.
#pragma once

#include <cstdint>

// Bytes obtained through AllocDoubles and not yet freed (64-bit: runs of many GiB).
int64_t& TotalAllocatedBytes();

// Room for n doubles; raw is what FreeDoubles takes back, aligned the usable
// address (64-byte aligned so that vector loads never straddle cache lines).
// Counts 8 n + 8 bytes. A failed allocation is a fatal error with a clear message.
void AllocDoubles(long n, double** raw, double** aligned);
void FreeDoubles(long n, double* raw);
// The memory that AllocDoubles(n) takes from the system (its block rounded
// to the alignment): the unit of the memory estimates.
double AllocatedBytes(long n);

// Resident memory of the program before it allocates any number (its code,
// the C and C++ libraries and their buffers, the stack), measured at 3.3 to
// 3.8 MB on x86-64 Linux; the memory estimates start from it, because the
// machine must hold it as well.
constexpr double kProcessBytes = 3.5 * 1024 * 1024;
// Ends the run on a failed allocation of the given size, telling the user what to do.
[[noreturn]] void OutOfMemory(double bytes);

// The transform size for n inputs: the smallest power of two >= n, at least 256.
// Above max it is a fatal error.
long Upper2Power(long n, long max);

// The bit-reversal permutation of a power of two n.
template <typename T>
void BitReverseTable(T* table, long n) {
  for (long i = 0; i < n; i++) table[i] = static_cast<T>(i);
  long j = 0;
  for (long i = 0; i < n - 1; i++) {
    if (i < j) {
      T t = table[i];
      table[i] = table[j];
      table[j] = t;
    }
    long k = n / 2;
    while (k >= 1 && k <= j) {
      j -= k;
      k /= 2;
    }
    j += k;
  }
}

// The largest integer not above x; exact for |x| < 2^52.
double Floor(double x);

// Rounds to the nearest integer by adding and removing 1.5 * 2^52, which puts
// the sum where doubles are spaced by exactly 1; exact for |x| <= 2^51.
// (Adding 2^53 instead rounds positive values to even integers.)
inline double RoundNearest(double x) {
  constexpr double kMagic = 6755399441055744.0;
  volatile double t = x + kMagic;  // volatile: the compiler must not fold the pair away
  return t - kMagic;
}
