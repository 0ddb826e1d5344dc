#include "shell/error_report.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "shell/clock.h"
#include "shell/debug_state.h"
#include "shell/progress.h"

namespace {

constexpr long kMaxLogCopy = 1 << 20;
const char kSigns[] = "==================================\n";
const char kDashes[] = "--------------------------------\n";
const char kLogName[] = "Numora.log";

enum class Fault { kInternal, kSystem };

FILE* ErrorStream(FILE* set = nullptr) {
  static FILE* stream = stdout;
  if (set != nullptr) stream = set;
  return stream;
}

std::string& ReportedFile() {
  static std::string name;
  return name;
}

std::string Format(const char* format, va_list args) {
  char message[2048];
  std::vsnprintf(message, sizeof message, format, args);
  std::string text = message;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

void WriteDebugState(FILE* log) {
  const DebugStateData& d = DebugState();
  if (d.NTTTablesOn == 1) {
    std::fprintf(log, "NNTTMax=%ld\n", d.NNTTMax);
    std::fprintf(log, "NbPrimes=%ld, PrimeExponent=%ld\n", d.NbPrimes, d.PrimeExponent);
  }
  if (d.NTTProductOn == 1) {
    std::fputs(kDashes, log);
    std::fprintf(log, "NTT product is on\n");
    std::fprintf(log, "Na=%ld, Nb=%ld, Nc=%ld\n", d.NTTNa, d.NTTNb, d.NTTNc);
    std::fprintf(log, "NCRT=%ld, NNTT=%ld, CRTNbDec=%ld\n", d.NCRT, d.NNTT, d.CRTNbDec);
    std::fprintf(log, "NTT0AlreadyComputed =%ld\n", d.NTT0AlreadyComputed);
    std::fprintf(log, "nFFT0AlreadyComputed =%ld\n", d.nFFT0AlreadyComputed);
    std::fprintf(log, "NCRTNTT0AlreadyComputed =%ld\n", d.NCRTNTT0AlreadyComputed);
  }
  if (d.GiantStep != 0) {
    std::fputs(kDashes, log);
    std::fprintf(log, "Giant step is on, value=%d\n", d.GiantStep);
    std::fprintf(log, "n0=%.0lf, n1=%.0lf\n", d.GiantN0, d.GiantN1);
    std::fprintf(log, "DoComputeA = %ld\n", d.GiantDoComputeA);
  }
  if (d.GiantStepDisk != 0) {
    std::fputs(kDashes, log);
    std::fprintf(log, "Giant step disk is on, value=%d\n", d.GiantStepDisk);
    std::fprintf(log, "n0=%.0lf, n1=%.0lf\n", d.GiantDiskN0, d.GiantDiskN1);
    std::fprintf(log, "nBigIntLimit=%ld\n", d.nBigIntLimit);
    std::fprintf(log, "DoComputeA = %ld\n", d.GiantDiskDoComputeA);
    std::fprintf(log, "Depth=%d\n", d.Depth);
  }
  if (d.MulDiskIntOn != 0) {
    std::fputs(kDashes, log);
    std::fprintf(log, "MulDiskInt is on\n");
    std::fprintf(log, "Na=%ld, Nb=%ld, NcAlloc=%ld\n", d.MulNa, d.MulNb, d.MulNcAlloc);
  }
  if (d.AddDiskIntOn != 0) {
    std::fputs(kDashes, log);
    std::fprintf(log, "AddDiskInt is on\n");
    std::fprintf(log, "Na=%ld, Nb=%ld, NcAlloc=%ld\n", d.AddNa, d.AddNb, d.AddNcAlloc);
  }
}

// The log: a copy of the result file so far, the message, the time and the
// debug state. False when any of it could not be written (a full disk leaves
// an empty or cut log, which must not be sent as if it were whole).
bool WriteLog(const std::string& message) {
  FILE* log = std::fopen(kLogName, "w");
  if (log == nullptr) return false;
  FILE* result = nullptr;
  // Only a plain file is copied: a device (or a pipe) in its place may never end.
  std::error_code ec;
  const std::string& name = ReportedFile();
  if (!name.empty() && std::filesystem::is_regular_file(name, ec))
    result = std::fopen(name.c_str(), "r");
  if (result != nullptr) {
    // The header and run reports; digits already appended are not worth megabytes of log.
    long copied = 0;
    int ch;
    while ((ch = std::fgetc(result)) != EOF && copied++ < kMaxLogCopy) std::fputc(ch, log);
    if (ch != EOF) std::fputs("\n[... the rest of the result file is not copied]\n", log);
    std::fclose(result);
  }
  char when[kTimeStringSize];
  GetTimeString(when);
  std::fprintf(log, "\n%s=             ERROR              =\n%s\n", kSigns, kSigns);
  std::fprintf(log, "%s\n", when);
  std::fprintf(log, "\n%s\n\n", message.c_str());
  std::fprintf(log, "%s=          DEBUG INFORMATION     =\n%s\n", kSigns, kSigns);
  WriteDebugState(log);
  bool written = std::ferror(log) == 0;
  if (std::fclose(log) != 0) written = false;
  return written;
}

bool Report(const std::string& message, Fault fault, const char* advice, bool end) {
  static bool reporting = false;  // an error inside the report must not recurse
  ProgressEnd();
  std::fflush(stdout);
  FILE* err = ErrorStream();
  if (reporting) {
    std::fprintf(err, "\n%s\n", message.c_str());
    std::fflush(err);
    std::exit(kExitFailure);
  }
  reporting = true;
  const bool logged = WriteLog(message);
  std::fprintf(err, "\n%s\n", message.c_str());
  if (fault == Fault::kSystem) {
    std::fprintf(err, "%s\n", advice);
    if (logged) std::fprintf(err, "The details of this run are in the file %s.\n", kLogName);
  } else if (logged) {
    std::fprintf(err, "An error was encountered, please send the %s file to\n", kLogName);
    std::fprintf(err, "the Numora developers (non overclocked processors only !)\n\n");
  } else {
    std::fprintf(err, "An internal error was encountered.\n");
  }
  if (!logged)
    std::fprintf(err, "The log file %s could not be written (disk full or no permission?).\n",
                kLogName);
  std::fflush(err);
  reporting = false;
  if (end) std::exit(kExitFailure);
  return logged;
}

}  // namespace

void ErrorsToStandardError(bool on) { ErrorStream(on ? stderr : stdout); }

void SetReportedFile(const std::string& name) { ReportedFile() = name; }

bool ErrorReport(const char* message, int end) {
  std::string text = message;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return Report(text, Fault::kInternal, "", end != 0);
}

void error(const char* message) {
  ErrorReport(message, 1);
  std::exit(kExitFailure);
}

void errorf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string message = Format(format, args);
  va_end(args);
  error(message.c_str());
}

void SystemError(const char* advice, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string message = Format(format, args);
  va_end(args);
  Report(message, Fault::kSystem, advice, true);
  std::exit(kExitFailure);
}

void Refuse(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string message = Format(format, args);
  va_end(args);
  ProgressEnd();
  std::fflush(stdout);
  std::fprintf(ErrorStream(), "%s\n", message.c_str());
  std::fflush(ErrorStream());
  std::exit(kExitFailure);
}

void Warning(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string message = Format(format, args);
  va_end(args);
  ProgressPrint("%s\n", message.c_str());
}
