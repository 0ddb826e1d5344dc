// Files whose failures are reported instead of ignored, and the scratch files
// of a run.
#pragma once

#include <cstdio>
#include <string>

// Opens the file or ends the run with a clear message naming it.
FILE* OpenOrDie(const std::string& name, const char* mode);
// Closes the file; a failed write (disk full, ...) ends the run with a message naming it.
void CloseOrDie(FILE* file, const std::string& name);

// Files this process created for its own use, removed by RemoveScratchFiles
// and at any exit: a user's file of the same name is never touched.
void RegisterScratchFile(const std::string& name);
// The file is kept after all (a finished result, a state for the next run).
void ForgetScratchFile(const std::string& name);
void RemoveScratchFiles();
