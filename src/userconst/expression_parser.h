// The parser of the polynomial expressions typed by the user, such as
// 2n^2+3(n+1)*n. Blanks are skipped after every consumed character, never at
// the very start; the whole text must be consumed.
//
//   sum     := ["-"] product { ("+" | "-") product }
//   product := factor { "*" factor }
//   factor  := number [power] | power          (3n, 2(n+1): implicit product)
//   power   := primary ["^" number]            (exponent in [0, 1000000])
//   primary := variable | number | "(" sum ")"
#pragma once

#include <memory>
#include <string>

#include "userconst/polynom.h"

class ExpressionParser {
 public:
  // Why a parse failed.
  enum ErrorKind { kNoError, kSyntax, kTooLarge, kTooDeep };

  ExpressionParser(const char* text, char variable);

  // 1 on success (the result through GetResult), 0 on failure.
  int Parse();
  // The parsed polynomial, owned by the caller (null after a failure).
  std::unique_ptr<PolynomStandard> GetResult() { return std::move(result_); }
  // Position of the error, -1 when none was recorded.
  long GetErrorPosition() const { return errorPosition_; }
  ErrorKind GetErrorKind() const { return errorKind_; }

 private:
  // Each rule returns 1 (matched), 0 (nothing here) or -1 (error recorded).
  int Sum(PolynomStandard& r);
  int Product(PolynomStandard& r);
  int Factor(PolynomStandard& r);
  int Power(PolynomStandard& r);
  int Primary(PolynomStandard& r);
  int Number(SmallInt& r);

  char Current() const { return text_[pos_]; }
  // Consumes one character and the blanks after it.
  void Advance();
  int Fail(ErrorKind kind);
  // Refuses polynomials beyond the degree and coefficient bounds.
  int CheckSize(PolynomStandard& p);
  static bool TooLarge(const SmallInt& c);

  std::string text_;
  char variable_;
  long pos_ = 0;
  long errorPosition_ = -1;
  ErrorKind errorKind_ = kNoError;
  int depth_ = 0;
  std::unique_ptr<PolynomStandard> result_;
};

// Parses with the variable 'n'. On failure prints the text with a marker under
// the error and returns null. On success returns the double form when every
// coefficient allows it, else the exact form.
std::unique_ptr<Polynom> ParsePolynomial(const char* text);
