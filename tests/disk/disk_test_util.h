// Shared set-up of the disk tests: a scratch directory per test, the disk
// buffers, and numbers written from and read back into limb vectors.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "disk/disk_int.h"
#include "disk/disk_memory.h"
#include "disk/disk_state.h"
#include "fft/fft_test_util.h"
#include "mpint/bigint.h"

namespace diskt {

using V = std::vector<double>;
namespace fs = std::filesystem;

// 2^16 points: pieces of 21845 limbs and a disk buffer large enough to be
// lent to every streaming pass.
constexpr long kNFFT = 1L << 16;

// Each test runs in a directory of its own, removed afterwards, with the
// production part size and no injected failure unless it sets them.
class DiskTest : public testing::Test {
 protected:
  void SetUp() override {
    InitDiskBuffers(kNFFT);
    Home = fs::current_path();
    Dir = fs::temp_directory_path() /
          ("numora-disk-" + std::to_string(getpid()) + "-" +
           testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Dir);
    fs::create_directory(Dir);
    fs::current_path(Dir);
  }
  void TearDown() override {
    Disk().PartLimbs = kPartLimbs;
    Disk().WriteBudget = -1;
    fs::current_path(Home);
    fs::remove_all(Dir);
  }
  static bool Exists(const std::string& name) { return fs::exists(name); }

  fs::path Home, Dir;
};

inline DiskInt& Put(DiskInt& d, const V& limbs, long offset = 0) {
  WriteLimbs(limbs.data(), d, static_cast<long>(limbs.size()), 0);
  d.Size = static_cast<long>(limbs.size());
  d.Offset = offset;
  return d;
}

inline V Get(const DiskInt& d) {
  V v(d.Size);
  ReadLimbs(d, v.data(), d.Size, 0);
  return v;
}

// Decimal text of a disk number's limbs (offset ignored), signed.
inline std::string Text(const DiskInt& d) {
  V v = Get(d);
  return fftt::Text(v.data(), d.Size, 12);
}

// The normal form: limbs below the top in [0, 10^12), a top that is -1 or
// positive (or the one limb 0), no 999999999999 under a -1 top.
inline bool Normal(const DiskInt& d) {
  const V v = Get(d);
  if (v.empty()) return false;
  const double top = v.back();
  for (size_t i = 0; i + 1 < v.size(); i++)
    if (v[i] < 0 || v[i] > kBigIntMaxLimb) return false;
  if (v.size() == 1) return top >= -1;
  if (top == -1) return v[v.size() - 2] != kBigIntMaxLimb;
  return top >= 1 && top <= kBigIntMaxLimb;
}

// A random number of n limbs with a non-zero top limb.
inline V Random(std::mt19937_64& g, long n) {
  V v(n);
  for (auto& x : v) x = static_cast<double>(g() % 1000000000000ULL);
  if (n > 0 && v.back() == 0) v.back() = 1;
  return v;
}

// Decimal text of limbs taken as a non-negative integer.
inline std::string Dec(const V& v) { return fftt::Text(v.data(), static_cast<long>(v.size()), 12); }

// Runs f with a fatal error's console text on standard error, where death
// tests look for it.
template <typename F>
void OnStderr(F f) {
  dup2(2, 1);
  f();
}

}  // namespace diskt
