#include "disk/disk_memory.h"

#include "disk/disk_state.h"
#include "fft/fft_product.h"
#include "mpint/fft_mul.h"
#include "ntt/ntt.h"
#include "shell/error_report.h"
#include "shell/memory.h"

DiskState& Disk() {
  static DiskState state;
  return state;
}

double DiskMemoryEstimate(long n) {
  return FFTNeededMemory(n) + 2.0 * static_cast<double>(n / 3) * 8;
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
