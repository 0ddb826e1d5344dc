// Console answers. Every answer can be wrong or missing: end of input ends the
// program with a short message and a failure status; an answer that is not a
// number gets the prompt again a few times, then the program gives up.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

// Wrong answers tolerated at one prompt before the program gives up.
constexpr int kMaxBadAnswers = 5;

// Prints the prompt (may be empty) and reads a whole number (a word such as "12").
long AskLong(const char* prompt);
// AskLong until the answer lies in [low, high]; a refused answer gets
// "Error, the answer should be between low and high", a few times at most.
long AskLongIn(const char* prompt, long low, long high);
// Prints the prompt and reads a real number.
double AskDouble(const char* prompt);
// Reads one word (up to a blank), as "%s" would; words longer than
// maxLength characters are cut.
std::string ReadWord(size_t maxLength = 999);
// Reads a free line: pending newlines are skipped, then the rest of the line.
// Lines of kMaxLineLength characters or more are cut to kMaxLineLength - 1.
constexpr size_t kMaxLineLength = 1000;
std::string ReadLine();

// Prints the prompt and reads a line until check accepts it: check returns
// an empty string, or the reason for refusing the line, which is printed.
// Gives up after kMaxBadAnswers refusals.
std::string AskText(const char* prompt, const std::function<std::string(const std::string&)>& check);

// Ends the program because standard input is exhausted.
[[noreturn]] void EndOfInput();
// Ends the program after too many refused answers.
[[noreturn]] void TooManyInvalidAnswers();

// Reads characters until a ':' has been read (1) or the stream ends (0).
int SkipToColon(FILE* stream);
