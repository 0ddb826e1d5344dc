// Rational numbers of two SmallInts, never reduced: the parameters alpha, beta
// and Z of the user series and the weights of the series in a user constant.
#pragma once

#include "mpint/smallint.h"

struct Fraction {
  SmallInt Num;
  SmallInt Den;

  Fraction();  // 0/1
  Fraction(const SmallInt& num, const SmallInt& den) : Num(num), Den(den) {}
  explicit Fraction(const SmallInt& num);
  Fraction(const Fraction&) = default;
  Fraction& operator=(const Fraction&) = default;

  // Parses "p" or "p/q", each side a constant expression (no variable, no
  // '/'). 1 on success; 0 on a syntax error or a zero denominator. No message.
  // The denominator is made positive (p/-q is held as -p/q).
  int ParseFraction(const char* text);
  double ToDouble() const { return Num.ToDouble() / Den.ToDouble(); }
};

// r = a * b and r = a + b, products with carry release; r may be a or b.
void MulFraction(const Fraction& a, const Fraction& b, Fraction& r);
void AddFraction(const Fraction& a, const Fraction& b, Fraction& r);
