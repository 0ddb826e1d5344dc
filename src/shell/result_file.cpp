#include "shell/result_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "shell/error_report.h"
#include "shell/files.h"

ResultFile::ResultFile(const std::string& finalName, bool fresh, bool multiRun)
    : final_(finalName), partial_(finalName + ".partial"), truncate_(fresh) {
  std::error_code ec;
  // Found now, not after hours of computing when the rename fails.
  if (std::filesystem::exists(final_, ec) && !std::filesystem::is_regular_file(final_, ec))
    SystemError("Move it away, or start Numora in another directory.",
                "The result file %s exists and is not a plain file (a directory?)",
                final_.c_str());
  if (!multiRun) RegisterScratchFile(partial_);
  SetReportedFile(partial_);
}

FILE* ResultFile::Open() {
  FILE* f = OpenOrDie(partial_, truncate_ ? "w" : "a");
  truncate_ = false;
  return f;
}

void ResultFile::Close(FILE* file) { CloseOrDie(file, partial_); }

void ResultFile::Commit() {
  if (std::rename(partial_.c_str(), final_.c_str()) != 0)
    SystemError("The complete result is kept in the first file; rename it yourself.",
                "Cannot rename %s to %s (%s)", partial_.c_str(), final_.c_str(),
                std::strerror(errno));
  ForgetScratchFile(partial_);
  SetReportedFile(final_);
}
