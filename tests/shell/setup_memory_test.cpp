// The memory formulas of the set-up against what the set-up allocates: a
// table added to the FFT, NTT or CRT set-up and forgotten by its formula
// would make every row of the dialogue's table low by its size.
#include <gtest/gtest.h>

#include "disk/disk_memory.h"
#include "mpint/fft_mul.h"
#include "ntt/crt.h"
#include "ntt/ntt.h"
#include "shell/memory.h"

namespace {

TEST(SetUpMemory, FormulasMatchWhatTheSetUpAllocates) {
  // Beyond the sizes with exact row twiddles, so that every table is there;
  // enough digits for 127 primes, whose CRT tables grow as their square.
  const long n = 1L << 17;
  const double digits = 1e8;
  // The set-up counts 8 n + 8 bytes a block; the formulas add the alignment
  // (at most 56 bytes for each of about 30 blocks).
  const double slack = 30 * 56;

  InitDiskBuffers(n);  // the FFT context, its scratch number, the disk buffer
  const double setUp = static_cast<double>(TotalAllocatedBytes());
  const double buffer = 8.0 * (2 * (n / 3) + 1) + 8;
  EXPECT_NEAR(FFTNeededMemory(n), setUp - buffer, slack);
  // The disk modes add the local runs of the streaming passes to the set-up.
  EXPECT_GE(DiskMemoryEstimate(n, false, digits), setUp);

  // The advanced mode: the NTT tables, and the CRT tables of a product that
  // combines every prime (the largest a product can take).
  InitNTT(2 * n, digits);
  InitCRT(NTT().Primes.NbPrimes);
  const double tables = static_cast<double>(TotalAllocatedBytes()) - setUp;
  const double estimate =
      DiskMemoryEstimate(n, true, digits) - DiskMemoryEstimate(n, false, digits);
  // The formula bounds the size of the primes' product from above.
  EXPECT_GE(estimate, tables);
  EXPECT_LE(estimate, 1.05 * tables + slack);
  FreeCRT();
}

}  // namespace
