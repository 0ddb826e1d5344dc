#include "disk/disk_file.h"

#include <sys/types.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "disk/disk_state.h"
#include "shell/clock.h"
#include "shell/error_report.h"

// The files hold the doubles as they are in memory; stored results are little-endian.
static_assert(std::endian::native == std::endian::little, "the limb files are little-endian");
static_assert(sizeof(off_t) >= 8, "file positions need 64 bits (_FILE_OFFSET_BITS=64)");

void PartFileName(const char* base, int part, char* name) {
  std::snprintf(name, kPartNameSize, "%s-%02d", base, part);
}

namespace {

// A file that cannot be written (a full disk) or read back (removed or cut
// short behind the program's back) is the machine's fault, not the arithmetic's.
constexpr char kWriteAdvice[] =
    "Check that the working directory can be written and has free space, then start the "
    "computation again.";
constexpr char kReadAdvice[] =
    "A file of the computation is missing or damaged: start the computation again.";

[[noreturn]] void FileError(const char* advice, const char* what, const char* fileName,
                            const char* why) {
  SystemError(advice, "%s (file %s: %s)", what, fileName, why);
}

// The bytes that may still be written before the injected failure.
size_t WritableBytes(size_t bytes) {
  int64_t& budget = Disk().WriteBudget;
  if (budget < 0) return bytes;
  size_t allowed = std::min(bytes, static_cast<size_t>(budget));
  budget -= static_cast<int64_t>(allowed);
  return allowed;
}

}  // namespace

void WriteBuffer(const char* fileName, const double* buf, int64_t start, int64_t count) {
  FILE* f = std::fopen(fileName, "r+b");
  // Only a missing file is created: "w+b" on any other failure would truncate it.
  if (f == nullptr && errno == ENOENT) f = std::fopen(fileName, "w+b");
  if (f == nullptr)
    FileError(kWriteAdvice, "ERROR in WriteBuffer, the file cannot be opened", fileName,
              std::strerror(errno));
  StartTimer(kTimerDiskWrite);
  if (fseeko(f, static_cast<off_t>(start) * 8, SEEK_SET) != 0)
    FileError(kWriteAdvice, "ERROR in WriteBuffer, fseek in file cannot be done", fileName,
              std::strerror(errno));
  const size_t bytes = static_cast<size_t>(count) * 8;
  const size_t allowed = WritableBytes(bytes);
  size_t written = std::fwrite(buf, 1, allowed, f);
  if (written < bytes) {
    const char* why = allowed < bytes ? "no space left (injected)" : std::strerror(errno);
    FileError(kWriteAdvice, "ERROR in WriteBuffer, write in file did not succeed", fileName, why);
  }
  Disk().BytesWritten += static_cast<double>(bytes);
  StopTimer(kTimerDiskWrite);
  // The buffered bytes reach the file here: a full disk often shows only now.
  if (std::fclose(f) != 0)
    FileError(kWriteAdvice, "ERROR in WriteBuffer, write in file did not succeed", fileName,
              std::strerror(errno));
}

void ReadBuffer(const char* fileName, double* buf, int64_t start, int64_t count) {
  FILE* f = std::fopen(fileName, "rb");
  if (f == nullptr)
    FileError(kReadAdvice, "ERROR in ReadBuffer, the file cannot be opened", fileName,
              std::strerror(errno));
  StartTimer(kTimerDiskRead);
  if (fseeko(f, static_cast<off_t>(start) * 8, SEEK_SET) != 0)
    FileError(kReadAdvice, "ERROR in ReadBuffer, fseek in file cannot be done", fileName,
              std::strerror(errno));
  const size_t bytes = static_cast<size_t>(count) * 8;
  size_t got = std::fread(buf, 1, bytes, f);
  if (got < bytes) {
    char why[96];
    std::snprintf(why, sizeof why, "%zu of %zu bytes at byte %lld", got, bytes,
                  static_cast<long long>(start) * 8);
    FileError(kReadAdvice, "ERROR in ReadBuffer, read in file did not succeed", fileName, why);
  }
  Disk().BytesRead += static_cast<double>(bytes);
  StopTimer(kTimerDiskRead);
  std::fclose(f);
}

void RemoveFileIfPresent(const char* fileName) {
  if (std::remove(fileName) != 0 && errno != ENOENT)
    FileError(kWriteAdvice, "ERROR, a file of a disk number cannot be removed", fileName,
              std::strerror(errno));
}
