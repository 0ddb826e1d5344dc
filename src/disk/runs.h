// Helpers of the streaming passes over disk numbers (internal to src/disk).
#pragma once

#include <algorithm>
#include <vector>

#include "disk/disk_int.h"

// Run length of the local blocks (64,000 bytes) when no buffer is lent.
constexpr long kLocalRun = 8000;

// The blocks of one streaming pass: `regions` blocks of floor(s / regions) - 1
// limbs of the lent buffer when one of s > threshold limbs is lent, otherwise
// local blocks of kLocalRun limbs.
class RunBlocks {
 public:
  RunBlocks(int regions, long threshold);
  double* operator[](int i) const { return Base + i * Length; }
  long Length = 0;

 private:
  std::vector<double> Local;
  double* Base = nullptr;
};

// q = floor(c / 10^12) and rest = c - q 10^12 in [0, 10^12), exact for |c| < 2^53.
inline double SplitCarry(double c, double* rest) {
  // Rounding c 10^-12 - 1/2 with the 1.5 x 2^52 constant; the product by the
  // inexact 10^-12 can miss by one, which the correction catches.
  constexpr double kRound = 6755399441055744.0;
  double q = (c * 1e-12 - 0.5 + kRound) - kRound;
  double r = c - q * 1e12;
  if (r < 0) {
    r += 1e12;
    q -= 1;
  } else if (r >= 1e12) {
    r -= 1e12;
    q += 1;
  }
  *rest = r;
  return q;
}

// Streams d's limbs 0 .. n-1 through f (limb -> value) and the carry release,
// starting with `carry`; returns the carry out of limb n-1.
template <typename F>
double ReleaseCarries(DiskInt& d, long n, double carry, F f);

// The carry c out of a pass, as limbs in normal form (a negative carry ends
// with the -1 top of the complement form); returns their count (at most 4).
int CarryLimbs(double c, double limbs[4]);
// The carry c written as limbs from position pos of d; returns their count.
int WriteCarryLimbs(double c, DiskInt& d, long pos);

// The highest index below `from` whose limb differs from `value` (that limb in
// *found), or -1; reads runs from the top down, short ones first (the answer
// is usually near the top).
long ScanDown(const DiskInt& d, long from, double value, double* found);

template <typename F>
double ReleaseCarries(DiskInt& d, long n, double carry, F f) {
  RunBlocks blocks(1, 0);
  double* buf = blocks[0];
  for (long p = 0; p < n; p += blocks.Length) {
    const long len = std::min(blocks.Length, n - p);
    ReadLimbs(d, buf, len, p);
    for (long i = 0; i < len; i++) carry = SplitCarry(f(buf[i]) + carry, &buf[i]);
    WriteLimbs(buf, d, len, p);
  }
  return carry;
}
