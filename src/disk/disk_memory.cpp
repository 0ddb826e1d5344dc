#include "disk/disk_memory.h"

#include <algorithm>
#include <cmath>

#include "disk/disk_state.h"
#include "disk/runs.h"
#include "fft/fft_product.h"
#include "mpint/fft_mul.h"
#include "ntt/ntt.h"
#include "shell/error_report.h"
#include "shell/memory.h"

DiskState& Disk() {
  static DiskState state;
  return state;
}

namespace {

// The layout constants of the CRT tables (tiles of 32 coefficients, rows
// padded to 8 and 4) and the prime bound, as InitNTT and InitCRT use them.
constexpr long kCRTTile = 32;
constexpr double kLargestPrime = 2.7e15;

long RoundUp(long n, long m) { return (n + m - 1) / m * m; }

// The tables of InitNTT(nnttMax, digits) and the CRT tables of a product
// that combines all its primes (a product uses at most that many).
double NTTMemory(long nnttMax, double digits) {
  long sqrt = 2;
  while (sqrt * sqrt < nnttMax) sqrt *= 2;
  const long primes = std::min(
      static_cast<long>(digits * 2 * 0.15384615384615385 / static_cast<double>(nnttMax)) + 10,
      1000L);
  double bytes = 4 * AllocatedBytes(primes) + 2 * AllocatedBytes(8 * sqrt) +
                 AllocatedBytes(4 * sqrt) + 4.0 * static_cast<double>(sqrt);

  const double lnM = static_cast<double>(primes) * std::log(kLargestPrime);
  const long cap = static_cast<long>(lnM / std::log(1e7)) + 3;
  const long rows = RoundUp(cap + 3, 8);
  const long chunks = static_cast<long>(lnM / std::log(10.0) / 2 / 7) + 2;
  const long residueRows = RoundUp(3 * primes, 4);
  bytes += AllocatedBytes(2 * cap) + 3 * AllocatedBytes(cap);
  bytes += AllocatedBytes((rows + 2) * (primes + 1)) + AllocatedBytes(residueRows * chunks);
  for (long tileRows : {chunks, residueRows, primes, 3 * (primes + 1), rows, 1L, 1L})
    bytes += AllocatedBytes(tileRows * kCRTTile);
  return bytes + AllocatedBytes(rows);
}

}  // namespace

double DiskMemoryEstimate(long n, bool ntt, double digits) {
  // The passes that find no lent buffer stream through local runs: three at
  // most (an addition) and the run of a piece product beside them.
  const double runs = 4 * 8.0 * kLocalRun;
  const double setUp = FFTNeededMemory(n) + AllocatedBytes(2 * (n / 3) + 1) + runs;
  return ntt ? setUp + NTTMemory(2 * n, digits) : setUp;
}

long InitDiskBuffers(long n) {
  InitBigIntFFT(n);
  DiskState& s = Disk();
  const long want = 2 * (n / 3) + 1;
  if (s.BufferAlloc != want) {
    FreeDoubles(s.BufferAlloc, s.BufferRaw);
    AllocDoubles(want, &s.BufferRaw, &s.Buffer);
    s.BufferAlloc = want;
  }
  s.BufferSize = 2 * (n / 3);
  s.BytesRead = 0;
  s.BytesWritten = 0;
  // Products go through the NTT only once this run has set it up (InitNTT);
  // residues kept by an earlier run are of no use.
  NTTContext& ntt = NTT();
  ntt.Initialised = false;
  ntt.LastProductByNTT = 0;
  ntt.KeepNTT0 = 0;
  ntt.NTT0AlreadyComputed = 0;
  s.Lent = nullptr;
  s.LentSize = 0;
  return s.BufferSize;
}

double* DiskWorkBuffer(const char* user) {
  const DiskState& s = Disk();
  if (s.Buffer == nullptr) errorf("ERROR in %s, the disk buffers are not set up", user);
  if (s.Lent != nullptr) errorf("ERROR in %s, the disk buffer is lent", user);
  return s.Buffer;
}

long DiskBufferSize() { return Disk().BufferSize; }

long DiskPieceLimbs() { return GetNFFT() / 3; }

DiskBufferLoan::DiskBufferLoan(long size) {
  DiskState& s = Disk();
  if (s.Buffer == nullptr || s.Lent != nullptr || size < 0 || size > s.BufferSize)
    errorf("ERROR, the disk buffer cannot be lent (%ld limbs)", size);
  s.Lent = s.Buffer;
  s.LentSize = size;
}

DiskBufferLoan::~DiskBufferLoan() {
  Disk().Lent = nullptr;
  Disk().LentSize = 0;
}
