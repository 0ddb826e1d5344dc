// Shared set-up of the disk tests: a scratch directory per test, the disk
// buffers, and numbers written from and read back into limb vectors.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "disk/disk_int.h"
#include "disk/disk_memory.h"
#include "disk/disk_state.h"
#include "fft/fft_test_util.h"
#include "mpint/guarded_num.h"
#include "shell/error_report.h"
#include "shell/scratch_dir.h"

namespace diskt {

using V = std::vector<double>;
namespace fs = std::filesystem;

template <typename D>
D& Put(D&& d, const V& limbs, long offset = 0) {
  WriteLimbs(limbs.data(), d, static_cast<long>(limbs.size()), 0);
  d.Size = static_cast<long>(limbs.size());
  d.Offset = offset;
  return d;
}

// 2^16 points: pieces of 21845 limbs, and a disk buffer large enough to lend
// to every pass.
class DiskTest : public scratch::ScratchDirTest {
 protected:
  void SetUp() override {
    InitDiskBuffers(1L << 16);
    ScratchDirTest::SetUp();
  }
  void TearDown() override {
    Numbers.clear();  // their files go with the directory
    Disk().PartLimbs = kPartLimbs;
    Disk().WriteBudget = -1;
    ScratchDirTest::TearDown();
  }
  // A number of the test, named, of capacity nAlloc, holding limbs if any.
  DiskInt& Number(const char* name, long nAlloc) {
    DiskInt& d = *Numbers.emplace_back(std::make_unique<DiskInt>());
    d.Init(name, nAlloc);
    return d;
  }
  DiskInt& Number(const char* name, const V& limbs, long nAlloc = 0) {
    DiskInt& d = Number(name, std::max<long>(nAlloc, static_cast<long>(limbs.size())));
    return limbs.empty() ? d : Put(d, limbs);
  }

  std::vector<std::unique_ptr<DiskInt>> Numbers;
};

inline V Get(const DiskInt& d) {
  V v(d.Size);
  ReadLimbs(d, v.data(), d.Size, 0);
  return v;
}

// Signed decimal text of limbs of any form (offset ignored).
inline std::string Dec(const V& v) { return fftt::Text(v.data(), static_cast<long>(v.size()), 12); }
inline std::string Text(const DiskInt& d) { return Dec(Get(d)); }

// Limbs below the top in [0, 10^12); a top of -1 (not over 999999999999) or
// positive, or the one limb 0.
inline bool Normal(const DiskInt& d) {
  const V v = Get(d);
  for (size_t i = 0; i + 1 < v.size(); i++)
    if (v[i] < 0 || v[i] > kBigIntMaxLimb) return false;
  if (v.size() == 1) return v[0] >= -1;
  if (v.back() == -1) return v[v.size() - 2] != kBigIntMaxLimb;
  return v.back() >= 1 && v.back() <= kBigIntMaxLimb;
}

inline V Random(std::mt19937_64& g, long n, fftt::Shape shape = fftt::Shape::kRandom) {
  mpt::Num b(n);
  fftt::Fill(b.b, n, g, shape);
  return b.Limbs();
}

}  // namespace diskt
