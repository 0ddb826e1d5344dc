// Reading side of the ".numora" files, and the rules for the names and texts
// that end up in them. Every reading function returns false on a file that
// ends early or holds something else than expected; the caller names the file
// in its message.
#pragma once

#include <cstdio>
#include <string>

// Longest constant name: it names the DiskInt files of a compressed result.
constexpr size_t kMaxConstantNameLength = 19;
// Comments of a constant, all lines together.
constexpr size_t kMaxCommentsLength = 10000;
// A comment line, as the console reads it.
constexpr size_t kMaxCommentLineLength = 999;
// A word of the file (a name, a fraction, a polynomial).
constexpr size_t kMaxWordLength = 999;

class ConstantFileReader {
 public:
  explicit ConstantFileReader(FILE* file) : file_(file) {}

  // Reads up to and including the next ':'.
  bool SkipToColon();
  // A whole number ("%ld"), ended by a blank or the end of the file.
  bool ReadLong(long* value);
  // One word ("%s"), at most kMaxWordLength characters, without NUL.
  bool ReadWord(std::string* word);
  // Comment lines up to the line ".": empty lines are dropped, long lines cut
  // and lines past kMaxCommentsLength dropped. False at the end of the file.
  bool ReadComments(std::string* comments);

 private:
  int Get();
  FILE* file_;
};

// Checks a constant name typed at the console: surrounding blanks are removed
// and inner blanks become '_' (the name is read back as one word). Returns an
// empty string when the name is acceptable, else the reason it is refused.
std::string CheckConstantName(std::string& name);
// True for a name as the file may hold it (no changes made).
bool IsValidConstantName(const std::string& name);

// Why a typed answer is refused as a fraction ("p" or "p/q", each side a
// constant expression) or as a polynomial in n; "" when it is accepted.
std::string FractionRefusal(const std::string& text);
std::string PolynomialRefusal(const std::string& text);

// The text with its blanks removed: the parser skips blanks anyway, and the
// file stores each text as one word.
std::string WithoutBlanks(const std::string& text);

// A comment line without NUL (it would cut the text where it is written) and
// carriage returns (a file edited elsewhere may end its lines with "\r\n").
std::string CleanCommentLine(const std::string& line);
// Appends one comment line; false (nothing appended) when the comments would
// pass kMaxCommentsLength.
bool AppendCommentLine(std::string& comments, const std::string& line);
