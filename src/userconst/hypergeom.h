// One hypergeometric series with rational parameters,
//   alpha + beta * sum_{n>=1} T(n),  T(n) = prod_{i<=n} F(i)/G(i) * Z,
// defined at the console or read from a user constant file, and summed to D
// digits by binary splitting on exact integers. Type 0 is the general series;
// types 1 to 3 are arctan(Z), arctanh(Z) and log 1/(1-Z).
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "constants/binary_splitting.h"
#include "mpint/bigint.h"
#include "shell/computation.h"
#include "userconst/fraction.h"
#include "userconst/polynom.h"

class ConstantFileReader;

enum SeriesType { kGeneralSeries = 0, kArctanSeries = 1, kArctanhSeries = 2, kLogSeries = 3 };

class Hypergeom : public ConstantComputation, public SeriesSplitting {
 public:
  explicit Hypergeom(int seriesType);

  int GetSeriesType() const { return type_; }
  void SetParameters(double digits, long fftSize, int mode);
  // The finished number (owned by this object until taken).
  BigInt* GetResultNumber() const;

  // The console dialogue of the series' parameters; builds the ratio form.
  void DefineSeries();
  // The series' lines of the user constant file.
  void Stream(FILE* file) const;
  // Reads those lines and builds the ratio form; on failure returns 0 and
  // says why (the caller names the file).
  int Unstream(ConstantFileReader& in, std::string* why);

  // 1 when the ratio form is usable: equal degrees, geometric convergence, and
  // a G that does not vanish at the first terms. Prints the first failure.
  int CheckSeries();
  double ConvergenceRate() const;
  double ApproximateValue() const;
  // Multiplies the value by w (alpha and beta scaled): the weight of this
  // series in a user constant, applied exactly inside the series.
  void Scale(const Fraction& w);

  // Ratio form from the given parameters (mode 0: F(n)/G(n) Z^n, converted;
  // mode 1: already the ratio form), and the three named series.
  void InitSeries(const Polynom& F, const Polynom& G, const Fraction& Z, const Fraction& alpha,
                  const Fraction& beta, int mode);
  void InitArctan(const Fraction& Z);
  void InitArctanh(const Fraction& Z);
  void InitLog(const Fraction& Z);

  // ConstantComputation.
  int Compute() override;
  int GetTypeCode() const override { return 30; }
  std::string GetName() const override { return "UserConstant"; }
  std::string GetResultFileName() const override { return "UserConstant.txt"; }
  void EstimateMemory(long fftSize, double* memory, double* diskMemory) const override;

  // SeriesSplitting: the leaf of one term, p(b) = F(b) Z.num, q(b) = G(b) Z.den.
  void LastBabyStep(double a, double b, SmallInt& A, SmallInt& P, SmallInt& Q) override;
  int ExpectedPSign(double) const override { return 0; }

  // The ratio form, for the tests.
  const Polynom* GetF() const { return F_.get(); }
  const Polynom* GetG() const { return G_.get(); }
  const Fraction& GetZ() const { return Z_; }
  const Fraction& GetAlpha() const { return alpha_; }
  const Fraction& GetBeta() const { return beta_; }

 private:
  // Builds the ratio form from the kept texts; 0 (with the reason) when a
  // text does not parse.
  int BuildFromTexts(std::string* why);
  void EvaluateSeries();

  int type_;
  int definitionMode_ = 0;
  std::unique_ptr<Polynom> F_, G_;
  Fraction Z_, alpha_, beta_;
  std::string alphaText_, betaText_, fText_, gText_, zText_;
  double Nterms = 0;
  double LogTermSize = 0;
};

// x as a double, also when numerator and denominator are beyond the double range.
double FractionValue(const Fraction& x);
