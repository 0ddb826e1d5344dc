#include "shell/files.h"

#include <cerrno>
#include <cstring>

#include "shell/error_report.h"

FILE* OpenOrDie(const std::string& name, const char* mode) {
  FILE* f = std::fopen(name.c_str(), mode);
  if (f == nullptr)
    errorf("Cannot open the file %s (%s)", name.c_str(), std::strerror(errno));
  return f;
}

void CloseOrDie(FILE* file, const std::string& name) {
  bool failed = std::ferror(file) != 0;
  if (std::fclose(file) != 0) failed = true;
  if (failed) errorf("Cannot write the file %s (disk full or no permission?)", name.c_str());
}
