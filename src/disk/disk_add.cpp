// Sums and differences of disk numbers.
#include <algorithm>

#include "disk/disk_arith.h"
#include "disk/disk_int.h"
#include "disk/runs.h"
#include "shell/debug_state.h"
#include "shell/progress.h"

namespace {

// The debug report shows the sum under way.
struct AddDebugScope {
  AddDebugScope(const DiskInt& a, const DiskInt& b, const DiskInt& r) {
    DebugStateData& d = DebugState();
    d.AddDiskIntOn = 1;
    d.AddNa = a.Size;
    d.AddNb = b.Size;
    d.AddNcAlloc = r.NAlloc;
  }
  ~AddDebugScope() { DebugState().AddDiskIntOn = 0; }
};

// Limbs from..from+len-1 of an operand aligned at `skip`, of which only the
// first n exist; the rest read as 0.
void ReadAligned(const DiskInt& d, double* buf, long from, long len, long skip, long n) {
  const long have = std::clamp(n - from, 0L, len);
  ReadLimbs(d, buf, have, skip + from);
  std::fill(buf + have, buf + len, 0.0);
}

// r = a + sign * b. An empty operand (Size 0) takes no part in the alignment.
void AddSubstract(const DiskInt& a, const DiskInt& b, DiskInt& r, double sign,
                  const char* overflowText) {
  const long off = a.Size == 0 ? b.Offset : b.Size == 0 ? a.Offset : std::max(a.Offset, b.Offset);
  // Aligned lengths; an operand entirely below the other's lowest limb has none.
  const long na = a.Size == 0 ? 0 : std::max(a.Offset + a.Size - off, 0L);
  const long nb = b.Size == 0 ? 0 : std::max(b.Offset + b.Size - off, 0L);
  const long skipA = off - a.Offset, skipB = off - b.Offset;
  const long n = std::max(na, nb);

  // Three blocks: r may be a or b, and each run is read whole before it is written.
  RunBlocks blocks(3, 24000);
  double *x = blocks[0], *y = blocks[1], *s = blocks[2];
  double carry = 0;
  for (long p = 0; p < n; p += blocks.Length) {
    const long len = std::min(blocks.Length, n - p);
    ReadAligned(a, x, p, len, skipA, na);
    ReadAligned(b, y, p, len, skipB, nb);
    for (long i = 0; i < len; i++) carry = SplitCarry(carry + x[i] + sign * y[i], &s[i]);
    WriteLimbs(s, r, len, p);
  }
  r.Size = carry != 0 ? n + WriteCarryLimbs(carry, r, n) : n;
  r.Offset = off;
  UpdateDiskIntSize(r);
  // A carry into the -1 top of a negative number folds back: only a result
  // that stays longer than its capacity is worth the warning.
  if (r.Size > r.NAlloc) ProgressPrint("%s", overflowText);
}

}  // namespace

void AddDiskInt(const DiskInt& a, const DiskInt& b, DiskInt& r) {
  AddDebugScope debug(a, b, r);
  if (a.Size == 0 || b.Size == 0) {
    CopyToDiskInt(a.Size == 0 ? b : a, r);
    return;
  }
  AddSubstract(a, b, r, 1.0, "Allocation problem in AddBigInt\n");
}

void SubstractDiskInt(const DiskInt& a, const DiskInt& b, DiskInt& r) {
  AddSubstract(a, b, r, -1.0, "Allocation problem in SubstractDiskInt\n");
}
