#include "output/compressed.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "disk/disk_file.h"
#include "disk/disk_state.h"
#include "shell/error_report.h"
#include "shell/files.h"

namespace {

namespace fs = std::filesystem;

// The pair is written under these names and renamed when complete. Constant
// names never begin with '.', so no result can be called so.
constexpr char kAsideName[] = ".packing";
constexpr char kAsideInfo[] = ".packing-info";

// Limbs packed per run: a multiple of 3, so that only the last run is padded.
constexpr long kRunLimbs = 7998;
// Limbs held by the reading window of a CompressedNumber, and cells per run
// of the word check.
constexpr long kWindowLimbs = 1 << 16;
constexpr long kCheckCells = 1 << 16;
// Longest info file read: four numbers need far less.
constexpr size_t kMaxInfoBytes = 4096;
constexpr double kWordBase = 1e9;

const char kFileAdvice[] =
    "Check that the working directory can be written and has free space, "
    "then start Numora again.";

std::string InfoName(const std::string& name) { return name + "-info"; }

std::string PartName(const std::string& base, long part) {
  char name[kPartNameSize];
  PartFileName(base.c_str(), static_cast<int>(part), name);
  return name;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

void RenameOrDie(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0)
    SystemError(kFileAdvice, "Cannot rename %s to %s (%s)", from.c_str(), to.c_str(),
                std::strerror(errno));
}

// Part files that hold the given number of cells.
long PartCount(long cells) {
  return static_cast<long>((cells + Disk().PartLimbs - 1) / Disk().PartLimbs);
}

// The largest length in limbs that the part files can hold.
long MaxStoredLimbs() { return static_cast<long>(kMaxParts * Disk().PartLimbs / 2 * 3); }

bool IsWhole(double v) { return std::isfinite(v) && v == std::floor(v); }

}  // namespace

std::string CompressedNameRefusal(const std::string& name) {
  if (!name.empty() && name.size() < static_cast<size_t>(kDiskNameSize) && name[0] != '.' &&
      name.find_first_of("/\\") == std::string::npos)
    return "";
  return Format(
      "The name \"%.40s\" cannot name a compressed result: it needs 1 to %d "
      "characters, no path and no leading '.'.",
      name.c_str(), kDiskNameSize - 1);
}

bool CanCompress(const MPInt& number) { return number.Sign() != -1; }

void CompressResult(const MPInt& number, double digits, const char* name, long fftSize) {
  if (number.GetNbDecPerLimb() != 12) error("This base size is not treated yet in the compression");
  const std::string refused = CompressedNameRefusal(name);
  if (!refused.empty()) errorf("ERROR in CompressResult: %s", refused.c_str());
  if (!CanCompress(number)) error("ERROR in CompressResult, a negative number cannot be packed");

  const long n = number.Size;
  const long groups = (n + 2) / 3;
  const long parts = PartCount(2 * groups);
  DiskInt packed;
  packed.Init(kAsideName, n);
  // Files left by a run that failed here would keep stale bytes beyond the new end.
  packed.Free();
  for (long f = 0; f < parts; f++) RegisterScratchFile(PartName(kAsideName, f));
  RegisterScratchFile(kAsideInfo);

  std::vector<double> limbs(kRunLimbs);
  std::vector<double> cells(2 * kRunLimbs / 3);
  for (long i = 0; i < n; i += kRunLimbs) {
    const long len = std::min(kRunLimbs, n - i);
    const long runGroups = (len + 2) / 3;
    number.WriteToBuffer(limbs.data(), len, i);
    std::fill(limbs.begin() + len, limbs.begin() + 3 * runGroups, 0.0);
    for (long g = 0; g < runGroups; g++) {
      for (long j = 3 * g; j < 3 * g + 3; j++)
        if (!(limbs[j] >= 0 && limbs[j] < 1e12 && limbs[j] == std::floor(limbs[j])))
          errorf("ERROR in CompressResult, limb %ld (%.17g) is not a normalised limb", i + j,
                 limbs[j]);
      uint32_t w[4];
      PackLimbs(limbs[3 * g], limbs[3 * g + 1], limbs[3 * g + 2], w);
      std::memcpy(&cells[2 * g], w, sizeof w);
    }
    WriteLimbs(cells.data(), packed, 2 * runGroups, 2 * (i / 3));
  }

  FILE* info = OpenOrDie(kAsideInfo, "w");
  std::fprintf(info, "%.0lf\n", digits);
  std::fprintf(info, "%.0lf\n", static_cast<double>(3 * groups));
  std::fprintf(info, "%.0lf\n", static_cast<double>(number.GetOffset()));
  std::fprintf(info, "%ld\n", fftSize);
  CloseOrDie(info, kAsideInfo);

  // In place: the old info first, so that at every moment the info file on
  // disk (if any) describes the data beside it.
  const std::string infoName = InfoName(name);
  if (std::remove(infoName.c_str()) != 0 && errno != ENOENT)
    SystemError(kFileAdvice, "Cannot replace the file %s (%s)", infoName.c_str(),
                std::strerror(errno));
  for (long f = 0; f < kMaxParts; f++) {
    const std::string part = PartName(name, f);
    if (f < parts) {
      RenameOrDie(PartName(kAsideName, f), part);
      ForgetScratchFile(PartName(kAsideName, f));
    } else {
      RemoveFileIfPresent(part.c_str());  // parts of a longer earlier result
    }
  }
  RenameOrDie(kAsideInfo, infoName);
  ForgetScratchFile(kAsideInfo);
}

std::string CompressedNumber::Open(const std::string& name, bool needFFTSize) {
  std::string why = CompressedNameRefusal(name);
  if (!why.empty()) return why;
  const std::string infoName = InfoName(name);
  const char* file = infoName.c_str();
  std::error_code ec;
  const fs::file_status status = fs::status(infoName, ec);
  if (!fs::exists(status))
    return Format("Cannot open the file %s: no compressed result of %s is here.", file,
                  name.c_str());
  // A directory or a pipe of that name would fail or block the reading.
  if (!fs::is_regular_file(status))
    return Format("The file %s is damaged: it is not a plain file.", file);
  FILE* f = std::fopen(file, "r");
  if (f == nullptr) return Format("Cannot open the file %s (%s).", file, std::strerror(errno));
  char text[kMaxInfoBytes + 1];
  const size_t got = std::fread(text, 1, kMaxInfoBytes, f);
  std::fclose(f);
  text[got] = '\0';

  static const char* const kLines[] = {"the digit count", "the length in limbs", "the exponent",
                                       "the FFT size"};
  double v[4] = {0, 0, 0, 0};
  int count = 0;
  for (const char* p = text; count < 4; count++) {
    char* end = nullptr;
    v[count] = std::strtod(p, &end);
    if (end == p) break;  // no number: the end of the file, or damage below
    if (!IsWhole(v[count]))
      return Format("The file %s is damaged: line %d (%s) is not a whole number.", file, count + 1,
                    kLines[count]);
    p = end;
  }
  if (count < 3 || (needFFTSize && count < 4))
    return Format(
        "The file %s is damaged: it does not describe a compressed result "
        "(%s is missing).",
        file, kLines[count]);

  const double maxLimbs = static_cast<double>(MaxStoredLimbs());
  if (v[0] < 1 || v[0] > 12 * maxLimbs)
    return Format("The file %s is damaged: the digit count %.0lf is out of range.", file, v[0]);
  if (v[1] < 3 || v[1] > maxLimbs || std::fmod(v[1], 3) != 0)
    return Format(
        "The file %s is damaged: the length %.0lf is not a multiple of 3 limbs "
        "that the files can hold.",
        file, v[1]);
  // The fraction must hold every digit the file claims.
  if (v[2] > 0 || -12 * v[2] < v[0] || v[2] < -2 * maxLimbs)
    return Format(
        "The file %s is damaged: the exponent %.0lf does not leave %.0lf digits "
        "after the point.",
        file, v[2], v[0]);
  // The sizes of the dialogue: 1 k to 131072 k, powers of two.
  if (count == 4 &&
      (v[3] < 1024 || v[3] > 134217728 || std::exp2(std::floor(std::log2(v[3]))) != v[3]))
    return Format("The file %s is damaged: the FFT size %.0lf is not one that Numora uses.", file,
                  v[3]);

  info_ = CompressedInfo{v[0], static_cast<long>(v[1]), static_cast<long>(v[2]),
                         count == 4 ? static_cast<long>(v[3]) : 0};
  packed_.Init(name.c_str(), static_cast<long>(std::floor(info_.Digits / 12 + 1)));
  packed_.Size = info_.Size;
  packed_.Offset = info_.Offset;
  packed_.FileBase = 0;
  packed_.Packed = 1;
  Size = info_.Size;
  window_.clear();
  windowStart_ = 0;

  why = CheckParts();
  if (why.empty()) why = CheckWords();
  return why;
}

// Every part file present, a plain file, and of the size the info file implies.
std::string CompressedNumber::CheckParts() const {
  const long cells = 2 * (Size / 3);
  const std::string infoName = InfoName(packed_.FileName);
  for (long f = 0; f < PartCount(cells); f++) {
    const std::string part = PartName(packed_.FileName, f);
    std::error_code ec;
    const fs::file_status status = fs::status(part, ec);
    if (!fs::exists(status))
      return Format("The file %s of the compressed result %s is missing.", part.c_str(),
                    packed_.FileName);
    if (!fs::is_regular_file(status))
      return Format("The file %s is damaged: it is not a plain file.", part.c_str());
    const long long want = 8 * static_cast<long long>(std::min<int64_t>(
                                   Disk().PartLimbs, cells - f * Disk().PartLimbs));
    const long long have = static_cast<long long>(fs::file_size(part, ec));
    if (ec || have != want)
      return Format("The file %s is damaged: it holds %lld bytes where %s describes %lld.",
                    part.c_str(), have, infoName.c_str(), want);
  }
  return "";
}

// Every word below 10^9: a larger one would unpack to limbs that are no digits.
std::string CompressedNumber::CheckWords() const {
  const long cells = 2 * (Size / 3);
  std::vector<double> buf(kCheckCells);
  std::vector<uint32_t> words(2 * kCheckCells);
  for (long c = 0; c < cells; c += kCheckCells) {
    const long len = std::min(kCheckCells, cells - c);
    ReadLimbs(packed_, buf.data(), len, c);
    std::memcpy(words.data(), buf.data(), static_cast<size_t>(len) * sizeof(double));
    for (long i = 0; i < 2 * len; i++) {
      if (words[i] < kWordBase) continue;
      const int64_t cell = c + i / 2;
      const int64_t byte = (cell % Disk().PartLimbs) * 8 + (i % 2) * 4;
      return Format(
          "The file %s is damaged: the word at byte %lld holds %u, more than "
          "nine decimal digits.",
          PartName(packed_.FileName, static_cast<long>(cell / Disk().PartLimbs)).c_str(),
          static_cast<long long>(byte), words[i]);
    }
  }
  return "";
}

void CompressedNumber::WriteToBuffer(double* dst, long count, long start) const {
  if (count <= 0) return;
  if (start < 0 || start + count > Size)
    errorf("ERROR in CompressedNumber %s, limbs %ld .. %ld are outside the number",
           packed_.FileName, start, start + count - 1);
  if (count > kWindowLimbs / 2) {
    packed_.WriteToBuffer(dst, count, start);
    return;
  }
  const long have = static_cast<long>(window_.size());
  if (start < windowStart_ || start + count > windowStart_ + have) {
    // Readers go down (the digit writer) or up (copies): the window extends
    // the way they go.
    long lo = start < windowStart_ ? start + count - kWindowLimbs : start;
    lo = std::clamp(lo, 0L, std::max(0L, Size - kWindowLimbs));
    const long hi = std::min(Size, lo + kWindowLimbs);
    window_.resize(static_cast<size_t>(hi - lo));
    packed_.WriteToBuffer(window_.data(), hi - lo, lo);
    windowStart_ = lo;
  }
  std::copy_n(window_.data() + (start - windowStart_), count, dst);
}
