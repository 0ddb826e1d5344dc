// Faults of the file layer: a full disk, a missing or short part. Each ends
// the run with a message naming the file.
#include <cmath>
#include <random>

#include "disk/disk_arith.h"
#include "disk_test_util.h"

namespace {

using namespace diskt;

TEST_F(DiskTest, FullDisk) {
  Disk().PartLimbs = 1000;
  std::mt19937_64 g(2);
  DiskInt &a = Number("FA", 3000), &r = Number("FR", 3000);
  Put(a, Random(g, 2500));
  Disk().WriteBudget = 8000 + 4000;  // the result's second part half written
  EXPECT_FATAL(ShortMulDiskInt(a, 7, r),
               "write in file did not succeed \\(file FR-01: no space left");
  // A device that refuses every byte behind a part's name: the failure shows
  // when the buffered bytes reach it at the close, or at the write itself.
  Disk().WriteBudget = -1;
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  fs::remove("FR-00");
  fs::create_symlink("/dev/full", "FR-00");
  for (long count : {1L, 1000L})
    EXPECT_FATAL(WriteLimbs(V(count).data(), r, count, 0),
                 "write in file did not succeed \\(file FR-00: No space left on device");
}

TEST_F(DiskTest, MissingOrShortPart) {
  Disk().PartLimbs = 100;
  std::mt19937_64 g(4);
  DiskInt &a = Number("MA", 300), &r = Number("MR", 300);
  Put(a, Random(g, 250));
  fs::resize_file("MA-02", 100);
  EXPECT_FATAL(AddDiskInt(a, a, r), "read in file did not succeed \\(file MA-02: 100 of 400 bytes");
  fs::remove("MA-01");
  EXPECT_FATAL(ShortDivDiskInt(a, 3, r),
               "ERROR in ReadBuffer, the file cannot be opened \\(file MA-01: No such file");
}

// A limb that is not a number (a damaged file) ends the run instead of a
// carry release that never settles.
TEST_F(DiskTest, LimbThatIsNotANumber) {
  DiskInt &a = Number("NaN", 10);
  Put(a, {1, std::nan(""), 3});
  EXPECT_FATAL(UpdateDiskInt(a), "a limb is not a whole number below 2\\^53");
}

}  // namespace
