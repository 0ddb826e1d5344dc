// The files of a disk number, its description and the maintenance passes.
#include <sys/stat.h>

#include <cstring>
#include <random>

#include "disk_test_util.h"

namespace {

using namespace diskt;

double Bytes(const char* name) {
  struct stat st {};
  return stat(name, &st) == 0 ? static_cast<double>(st.st_size) : -1;
}

// Part files, positions, packed numbers.
TEST_F(DiskTest, PartFiles) {
  Disk().PartLimbs = 1000;
  std::mt19937_64 g(7);
  V limbs = Random(g, 2500), window(30);
  DiskInt &x = Number("X", 2500), &xx = Number("XX", 10);
  const double written = Disk().BytesWritten;
  Put(x, limbs);
  EXPECT_EQ(V({Bytes("X-00"), Bytes("X-01"), Bytes("X-02"), Bytes("X-03")}),
            V({8000, 8000, 4000, -1}));
  EXPECT_EQ(Disk().BytesWritten - written, 20000);
  ReadLimbs(x, window.data(), 30, 985);
  EXPECT_EQ(window, V(limbs.begin() + 985, limbs.begin() + 1015));
  // In place, never truncated; a clipped write skips what lies below limb 0.
  const double v[3] = {5, 6, 7};
  WriteLimbs(v, x, 1, 1500);
  WriteLimbsClipped(v, x, 3, -2);
  limbs[1500] = 5;
  limbs[0] = 7;
  EXPECT_EQ(Get(x), limbs);
  // Count 0 touches no file, even of a number never written.
  ReadLimbs(xx, window.data(), 0, 5);
  EXPECT_EQ(Bytes("XX-00"), -1);
  // Free removes every part that exists (part 04 was written through a view)
  // and no other number's.
  WriteLimbs(v, xx, 1, 0);
  Put(DiskIntView(x, 4200), {1});
  x.Free();
  EXPECT_EQ(V({Bytes("X-00"), Bytes("X-02"), Bytes("X-04"), Bytes("XX-00")}), V({-1, -1, -1, 8}));

  // Production parts: positions beyond 2^31 limbs (sparse files), a run
  // across a part boundary, the two-digit index that ends at 99.
  Disk().PartLimbs = kPartLimbs;
  for (long base : {(1L << 31) + 3, kPartLimbs - 2}) {
    x.FileBase = base;
    WriteLimbs(v, x, 3, 0);
    ReadLimbs(x, window.data(), 3, 0);
    EXPECT_EQ(V(window.begin(), window.begin() + 3), V(v, v + 3));
  }
  EXPECT_EQ(Bytes("X-08"), 8 * ((1L << 31) + 6 - 8 * kPartLimbs));
  EXPECT_EQ(Bytes("X-01"), 8);
  x.Free();
  EXPECT_FATAL(WriteLimbs(v, x, 1, 100 * kPartLimbs), "limb position .* beyond the last file");

  // The packed layout (its example group is checked with the compressed
  // results): 5000 groups over parts of 3000 cells, read back in windows of
  // every alignment.
  uint32_t w[4];
  Disk().PartLimbs = 3000;
  limbs = Random(g, 15000);
  V cells(10000);
  for (long i = 0; i < 5000; i++) {
    PackLimbs(limbs[3 * i], limbs[3 * i + 1], limbs[3 * i + 2], w);
    std::memcpy(&cells[2 * i], w, sizeof w);
  }
  Put(xx, cells).Packed = 1;
  xx.Size = 15000;
  for (long start : {0L, 1L, 2L, 4499L, 14990L}) {
    for (long count : {1L, 4L, 15000L - start}) {
      window.resize(count);
      xx.WriteToBuffer(window.data(), count, start);
      EXPECT_EQ(window, V(limbs.begin() + start, limbs.begin() + start + count)) << start;
    }
  }
}

// Views borrow files; one live owner per name; a hand-over or a destroyed
// owner leaves the files to the next owner of the name.
TEST_F(DiskTest, ViewsAndOwners) {
  DiskInt d, b;
  d.Init("D", 20);
  Put(d, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, -4).SetFileBase(3);
  EXPECT_EQ(Get(d), V({3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(d.Offset, -1);
  d.SetFileBase(0);
  DiskIntView above(d, d.Size), top(d, 8);
  EXPECT_EQ(V({0, 11, 6}), V({1. * above.Size, 1. * above.NAlloc, 1. * above.Offset}));
  Put(above, {42, 43}).Free();
  EXPECT_EQ(Get(top), V({8, 9}));
  EXPECT_EQ(Get(DiskIntView(above)), V({42, 43}));

  EXPECT_FATAL(b.Init("../D", 1), "does not fit the file layout");
  EXPECT_FATAL(b.Init("D", 5), "two live numbers are named D");
  {
    DiskInt result(std::move(d));
    EXPECT_EQ(Get(result), V({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_FATAL(b.Init("D", 5), "two live numbers are named D");
    d.Free();  // nameless now: the files are the result's
    EXPECT_FATAL(Put(d, {1}), "without a name");
  }
  b.Init("D", 5);
  b.Size = 2;
  EXPECT_EQ(Get(b), V({0, 1}));
  b.Free();
  EXPECT_FALSE(fs::exists("D-00"));
}

TEST_F(DiskTest, MaintenancePasses) {
  const double M = kBigIntMaxLimb;
  DiskInt &d = Number("U", 30000), &x = Number("CX", 20000);
  // Input, capacity, after the carry release, after the trimming alone.
  for (auto [in, nAlloc, carried, trimmed] :
       {std::tuple(V{1e12, 0}, 3L, V{0, 1}, V{1e12}), {V{-1}, 3L, V{-1}, V{-1}},
        {V{M, 1e12}, 3L, V{M, 0, 1}, V{M, 1e12}},
        {V{5, -3e12}, 5L, V{5, 0, 1e12 - 3, -1}, V{5, -3e12}}, {V{5, 0, 0}, 3L, V{5}, V{5}},
        {V{7, M, M, -1}, 4L, V{7, -1}, V{7, -1}}, {V{M, M, -1}, 3L, V{-1}, V{-1}},
        {V{0, 0, -0.0}, 3L, V{0}, V{0}}}) {
    d.NAlloc = nAlloc;
    UpdateDiskInt(Put(d, in));
    EXPECT_EQ(Get(d), carried) << Dec(in);
    UpdateDiskIntSize(Put(d, in));
    EXPECT_EQ(Get(d), trimmed) << Dec(in);
  }
  d.NAlloc = 2;
  EXPECT_FATAL(UpdateDiskInt(Put(d, {M, 1e12})), "UpdateDiskInt, allocation of a is too small");

  // Over several runs: unreduced limbs as a product leaves them, a top far
  // below Size, copies from memory and disk, clearing, the limb check.
  d.NAlloc = 30001;
  std::mt19937_64 g(3);
  V raw(25000), sparse(20000, 0.0);
  for (auto& v : raw) v = static_cast<double>(g() % (1ULL << 52)) - 0x1p50;
  UpdateDiskInt(Put(d, raw));
  EXPECT_EQ(Text(d), Dec(raw));
  EXPECT_TRUE(Normal(d));
  sparse[3] = 9;
  UpdateDiskIntSize(Put(d, sparse));
  EXPECT_EQ(d.Size, 4);
  mpt::Num b(20000);
  V limbs = Random(g, 17000), tail(17000, 0.0);
  CopyToDiskInt(b.Set(limbs, -3), d);
  {
    DiskBufferLoan lend(Disk().BufferSize);
    ZeroLimbs(d, 16990);
    CopyToDiskInt(static_cast<const MPInt&>(d), x);
  }
  std::copy(limbs.end() - 10, limbs.end(), tail.end() - 10);
  EXPECT_EQ(Get(x), tail);
  EXPECT_EQ(x.Offset, -3);
  CheckDiskInt(x);
  EXPECT_FATAL(CheckDiskInt(Put(x, {1, -5, 1})), "Check DiskInt KO");
}

}  // namespace
