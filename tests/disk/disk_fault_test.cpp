// Faults of the file layer: a full disk, a missing or short part, a position
// beyond the files. Each ends the run with a message naming the file.
#include <filesystem>
#include <random>

#include "disk/disk_arith.h"
#include "disk_test_util.h"
#include "shell/error_report.h"

namespace {

using namespace diskt;
using testing::ExitedWithCode;

TEST_F(DiskTest, FullDiskIsFatal) {
  Disk().PartLimbs = 1000;
  std::mt19937_64 g(2);
  DiskInt a, r;
  a.Init("FA", 3000);
  r.Init("FR", 3000);
  Put(a, Random(g, 2500));
  // The product's second part fills the disk half-way.
  Disk().WriteBudget = 8000 + 4000;
  EXPECT_EXIT(OnStderr([&] { ShortMulDiskInt(a, 7, r); }), ExitedWithCode(kExitFailure),
              "write in file did not succeed \\(file FR-01: no space left");
  // A device that refuses every byte, behind the name of a part: the failure
  // shows when the buffered bytes are flushed at the close, or at the write.
  Disk().WriteBudget = -1;
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  std::filesystem::remove("FR-00");
  std::filesystem::create_symlink("/dev/full", "FR-00");
  for (long count : {1L, 1000L}) {
    const V ones(count, 1.0);
    EXPECT_EXIT(OnStderr([&] { WriteLimbs(ones.data(), r, count, 0); }),
                ExitedWithCode(kExitFailure),
                "write in file did not succeed \\(file FR-00: No space left on device");
  }
  a.Free();
}

TEST_F(DiskTest, MissingOrShortPartIsFatal) {
  Disk().PartLimbs = 100;
  std::mt19937_64 g(4);
  DiskInt a, r;
  a.Init("MA", 300);
  r.Init("MR", 300);
  Put(a, Random(g, 250));
  std::filesystem::resize_file("MA-02", 100);
  EXPECT_EXIT(OnStderr([&] { AddDiskInt(a, a, r); }), ExitedWithCode(kExitFailure),
              "read in file did not succeed \\(file MA-02: 100 of 400 bytes");
  std::filesystem::remove("MA-01");
  EXPECT_EXIT(OnStderr([&] { ShortDivDiskInt(a, 3, r); }), ExitedWithCode(kExitFailure),
              "ERROR in ReadBuffer, the file cannot be opened \\(file MA-01: No such file");
  // The two-digit part index ends at 99.
  const double one = 1;
  EXPECT_EXIT(OnStderr([&] { WriteLimbs(&one, r, 1, 100 * 100); }),
              ExitedWithCode(kExitFailure), "limb position 10000 lies beyond the last file");
  a.Free();
  r.Free();
}

}  // namespace
