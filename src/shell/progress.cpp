#include "shell/progress.h"

#include <cstdarg>
#include <cstdio>

void ProgressPrint(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}

void ProgressUpdate(const char* /*phase*/, double /*done*/) {}

void ProgressEnd() {}
