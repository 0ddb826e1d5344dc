#include "shell/files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "shell/error_report.h"
#include "shell/platform.h"

namespace {

const char kFileAdvice[] =
    "Check that the working directory can be written and has free space, "
    "then start Numora again.";

// Never destroyed: the exit handler that removes the files runs after the
// destructors of statics made later than its registration.
std::vector<std::string>& ScratchFiles() {
  static auto* files = new std::vector<std::string>;
  return *files;
}

}  // namespace

FILE* OpenOrDie(const std::string& name, const char* mode) {
  FILE* f = std::fopen(name.c_str(), mode);
  if (f == nullptr)
    SystemError(kFileAdvice, "Cannot open the file %s (%s)", name.c_str(), std::strerror(errno));
  return f;
}

void CloseOrDie(FILE* file, const std::string& name) {
  bool failed = std::ferror(file) != 0;
  if (std::fclose(file) != 0) failed = true;
  if (failed)
    SystemError(kFileAdvice, "Cannot write the file %s (disk full or no permission?)",
                name.c_str());
}

void RegisterScratchFile(const std::string& name) {
  static bool atExit = false;
  if (!atExit) {
    atExit = true;
    std::atexit(RemoveScratchFiles);
  }
  ForgetScratchFile(name);
  ScratchFiles().push_back(name);
  SetSignalCleanupFiles(ScratchFiles());
}

void ForgetScratchFile(const std::string& name) {
  auto& files = ScratchFiles();
  for (size_t i = 0; i < files.size(); i++)
    if (files[i] == name) files.erase(files.begin() + static_cast<long>(i--));
  SetSignalCleanupFiles(files);
}

void RemoveScratchFiles() {
  for (const std::string& name : ScratchFiles()) std::remove(name.c_str());
  ScratchFiles().clear();
  SetSignalCleanupFiles(ScratchFiles());
}
