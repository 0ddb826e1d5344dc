#include "output/output_number.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "mpint/mpint.h"
#include "output/digit_writer.h"
#include "shell/console.h"
#include "shell/files.h"

namespace {

void Banner(const char* title) {
  std::printf("===========================\n%s===========================\n\n", title);
}

// A name that cannot be created (missing folder, no permission) is reported
// and asked again; null when the user never gives a usable one.
FILE* CreateOutputFile(std::string& fileName) {
  for (int attempt = 0; attempt < kMaxBadAnswers; attempt++) {
    std::printf("Enter file name : ");
    fileName = ReadWord();
    FILE* f = std::fopen(fileName.c_str(), "w");
    if (f != nullptr) return f;
    std::printf("Cannot create the file %s (%s)\n", fileName.c_str(), std::strerror(errno));
  }
  std::printf("No output file could be created, nothing is written.\n");
  return nullptr;
}

void AskCustomFormat(OutputFormat& format) {
  format.DigitsPerLine = AskLong("New line every x digits (x=0 if not): x=");
  if (format.DigitsPerLine != 0) {
    format.Counter = AskLong("Decimal counter every line [0=No, 1=Yes] : ");
    const long lines = AskLong("Empty line every x lines (x=0 if not): x=");
    long every = 0;
    // An absurd product would overflow; no empty lines is the harmless reading.
    if (__builtin_mul_overflow(lines, format.DigitsPerLine, &every)) every = 0;
    format.EmptyLineEvery = every;
  }
  format.SpaceEvery10 = AskLong("Space every 10 digits [0=No, 1=Yes] : ");
  if (format.DigitsPerLine > 50)
    format.SpaceEvery50 = AskLong("Space every 50 digits [0=No, 1=Yes] : ");
  if (format.DigitsPerLine > 100)
    format.SpaceEvery100 = AskLong("Space every 100 digits [0=No, 1=Yes] : ");
}

}  // namespace

void OutputNumber(const MPInt& number, const char* name, double digits, FILE* stream,
                  int formatMode, int allDigits) {
  std::string fileName;
  bool opened = false;
  if (stream == nullptr) {
    Banner("|      OUTPUT FILE        |\n");
    if (AskLong("Output [0=standard output, 1=file] : ") != 0) {
      stream = CreateOutputFile(fileName);
      if (stream == nullptr) return;
      opened = true;
    } else {
      stream = stdout;
    }
  }
  // Every way out closes what was opened here; a failed write ends the run
  // with a message instead of passing for a written file.
  auto finish = [&] {
    if (opened)
      CloseOrDie(stream, fileName);
    else
      std::fflush(stream);
  };

  double start = 0;
  double end = digits;
  double x = 0;
  double y = 0;
  if (!allDigits) {
    Banner("|       DIGITS RANGE      |\n");
    std::printf("Number of decimal digits : %.0lf\n", digits);
    const long choice =
        AskLong("All digits [0], range specification [1], x digits every y digits [2] ? : ");
    if (choice == 1) {
      start = AskDouble("Enter start index of digit : ");
      end = AskDouble("Enter end index of digit : ");
    } else if (choice != 0) {
      x = AskDouble("Enter x : ");
      y = AskDouble("Enter y : ");
      start = 0;
      end = x;
    }
    if (end > digits || end <= start || start < 0) {
      std::printf("ERROR, invalid parameters\n");
      finish();
      return;
    }
    // A step below one digit would never reach the end (or take forever).
    if (x != 0 && !(y >= 1)) {
      std::printf("ERROR, y must be at least 1\n");
      finish();
      return;
    }
  }

  OutputFormat format;
  if (formatMode == -1) {
    Banner("|      OUTPUT FORMAT      |\n");
    if (AskLong("Enter output format [0=Default, 1=Custom] : ") == 1) AskCustomFormat(format);
  }
  std::printf("\n");
  std::fflush(stdout);

  const int sign = number.Sign();
  if (x != 0) {
    if (name != nullptr)
      std::fprintf(stream, "%s digits : %.0lf digits every %.0lf digits\n", name, x, y);
    if (sign == -1) std::fputs("Negative number\n", stream);
    for (double p = 0; p < digits; p += y)
      PrintDigits(number, stream, sign, p, std::min(p + x, digits), format);
  } else {
    if (name != nullptr) {
      if (start != 0) {
        std::fprintf(stream, "%s digits between digit %.0lf and digit %.0lf\n", name, start + 1,
                     end);
      } else {
        std::fprintf(stream, "%s with %.0lf digits : \n", name, end);
        std::fprintf(stream, "%s = ", name);
      }
    }
    PrintDigits(number, stream, sign, start, end, format);
  }
  finish();
}
