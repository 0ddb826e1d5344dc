#include "userconst/fraction.h"

#include <cstring>
#include <memory>
#include <string>

#include "userconst/expression_parser.h"

namespace {

// The value of a constant expression; false when it does not parse or holds
// anything but numbers ('%' stands for a variable that no text contains).
bool ParseConstant(std::string text, SmallInt& value) {
  // Blanks around the '/' are allowed: "1 / 9" would otherwise be refused
  // without a word (the dialogue reads fractions again silently).
  const size_t first = text.find_first_not_of(" \t");
  text.erase(0, first == std::string::npos ? text.size() : first);
  ExpressionParser parser(text.c_str(), '%');
  if (!parser.Parse()) return false;
  std::unique_ptr<PolynomStandard> p = parser.GetResult();
  p->UpdateDegree();
  if (p->Degree != 0) return false;
  p->Evaluate(0, value);
  return true;
}

}  // namespace

Fraction::Fraction() : Num(SmallIntShared().Zero), Den(SmallIntShared().One) {}

Fraction::Fraction(const SmallInt& num) : Num(num), Den(SmallIntShared().One) {}

int Fraction::ParseFraction(const char* text) {
  const char* slash = std::strchr(text, '/');
  SmallInt num, den;
  if (slash == nullptr) {
    if (!ParseConstant(text, num)) return 0;
    den = SmallIntShared().One;
  } else {
    if (!ParseConstant(std::string(text, slash - text), num)) return 0;
    if (!ParseConstant(slash + 1, den)) return 0;
    // A zero denominator would only surface as a division by zero in the series.
    if (IsZeroValue(den)) return 0;
    // A positive denominator keeps the products of the series positive.
    if (den.Sign() < 0) {
      NegateSmallInt(num, num);
      NegateSmallInt(den, den);
    }
  }
  Num = num;
  Den = den;
  return 1;
}

void MulFraction(const Fraction& a, const Fraction& b, Fraction& r) {
  SmallInt num, den;
  MulSmallInt(a.Num, b.Num, num);
  MulSmallInt(a.Den, b.Den, den);
  r.Num = num;
  r.Den = den;
}

void AddFraction(const Fraction& a, const Fraction& b, Fraction& r) {
  SmallInt x, y, den;
  MulSmallInt(a.Num, b.Den, x);
  MulSmallInt(a.Den, b.Num, y);
  MulSmallInt(a.Den, b.Den, den);
  AddSmallInt(x, y, r.Num);
  r.Den = den;
}
