#include "constants/saved_numbers.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "disk/disk_file.h"
#include "disk/disk_int.h"
#include "disk/disk_state.h"
#include "shell/computation.h"
#include "shell/error_report.h"
#include "shell/platform.h"
#include "shell/resume.h"

namespace {

// Calls f(part file name, limbs of d it must hold from its start) for each
// file that holds some of d's limbs.
template <typename F>
void ForEachPartOf(const DiskInt& d, F f) {
  if (d.Size <= 0) return;
  const long part = Disk().PartLimbs;
  const long first = d.FileBase, end = d.FileBase + d.Size;
  char name[kPartNameSize];
  for (long p = first / part; p <= (end - 1) / part; p++) {
    PartFileName(d.FileName, static_cast<int>(p), name);
    f(name, std::min(end - p * part, part));
  }
}

}  // namespace

void WriteDiskIntRecords(FILE* stream, const DiskInt& d) {
  std::fprintf(stream, "%ld\n%ld\n%ld\n", d.Size, d.Offset, d.FileBase);
}

void ReadDiskIntRecords(ParamReader& in, DiskInt& d, long maxSize, long regionSize, bool needed) {
  const std::string name = d.FileName;
  const std::string size = "the size of " + name, offset = "the exponent of " + name,
                    base = "the file position of " + name;
  d.Size = in.Long(size.c_str(), needed ? 1 : 0, maxSize);
  // Integers of the series, or fractions below 1: their exponents stay within a few sizes.
  d.Offset = in.Long(offset.c_str(), -4 * maxSize, 4 * maxSize);
  d.FileBase = in.Long(base.c_str(), 0, regionSize);
  if (d.FileBase != 0 && d.FileBase != regionSize)
    ParamFileDamaged(base + " is not the start of a region: " + std::to_string(d.FileBase));
  ForEachPartOf(d, [&](const char* part, long limbs) {
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(part, ec);
    if (ec) ParamFileDamaged("the file " + std::string(part) + " of its numbers is missing");
    if (bytes < static_cast<uintmax_t>(limbs) * 8)
      ParamFileDamaged("the file " + std::string(part) + " of its numbers is too short");
  });
  if (d.Size > 0) {
    double top = 0;
    ReadLimbs(d, &top, 1, d.Size - 1);
    if (!(top == -1 || (top >= 1 && top < 1e12 && top == std::floor(top))))
      ParamFileDamaged("the files of " + name + " do not hold the number it describes");
  }
}

int SaveState(ConstantComputation& c, std::initializer_list<const DiskInt*> numbers,
              bool stopAnyway) {
  for (const DiskInt* d : numbers)
    ForEachPartOf(*d, [](const char* part, long) {
      if (!SyncFile(part))
        SystemError("Check the disk of the working directory; the state saved before is kept.",
                    "Cannot flush the file %s to the disk (%s)", part, std::strerror(errno));
    });
  SaveParamFile(c);
  return TimeThresholdReached(c) || stopAnyway;
}

void InitRunScratch(DiskInt& d, const char* name, long n, bool resumed) {
  if (resumed) {
    d.Init(name, n);
    d.Free();
  }
  InitScratchDiskInt(d, name, n);
}
