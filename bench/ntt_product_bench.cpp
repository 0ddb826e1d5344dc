// Processor time of one NTT product of two disk numbers of n limbs, split into
// residues, transforms, Chinese remaindering and file I/O, with the product
// checked modulo a prime near 2^61. Works in a scratch directory under /tmp.
//   ntt_product_bench [limbs, default 1000000] [log2 NFFT, default 16] [baseline]
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "disk/disk_int.h"
#include "disk/disk_memory.h"
#include "disk/disk_state.h"
#include "ntt/mul_rows.h"
#include "ntt/ntt.h"
#include "ntt/ntt_product.h"

namespace {

constexpr uint64_t kCheck = 2305843009213693951ULL;  // 2^61 - 1

uint64_t MulMod(uint64_t a, uint64_t b) {
  return static_cast<uint64_t>(static_cast<unsigned __int128>(a) * b % kCheck);
}

// The value of a number's limbs modulo 2^61 - 1, read in runs.
uint64_t Residue(const DiskInt& d) {
  std::vector<double> run(1 << 20);
  uint64_t acc = 0;
  const uint64_t base = 1000000000000ULL;
  for (long hi = d.Size; hi > 0; hi -= static_cast<long>(run.size())) {
    const long n = std::min(hi, static_cast<long>(run.size()));
    ReadLimbs(d, run.data(), n, hi - n);
    for (long i = n - 1; i >= 0; i--)
      acc = (MulMod(acc, base) + static_cast<uint64_t>(run[i])) % kCheck;
  }
  return acc;
}

void Fill(DiskInt& d, long n, std::mt19937_64& g) {
  std::vector<double> run(1 << 20);
  for (long p = 0; p < n; p += static_cast<long>(run.size())) {
    const long len = std::min(n - p, static_cast<long>(run.size()));
    for (long i = 0; i < len; i++) run[i] = static_cast<double>(g() % 1000000000000ULL);
    if (p + len == n) run[len - 1] = 999999999999.0;
    WriteLimbs(run.data(), d, len, p);
  }
  d.Size = n;
}

double Cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

}  // namespace

int main(int argc, char** argv) {
  const long n = argc > 1 ? std::atol(argv[1]) : 1000000;
  const int logN = argc > 2 ? std::atoi(argv[2]) : 16;
  if (n < 1 || logN < 8 || logN > 24) {
    std::fprintf(stderr, "usage: ntt_product_bench [limbs] [log2 NFFT, 8 to 24] [baseline]\n");
    return 1;
  }
  UseBaselineCRTKernels(argc > 3);
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("numora-ntt-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);

  const long nfft = 1L << logN;
  InitDiskBuffers(nfft);
  // As a run of 12 n digits sets it up: its largest product is of two such numbers.
  InitNTT(2 * nfft, 12.0 * static_cast<double>(n) + 100);
  std::mt19937_64 g(1);
  DiskInt a, b, r;
  a.Init("a", n);
  b.Init("b", n);
  r.Init("r", 2 * n);
  Fill(a, n, g);
  Fill(b, n, g);
  const uint64_t want = MulMod(Residue(a), Residue(b));

  const double t0 = Cpu();
  const double read0 = Disk().BytesRead, written0 = Disk().BytesWritten;
  MulDiskIntByNTT(a, b, r, 0, 0);
  const double total = Cpu() - t0;
  const NTTProductReport& p = LastNTTProduct();
  const bool ok = Residue(r) == want;
  std::printf("limbs %ld x %ld, NFFT 2^%d: NNTT %ld, NCRT %ld, CRTNbDec %ld\n", n, n, logN, p.NNTT,
              p.NCRT, p.CRTNbDec);
  std::printf(
      "processor s: total %.2f = residues %.2f + transforms %.2f + CRT %.2f + file I/O %.2f"
      " + other %.2f\n",
      total, p.Residues, p.Transforms, p.CRT, p.FileIO,
      total - p.Residues - p.Transforms - p.CRT - p.FileIO);
  std::printf("disk MB: read %.0f, written %.0f; product %s\n", (Disk().BytesRead - read0) / 1e6,
              (Disk().BytesWritten - written0) / 1e6, ok ? "checked" : "WRONG");
  a.Free();
  b.Free();
  r.Free();
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(dir);
  return ok ? 0 : 1;
}
