#include "userconst/hypergeom.h"

#include <algorithm>
#include <cmath>

#include "mpint/bigint.h"
#include "shell/console.h"
#include "shell/error_report.h"
#include "userconst/constant_file.h"
#include "userconst/expression_parser.h"

namespace {

// Beyond these the definition-time search for zeros of G is left to the
// computation, which stops at the first vanishing term.
constexpr double kFirstCheckedTerms = 10;
constexpr double kMaxCheckedTerms = 10000;

// a / b as a double, through logarithms when a double cannot hold them.
double Ratio(const SmallInt& a, const SmallInt& b) {
  const double x = a.ToDouble(), y = b.ToDouble();
  if (std::isfinite(x) && std::isfinite(y)) return x / y;
  if (a.Sign() == 0) return 0;
  return a.Sign() * b.Sign() * std::exp(a.Log() - b.Log());
}

// The polynomial in its double form when it has one, else exact.
std::unique_ptr<Polynom> Compact(const PolynomStandard& p) {
  auto exact = std::make_unique<PolynomStandard>(p);
  if (std::unique_ptr<PolynomDouble> d = exact->ToDoubleForm()) return d;
  return exact;
}

std::unique_ptr<Polynom> Constant(const char* text) {
  ExpressionParser parser(text, 'n');
  parser.Parse();
  return Compact(*parser.GetResult());
}

// Reads console lines until one is accepted; returns it without blanks.
std::string AskValue(const char* prompt, std::string (*refusal)(const std::string&)) {
  return WithoutBlanks(
      AskText(prompt, [refusal](const std::string& line) { return refusal(WithoutBlanks(line)); }));
}

}  // namespace

double FractionValue(const Fraction& x) { return Ratio(x.Num, x.Den); }

Hypergeom::Hypergeom(int seriesType) : type_(seriesType) {}

void Hypergeom::SetParameters(double digits, long fftSize, int mode) {
  Digits = digits;
  FFTSize = fftSize;
  Mode = mode;
}

BigInt* Hypergeom::GetResultNumber() const { return static_cast<BigInt*>(Result); }

// ------------------------------------------------------------------ definition

void Hypergeom::DefineSeries() {
  if (type_ == kGeneralSeries) {
    std::printf("Choose your hypergeometric series definition mode : \n");
    std::printf("[0] : alpha + beta * sum_{n>=1}  F(n)/G(n) * Z^n\n");
    std::printf("[1] : alpha + beta * sum_{n>=1} [ prod_{1<=i<=n} (F(i)/G(i)) ] Z^n\n");
    definitionMode_ = static_cast<int>(AskLongIn("Enter your definition mode : ", 0, 1));
    alphaText_ = AskValue("Enter alpha : ", FractionRefusal);
    betaText_ = AskValue("Enter beta : ", FractionRefusal);
    fText_ = AskValue("Enter expression for polynomial F(n) : ", PolynomialRefusal);
    gText_ = AskValue("Enter expression for polynomial G(n) : ", PolynomialRefusal);
  }
  zText_ = AskValue("Enter Z : ", FractionRefusal);
  std::string why;
  if (!BuildFromTexts(&why)) std::printf("Error in hypergeometric series definition\n");
}

int Hypergeom::BuildFromTexts(std::string* why) {
  Fraction Z;
  if (!Z.ParseFraction(zText_.c_str())) {
    *why = "the value of Z does not parse";
    return 0;
  }
  switch (type_) {
    case kGeneralSeries: {
      Fraction alpha, beta;
      if (!alpha.ParseFraction(alphaText_.c_str())) {
        *why = "the value of alpha does not parse";
        return 0;
      }
      if (!beta.ParseFraction(betaText_.c_str())) {
        *why = "the value of beta does not parse";
        return 0;
      }
      std::unique_ptr<Polynom> F = ParsePolynomial(fText_.c_str());
      if (!F) {
        *why = "the polynomial F does not parse";
        return 0;
      }
      std::unique_ptr<Polynom> G = ParsePolynomial(gText_.c_str());
      if (!G) {
        *why = "the polynomial G does not parse";
        return 0;
      }
      InitSeries(*F, *G, Z, alpha, beta, definitionMode_);
      return 1;
    }
    case kArctanSeries: InitArctan(Z); return 1;
    case kArctanhSeries: InitArctanh(Z); return 1;
    case kLogSeries: InitLog(Z); return 1;
    default: *why = "the series type is unknown"; return 0;
  }
}

void Hypergeom::InitSeries(const Polynom& F, const Polynom& G, const Fraction& Z,
                           const Fraction& alpha, const Fraction& beta, int mode) {
  Z_ = Z;
  alpha_ = alpha;
  beta_ = beta;
  PolynomStandard f, g;
  F.ToStandard(f);
  G.ToStandard(g);
  if (mode == 1) {
    F_ = Compact(f);
    G_ = Compact(g);
    return;
  }
  // sum F(n)/G(n) Z^n = F(1)/G(1) Z (1 + sum_m prod_{i<=m} F(i+1)G(i) / (G(i+1)F(i)) Z^m).
  PolynomStandard f1, g1;
  F.Shift(1)->ToStandard(f1);
  G.Shift(1)->ToStandard(g1);
  PolynomStandard newF, newG;
  MulPolynom(f1, g, newF);
  MulPolynom(g1, f, newG);
  F_ = Compact(newF);
  G_ = Compact(newG);

  Fraction first;
  F.Evaluate(1, first.Num);
  G.Evaluate(1, first.Den);
  if (first.Den.Sign() < 0) {
    NegateSmallInt(first.Num, first.Num);
    NegateSmallInt(first.Den, first.Den);
  }
  MulFraction(beta_, first, beta_);
  MulFraction(beta_, Z_, beta_);
  AddFraction(alpha_, beta_, alpha_);
}

void Hypergeom::InitArctan(const Fraction& Z) {
  Fraction z2;
  MulFraction(Z, Z, z2);
  NegateSmallInt(z2.Num, z2.Num);
  InitSeries(*Constant("1"), *Constant("2n+1"), z2, Z, Z, 0);
}

void Hypergeom::InitArctanh(const Fraction& Z) {
  Fraction z2;
  MulFraction(Z, Z, z2);
  InitSeries(*Constant("1"), *Constant("2n+1"), z2, Z, Z, 0);
}

void Hypergeom::InitLog(const Fraction& Z) {
  Fraction zero, one(SmallIntShared().One);
  InitSeries(*Constant("1"), *Constant("n"), Z, zero, one, 0);
}

void Hypergeom::Scale(const Fraction& w) {
  MulFraction(alpha_, w, alpha_);
  MulFraction(beta_, w, beta_);
}

// ----------------------------------------------------------------------- file

void Hypergeom::Stream(FILE* file) const {
  if (type_ == kGeneralSeries) {
    std::fprintf(file, "Definition mode : %d\n", definitionMode_);
    std::fprintf(file, "Alpha : %s\n", alphaText_.c_str());
    std::fprintf(file, "Beta : %s\n", betaText_.c_str());
    std::fprintf(file, "Polynomial F : %s\n", fText_.c_str());
    std::fprintf(file, "Polynomial G : %s\n", gText_.c_str());
  }
  std::fprintf(file, "Z : %s\n", zText_.c_str());
}

int Hypergeom::Unstream(ConstantFileReader& in, std::string* why) {
  if (type_ < kGeneralSeries || type_ > kLogSeries) {
    *why = "Unknown type";
    return 0;
  }
  const char* damaged = "Error while unstreaming hypergeometric series";
  if (type_ == kGeneralSeries) {
    long mode;
    if (!in.SkipToColon() || !in.ReadLong(&mode) || (mode != 0 && mode != 1)) {
      *why = std::string(damaged) + "\n(the definition mode is missing or not 0 or 1)";
      return 0;
    }
    definitionMode_ = static_cast<int>(mode);
    std::string* texts[] = {&alphaText_, &betaText_, &fText_, &gText_};
    const char* names[] = {"alpha", "beta", "the polynomial F", "the polynomial G"};
    for (int i = 0; i < 4; i++) {
      if (!in.SkipToColon() || !in.ReadWord(texts[i])) {
        *why = std::string(damaged) + "\n(" + names[i] + " is missing)";
        return 0;
      }
    }
  }
  if (!in.SkipToColon() || !in.ReadWord(&zText_)) {
    *why = std::string(damaged) + "\n(Z is missing)";
    return 0;
  }
  std::string reason;
  if (!BuildFromTexts(&reason)) {
    *why = std::string(damaged) + "\n(" + reason + ")";
    return 0;
  }
  return 1;
}

// ---------------------------------------------------------------- properties

double Hypergeom::ConvergenceRate() const {
  if (!F_ || !G_) return 0;
  SmallInt lf, lg;
  F_->GetLeadingCoefficient(lf);
  G_->GetLeadingCoefficient(lg);
  return 1 / std::fabs(Ratio(lf, lg) * FractionValue(Z_));
}

int Hypergeom::CheckSeries() {
  if (!F_ || !G_) return 0;
  if (F_->Degree != G_->Degree) {
    std::printf("Error, F and G must have the same degree\n");
    return 0;
  }
  const double rate = ConvergenceRate();
  if (!(rate > 1)) {
    std::printf("Error, the series is not geometrically convergent, rate=%lf\n", rate);
    return 0;
  }
  // The first term of a mode-0 series divides by the given G at 1.
  if (IsZeroValue(alpha_.Den) || IsZeroValue(beta_.Den)) {
    std::printf("Error, the polynomial G vanish at the value n=%.0lf\n", 1.0);
    return 0;
  }
  // An integer zero of G lies below 1 + max |c_i / c_deg| (Cauchy's bound).
  double bound = kFirstCheckedTerms;
  PolynomStandard g;
  G_->ToStandard(g);
  for (long i = 0; i < g.Degree; i++)
    bound = std::max(bound, 1 + std::fabs(Ratio(g.Coef[i], g.Coef[g.Degree])));
  bound = std::min(bound, kMaxCheckedTerms);
  SmallInt v;
  for (double n = 1; n <= bound; n++) {
    G_->Evaluate(n, v);
    if (IsZeroValue(v)) {
      std::printf("Error, the polynomial G vanish at the value n=%.0lf\n", n);
      return 0;
    }
  }
  return 1;
}

double Hypergeom::ApproximateValue() const {
  if (!F_ || !G_) return 0;
  const double rate = ConvergenceRate();
  const double nMax = std::min(2 * std::log(1e15) / std::log(rate), 1000.0);
  const double z = FractionValue(Z_);
  double t = 1, s = 0;
  SmallInt f, g;
  for (double n = 1; n < nMax; n++) {
    F_->Evaluate(n, f);
    G_->Evaluate(n, g);
    t = t * Ratio(f, g) * z;
    s += t;
  }
  return FractionValue(alpha_) + FractionValue(beta_) * s;
}
