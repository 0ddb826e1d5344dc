#include "userconst/expression_parser.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr long kMaxExponent = 1000000;
// Parentheses nest at most this deep: the rules recurse once per level.
constexpr int kMaxDepth = 200;
// ln of the largest coefficient magnitude, 10^(6 * kMaxCoefficientLimbs).
const double kMaxCoefficientLog = 6.0 * kMaxCoefficientLimbs * std::log(10.0);
// ln of the largest coefficient magnitude, 10^(6 * kMaxCoefficientLimbs).
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

ExpressionParser::ExpressionParser(const char* text, char variable)
    : text_(text), variable_(variable) {}

void ExpressionParser::Advance() {
  pos_++;
  while (IsBlank(Current())) pos_++;
}

int ExpressionParser::Fail(ErrorKind kind) {
  if (errorKind_ == kNoError) {
    errorKind_ = kind;
    errorPosition_ = pos_;
  }
  return -1;
}

bool ExpressionParser::TooLarge(const SmallInt& c) {
  // Log reads the top limbs only: the bound is met to about 20 digits.
  return c.Log() > kMaxCoefficientLog * (1 + 1e-12);
}

int ExpressionParser::CheckSize(PolynomStandard& p) {
  // The degree is not lowered here: n-(n+1) keeps degree 1 until its double form.
  long degree = p.Degree;
  while (degree > 0 && IsZeroValue(p.Coef[degree])) degree--;
  if (degree > kMaxPolynomDegree) return Fail(kTooLarge);
  for (long i = 0; i <= degree; i++)
    if (TooLarge(p.Coef[i])) return Fail(kTooLarge);
  return 1;
}

int ExpressionParser::Parse() {
  PolynomStandard r;
  int s = Sum(r);
  if (s == 0) return 0;  // nothing matched at the start: no position recorded
  if (s < 0) return 0;
  if (Current() != '\0') {
    Fail(kSyntax);
    return 0;
  }
  result_ = std::make_unique<PolynomStandard>(r);
  return 1;
}

int ExpressionParser::Sum(PolynomStandard& r) {
  bool negate = false;
  if (Current() == '-') {
    negate = true;
    Advance();
  }
  int s = Product(r);
  if (s < 0) return -1;
  if (s == 0) return negate ? Fail(kSyntax) : 0;
  if (negate) Negate(r, r);
  while (Current() == '+' || Current() == '-') {
    const bool minus = Current() == '-';
    Advance();
    PolynomStandard t;
    s = Product(t);
    if (s < 0) return -1;
    if (s == 0) return Fail(kSyntax);
    if (minus)
      SubPolynom(r, t, r);
    else
      AddPolynom(r, t, r);
    if (CheckSize(r) < 0) return -1;
  }
  return 1;
}

int ExpressionParser::Product(PolynomStandard& r) {
  int s = Factor(r);
  if (s <= 0) return s;
  while (Current() == '*') {
    Advance();
    PolynomStandard t;
    s = Factor(t);
    if (s < 0) return -1;
    if (s == 0) return Fail(kSyntax);
    if (r.Degree + t.Degree > kMaxPolynomDegree) return Fail(kTooLarge);
    MulPolynom(r, t, r);
    if (CheckSize(r) < 0) return -1;
  }
  return 1;
}

int ExpressionParser::Factor(PolynomStandard& r) {
  if (!IsDigit(Current())) return Power(r);
  SmallInt c;
  if (Number(c) < 0) return -1;
  int s = Power(r);
  if (s < 0) return -1;
  if (s == 0)
    r = PolynomStandard(c);
  else
    ScalePolynom(r, c, r);
  return CheckSize(r);
}

int ExpressionParser::Power(PolynomStandard& r) {
  int s = Primary(r);
  if (s <= 0) return s;
  if (Current() != '^') return 1;
  Advance();
  if (!IsDigit(Current())) return Fail(kSyntax);
  // The exponent is read as a plain number, its bound tested before any product.
  double e = 0;
  while (IsDigit(Current())) {
    if (e <= kMaxExponent) e = e * 10 + (Current() - '0');
    Advance();
  }
  if (e > kMaxExponent) return Fail(kSyntax);
  const long exponent = static_cast<long>(e);

  r.UpdateDegree();
  if (exponent >= 2) {
    // Every coefficient of r^e is at most (sum of |c_i|)^e: refuse before
    // multiplying when that bound or the degree is past the limits.
    if (r.Degree * exponent > kMaxPolynomDegree) return Fail(kTooLarge);
    if (static_cast<double>(exponent) * r.LogBound(1) > kMaxCoefficientLog) return Fail(kTooLarge);
    // 0, 1 and -1 pass that test with any exponent: no products for them.
    if (r.Degree == 0) {
      SmallInt minus;
      NegateSmallInt(r.Coef[0], minus);
      if (IsZeroValue(r.Coef[0]) || IsOneValue(r.Coef[0])) return 1;
      if (IsOneValue(minus)) {
        if (exponent % 2 == 0) r = PolynomStandard(SmallIntShared().One);
        return 1;
      }
    }
  }
  PolynomStandard::Power(r, exponent, r);
  return CheckSize(r);
}

int ExpressionParser::Primary(PolynomStandard& r) {
  const char c = Current();
  if (c == variable_ && c != '\0') {
    Advance();
    r = PolynomStandard::Monomial(1);
    return 1;
  }
  if (IsDigit(c)) {
    SmallInt v;
    if (Number(v) < 0) return -1;
    r = PolynomStandard(v);
    return 1;
  }
  if (c != '(') return 0;
  if (depth_ >= kMaxDepth) return Fail(kTooDeep);
  Advance();
  depth_++;
  int s = Sum(r);
  depth_--;
  if (s < 0) return -1;
  if (s == 0 || Current() != ')') return Fail(kSyntax);
  Advance();
  return 1;
}

int ExpressionParser::Number(SmallInt& r) {
  r.Alloc(4);
  r.Set(0);
  while (IsDigit(Current())) {
    if (TooLarge(r)) return Fail(kTooLarge);
    ShortMulSmallInt(r, 10, r);
    r.Realloc(r.Size + 2);
    r.Limbs[0] += Current() - '0';
    r.UpdateSmallInt();
    Advance();
  }
  if (TooLarge(r)) return Fail(kTooLarge);
  return 1;
}

std::unique_ptr<Polynom> ParsePolynomial(const char* text) {
  ExpressionParser parser(text, 'n');
  if (!parser.Parse()) {
    switch (parser.GetErrorKind()) {
      case ExpressionParser::kTooLarge:
        std::printf("Expression too large (degree at most %ld, coefficients of at most %ld "
                    "digits) : \n",
                    kMaxPolynomDegree, 6 * kMaxCoefficientLimbs);
        break;
      case ExpressionParser::kTooDeep:
        std::printf("Too many nested parentheses in your expression : \n");
        break;
      default: std::printf("Syntax error in your expression : \n"); break;
    }
    std::printf("\n");
    std::printf("%s\n", text);
    for (long i = 0; i < parser.GetErrorPosition(); i++) std::printf(" ");
    std::printf("^^^...\n");
    return nullptr;
  }
  std::unique_ptr<PolynomStandard> exact = parser.GetResult();
  if (std::unique_ptr<PolynomDouble> d = exact->ToDoubleForm()) return d;
  return exact;
}
