// The result file of a computation, built under a temporary name beside the
// final one and renamed into place when complete: until then a previous
// result of the same name is left as it was, and a failed run never leaves a
// cut file under a header that claims every digit.
#pragma once

#include <cstdio>
#include <string>

class ResultFile {
 public:
  // fresh: the computation starts here (the partial file is begun anew);
  // otherwise it continues a partial file of earlier runs. The partial file of
  // a single-run computation is removed when the run fails; a multi-run
  // computation keeps it for its next run.
  ResultFile(const std::string& finalName, bool fresh, bool multiRun);

  // The partial file, opened for appending (truncated by the first opening of
  // a fresh file). Close reports a failed write.
  FILE* Open();
  void Close(FILE* file);
  // Puts the complete file in place of the final one.
  void Commit();
  // A multi-run computation that finishes: what follows goes to a copy of the
  // partial file, which itself keeps the reports of the runs until Commit, so
  // that a run that fails while writing the digits leaves it whole for the next.
  void Finish();
  bool PartialExists() const;

  const std::string& FinalName() const { return final_; }
  const std::string& PartialName() const { return partial_; }

 private:
  std::string final_, partial_;
  std::string writing_;  // the file Open appends to: partial_, or its copy after Finish
  bool truncate_;
};
