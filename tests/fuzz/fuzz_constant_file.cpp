// libFuzzer target: the reader of ".numora" files. Any content must be read
// or refused with a reason, never crash or hang; a constant that is read can
// be written back and read again.
#include <cstdint>
#include <cstdio>
#include <string>

#include "userconst/user_constant.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitSmallIntConstants();
  if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
  return 0;
}

namespace {

FILE* FileOf(const std::string& content) {
  FILE* f = std::tmpfile();
  std::fwrite(content.data(), 1, content.size(), f);
  std::rewind(f);
  return f;
}

std::string Contents(FILE* f) {
  std::rewind(f);
  std::string s;
  int ch;
  while ((ch = std::fgetc(f)) != EOF) s.push_back(static_cast<char>(ch));
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* in = FileOf(std::string(reinterpret_cast<const char*>(data), size));
  UserConstantComputation c;
  std::string why;
  const int ok = c.Unstream(in, &why);
  std::fclose(in);
  if (!ok) {
    if (why.empty()) __builtin_trap();
    return 0;
  }
  c.ApproximateValue();
  c.Digits = 100000;
  double memory, disk;
  c.EstimateMemory(1 << 16, &memory, &disk);

  FILE* out = std::tmpfile();
  c.WriteUserConstantFile(out);
  const std::string written = Contents(out);
  std::fclose(out);
  UserConstantComputation again;
  in = FileOf(written);
  if (!again.Unstream(in, &why)) __builtin_trap();
  std::fclose(in);
  if (again.GetConstantName() != c.GetConstantName() || again.GetComments() != c.GetComments() ||
      again.GetSeriesCount() != c.GetSeriesCount())
    __builtin_trap();
  return 0;
}
