#include "userconst/polynom.h"

#include <algorithm>
#include <cmath>

#include "shell/console.h"
#include "shell/error_report.h"

namespace {

constexpr double kDoubleFormLimit = 1e15;

// A SmallInt holding x (|x| <= 1e15), with room for the carries of Set.
void SetSmall(SmallInt& r, double x) {
  r.Alloc(4);
  r.Set(x);
}

SmallInt ZeroSmall() {
  SmallInt z;
  SetSmall(z, 0);
  return z;
}

}  // namespace

void Polynom::Print(FILE* file) const {
  if (file == nullptr) file = stdout;
  std::fprintf(file, "Degree=%ld\n", Degree);
}

// ---------------------------------------------------------------- PolynomDouble

PolynomDouble::PolynomDouble(long degree, const double* coef) {
  Degree = degree;
  Coef.assign(coef, coef + degree + 1);
}

void PolynomDouble::GetLeadingCoefficient(SmallInt& r) const { SetSmall(r, Coef[Degree]); }

double PolynomDouble::LogBound(double x) const {
  double acc = 0;
  for (long i = Degree; i >= 0; i--) acc = acc * x + std::fabs(Coef[i]);
  if (std::isfinite(acc)) return std::log(acc);
  // Past the double range (high degree, large x): the exact sum.
  PolynomStandard exact;
  ToStandard(exact);
  return exact.LogBound(x);
}

void PolynomDouble::Evaluate(double x, SmallInt& r) const {
  if (Degree < 0) {
    SetSmall(r, 0);
    return;
  }
  SetSmall(r, Coef[Degree]);
  for (long i = Degree - 1; i >= 0; i--) {
    ShortMulSmallInt(r, x, r);
    // Room for the carries of a coefficient of up to 1e15 added to the lowest limb.
    r.Realloc(r.Size + 4);
    r.Limbs[0] += Coef[i];
    r.UpdateSmallInt();
  }
}

void PolynomDouble::ToStandard(PolynomStandard& out) const {
  std::vector<SmallInt> c(Degree + 1);
  for (long i = 0; i <= Degree; i++) SetSmall(c[i], Coef[i]);
  out = PolynomStandard(Degree, c.data());
}

std::unique_ptr<Polynom> PolynomDouble::Shift(double a) const {
  PolynomStandard exact;
  ToStandard(exact);
  std::unique_ptr<Polynom> shifted = exact.Shift(a);
  auto* standard = static_cast<PolynomStandard*>(shifted.get());
  if (std::unique_ptr<PolynomDouble> d = standard->ToDoubleForm()) return d;
  return shifted;
}

void PolynomDouble::Print(FILE* file) const {
  if (file == nullptr) file = stdout;
  Polynom::Print(file);
  for (long i = 0; i <= Degree; i++) {
    if (Coef[i] == 0) continue;
    if (i >= 1 && Coef[i] > 0) std::fprintf(file, "+");
    std::fprintf(file, "%.0lf", Coef[i]);
    if (i >= 1) std::fprintf(file, "*n");
    if (i >= 2) std::fprintf(file, "^%ld", i);
  }
}

// -------------------------------------------------------------- PolynomStandard

PolynomStandard::PolynomStandard(long degree, const SmallInt* coef) {
  Degree = degree;
  MaxDegree = degree;
  Coef.assign(coef, coef + degree + 1);
}

PolynomStandard::PolynomStandard(const SmallInt& c) {
  Degree = 0;
  MaxDegree = 0;
  Coef.assign(1, c);
}

PolynomStandard::PolynomStandard(const PolynomStandard& p) : Polynom() {
  Degree = p.Degree;
  MaxDegree = p.Degree;
  if (p.Degree >= 0) Coef.assign(p.Coef.begin(), p.Coef.begin() + p.Degree + 1);
}

PolynomStandard& PolynomStandard::operator=(const PolynomStandard& p) {
  if (this == &p) return *this;
  if (p.Degree > MaxDegree) Reserve(p.Degree);
  for (long i = 0; i <= p.Degree; i++) Coef[i] = p.Coef[i];
  Degree = p.Degree;
  return *this;
}

PolynomStandard PolynomStandard::Monomial(long d) {
  PolynomStandard p;
  p.Reserve(d);
  for (long i = 0; i < d; i++) p.Coef[i] = SmallIntShared().Zero;
  p.Coef[d] = SmallIntShared().One;
  p.Degree = d;
  return p;
}

void PolynomStandard::Reserve(long d) {
  if (MaxDegree >= d) return;
  Coef.assign(d + 1, ZeroSmall());
  MaxDegree = d;
}

void PolynomStandard::ReserveKeep(long d) {
  if (MaxDegree >= d) return;
  Coef.resize(d + 1, ZeroSmall());
  MaxDegree = d;
}

void PolynomStandard::UpdateDegree() {
  while (Degree > 0 && IsZeroValue(Coef[Degree])) Degree--;
}

void PolynomStandard::GetLeadingCoefficient(SmallInt& r) const {
  if (Degree < 0) {
    SetSmall(r, 0);
    return;
  }
  r = Coef[Degree];
}

double PolynomStandard::LogBound(double x) const {
  SmallInt t;
  SetSmall(t, 0);
  for (long i = Degree; i >= 0; i--) {
    ShortMulSmallInt(t, x, t);
    if (Coef[i].Sign() == -1)
      SubstractSmallInt(t, Coef[i], t);
    else
      AddSmallInt(t, Coef[i], t);
  }
  return t.Log();
}

void PolynomStandard::Evaluate(double x, SmallInt& r) const {
  if (Degree < 0) {
    SetSmall(r, 0);
    return;
  }
  r = Coef[Degree];
  for (long i = Degree - 1; i >= 0; i--) {
    ShortMulSmallInt(r, x, r);
    AddSmallInt(r, Coef[i], r);
  }
}

void PolynomStandard::ToStandard(PolynomStandard& out) const { out = *this; }

std::unique_ptr<Polynom> PolynomStandard::Shift(double a) const {
  auto r = std::make_unique<PolynomStandard>();
  if (Degree < 0) return r;
  SmallInt c[2];
  SetSmall(c[0], a);
  SetSmall(c[1], 1);
  const PolynomStandard linear(1, c);  // n + a
  *r = PolynomStandard(Coef[Degree]);
  for (long i = Degree - 1; i >= 0; i--) {
    MulPolynom(*r, linear, *r);
    AddPolynom(*r, PolynomStandard(Coef[i]), *r);
  }
  return r;
}

std::unique_ptr<PolynomDouble> PolynomStandard::ToDoubleForm() {
  UpdateDegree();
  if (Degree < 0) return nullptr;
  std::vector<double> d(Degree + 1);
  for (long i = 0; i <= Degree; i++) {
    d[i] = Coef[i].ToDouble();
    if (!(std::fabs(d[i]) <= kDoubleFormLimit)) return nullptr;
  }
  return std::make_unique<PolynomDouble>(Degree, d.data());
}

void PolynomStandard::Power(const PolynomStandard& p, long e, PolynomStandard& r) {
  if (e < 0) error("Error in PolynomStandard::Power, power should be positive");
  if (e == 0) {
    r = PolynomStandard(SmallIntShared().One);
    return;
  }
  const PolynomStandard base(p);  // r may be p
  if (e == 1) {
    r = base;
    return;
  }
  MulPolynom(base, base, r);
  for (long k = 2; k < e; k++) MulPolynom(base, r, r);
}

// ------------------------------------------------------------------ arithmetic

void Negate(const PolynomStandard& p, PolynomStandard& r) {
  PolynomStandard t;
  t.Reserve(p.Degree);
  for (long i = 0; i <= p.Degree; i++) NegateSmallInt(p.Coef[i], t.Coef[i]);
  t.Degree = p.Degree;
  r = t;
}

void AddPolynom(const PolynomStandard& a, const PolynomStandard& b, PolynomStandard& r) {
  PolynomStandard t;
  const long d = std::max(a.Degree, b.Degree);
  const long common = std::min(a.Degree, b.Degree);
  t.Reserve(d);
  for (long i = 0; i <= common; i++) AddSmallInt(a.Coef[i], b.Coef[i], t.Coef[i]);
  const PolynomStandard& longer = a.Degree >= b.Degree ? a : b;
  for (long i = common + 1; i <= d; i++) t.Coef[i] = longer.Coef[i];
  t.Degree = d;
  r = t;
}

void SubPolynom(const PolynomStandard& a, const PolynomStandard& b, PolynomStandard& r) {
  PolynomStandard t;
  const long d = std::max(a.Degree, b.Degree);
  const long common = std::min(a.Degree, b.Degree);
  t.Reserve(d);
  for (long i = 0; i <= common; i++) SubstractSmallInt(a.Coef[i], b.Coef[i], t.Coef[i]);
  for (long i = common + 1; i <= a.Degree; i++) t.Coef[i] = a.Coef[i];
  for (long i = common + 1; i <= b.Degree; i++) NegateSmallInt(b.Coef[i], t.Coef[i]);
  t.Degree = d;
  r = t;
}

void MulPolynom(const PolynomStandard& a, const PolynomStandard& b, PolynomStandard& r) {
  PolynomStandard t;
  if (a.Degree < 0 || b.Degree < 0) {
    r = t;
    return;
  }
  t.Reserve(a.Degree + b.Degree);
  SmallInt w;
  for (long i = 0; i <= a.Degree; i++)
    for (long j = 0; j <= b.Degree; j++) {
      MulSmallInt(a.Coef[i], b.Coef[j], w);
      AddSmallInt(t.Coef[i + j], w, t.Coef[i + j]);
    }
  t.Degree = a.Degree + b.Degree;
  r = t;
}

void ScalePolynom(const PolynomStandard& p, const SmallInt& c, PolynomStandard& r) {
  PolynomStandard t;
  t.Reserve(p.Degree);
  for (long i = 0; i <= p.Degree; i++) MulSmallInt(p.Coef[i], c, t.Coef[i]);
  t.Degree = p.Degree;
  r = t;
}

// ------------------------------------------------------------------ console form

std::unique_ptr<PolynomDouble> ReadPolynomial(long degree) {
  if (degree == -1) degree = AskLong("Enter the degree : ");
  if (degree < 0 || degree > 31) error("Error in degree");
  std::vector<double> c(degree + 1);
  for (long i = 0; i <= degree; i++) {
    char prompt[64];
    std::snprintf(prompt, sizeof prompt, "Enter coefficient %ld : ", i);
    c[i] = AskDouble(prompt);
    if (c[i] != std::floor(c[i]) || std::fabs(c[i]) > kDoubleFormLimit)
      error("Error, coefficients should be of integer type");
  }
  return std::make_unique<PolynomDouble>(degree, c.data());
}
