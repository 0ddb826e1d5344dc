// The parameter file "ParamNumora" that lets a disk-mode computation span several runs.
#include <cstdio>
#include <cstdlib>

#include "shell/clock.h"
#include "shell/computation.h"
#include "shell/console.h"
#include "shell/error_report.h"
#include "shell/files.h"
#include "shell/resume.h"

void ConstantComputation::WriteParams(FILE* stream) {
  PreviousDuration += GetSeconds() - RunStart;
  std::fprintf(stream, "%ld\n", static_cast<long>(GetTypeCode()));
  std::fprintf(stream, "%lf\n", Digits);
  std::fprintf(stream, "%ld\n", static_cast<long>(Mode));
  std::fprintf(stream, "%ld\n", FFTSize);
  std::fprintf(stream, "%ld\n", static_cast<long>(Compressed));
  std::fprintf(stream, "%lf\n", PreviousDuration);
}

void ConstantComputation::ReadParams(FILE* stream) {
  ParamFile = stream;
  long mode = 0, compressed = 0;
  bool ok = std::fscanf(stream, "%lf", &Digits) == 1 && std::fscanf(stream, "%ld", &mode) == 1 &&
            std::fscanf(stream, "%ld", &FFTSize) == 1 &&
            std::fscanf(stream, "%ld", &compressed) == 1 &&
            std::fscanf(stream, "%lf", &PreviousDuration) == 1;
  // Values no dialogue could have produced mean a damaged file.
  ok = ok && Digits >= 10000 && Digits < 1e15 && (mode == 1 || mode == 2) && FFTSize >= 1024 &&
       (FFTSize & (FFTSize - 1)) == 0 && PreviousDuration >= 0;
  if (!ok) ParamFileDamaged();
  Mode = static_cast<int>(mode);
  Compressed = static_cast<int>(compressed);
}

void ParamFileDamaged() {
  Refuse("The parameter file \"ParamNumora\" is damaged or incomplete: the computation\n"
         "it describes cannot be continued. Delete the file to start a new computation.");
}

void ConstantComputation::AskTimeThreshold() {
  std::printf("In this mode, you can do your computation\n");
  std::printf("in several runs by entering a time threshold for the current\n");
  std::printf("run. The next run will start where the current run has stopped.\n");
  TimeThreshold = AskDouble("Time threshold in hours (0 if single run wanted) : ");
  if (TimeThreshold > 0) TimeThreshold *= 3600;
  std::printf("\n");
}

void SaveParamFile(ConstantComputation& computation) {
  FILE* f = OpenOrDie(kParamFileName, "w");
  computation.WriteParams(f);
  CloseOrDie(f, kParamFileName);
}

int TimeThresholdReached(const ConstantComputation& computation) {
  return computation.TimeThreshold > 0 &&
         GetSeconds() - computation.RunStart > computation.TimeThreshold;
}
