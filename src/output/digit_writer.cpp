#include "output/digit_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "mpint/mpint.h"
#include "shell/memory.h"

namespace {

// Limbs read at a time: a disk number is written with constant memory.
constexpr long kRunLimbs = 8000;
// Limb widths handled by the integer digit split (exact below 2^53).
constexpr int kMaxLimbDigits = 15;

// Text gathered in a local buffer and handed to the stream in large blocks:
// one write per digit would dominate the time of ten million digits.
class TextSink {
 public:
  explicit TextSink(FILE* file) : file_(file) {}
  ~TextSink() { Flush(); }
  TextSink(const TextSink&) = delete;
  TextSink& operator=(const TextSink&) = delete;

  void Put(char c) {
    if (len_ == sizeof buf_) Flush();
    buf_[len_++] = c;
  }
  void Put(const char* s, size_t n) {
    if (len_ + n > sizeof buf_) Flush();
    if (n > sizeof buf_) {
      std::fwrite(s, 1, n, file_);
      return;
    }
    std::memcpy(buf_ + len_, s, n);
    len_ += n;
  }
  void Put(const char* s) { Put(s, std::strlen(s)); }
  // The decimal text of v, as "%.0lf" writes a whole double.
  void PutWhole(long long v) {
    char t[24];
    auto r = std::to_chars(t, t + sizeof t, v);
    Put(t, static_cast<size_t>(r.ptr - t));
  }
  // v as exactly k digits with leading zeros (0 <= v < 10^k).
  void PutFixed(long long v, int k) {
    char t[kMaxLimbDigits];
    for (int i = k - 1; i >= 0; i--) {
      t[i] = static_cast<char>('0' + v % 10);
      v /= 10;
    }
    Put(t, static_cast<size_t>(k));
  }
  FILE* File() const { return file_; }
  void Flush() {
    if (len_ > 0) std::fwrite(buf_, 1, len_, file_);
    len_ = 0;
  }

 private:
  FILE* file_;
  size_t len_ = 0;
  char buf_[1 << 15];
};

bool IsMultiple(long long pos, long m) { return pos % m == 0; }

void AppendSeparator(TextSink& out, long long pos, const OutputFormat& format) {
  if (format.SpaceEvery10) out.Put(' ');
  if (IsMultiple(pos, 50)) {
    if (format.SpaceEvery50) out.Put(' ');
    if (IsMultiple(pos, 100) && format.SpaceEvery100) out.Put(' ');
  }
  if (format.DigitsPerLine > 0 && IsMultiple(pos, format.DigitsPerLine)) {
    if (format.Counter) {
      out.Put(" : ", 3);
      out.PutWhole(pos);
    }
    out.Put('\n');
    if (format.EmptyLineEvery != 0 && IsMultiple(pos, format.EmptyLineEvery)) out.Put('\n');
  }
}

// Limbs from .. from+count-1 of the number; limbs it does not store read as 0
// (below its lowest limb, or an integer's missing fraction).
void ReadLimbs(const MPInt& number, double* dst, long count, long from) {
  const long a = std::max(from, 0L);
  const long b = std::min(from + count, number.Size);
  if (a >= b) {
    std::fill(dst, dst + count, 0.0);
    return;
  }
  std::fill(dst, dst + (a - from), 0.0);
  number.WriteToBuffer(dst + (a - from), b - a, a);
  std::fill(dst + (b - from), dst + count, 0.0);
}

struct Layout {
  int perLimb;
  double full;   // 10^perLimb - 1, the complement base
  long long lo;  // first position written
  long long hi;  // last position written
  const OutputFormat& format;
};

// A limb outside [0, 10^L) cannot come from a normalised number; its digits
// are split as floating quotients and written one by one, whatever they are.
void WriteOddLimb(TextSink& out, double v, long long pos, const Layout& lay) {
  for (int i = lay.perLimb - 1; i >= 0; i--) {
    const double p = std::pow(10.0, i);
    const double d = Floor(v / p);
    v -= d * p;
    pos++;
    if (pos < lay.lo || pos > lay.hi) continue;
    char t[400];
    int n = std::snprintf(t, sizeof t, "%.0lf", d);
    out.Put(t, static_cast<size_t>(n));
    if (IsMultiple(pos, 10)) AppendSeparator(out, pos, lay.format);
  }
}

// The digits pos+1 .. pos+L of one limb that fall in the range, with the
// separator after every group of ten.
void WriteLimb(TextSink& out, double v, long long pos, const Layout& lay) {
  const int L = lay.perLimb;
  if (!(v >= 0 && v <= lay.full)) {
    WriteOddLimb(out, v, pos, lay);
    return;
  }
  char d[kMaxLimbDigits];
  long long x = static_cast<long long>(v);
  for (int i = L - 1; i >= 0; i--) {
    d[i] = static_cast<char>('0' + x % 10);
    x /= 10;
  }
  long long a = std::max(pos + 1, lay.lo);
  const long long b = std::min(pos + L, lay.hi);
  while (a <= b) {
    const long long groupEnd = (a + 9) / 10 * 10;
    const long long e = std::min(b, groupEnd);
    out.Put(d + (a - pos - 1), static_cast<size_t>(e - a + 1));
    if (e == groupEnd) AppendSeparator(out, e, lay.format);
    a = e + 1;
  }
}

// The nInt limbs at and above the units, top first, without leading zero limbs
// (and without the sign limb of a negative number). Returns whether any was written.
bool WriteIntegerPart(TextSink& out, const MPInt& number, long nInt, bool negative,
                      const Layout& lay, double* buf) {
  const long units = number.Size - nInt;
  bool leading = true;
  bool signLimb = negative;
  bool wrote = false;
  for (long top = nInt; top > 0;) {
    const long n = std::min(kRunLimbs, top);
    top -= n;
    ReadLimbs(number, buf, n, units + top);
    for (long i = n - 1; i >= 0; i--) {
      double v = buf[i];
      if (leading && v == 0) continue;
      leading = false;
      if (signLimb) {
        signLimb = false;
        continue;
      }
      if (negative) v = lay.full - v;
      if (!wrote) {
        char t[400];
        int len = std::snprintf(t, sizeof t, "%.0lf", v);
        out.Put(t, static_cast<size_t>(std::min(len, static_cast<int>(sizeof t) - 1)));
        wrote = true;
      } else if (v >= 0 && v <= lay.full) {
        out.PutFixed(static_cast<long long>(v), lay.perLimb);
      } else {
        out.Flush();  // not a normalised limb: written as the plain writer would
        PrintFixedDigits(out.File(), v, lay.perLimb);
      }
    }
  }
  return wrote;
}

}  // namespace

void PrintDigits(const MPInt& number, FILE* stream, int sign, double start, double end,
                 const OutputFormat& format) {
  const int L = std::clamp(number.GetNbDecPerLimb(), 1, kMaxLimbDigits);
  // There are no digits at positions 0 and below.
  start = std::max(start, 0.0);
  const long firstLimb = static_cast<long>(Floor(start / L));
  const long endLimb = std::max(static_cast<long>(Floor(end / L)) + 1, firstLimb);
  long nInt = number.GetOffset() + number.Size;
  const bool negative = sign == -1;
  const Layout lay{L, std::pow(10.0, L) - 1, static_cast<long long>(Floor(start)) + 1,
                   static_cast<long long>(Floor(end)), format};

  TextSink out(stream);
  double buf[kRunLimbs];
  if (negative && start == 0) out.Put('-');

  // The integer part goes with the stretch that starts in the first limb.
  const bool withInteger = firstLimb == 0;
  bool belowOne = false;
  if (nInt <= 0) {
    if (negative) nInt--;  // the sign limb lies in the fraction
    if (withInteger) {
      if (nInt < 0) {
        char t[64];
        int n = std::snprintf(t, sizeof t, "10^(%ld) * ", nInt * L);
        out.Put(t, static_cast<size_t>(n));
      }
      out.Put("0.\n", 3);
    }
    belowOne = true;
    nInt = negative ? 1 : 0;
  }
  if (withInteger && nInt > 0) {
    // An integer part of zero still shows "0.", else -0.5 would read "-4999...".
    if (WriteIntegerPart(out, number, nInt, negative, lay, buf))
      out.Put(".\n", 2);
    else if (!belowOne)
      out.Put("0.\n", 3);
  }

  // Fractional limb j (0 just after the point) is limb Size - nInt - 1 - j.
  long long pos = static_cast<long long>(firstLimb) * L;
  for (long j = firstLimb; j < endLimb;) {
    const long n = std::min(kRunLimbs, endLimb - j);
    ReadLimbs(number, buf, n, number.Size - nInt - j - n);
    for (long i = n - 1; i >= 0; i--) {
      const double v = negative ? lay.full - buf[i] : buf[i];
      WriteLimb(out, v, pos, lay);
      pos += L;
    }
    j += n;
  }
  out.Put('\n');
}

void PrintSeparator(FILE* stream, double pos, const OutputFormat& format) {
  TextSink out(stream);
  if (pos == Floor(pos) && std::fabs(pos) < 9e15) {
    AppendSeparator(out, static_cast<long long>(pos), format);
  } else if (format.SpaceEvery10) {
    out.Put(' ');  // a position between digits is no multiple of anything
  }
}

void PrintFixedDigits(FILE* stream, double value, int k) {
  switch (k) {
    case 2:
      std::fprintf(stream, "%.2ld", static_cast<long>(value));
      return;
    case 4:
      std::fprintf(stream, "%.4ld", static_cast<long>(value));
      return;
    case 6:
      std::fprintf(stream, "%.6ld", static_cast<long>(value));
      return;
    case 8:
      std::fprintf(stream, "%.8ld", static_cast<long>(value));
      return;
    case 10:
    case 12: {
      const double h = Floor(value * 1e-8);
      std::fprintf(stream, k == 10 ? "%.2ld" : "%.4ld", static_cast<long>(h));
      std::fprintf(stream, "%.8ld", static_cast<long>(value - h * 1e8));
      return;
    }
    default:
      // Odd widths are never needed by the writer; they get the same zero padding.
      if (k >= 1 && k <= kMaxLimbDigits) std::fprintf(stream, "%.*ld", k, static_cast<long>(value));
      return;
  }
}
