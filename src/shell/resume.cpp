// The parameter file "ParamNumora" that lets a disk-mode computation span several runs.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/clock.h"
#include "shell/computation.h"
#include "shell/console.h"
#include "shell/error_report.h"
#include "shell/files.h"
#include "shell/platform.h"
#include "shell/resume.h"

void ConstantComputation::WriteParams(FILE* stream) {
  // Saved after every step of a run: the file holds the time of the earlier
  // runs and of this one so far.
  const double total = PreviousDuration + (GetSeconds() - RunStart);
  std::fprintf(stream, "%ld\n", static_cast<long>(GetTypeCode()));
  std::fprintf(stream, "%lf\n", Digits);
  std::fprintf(stream, "%ld\n", static_cast<long>(Mode));
  std::fprintf(stream, "%ld\n", FFTSize);
  std::fprintf(stream, "%ld\n", static_cast<long>(Compressed));
  std::fprintf(stream, "%lf\n", total);
}

void ConstantComputation::ReadParams(FILE* stream) {
  ParamFile = stream;
  ParamReader in(stream);
  Digits = in.Real("the number of digits", kMinDigits, kMaxDigits);
  if (Digits != std::floor(Digits)) ParamFileDamaged("the number of digits is not whole");
  Mode = static_cast<int>(in.Long("the mode", kModeBasicDisk, kModeAdvancedDisk));
  FFTSize = in.Long("the FFT size", 1024, FirstRowUnits() * 1024);
  if ((FFTSize & (FFTSize - 1)) != 0) ParamFileDamaged("the FFT size is not a power of two");
  Compressed = static_cast<int>(in.Long("the compressed output flag", 0, 1));
  PreviousDuration = in.Real("the time of the previous runs", 0, 1e12);
}

void ParamFileDamaged(const std::string& why) {
  Refuse("The parameter file \"%s\" is damaged or incomplete (%s): the computation it\n"
         "describes cannot be continued. Delete the file to start a new computation.",
         kParamFileName, why.c_str());
}

std::string ParamReader::Word(const char* what) {
  char word[64];
  if (std::fscanf(stream_, "%63s", word) != 1)
    ParamFileDamaged(std::string(what) + " is missing");
  return word;
}

long ParamReader::Long(const char* what, long low, long high) {
  const std::string w = Word(what);
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(w.c_str(), &end, 10);
  if (*end != '\0' || errno != 0)
    ParamFileDamaged(std::string(what) + " is not a whole number: \"" + w + "\"");
  if (v < low || v > high)
    ParamFileDamaged(std::string(what) + " is out of range: " + w);
  return v;
}

double ParamReader::Real(const char* what, double low, double high) {
  const std::string w = Word(what);
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(w.c_str(), &end);
  if (*end != '\0' || errno != 0 || !std::isfinite(v))
    ParamFileDamaged(std::string(what) + " is not a number: \"" + w + "\"");
  if (v < low || v > high) ParamFileDamaged(std::string(what) + " is out of range: " + w);
  return v;
}

void ParamReader::End() {
  int ch;
  while ((ch = std::fgetc(stream_)) != EOF)
    if (ch != ' ' && ch != '\n' && ch != '\r' && ch != '\t')
      ParamFileDamaged("it goes on after its last record");
  std::fclose(stream_);
}

void ConstantComputation::AskTimeThreshold() {
  std::printf("In this mode, you can do your computation\n");
  std::printf("in several runs by entering a time threshold for the current\n");
  std::printf("run. The next run will start where the current run has stopped.\n");
  for (int wrong = 0;; wrong++) {
    if (wrong == kMaxBadAnswers) TooManyInvalidAnswers();
    const double t = AskDouble("Time threshold in hours (0 if single run wanted) : ");
    if (t == -1 || (t >= 0 && t <= kMaxThresholdHours)) {
      TimeThreshold = t > 0 ? t * 3600 : t;
      break;
    }
    std::printf("Error, the time threshold should be from 0 to %.0lf hours, or -1\n",
                kMaxThresholdHours);
  }
  std::printf("\n");
}

void SaveParamFile(ConstantComputation& computation) {
  // Written aside, flushed to the disk and renamed over the previous state: a
  // crash at any moment leaves the previous state or the new one, never a mix.
  const std::string aside = std::string(kParamFileName) + ".new";
  FILE* f = OpenOrDie(aside, "w");
  computation.WriteParams(f);
  CloseOrDie(f, aside);
  const char advice[] =
      "Check that the working directory can be written and has free space; the state saved "
      "before is kept.";
  if (!SyncFile(aside))
    SystemError(advice, "Cannot flush the file %s to the disk (%s)", aside.c_str(),
                std::strerror(errno));
  TestFault("save");
  if (std::rename(aside.c_str(), kParamFileName) != 0)
    SystemError(advice, "Cannot rename %s to %s (%s)", aside.c_str(), kParamFileName,
                std::strerror(errno));
  if (!SyncDirectory("."))
    SystemError(advice, "Cannot flush the working directory to the disk (%s)",
                std::strerror(errno));
  TestFault("saved");
}

int TimeThresholdReached(const ConstantComputation& computation) {
  // Ctrl-C asks for the same stop as a threshold.
  if (StopRequested()) return 1;
  return computation.TimeThreshold > 0 &&
         GetSeconds() - computation.RunStart > computation.TimeThreshold;
}
