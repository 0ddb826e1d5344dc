#include "shell/user_entries.h"

#include <cstdio>
#include <cstdlib>

#include "shell/error_report.h"

namespace {

[[noreturn]] void Unavailable(const char* what) {
  Refuse("%s is not available in this version of Numora.", what);
}

}  // namespace

void DecompressResult(const std::string&, double, long, long) {
  Unavailable("The decompression of results");
}
void CheckCompressedPi(const char*) { Unavailable("The check of a compressed Pi result"); }
