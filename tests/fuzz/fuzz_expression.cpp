// libFuzzer target: the expression parser and the fraction parser. Any text
// must end in a polynomial within the bounds or in an error position inside
// the text; the double and exact forms of a result must agree.
#include <cstdint>
#include <cstdio>
#include <string>

#include "userconst/expression_parser.h"
#include "userconst/fraction.h"
#include "userconst/polynom.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitSmallIntConstants();
  // The syntax-error messages would only slow the run down.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.substr(0, text.find('\0'));

  ExpressionParser parser(text.c_str(), 'n');
  if (parser.Parse()) {
    std::unique_ptr<PolynomStandard> exact = parser.GetResult();
    if (exact->Degree < 0 || exact->Degree > kMaxPolynomDegree) __builtin_trap();
    SmallInt v, w;
    exact->Evaluate(7, v);
    exact->LogBound(1000);
    exact->Shift(-3);
    if (std::unique_ptr<PolynomDouble> d = exact->ToDoubleForm()) {
      d->Evaluate(7, w);
      SubstractSmallInt(v, w, w);
      if (!w.IsZero()) __builtin_trap();
      d->Shift(2);
    }
  } else {
    const long pos = parser.GetErrorPosition();
    if (pos < -1 || pos > static_cast<long>(text.size())) __builtin_trap();
  }

  Fraction f;
  if (f.ParseFraction(text.c_str())) {
    if (f.Den.Sign() <= 0) __builtin_trap();
    f.ToDouble();
  }
  return 0;
}
