// The first step of the Pi check on disk numbers, so that results larger than
// memory can be checked: 2^p by squarings, times the top of the stored digits.
#include <algorithm>
#include <cmath>
#include <vector>

#include "disk/disk_arith.h"
#include "disk/disk_file.h"
#include "disk/disk_int.h"
#include "disk/disk_memory.h"
#include "disk/disk_mul.h"
#include "disk/disk_state.h"
#include "ntt/ntt.h"
#include "output/compressed.h"
#include "shell/files.h"
#include "verify/pi_check.h"

namespace {

// r = 2^p, left to right: a squaring per bit of p, a doubling per set bit.
void TwoPow(double p, DiskInt& r) {
  const long c = static_cast<long>(std::log(2.0) * p / std::log(1e12) + 10);
  DiskInt b;
  InitScratchDiskInt(b, "b", c);
  InitScratchDiskInt(r, "TwoPow", c);
  double bit = 1;
  while (bit * 2 <= p) bit *= 2;
  const double one = 1;
  WriteLimbs(&one, r, 1, 0);
  r.Size = 1;
  r.Offset = 0;
  for (; bit >= 1; bit /= 2) {
    SquareDiskInt(r, b, 1);
    if (p >= bit) {
      ShortMulDiskInt(b, 2.0, r);
      p -= bit;
    } else {
      CopyToDiskInt(b, r);
    }
  }
  b.Free();
}

}  // namespace

double FirstStepOnDisk(const CompressedNumber& stored, double digits, double position) {
  const CompressedInfo& info = stored.Info();
  InitDiskBuffers(info.FFTSize);
  InitNTT(2 * info.FFTSize, info.Digits);

  // The top D/12 + 10 limbs hold the integer part (with at most two limbs of
  // padding) and D + 96 decimals: 2^p times the digits below is below 10^-90.
  const long n = std::min(info.Size, static_cast<long>(digits / 12 + 10));
  const long skip = info.Size - n;
  DiskInt copy;
  InitScratchDiskInt(copy, "PiD", n);
  std::vector<double> run(8000);
  for (long i = 0; i < n; i += static_cast<long>(run.size())) {
    const long len = std::min(static_cast<long>(run.size()), n - i);
    stored.WriteToBuffer(run.data(), len, skip + i);
    WriteLimbs(run.data(), copy, len, i);
  }
  copy.Size = n;
  copy.Offset = info.Offset + skip;

  DiskInt power;
  TwoPow(position, power);
  DiskInt product;
  InitScratchDiskInt(product, "tmp", copy.NAlloc + 100);
  MulDiskInt(power, copy, product);
  // The first limb after the point: 12 decimals, 39 binary digits.
  double limb = 0;
  product.WriteToBuffer(&limb, 1, -product.Offset - 1);
  product.Free();
  power.Free();
  copy.Free();
  return limb * 1e-12;
}
