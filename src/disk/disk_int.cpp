#include "disk/disk_int.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "disk/disk_file.h"
#include "disk/disk_state.h"
#include "shell/error_report.h"
#include "shell/files.h"

namespace {

// Calls move(fileName, bufferIndex, position, count) for the piece of positions
// [first, first + count) that lies in each part file.
template <typename Move>
void ForEachPart(const DiskInt& d, int64_t first, int64_t count, Move move) {
  if (count == 0) return;
  // A number never named, or handed over, has no files of its own.
  if (d.FileName[0] == '\0') error("ERROR, a disk number without a name is used");
  if (first < 0 || count < 0)
    errorf("ERROR in DiskInt %s, limbs %lld .. %lld are outside the number", d.FileName,
           static_cast<long long>(first), static_cast<long long>(first + count - 1));
  const int64_t part = Disk().PartLimbs;
  const int64_t last = (first + count - 1) / part;
  if (last >= kMaxParts)
    errorf("ERROR in DiskInt %s, limb position %lld lies beyond the last file", d.FileName,
           static_cast<long long>(first + count - 1));
  char name[kPartNameSize];
  int64_t done = 0;
  for (int64_t f = first / part; f <= last; f++) {
    const int64_t lo = std::max(first, f * part) - f * part;
    const int64_t hi = std::min(first + count, (f + 1) * part) - f * part;
    PartFileName(d.FileName, static_cast<int>(f), name);
    move(name, done, lo, hi - lo);
    done += hi - lo;
  }
}

void Register(const DiskInt* d, const char* name) {
  auto [it, added] = Disk().LiveNames.emplace(name, d);
  if (!added) errorf("ERROR in DiskInt::Init, two live numbers are named %s", name);
}

void Unregister(const DiskInt* d) {
  auto& live = Disk().LiveNames;
  auto it = live.find(d->FileName);
  if (it != live.end() && it->second == d) live.erase(it);
}

// Packed numbers: groups of three limbs in two cells of 8 bytes.
void ReadPacked(const DiskInt& d, double* dst, long count, long start) {
  constexpr long kGroups = 4000;
  std::vector<double> cells(2 * kGroups);
  long i = start;
  const long end = start + count;
  while (i < end) {
    const long g0 = i / 3;
    const long g1 = std::min((end - 1) / 3 + 1, g0 + kGroups);
    ReadLimbs(d, cells.data(), 2 * (g1 - g0), 2 * g0);
    for (long g = g0; g < g1; g++) {
      uint32_t w[4];
      double limbs[3];
      std::memcpy(w, &cells[2 * (g - g0)], sizeof w);
      UnpackLimbs(w, limbs);
      for (int k = 0; k < 3; k++) {
        const long j = 3 * g + k;
        if (j >= i && j < end) dst[j - start] = limbs[k];
      }
    }
    i = 3 * g1;
  }
}

}  // namespace

DiskInt::~DiskInt() {
  if (!Borrowed) Unregister(this);
}

DiskInt::DiskInt(const DiskInt& d, BorrowTag)
    : MPInt(d),
      NAlloc(d.NAlloc),
      Offset(d.Offset),
      FileBase(d.FileBase),
      Packed(d.Packed),
      Borrowed(true) {
  std::memcpy(FileName, d.FileName, sizeof FileName);
}

DiskInt::DiskInt(DiskInt&& from) noexcept
    : MPInt(from),
      NAlloc(from.NAlloc),
      Offset(from.Offset),
      FileBase(from.FileBase),
      Packed(from.Packed),
      Borrowed(from.Borrowed) {
  std::memcpy(FileName, from.FileName, sizeof FileName);
  if (!Borrowed) {
    auto& live = Disk().LiveNames;
    auto it = live.find(FileName);
    if (it != live.end() && it->second == &from) it->second = this;
  }
  from.FileName[0] = '\0';
  from.Size = 0;
}

long DiskInt::Init(const char* name, long n) {
  if (Borrowed) error("ERROR in DiskInt::Init, a view cannot be given a name");
  const size_t len = std::strlen(name);
  if (len == 0 || len >= kDiskNameSize || std::strpbrk(name, "/\\") != nullptr)
    errorf("ERROR in DiskInt::Init, the name \"%.40s\" does not fit the file layout "
           "(1 to %d characters, no path)", name, kDiskNameSize - 1);
  if (std::strcmp(name, FileName) != 0) {
    Register(this, name);
    Unregister(this);
    std::memcpy(FileName, name, len + 1);
  }
  FileBase = 0;
  NAlloc = n + 1;
  Offset = 0;
  Size = 0;
  return n + 1;
}

void DiskInt::Free() {
  if (Borrowed || FileName[0] == '\0') return;
  // Every part that exists: a number may have been written above its capacity
  // or from a raised file base.
  char name[kPartNameSize];
  for (int f = 0; f < kMaxParts; f++) {
    PartFileName(FileName, f, name);
    RemoveFileIfPresent(name);
  }
}

void DiskInt::WriteToBuffer(double* dst, long count, long start) const {
  if (Packed)
    ReadPacked(*this, dst, count, start);
  else
    ReadLimbs(*this, dst, count, start);
}

void DiskInt::SetFileBase(long base) {
  const long delta = base - FileBase;
  FileBase = base;
  Size = std::max(Size - delta, 0L);
  Offset += delta;
}

void InitNewDiskInt(DiskInt& d, const char* name, long n) {
  char part[kPartNameSize];
  for (int f = 0; f < kMaxParts; f++) {
    PartFileName(name, f, part);
    std::error_code ec;
    if (std::filesystem::exists(part, ec) || ec)
      Refuse("The file %s exists in the working directory: the new computation would write\n"
             "over it and then remove it. It may be left by a computation that was killed,\n"
             "or whose parameter file \"ParamNumora\" was deleted. Delete it (and the other\n"
             "files whose names start with %s-) or move it away, or start Numora in another\n"
             "directory.",
             part, name);
  }
  d.Init(name, n);
}

void InitScratchDiskInt(DiskInt& d, const char* name, long n) {
  InitNewDiskInt(d, name, n);
  // The parts it may reach: a result may pass its capacity by a carry limb, a
  // Newton iterate by its shift.
  char part[kPartNameSize];
  const int64_t last = std::min<int64_t>((2 * d.NAlloc + 8) / Disk().PartLimbs, kMaxParts - 1);
  for (int64_t f = 0; f <= last; f++) {
    PartFileName(name, static_cast<int>(f), part);
    RegisterScratchFile(part);
  }
}

DiskIntView::DiskIntView(const DiskInt& d, long k) : DiskInt(d, BorrowTag{}) {
  FileBase += k;
  Offset += k;
  Size = std::max(Size - k, 0L);
  NAlloc = std::max(NAlloc - k, 0L);
}

void ReadLimbs(const DiskInt& d, double* buf, long count, long start) {
  ForEachPart(d, start + d.FileBase, count,
              [buf](const char* name, int64_t at, int64_t pos, int64_t n) {
                ReadBuffer(name, buf + at, pos, n);
              });
}

void WriteLimbs(const double* buf, DiskInt& d, long count, long start) {
  ForEachPart(d, start + d.FileBase, count,
              [buf](const char* name, int64_t at, int64_t pos, int64_t n) {
                WriteBuffer(name, buf + at, pos, n);
              });
}

void WriteLimbsClipped(const double* buf, DiskInt& d, long count, long start) {
  if (start < 0) {
    const long skip = std::min(-start, count);
    buf += skip;
    count -= skip;
    start = 0;
  }
  WriteLimbs(buf, d, count, start);
}

void PackLimbs(double a, double b, double c, uint32_t w[4]) {
  // Limbs are whole numbers below 10^12: the integer split is exact.
  const uint64_t x = static_cast<uint64_t>(a), y = static_cast<uint64_t>(b),
                 z = static_cast<uint64_t>(c);
  w[0] = static_cast<uint32_t>(x % 1000000000);
  w[1] = static_cast<uint32_t>(y % 1000000 * 1000 + x / 1000000000);
  w[2] = static_cast<uint32_t>(z % 1000 * 1000000 + y / 1000000);
  w[3] = static_cast<uint32_t>(z / 1000);
}

void UnpackLimbs(const uint32_t w[4], double limbs[3]) {
  limbs[0] = w[0] + static_cast<double>(w[1] % 1000) * 1e9;
  limbs[1] = static_cast<double>(w[1] / 1000) + static_cast<double>(w[2] % 1000000) * 1e6;
  limbs[2] = static_cast<double>(w[2] / 1000000) + static_cast<double>(w[3]) * 1000;
}
