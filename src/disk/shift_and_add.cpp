// The shift-and-add step of the disk Newton iterations.
#include <algorithm>
#include <cmath>

#include "disk/disk_arith.h"
#include "disk/disk_int.h"
#include "disk/disk_memory.h"
#include "disk/runs.h"
#include "shell/error_report.h"
#include "shell/progress.h"

void ShiftAndAdd(DiskInt& a, long k, const DiskInt& b, double m) {
  if (k < 0 || m != std::floor(m) || std::fabs(m) > 3000)
    errorf("ERROR in ShiftAndAdd, k=%ld and m=%.0f are out of range", k, m);
  double* const w = DiskWorkBuffer("ShiftAndAdd");
  const long P = DiskPieceLimbs();
  double* const y = w + P;  // the run of b
  const long NN = a.Size + k;
  if (NN > a.NAlloc) ProgressPrint("\n\nPb in ShiftAndAdd, NN=%ld, SizeAlloc=%ld\n", NN, a.NAlloc);

  // The shift, from the top run down so that no limb is overwritten before it moves.
  if (k > 0) {
    for (long hi = a.Size; hi > 0; hi -= P) {
      const long len = std::min(P, hi);
      ReadLimbs(a, w, len, hi - len);
      WriteLimbs(w, a, len, hi - len + k);
    }
  }
  // The vacated limbs that b does not reach hold stale data: clear them.
  if (b.Size < k) {
    std::fill(w, w + std::min(P, k - b.Size), 0.0);
    for (long p = b.Size; p < k; p += P) WriteLimbs(w, a, std::min(P, k - p), p);
  }

  // m b added at the bottom; the shifted limbs of a are those in [k, NN).
  double carry = 0;
  for (long pos = 0; pos < b.Size; pos += P) {
    const long len = std::min(P, b.Size - pos);
    ReadLimbs(b, y, len, pos);
    std::fill(w, w + len, 0.0);
    const long lo = std::max(pos, k), hi = std::min(pos + len, NN);
    if (lo < hi) ReadLimbs(a, w + (lo - pos), hi - lo, lo);
    for (long i = 0; i < len; i++) carry = SplitCarry(m * y[i] + w[i] + carry, &w[i]);
    WriteLimbs(w, a, len, pos);
  }

  // The carry runs through a's limbs above b as far as it goes (short runs first).
  long top = std::max(NN, b.Size);
  for (long pos = b.Size, run = 16; carry != 0 && pos < NN; run = std::min(4 * run, P)) {
    const long len = std::min(run, NN - pos);
    ReadLimbs(a, w, len, pos);
    for (long i = 0; i < len; i++) carry = SplitCarry(w[i] + carry, &w[i]);
    WriteLimbs(w, a, len, pos);
    pos += len;
  }
  if (carry != 0) top += WriteCarryLimbs(carry, a, top);
  a.Size = top;
  a.Offset = -NN;
}
