#include "shell/result_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "shell/error_report.h"
#include "shell/files.h"

ResultFile::ResultFile(const std::string& finalName, bool fresh, bool multiRun)
    : final_(finalName),
      partial_(finalName + ".partial"),
      writing_(partial_),
      truncate_(fresh) {
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
  FILE* f = OpenOrDie(writing_, truncate_ ? "w" : "a");
  truncate_ = false;
  return f;
}

void ResultFile::Close(FILE* file) { CloseOrDie(file, writing_); }

bool ResultFile::PartialExists() const {
  std::error_code ec;
  return std::filesystem::is_regular_file(partial_, ec);
}

void ResultFile::Finish() {
  const std::string copy = partial_ + ".new";
  RegisterScratchFile(copy);
  std::error_code ec;
  std::filesystem::copy_file(partial_, copy, std::filesystem::copy_options::overwrite_existing,
                             ec);
  if (ec)
    SystemError("Check that the working directory can be written and has free space, then "
                "start Numora again: the computation continues from its last state.",
                "Cannot copy %s to %s (%s)", partial_.c_str(), copy.c_str(),
                ec.message().c_str());
  writing_ = copy;
  SetReportedFile(writing_);
}

void ResultFile::Commit() {
  if (std::rename(writing_.c_str(), final_.c_str()) != 0)
    SystemError("The complete result is kept in the first file; rename it yourself.",
                "Cannot rename %s to %s (%s)", writing_.c_str(), final_.c_str(),
                std::strerror(errno));
  ForgetScratchFile(writing_);
  if (writing_ != partial_) std::remove(partial_.c_str());
  writing_ = partial_;
  SetReportedFile(final_);
}
