#include "shell/error_report.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "shell/clock.h"
#include "shell/computation.h"
#include "shell/current.h"
#include "shell/debug_state.h"

namespace {

constexpr long kMaxLogCopy = 1 << 20;
const char kSigns[] = "==================================\n";
const char kDashes[] = "--------------------------------\n";

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

}  // namespace

void FatalPrint(const char* message) {
  std::fflush(stdout);
  std::printf("ERROR occured. The error is :\n");
  std::printf("%s\n", message);
  std::fflush(stdout);
  std::exit(kExitFailure);
}

void ErrorReport(const char* message, int end) {
  static bool reporting = false;  // an error inside the report must not recurse
  if (reporting) {
    std::printf("\n%s\n", message);
    std::fflush(stdout);
    std::exit(kExitFailure);
  }
  reporting = true;

  std::fflush(stdout);
  FILE* log = std::fopen("Numora.log", "w");
  FILE* result = nullptr;
  if (ConstantComputation* c = GetCurrentComputation()) {
    // Only a plain file is copied: a device (or a pipe) in its place may never end.
    const std::string name = c->GetResultFileName();
    std::error_code ec;
    if (std::filesystem::is_regular_file(name, ec)) result = std::fopen(name.c_str(), "r");
  }

  std::printf("\n%s\n", message);
  std::printf("An error was encountered, please send the Numora.log file to\n");
  std::printf("the Numora developers (non overclocked processors only !)\n\n");

  if (log == nullptr) {
    std::printf("The log file Numora.log could not be created.\n");
  } else {
    if (result != nullptr) {
      // The header and run reports; digits already appended are not worth megabytes of log.
      long copied = 0;
      int ch;
      while ((ch = std::fgetc(result)) != EOF && copied++ < kMaxLogCopy) std::fputc(ch, log);
      if (ch != EOF) std::fputs("\n[... the rest of the result file is not copied]\n", log);
    }
    char when[kTimeStringSize];
    GetTimeString(when);
    std::fprintf(log, "\n%s=             ERROR              =\n%s\n", kSigns, kSigns);
    std::fprintf(log, "%s\n", when);
    std::fprintf(log, "\n%s\n\n", message);
    std::fprintf(log, "%s=          DEBUG INFORMATION     =\n%s\n", kSigns, kSigns);
    WriteDebugState(log);
    if (std::fclose(log) != 0) std::printf("The log file Numora.log could not be written.\n");
  }
  if (result != nullptr) std::fclose(result);
  std::fflush(stdout);
  reporting = false;
  if (end) std::exit(kExitFailure);
}

void error(const char* message) {
  ErrorReport(message, 1);
  std::exit(kExitFailure);
}

void errorf(const char* format, ...) {
  char message[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  error(message);
}
