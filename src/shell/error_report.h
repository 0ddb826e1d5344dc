// How the program ends when it cannot go on. Two paths:
// - a fatal error writes "Numora.log" (the result file so far, the message,
//   the debug state). An internal error of the arithmetic asks the user to
//   send the log; an error of the machine or of the user's files (no room, no
//   permission, a damaged file, not enough memory) says what to do instead;
// - a refusal of the user's input (no answer, too many wrong answers, a
//   request this version cannot serve) prints its message and nothing else.
// Both end the process with kExitFailure. Messages are written with or
// without their final newline: each path prints exactly one.
#pragma once

#include <string>

// Exit status of a run that ended on an error or a refusal.
constexpr int kExitFailure = 1;

// The file copied into the log as "the result file so far"; empty for none.
void SetReportedFile(const std::string& name);

// Writes "Numora.log" and tells the user about an internal error; when end is
// nonzero, ends the process. Returns whether the log was written.
bool ErrorReport(const char* message, int end);

// The internal fatal error that the arithmetic raises for its inconsistencies.
[[noreturn]] void error(const char* message);
[[noreturn]] void errorf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A fatal error that is the machine's or the user's: the message says what
// went wrong, the advice what to do about it.
[[noreturn]] void SystemError(const char* advice, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Ends the run on a refusal of the user's input, with a message on the console.
[[noreturn]] void Refuse(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Messages of errors and refusals go to standard error instead of standard
// output (the command line's convention; the menu keeps them in its dialogue).
void ErrorsToStandardError(bool on);

// A message about a doubtful step after which the run goes on.
void Warning(const char* format, ...) __attribute__((format(printf, 1, 2)));
