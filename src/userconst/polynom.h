// Polynomials in n with integer coefficients: the terms of the user series.
// Small coefficients are held as doubles (fast evaluation by short products);
// any polynomial can be held exactly with SmallInt coefficients.
#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "mpint/smallint.h"

class PolynomStandard;
class PolynomDouble;

// SmallInt::IsZero and IsOne release the carries first, which may take one
// limb more than a copy of the number holds: room is made before.
inline bool IsZeroValue(SmallInt& x) {
  x.Realloc(x.Size + 2);
  return x.IsZero();
}
inline bool IsOneValue(SmallInt& x) {
  x.Realloc(x.Size + 2);
  return x.IsOne();
}

// Bounds that keep every polynomial the parser builds small enough for the
// exact SmallInt products of the series (and the parser fast on any input).
constexpr long kMaxPolynomDegree = 100;
constexpr long kMaxCoefficientLimbs = 100;  // 600 decimal digits

class Polynom {
 public:
  long Degree = -1;  // -1: the empty polynomial

  virtual ~Polynom() = default;
  // r = coefficient of n^Degree.
  virtual void GetLeadingCoefficient(SmallInt& r) const = 0;
  // ln (sum of |c_i| x^i).
  virtual double LogBound(double x) const = 0;
  // r = P(x), x a double holding an integer.
  virtual void Evaluate(double x, SmallInt& r) const = 0;
  virtual void ToStandard(PolynomStandard& out) const = 0;
  // P(n + a).
  virtual std::unique_ptr<Polynom> Shift(double a) const = 0;
  // The same polynomial with double coefficients, or null when a coefficient
  // exceeds 1e15 (or when it is already in that form).
  virtual std::unique_ptr<PolynomDouble> ToDoubleForm() = 0;
  // "Degree=..." line (and the terms for the double form); null: standard output.
  virtual void Print(FILE* file = nullptr) const;
};

class PolynomDouble : public Polynom {
 public:
  std::vector<double> Coef;  // c_0 first, integers of magnitude <= 1e15

  PolynomDouble(long degree, const double* coef);

  void GetLeadingCoefficient(SmallInt& r) const override;
  double LogBound(double x) const override;
  void Evaluate(double x, SmallInt& r) const override;
  void ToStandard(PolynomStandard& out) const override;
  std::unique_ptr<Polynom> Shift(double a) const override;
  std::unique_ptr<PolynomDouble> ToDoubleForm() override { return nullptr; }
  void Print(FILE* file = nullptr) const override;
};

class PolynomStandard : public Polynom {
 public:
  long MaxDegree = -1;        // capacity - 1
  std::vector<SmallInt> Coef;  // c_0 first, MaxDegree + 1 entries

  PolynomStandard() = default;
  PolynomStandard(long degree, const SmallInt* coef);
  explicit PolynomStandard(const SmallInt& c);
  PolynomStandard(const PolynomStandard& p);
  PolynomStandard& operator=(const PolynomStandard& p);
  // The monomial n^d.
  static PolynomStandard Monomial(long d);

  // Room for degree d; Reserve drops the coefficients, ReserveKeep keeps them.
  void Reserve(long d);
  void ReserveKeep(long d);
  // Lowers Degree over zero leading coefficients (degree 0 stays).
  void UpdateDegree();

  void GetLeadingCoefficient(SmallInt& r) const override;
  double LogBound(double x) const override;
  void Evaluate(double x, SmallInt& r) const override;
  void ToStandard(PolynomStandard& out) const override;
  std::unique_ptr<Polynom> Shift(double a) const override;
  std::unique_ptr<PolynomDouble> ToDoubleForm() override;

  // r = p^e by repeated products; e < 0 is fatal.
  static void Power(const PolynomStandard& p, long e, PolynomStandard& r);
};

// Results may alias the operands.
void Negate(const PolynomStandard& p, PolynomStandard& r);
void AddPolynom(const PolynomStandard& a, const PolynomStandard& b, PolynomStandard& r);
void SubPolynom(const PolynomStandard& a, const PolynomStandard& b, PolynomStandard& r);
void MulPolynom(const PolynomStandard& a, const PolynomStandard& b, PolynomStandard& r);
void ScalePolynom(const PolynomStandard& p, const SmallInt& c, PolynomStandard& r);

// The console form (no menu leads to it): degree (asked when -1) and coefficients.
std::unique_ptr<PolynomDouble> ReadPolynomial(long degree);
