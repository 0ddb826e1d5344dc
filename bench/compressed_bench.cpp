// Compressed results and the Pi check, in processor time:
// - for each digit count: CompressResult of a number of random limbs, the bytes
//   on disk per 36 digits, opening the pair (info, part sizes, every word),
//   all digits written as text in the default layout, and 10 digits every 100
//   (short reads through the window of limbs);
// - the second step of the check (the seven digit-extraction sums) at the
//   binary position of each digit count.
//   compressed_bench [digit counts to compress, default 1e7] -- [digit counts to check]
// Files go to a fresh folder under the system's temporary folder, removed at the end.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "mpint/mpint.h"
#include "output/compressed.h"
#include "output/digit_writer.h"
#include "verify/digit_extraction.h"

namespace {

namespace fs = std::filesystem;

double Cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// A number in memory whose limbs the benchmark sets: D random decimals after "3.".
struct Limbs : MPInt {
  std::vector<double> limbs;
  explicit Limbs(double digits) : limbs(static_cast<size_t>(digits / 12) + 2) {
    std::mt19937_64 g(1);
    for (double& x : limbs) x = static_cast<double>(g() % 1000000000000);
    limbs.back() = 3;
    Size = static_cast<long>(limbs.size());
  }
  int GetType() const override { return 2; }
  int GetNbDecPerLimb() const override { return 12; }
  long GetOffset() const override { return 1 - Size; }
  void WriteToBuffer(double* dst, long count, long start) const override {
    std::copy_n(limbs.data() + start, count, dst);
  }
};

void Compress(double digits) {
  const Limbs x(digits);
  double t = Cpu();
  CompressResult(x, digits, "Bench", 1 << 20);
  const double pack = Cpu() - t;
  double bytes = 0;
  for (const auto& e : fs::directory_iterator("."))
    if (e.path().filename().string().rfind("Bench-", 0) == 0 && e.path().filename() != "Bench-info")
      bytes += static_cast<double>(e.file_size());

  CompressedNumber y;
  t = Cpu();
  const std::string damaged = y.Open("Bench");
  const double open = Cpu() - t;
  if (!damaged.empty()) std::printf("%s\n", damaged.c_str());
  FILE* out = std::fopen("bench.txt", "w");
  t = Cpu();
  PrintDigits(y, out, 1, 0, digits, OutputFormat{});
  const double all = Cpu() - t;
  t = Cpu();
  for (double p = 0; p < digits; p += 100) PrintDigits(y, out, 1, p, p + 10, OutputFormat{});
  const double sparse = Cpu() - t;
  std::fclose(out);
  std::printf(
      "%.0e digits: compress %.2f s, %.0f bytes (%.3f per 36 digits), open and check %.2f s,\n"
      "    all digits as text %.2f s, 10 every 100 digits %.2f s\n",
      digits, pack, bytes, bytes / digits * 36, open, all, sparse);
  for (const auto& e : fs::directory_iterator(".")) fs::remove(e.path());
}

void SecondStep(double digits) {
  const double p = std::floor(digits * std::log(10.0) / std::log(2.0)) + 1;
  const double t = Cpu();
  const double f = PiBinaryFraction(static_cast<int64_t>(p));
  std::printf("%.0e digits: second step at binary position %.0f: %.2f s (fraction %.10f)\n", digits,
              p, Cpu() - t, f);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<double> compress, check;
  bool second = false;
  for (int i = 1; i < argc; i++) {
    if (std::string(argv[i]) == "--") {
      second = true;
      continue;
    }
    (second ? check : compress).push_back(std::atof(argv[i]));
  }
  if (argc == 1) compress = {1e7}, check = {1e6, 1e7};
  const fs::path dir = fs::temp_directory_path() / ("numora-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);
  for (double d : compress) Compress(d);
  for (double d : check) SecondStep(d);
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(dir);
}
