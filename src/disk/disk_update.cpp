// The maintenance passes of the disk numbers: carry release, trimming, clearing,
// copies and the limb check.
#include <algorithm>

#include "disk/disk_int.h"
#include "disk/runs.h"
#include "mpint/bigint.h"
#include "shell/error_report.h"

void UpdateDiskInt(DiskInt& d) {
  const long n = d.Size;
  if (n <= 0) return;
  RunBlocks blocks(1, 0);
  double* buf = blocks[0];
  double carry = 0, top = 0;
  for (long p = 0; p < n; p += blocks.Length) {
    const long len = std::min(blocks.Length, n - p);
    ReadLimbs(d, buf, len, p);
    for (long i = 0; i < len; i++) carry = SplitCarry(carry + buf[i], &buf[i]);
    top = buf[len - 1];
    WriteLimbs(buf, d, len, p);
  }
  if (carry == -1 && top == kBigIntMaxLimb) {
    // Negative and already of full length: the top limb becomes the -1.
    top = -1;
    WriteLimbs(&top, d, 1, n - 1);
  } else if (carry != 0) {
    double limbs[4];
    const int k = CarryLimbs(carry, limbs);
    if (n + k > d.NAlloc) error("ERROR in UpdateDiskInt, allocation of a is too small\n");
    WriteLimbs(limbs, d, k, n);
    d.Size = n + k;
    top = limbs[k - 1];
  }
  if (top <= 0) UpdateDiskIntSize(d);
}

void UpdateDiskIntSize(DiskInt& d) {
  if (d.Size <= 0) return;
  double top = 0;
  long t = ScanDown(d, d.Size, 0.0, &top);
  if (t < 0) {
    d.Size = 1;  // zero: the one limb 0
    return;
  }
  if (top == -1) {
    double below = 0;
    const long j = ScanDown(d, t, kBigIntMaxLimb, &below);
    if (j + 1 != t) WriteLimbs(&top, d, 1, j + 1);
    t = j + 1;
  }
  d.Size = t + 1;
}

void ZeroLimbs(DiskInt& d, long n) {
  RunBlocks blocks(1, 0);
  double* buf = blocks[0];
  std::fill(buf, buf + std::min(blocks.Length, std::max(n, 0L)), 0.0);
  for (long p = 0; p < n; p += blocks.Length)
    WriteLimbs(buf, d, std::min(blocks.Length, n - p), p);
}

void CopyToDiskInt(const MPInt& a, DiskInt& r) {
  if (&a == &r) return;
  RunBlocks blocks(1, 0);
  double* buf = blocks[0];
  const long n = a.Size;
  for (long p = 0; p < n; p += blocks.Length) {
    const long len = std::min(blocks.Length, n - p);
    a.WriteToBuffer(buf, len, p);
    WriteLimbs(buf, r, len, p);
  }
  r.Size = n;
  r.Offset = a.GetOffset();
}

void CopyToDiskInt(const BigInt& a, DiskInt& r) {
  WriteLimbs(a.Limbs, r, a.Size, 0);
  r.Size = a.Size;
  r.Offset = a.Offset;
}

void CheckDiskInt(const DiskInt& d) {
  RunBlocks blocks(1, 0);
  double* buf = blocks[0];
  for (long hi = d.Size; hi > 0; hi -= blocks.Length) {
    const long len = std::min(blocks.Length, hi);
    ReadLimbs(d, buf, len, hi - len);
    for (long i = len - 1; i >= 0; i--)
      if (buf[i] < 0 || buf[i] > 1e12) error("Check DiskInt KO");
  }
}
