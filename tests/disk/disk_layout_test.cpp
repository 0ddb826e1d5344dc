// The files of a disk number, its description and the maintenance passes.
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <random>

#include "disk/disk_file.h"
#include "disk_test_util.h"
#include "mpint/bigint.h"
#include "shell/error_report.h"

namespace {

using namespace diskt;

int64_t FileBytes(const std::string& name) {
  struct stat st {};
  return stat(name.c_str(), &st) == 0 ? st.st_size : -1;
}

TEST_F(DiskTest, PackedLayoutReadsTheLimbsBack) {
  uint32_t w[4];
  PackLimbs(123456789012, 345678901234, 567890123456, w);
  EXPECT_EQ(w[0], 456789012u);
  EXPECT_EQ(w[1], 901234123u);
  EXPECT_EQ(w[2], 456345678u);
  EXPECT_EQ(w[3], 567890123u);
  double back[3];
  UnpackLimbs(w, back);
  EXPECT_EQ(V(back, back + 3), V({123456789012, 345678901234, 567890123456}));

  // A packed number of 15000 limbs (5000 groups of two cells) across parts of
  // 3000 cells: every window reads the same limbs as the plain layout.
  Disk().PartLimbs = 3000;
  std::mt19937_64 g(5);
  V limbs = Random(g, 15000);
  limbs[14999] = kBigIntMaxLimb;
  limbs[14998] = 0;
  V cells(10000);
  for (long i = 0; i < 5000; i++) {
    PackLimbs(limbs[3 * i], limbs[3 * i + 1], limbs[3 * i + 2], w);
    std::memcpy(&cells[2 * i], w, sizeof w);
  }
  DiskInt packed;
  packed.Init("Pk", 15000);
  WriteLimbs(cells.data(), packed, 10000, 0);
  packed.Size = 15000;
  packed.Packed = 1;
  for (long start : {0L, 1L, 2L, 4498L, 4499L, 14990L}) {
    for (long count : {1L, 2L, 4L, 10L, 15000L - start}) {
      V got(count);
      packed.WriteToBuffer(got.data(), count, start);
      EXPECT_EQ(got, V(limbs.begin() + start, limbs.begin() + start + count)) << start;
    }
  }
  EXPECT_EQ(packed.Sign(), 1);
  packed.Free();
}

TEST_F(DiskTest, NumbersAreCutIntoPartFiles) {
  Disk().PartLimbs = 1000;
  std::mt19937_64 g(7);
  V limbs = Random(g, 2500);
  DiskInt x;
  x.Init("X", 2500);
  const double written = Disk().BytesWritten, read = Disk().BytesRead;
  Put(x, limbs);
  EXPECT_EQ(FileBytes("X-00"), 8000);
  EXPECT_EQ(FileBytes("X-01"), 8000);
  EXPECT_EQ(FileBytes("X-02"), 4000);
  EXPECT_FALSE(Exists("X-03"));
  EXPECT_EQ(Disk().BytesWritten - written, 20000);
  V window(30);
  ReadLimbs(x, window.data(), 30, 985);
  EXPECT_EQ(window, V(limbs.begin() + 985, limbs.begin() + 1015));
  EXPECT_EQ(Disk().BytesRead - read, 240);

  // Overwriting in place keeps the rest of the file.
  const double one = 1;
  WriteLimbs(&one, x, 1, 1500);
  limbs[1500] = 1;
  EXPECT_EQ(FileBytes("X-01"), 8000);
  EXPECT_EQ(Get(x), limbs);
  // A clipped write skips what lies below limb 0.
  const double pair[3] = {5, 6, 7};
  WriteLimbsClipped(pair, x, 3, -2);
  limbs[0] = 7;
  EXPECT_EQ(Get(x), limbs);

  // Count 0 touches no file, even of a number never written.
  DiskInt z;
  z.Init("Z", 10);
  ReadLimbs(z, window.data(), 0, 5);
  WriteLimbs(window.data(), z, 0, 0);
  EXPECT_FALSE(Exists("Z-00"));

  // Free removes the parts that exist, and those only: a view's writes above
  // the number (part 04) go, another number's files stay.
  DiskIntView above(x, 4200);
  WriteLimbs(&one, above, 1, 0);
  DiskInt other;
  other.Init("XX", 10);
  WriteLimbs(&one, other, 1, 0);
  x.Free();
  for (const char* f : {"X-00", "X-01", "X-02", "X-03", "X-04"}) EXPECT_FALSE(Exists(f)) << f;
  EXPECT_TRUE(Exists("XX-00"));
}

// Positions beyond 2^31 limbs: the sparse files of a large number.
TEST_F(DiskTest, PositionsBeyondThirtyTwoBits) {
  DiskInt big;
  big.Init("Big", 10);
  big.FileBase = (1L << 31) + 5 - 2;
  const double v[4] = {1, 2, 3, 4};
  WriteLimbs(v, big, 4, 0);
  // File 8 holds positions 2,000,000,000 .. 2,249,999,999.
  EXPECT_EQ(FileBytes("Big-08"), 8 * ((1L << 31) + 7 - 2000000000L));
  double back[4];
  ReadLimbs(big, back, 4, 0);
  EXPECT_EQ(V(back, back + 4), V(v, v + 4));
  // A run across the production boundary is two transfers.
  big.FileBase = kPartLimbs - 2;
  WriteLimbs(v, big, 4, 0);
  EXPECT_EQ(FileBytes("Big-01"), 16);
  ReadLimbs(big, back, 4, 0);
  EXPECT_EQ(V(back, back + 4), V(v, v + 4));
  big.Free();
  EXPECT_FALSE(Exists("Big-08"));
}

TEST_F(DiskTest, FileBaseAndViews) {
  DiskInt d;
  d.Init("D", 20);
  Put(d, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, -4);
  d.SetFileBase(3);
  EXPECT_EQ(d.Size, 7);
  EXPECT_EQ(d.Offset, -1);
  EXPECT_EQ(Get(d), V({3, 4, 5, 6, 7, 8, 9}));
  d.SetFileBase(0);
  // An empty view just above the limbs: what is written there leaves them alone.
  DiskIntView above(d, d.Size);
  EXPECT_TRUE(above.IsView());
  EXPECT_EQ(above.Size, 0);
  EXPECT_EQ(above.NAlloc, 11);
  EXPECT_EQ(above.Offset, 6);
  Put(above, {42, 43});
  DiskIntView top(d, 8);
  EXPECT_EQ(Get(top), V({8, 9}));
  EXPECT_EQ(top.Offset, 4);
  EXPECT_EQ(Get(d), V({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  above.Free();
  DiskIntView copy(above);
  EXPECT_EQ(Get(copy), V({42, 43}));
  {
    DiskCapacityScope lowered(d, 5);
    EXPECT_EQ(d.NAlloc, 5);
  }
  EXPECT_EQ(d.NAlloc, 21);
  d.Free();
}

TEST_F(DiskTest, CarryReleaseAndTrimming) {
  DiskInt d;
  d.Init("U", 2);
  UpdateDiskInt(Put(d, {1e12, 0}));
  EXPECT_EQ(Get(d), V({0, 1}));
  UpdateDiskInt(Put(d, {-1}));
  EXPECT_EQ(Get(d), V({-1}));
  UpdateDiskInt(Put(d, {kBigIntMaxLimb, 1e12}));
  EXPECT_EQ(Get(d), V({kBigIntMaxLimb, 0, 1}));
  d.NAlloc = 2;
  Put(d, {kBigIntMaxLimb, 1e12});
  EXPECT_EXIT(OnStderr([&] { UpdateDiskInt(d); }), testing::ExitedWithCode(kExitFailure),
              "ERROR in UpdateDiskInt, allocation of a is too small");
  d.NAlloc = 10;
  // A negative carry of more than one unit ends in the -1 top.
  UpdateDiskInt(Put(d, {5, -3e12}));
  EXPECT_EQ(Get(d), V({5, 0, 1e12 - 3, -1}));

  UpdateDiskIntSize(Put(d, {5, 0, 0}));
  EXPECT_EQ(d.Size, 1);
  UpdateDiskIntSize(Put(d, {7, kBigIntMaxLimb, kBigIntMaxLimb, -1}));
  EXPECT_EQ(Get(d), V({7, -1}));
  UpdateDiskIntSize(Put(d, {0, 0, -0.0}));
  EXPECT_EQ(Get(d), V({0}));
  UpdateDiskIntSize(Put(d, {kBigIntMaxLimb, kBigIntMaxLimb, -1}));
  EXPECT_EQ(Get(d), V({-1}));

  // Long passes: unreduced limbs (as a product leaves them) over several runs,
  // and a number whose top is far below its Size.
  std::mt19937_64 g(3);
  DiskInt u;
  u.Init("UU", 30000);
  V raw(25000);
  for (auto& x : raw) x = static_cast<double>(g() % (1ULL << 52)) - static_cast<double>(1ULL << 50);
  raw.back() = 1e15;
  Put(u, raw);
  UpdateDiskInt(u);
  EXPECT_EQ(Text(u), fftt::Text(raw.data(), 25000, 12));
  V got = Get(u);
  EXPECT_TRUE(std::all_of(got.begin(), got.end() - 1,
                          [](double x) { return x >= 0 && x <= kBigIntMaxLimb; }));
  V sparse(20000, 0.0);
  sparse[3] = 9;
  UpdateDiskIntSize(Put(u, sparse));
  EXPECT_EQ(u.Size, 4);
  CheckDiskInt(u);
  const double negative = -5;
  WriteLimbs(&negative, u, 1, 2);
  EXPECT_EXIT(OnStderr([&] { CheckDiskInt(u); }), testing::ExitedWithCode(kExitFailure),
              "Check DiskInt KO");
  d.Free();
  u.Free();
}

TEST_F(DiskTest, CopiesAndClearing) {
  std::mt19937_64 g(9);
  fftt::Num b(20000);
  V limbs = Random(g, 17000);
  b.Set(limbs, -3);
  DiskInt x, y;
  x.Init("CX", 20000);
  y.Init("CY", 20000);
  CopyToDiskInt(b.b, x);
  EXPECT_EQ(Get(x), limbs);
  EXPECT_EQ(x.Offset, -3);
  CopyToDiskInt(static_cast<const MPInt&>(b.b), y);
  EXPECT_EQ(Get(y), limbs);
  {
    DiskBufferLoan lend(Disk().BufferSize);
    ZeroLimbs(y, 16990);
    CopyToDiskInt(y, x);
  }
  EXPECT_EQ(Get(x), Get(y));
  EXPECT_EQ(Get(y), [&] {
    V z(17000, 0.0);
    std::copy(limbs.end() - 10, limbs.end(), z.end() - 10);
    return z;
  }());
  x.Free();
  y.Free();
}

// Names fit the files; one live owner per name; a hand-over or a destroyed
// owner keeps the files for the next owner of the name.
TEST_F(DiskTest, NamesAndOwnership) {
  DiskInt a;
  EXPECT_EXIT(OnStderr([&] { a.Init("TwentyCharacterName", 1); a.Init("TwentyCharacterNames", 1); }),
              testing::ExitedWithCode(kExitFailure), "does not fit the file layout");
  EXPECT_EXIT(OnStderr([&] { a.Init("../up", 1); }), testing::ExitedWithCode(kExitFailure),
              "does not fit the file layout");
  a.Init("N", 5);
  DiskInt b;
  EXPECT_EXIT(OnStderr([&] { b.Init("N", 5); }), testing::ExitedWithCode(kExitFailure),
              "two live numbers are named N");
  Put(a, {1, 2, 3}, 7);
  {
    DiskInt result(std::move(a));
    EXPECT_EQ(result.Offset, 7);
    EXPECT_EQ(Get(result), V({1, 2, 3}));
    EXPECT_EXIT(OnStderr([&] { b.Init("N", 5); }), testing::ExitedWithCode(kExitFailure),
                "two live numbers are named N");
    a.Free();  // nameless now: the files are the result's
    EXPECT_TRUE(Exists("N-00"));
    a.Init("M", 5);
  }
  // The owner is gone, its files stay; a new owner of the name reads them.
  b.Init("N", 5);
  b.Size = 3;
  EXPECT_EQ(Get(b), V({1, 2, 3}));
  b.Free();
  EXPECT_FALSE(Exists("N-00"));
}

}  // namespace
