#include "disk/runs.h"

#include <algorithm>
#include <cmath>

#include "disk/disk_int.h"
#include "disk/disk_state.h"
#include "shell/error_report.h"

RunBlocks::RunBlocks(int regions, long threshold) {
  const DiskState& s = Disk();
  if (s.Lent != nullptr && s.LentSize > threshold && s.LentSize / regions > 1) {
    Length = s.LentSize / regions - 1;
    Base = s.Lent;
  } else {
    Length = kLocalRun;
    Local.resize(static_cast<size_t>(regions) * kLocalRun);
    Base = Local.data();
  }
}

int CarryLimbs(double c, double limbs[4]) {
  // Limbs of a damaged file (not a number, or beyond 2^53) would never settle.
  if (!(std::fabs(c) < 9007199254740992.0))
    error("ERROR in a disk number, a limb is not a whole number below 2^53 (a damaged file?)");
  int n = 0;
  while (c != 0 && c != -1) c = SplitCarry(c, &limbs[n++]);
  if (c == -1) limbs[n++] = -1;
  return n;
}

int WriteCarryLimbs(double c, DiskInt& d, long pos) {
  double limbs[4];
  const int n = CarryLimbs(c, limbs);
  WriteLimbs(limbs, d, n, pos);
  return n;
}

long ScanDown(const DiskInt& d, long from, double value, double* found) {
  RunBlocks blocks(1, 0);
  double* buf = blocks[0];
  long run = 16;
  for (long hi = from; hi > 0;) {
    const long len = std::min({run, hi, blocks.Length});
    ReadLimbs(d, buf, len, hi - len);
    for (long i = len - 1; i >= 0; i--)
      if (buf[i] != value) {
        *found = buf[i];
        return hi - len + i;
      }
    hi -= len;
    run = std::min(4 * run, blocks.Length);
  }
  return -1;
}
