#include "userconst/constant_file.h"

#include <cctype>

#include "userconst/expression_parser.h"
#include "userconst/fraction.h"

namespace {

// A label is never far from the previous value: a file that holds no ':' in
// this many characters is not a constant file (and a device that never ends
// cannot hold the reader).
constexpr long kMaxSkip = 100000;

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '+' || c == '.';
}

}  // namespace

int ConstantFileReader::Get() { return std::fgetc(file_); }

bool ConstantFileReader::SkipToColon() {
  for (long i = 0; i < kMaxSkip; i++) {
    int c = Get();
    if (c == EOF) return false;
    if (c == ':') return true;
  }
  return false;
}

bool ConstantFileReader::ReadLong(long* value) {
  int c;
  long skipped = 0;
  do {
    c = Get();
  } while (IsSpace(c) && ++skipped < kMaxSkip);
  bool negative = false;
  if (c == '-' || c == '+') {
    negative = c == '-';
    c = Get();
  }
  long v = 0;
  int digits = 0;
  while (c >= '0' && c <= '9') {
    if (++digits > 15) return false;
    v = v * 10 + (c - '0');
    c = Get();
  }
  if (digits == 0 || !(c == EOF || IsSpace(c))) return false;
  *value = negative ? -v : v;
  return true;
}

bool ConstantFileReader::ReadWord(std::string* word) {
  word->clear();
  int c;
  long skipped = 0;
  do {
    c = Get();
  } while (IsSpace(c) && ++skipped < kMaxSkip);
  while (c != EOF && !IsSpace(c)) {
    // A NUL would cut the text short where it is parsed and written.
    if (word->size() >= kMaxWordLength || c == '\0') return false;
    word->push_back(static_cast<char>(c));
    c = Get();
  }
  return !word->empty();
}

bool ConstantFileReader::ReadComments(std::string* comments) {
  comments->clear();
  for (;;) {
    int c;
    do {
      c = Get();
    } while (c == '\n');
    if (c == EOF) return false;
    std::string line;
    while (c != EOF && c != '\n') {
      if (line.size() < kMaxCommentLineLength) line.push_back(static_cast<char>(c));
      c = Get();
    }
    line = CleanCommentLine(line);
    if (line == ".") return true;
    if (c == EOF) return false;
    if (!line.empty()) AppendCommentLine(*comments, line);
  }
}

std::string CleanCommentLine(const std::string& line) {
  std::string kept;
  for (char c : line)
    if (c != '\0' && c != '\r') kept.push_back(c);
  return kept;
}

bool AppendCommentLine(std::string& comments, const std::string& line) {
  if (comments.size() + line.size() + 1 > kMaxCommentsLength) return false;
  comments += line;
  comments += '\n';
  return true;
}

std::string CheckConstantName(std::string& name) {
  size_t first = name.find_first_not_of(" \t");
  if (first == std::string::npos) return "The name is empty.";
  size_t last = name.find_last_not_of(" \t");
  name = name.substr(first, last - first + 1);
  for (char& c : name)
    if (c == ' ' || c == '\t') c = '_';
  if (name.size() > kMaxConstantNameLength)
    return "The name has more than 19 characters (it names the result files).";
  if (name[0] == '.') return "The name cannot begin with a '.'.";
  for (char c : name)
    if (!IsNameChar(c))
      return "The name may hold only letters, digits and the characters _ - + . "
             "(it names the result files).";
  return "";
}

bool IsValidConstantName(const std::string& name) {
  std::string copy = name;
  return CheckConstantName(copy).empty() && copy == name;
}

std::string WithoutBlanks(const std::string& text) {
  std::string r;
  for (char c : text)
    if (c != ' ' && c != '\t') r.push_back(c);
  return r;
}

std::string FractionRefusal(const std::string& text) {
  Fraction f;
  if (f.ParseFraction(text.c_str())) return "";
  const std::string quoted = "\"" + text + "\"";
  if (text.find_first_not_of(" \t") == std::string::npos)
    return "The answer is empty: a fraction such as 1/2 or -4 is wanted.";
  if (text.find_first_of(".,") != std::string::npos)
    return quoted + " is not a fraction: write it with whole numbers, for example 1/2 for 0.5.";
  if (text.find_first_of("nN") != std::string::npos)
    return quoted + " holds the variable n: a fraction is made of numbers only.";
  const size_t slash = text.find('/');
  if (slash != std::string::npos && text.find('/', slash + 1) != std::string::npos)
    return quoted + " holds more than one '/': write it p/q, with no '/' inside p or q.";
  Fraction below;
  if (slash != std::string::npos && below.ParseFraction(text.substr(slash + 1).c_str()) &&
      below.Num.Sign() == 0)
    return quoted + " divides by zero.";
  return quoted + " is not a fraction such as 1/2, -4 or 3/(2*5+1).";
}

std::string PolynomialRefusal(const std::string& text) {
  // The parser shows where the expression goes wrong.
  if (ParsePolynomial(text.c_str()) != nullptr) return "";
  return "This is not a polynomial in n such as 2n^2+3n+1.";
}
