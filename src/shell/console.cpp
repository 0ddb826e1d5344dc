#include "shell/console.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "shell/error_report.h"

namespace {

int NextChar() { return std::getchar(); }

// One blank-delimited word; false at end of input before any character.
bool ReadToken(std::string& token, size_t maxLength) {
  token.clear();
  int ch;
  do {
    ch = NextChar();
  } while (ch != EOF && std::isspace(static_cast<unsigned char>(ch)));
  if (ch == EOF) return false;
  while (ch != EOF && !std::isspace(static_cast<unsigned char>(ch))) {
    if (token.size() < maxLength) token.push_back(static_cast<char>(ch));
    ch = NextChar();
  }
  // The blank that ended the word stays pending, as a formatted read leaves it.
  if (ch != EOF) std::ungetc(ch, stdin);
  return true;
}

// Drops the rest of the current line after a wrong answer.
void DiscardLine() {
  int ch;
  while ((ch = NextChar()) != EOF && ch != '\n') {
  }
}

template <typename T, typename Parse>
T AskNumber(const char* prompt, const char* kind, Parse parse) {
  for (int attempt = 0;; attempt++) {
    std::fputs(prompt, stdout);
    std::fflush(stdout);
    std::string token;
    if (!ReadToken(token, 200)) EndOfInput();
    T value;
    if (parse(token, value)) return value;
    DiscardLine();
    if (attempt + 1 >= kMaxBadAnswers) TooManyInvalidAnswers();
    std::printf("\"%s\" is not %s, please try again.\n", token.c_str(), kind);
  }
}

}  // namespace

void EndOfInput() { Refuse("\nEnd of input: no answer to the question, Numora stops."); }

void TooManyInvalidAnswers() { Refuse("\nToo many invalid answers, Numora stops."); }

long AskLong(const char* prompt) {
  return AskNumber<long>(prompt, "a whole number", [](const std::string& t, long& v) {
    char* end = nullptr;
    errno = 0;
    v = std::strtol(t.c_str(), &end, 10);
    return end != t.c_str() && *end == '\0' && errno == 0;
  });
}

long AskLongIn(const char* prompt, long low, long high) {
  for (int attempt = 0;; attempt++) {
    const long v = AskLong(prompt);
    if (v >= low && v <= high) return v;
    if (attempt + 1 >= kMaxBadAnswers) TooManyInvalidAnswers();
    std::printf("Error, the answer should be between %ld and %ld\n", low, high);
  }
}

double AskDouble(const char* prompt) {
  return AskNumber<double>(prompt, "a number", [](const std::string& t, double& v) {
    char* end = nullptr;
    errno = 0;
    v = std::strtod(t.c_str(), &end);
    return end != t.c_str() && *end == '\0' && errno == 0 && std::isfinite(v);
  });
}

std::string ReadWord(size_t maxLength) {
  std::fflush(stdout);
  std::string word;
  if (!ReadToken(word, maxLength)) EndOfInput();
  return word;
}

std::string ReadLine() {
  std::fflush(stdout);
  int ch;
  do {
    ch = NextChar();
  } while (ch == '\n' || ch == '\r');
  if (ch == EOF) EndOfInput();
  std::string line;
  while (ch != EOF && ch != '\n') {
    if (ch != '\r' && line.size() < kMaxLineLength - 1) line.push_back(static_cast<char>(ch));
    ch = NextChar();
  }
  return line;
}

std::string AskText(const char* prompt, const std::function<std::string(const std::string&)>& check) {
  for (int attempt = 0;; attempt++) {
    std::fputs(prompt, stdout);
    const std::string line = ReadLine();
    const std::string refused = check(line);
    if (refused.empty()) return line;
    if (attempt + 1 >= kMaxBadAnswers) TooManyInvalidAnswers();
    std::printf("%s Please try again.\n", refused.c_str());
  }
}

int SkipToColon(FILE* stream) {
  int ch;
  while ((ch = std::fgetc(stream)) != EOF)
    if (ch == ':') return 1;
  return 0;
}
