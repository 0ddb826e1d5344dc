// Text files whose failures are reported instead of ignored.
#pragma once

#include <cstdio>
#include <string>

// Opens the file or ends the run with a clear message naming it.
FILE* OpenOrDie(const std::string& name, const char* mode);
// Closes the file; a failed write (disk full, ...) ends the run with a message naming it.
void CloseOrDie(FILE* file, const std::string& name);
