// The two ways the program ends on an error.
#pragma once

// Exit status of a run that ended on an error (fatal error, end of input, bad answers).
constexpr int kExitFailure = 1;

// Prints the message on the console only and ends the process.
[[noreturn]] void FatalPrint(const char* message);

// Writes "Numora.log" (a copy of the current result file, the message, the time
// and the debug state) and, when end is nonzero, ends the process.
void ErrorReport(const char* message, int end);

// The common fatal error.
[[noreturn]] void error(const char* message);

// error() with a printf-style message.
[[noreturn]] void errorf(const char* format, ...) __attribute__((format(printf, 1, 2)));
