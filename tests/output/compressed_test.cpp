// Compressed results: the packed layout byte for byte, reading back across
// runs and part files, replacement of an earlier pair (also by a run that
// fails), and every kind of damaged or missing file.
#include "output/compressed.h"

#include <cstring>
#include <fstream>
#include <random>

#include "disk/disk_test_util.h"
#include "vec_number.h"

namespace {

namespace fs = std::filesystem;
using diskt::DiskTest;
using fs::exists;

void Write(const std::string& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}
std::vector<uint32_t> Words(const std::string& file) {
  const std::string bytes = scratch::ReadFile(file);
  std::vector<uint32_t> w(bytes.size() / 4);
  std::memcpy(w.data(), bytes.data(), 4 * w.size());
  return w;
}
std::vector<double> Limbs(const MPInt& x, long count, long start) {
  std::vector<double> v(count);
  x.WriteToBuffer(v.data(), count, start);
  return v;
}
VecNumber Random(std::mt19937_64& g, long n) { return VecNumber(diskt::Random(g, n), 1 - n); }

TEST_F(DiskTest, PackedLayoutAndInfoFile) {
  // Three limbs in four words, and 4 limbs as two groups padded to P = 6.
  CompressResult(VecNumber({123456789012, 345678901234, 567890123456}, -3), 30, "Three", 2048);
  EXPECT_EQ(Words("Three-00"), (std::vector<uint32_t>{456789012, 901234123, 456345678, 567890123}));
  CompressResult(VecNumber({1, 2, 3, 999999999999}, -3), 36, "Four", 65536);
  EXPECT_EQ(Words("Four-00"), (std::vector<uint32_t>{1, 2000, 3000000, 0, 999999999, 999, 0, 0}));
  EXPECT_EQ(scratch::ReadFile("Four-info"), "36\n6\n-3\n65536\n");
  CompressedNumber four;
  ASSERT_EQ(four.Open("Four", true), "");
  EXPECT_EQ(Limbs(four, 6, 0), (std::vector<double>{1, 2, 3, 999999999999, 0, 0}));
  EXPECT_EQ(Capture([&](FILE* f) { PrintDigits(four, f, 1, 0, 36, {}); }),
            "999999999999.\n0000000000 0300000000 0002000000 000001\n");
}

TEST_F(DiskTest, ReadBackAcrossRunsPartsAndWindows) {
  Disk().PartLimbs = 4000;  // 6000 limbs a part: runs of 7998 limbs cross files
  std::mt19937_64 g(7);
  const VecNumber x = Random(g, 150000);
  CompressResult(x, 12 * 149999, "X", 1024);
  EXPECT_TRUE(exists("X-24") && !exists("X-25"));
  CompressedNumber y;
  ASSERT_EQ(y.Open("X"), "");
  EXPECT_EQ(Limbs(y, 150000, 0), x.limbs);
  // Short reads going down, then up, then anywhere: the same limbs as the source.
  for (long i = 0; i < 300; i++) {
    const long count = 1 + static_cast<long>(g() % 40);
    const long start = i < 100   ? 149000 - 700 * i
                       : i < 200 ? 900 * (i - 100)
                                 : g() % (150000 - count);
    ASSERT_EQ(Limbs(y, count, start), Limbs(x, count, start)) << start;
  }
  // A shorter result replaces it whole; a run that fails half way leaves it.
  CompressResult(Random(g, 9000), 12 * 8999, "X", 1024);
  EXPECT_TRUE(exists("X-01") && !exists("X-02") && !exists("X-24"));
  const std::string info = scratch::ReadFile("X-info"), data = scratch::ReadFile("X-00");
  Disk().WriteBudget = 20000;
  EXPECT_FATAL(CompressResult(x, 12 * 149999, "X", 1024), "no space left");
  EXPECT_EQ(scratch::ReadFile("X-info"), info);
  EXPECT_EQ(scratch::ReadFile("X-00"), data);
  EXPECT_FALSE(exists(".packing-00") || exists(".packing-info"));
}

TEST_F(DiskTest, DamagedOrMissingFilesNameTheFile) {
  const auto make = [] { CompressResult(VecNumber({1, 2, 3, 4}, -4), 40, "D", 2048); };
  // Each message names the file; the fragments below say what is wrong with it.
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[] { fs::remove("D-info"); }, "file D-info: no compressed result of D is here."},
      {[] { Write("D-info", "40\nsix\n"); }, "D-info is damaged: it does not describe a"},
      {[] { Write("D-info", "40\n7\n-4\n"); }, "D-info is damaged: the length 7 is not a"},
      {[] { Write("D-info", "40\n6\n-3\n"); }, "D-info is damaged: the exponent -3 does not"},
      {[] { Write("D-info", "40\n6\n-4\n3000\n"); }, "D-info is damaged: the FFT size 3000"},
      {[] { Write("D-info", "40\n9\n-4\n"); }, "D-00 is damaged: it holds 32 bytes where D-in"},
      {[] { fs::resize_file("D-00", 31); }, "D-00 is damaged: it holds 31 bytes where D-info"},
      {[] { fs::remove("D-00"); }, "The file D-00 of the compressed result D is missing."},
      {[] {
         std::fstream f("D-00", std::ios::in | std::ios::out | std::ios::binary);
         f.seekp(20);
         f.write("\x00\xca\x9a\x3b", 4);  // 10^9
       },
       "D-00 is damaged: the word at byte 20 holds 1000000000, more than nine decimal digits."},
  };
  for (const auto& [damage, message] : cases) {
    make();
    damage();
    EXPECT_NE(CompressedNumber().Open("D").find(message), std::string::npos) << message;
  }
  make();
  Write("D-info", "40\n6\n-4\n");  // the FFT size only the check needs
  EXPECT_EQ(CompressedNumber().Open("D"), "");
  EXPECT_NE(CompressedNumber().Open("D", true).find("(the FFT size is missing)"),
            std::string::npos);
  for (const char* name : {"", "TwentyCharactersName", ".packing", "a/b"})
    EXPECT_NE(CompressedNameRefusal(name), "") << name;
  EXPECT_EQ(CompressedNameRefusal("NineteenCharacters1"), "");
}

}  // namespace
