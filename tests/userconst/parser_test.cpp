// The expression parser, the polynomials and the fractions, checked against
// values computed by hand (in 128-bit integers).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "test_util.h"
#include "userconst/expression_parser.h"
#include "userconst/fraction.h"
#include "userconst/polynom.h"

using uc_test::Value;

namespace {

using I = __int128;

std::unique_ptr<PolynomStandard> ParseExact(const std::string& text, long* errorPos = nullptr,
                                            ExpressionParser::ErrorKind* kind = nullptr) {
  ExpressionParser p(text.c_str(), 'n');
  int ok = p.Parse();
  if (errorPos) *errorPos = p.GetErrorPosition();
  if (kind) *kind = p.GetErrorKind();
  return ok ? p.GetResult() : nullptr;
}

I Eval(const Polynom& p, long n) {
  SmallInt r;
  p.Evaluate(static_cast<double>(n), r);
  return Value(r);
}

std::string Printed(const Polynom& p) {
  FILE* f = std::tmpfile();
  p.Print(f);
  std::rewind(f);
  std::string s;
  int ch;
  while ((ch = std::fgetc(f)) != EOF) s.push_back(static_cast<char>(ch));
  std::fclose(f);
  return s;
}

struct Case {
  const char* text;
  std::function<I(I)> value;
  long degree;  // after ParsePolynomial (trimmed)
};

}  // namespace

TEST(ExpressionParser, ValidExpressionsEvaluate) {
  uc_test::Init();
  const Case cases[] = {
      {"2n^2+3(n+1)*n", [](I n) { return 5 * n * n + 3 * n; }, 2},
      {"n^0", [](I) { return I(1); }, 0},
      {"-n+1", [](I n) { return 1 - n; }, 1},
      {"n-(n+1)", [](I) { return I(-1); }, 0},
      {"3 4n", [](I n) { return 34 * n; }, 1},
      {"(2)^3", [](I) { return I(8); }, 0},
      {"12 34 + n", [](I n) { return 1234 + n; }, 1},
      {"-(-(n))*2", [](I n) { return 2 * n; }, 1},
      {"2(n+1)^2 - (n-1)*(n+2)*3", [](I n) { return 2 * (n + 1) * (n + 1) - 3 * (n - 1) * (n + 2); }, 2},
      {"((n+1))^2*2", [](I n) { return 2 * (n + 1) * (n + 1); }, 2},
      {"0*n^5+7", [](I) { return I(7); }, 0},
      {"(-1)^999999", [](I) { return I(-1); }, 0},
      {"(1-2)^1000000*n", [](I n) { return n; }, 1},
      {"(0)^999999+(1)^1000000", [](I) { return I(1); }, 0},
      {"(n^2+1)^20", [](I n) { I r = 1; for (int i = 0; i < 20; i++) r *= n * n + 1; return r; }, 40},
      {"(6n-5)*(2n-1)*(6n-1)", [](I n) { return (6 * n - 5) * (2 * n - 1) * (6 * n - 1); }, 3},
      {"-2 - 3n^3 + 4n^2*n", [](I n) { return -2 + n * n * n; }, 3},
  };
  for (const Case& c : cases) {
    std::unique_ptr<Polynom> p = ParsePolynomial(c.text);
    ASSERT_NE(p, nullptr) << c.text;
    EXPECT_EQ(p->Degree, c.degree) << c.text;
    for (long n : {0L, 1L, 2L, 7L, 100L, 12345L}) {
      if (c.degree == 40 && n > 100) continue;  // beyond 128 bits
      EXPECT_EQ(uc_test::ToString(Eval(*p, n)), uc_test::ToString(c.value(n)))
          << c.text << " at n=" << n;
    }
  }
}

TEST(ExpressionParser, SubtractionKeepsDegreeUntilDoubleForm) {
  uc_test::Init();
  auto exact = ParseExact("n-(n+1)");
  ASSERT_NE(exact, nullptr);
  EXPECT_EQ(exact->Degree, 1);
  EXPECT_EQ(Value(exact->Coef[0]), -1);
  std::unique_ptr<PolynomDouble> d = exact->ToDoubleForm();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Degree, 0);
  EXPECT_EQ(d->Coef[0], -1);
}

TEST(ExpressionParser, LargeCoefficientsStayExact) {
  uc_test::Init();
  std::unique_ptr<Polynom> p = ParsePolynomial("(1000000n+1)^3");
  ASSERT_NE(p, nullptr);
  EXPECT_NE(dynamic_cast<PolynomStandard*>(p.get()), nullptr);
  for (I n : {1, 3, 1000}) EXPECT_EQ(uc_test::ToString(Eval(*p, n)),
                                     uc_test::ToString((1000000 * n + 1) * (1000000 * n + 1) * (1000000 * n + 1)));
  // Coefficients up to 1e15 take the double form.
  std::unique_ptr<Polynom> q = ParsePolynomial("1000000000000000n-1000000000000000");
  EXPECT_NE(dynamic_cast<PolynomDouble*>(q.get()), nullptr);
  EXPECT_EQ(Eval(*q, 3), I(2000000000000000));
}

TEST(ExpressionParser, SyntaxErrorsMarkTheirPosition) {
  uc_test::Init();
  const struct {
    const char* text;
    long pos;
  } cases[] = {
      {"2^3", 1},   {" n", -1},   {"", -1},    {"n+", 2},     {"n*", 2},      {"(n+1", 4},
      {"()", 1},    {"n^", 2},    {"n^x", 2},  {"n2", 1},     {"--n", 1},     {"n + m", 4},
      {"n)", 1},    {"%", -1},    {"(n)(n)", 3},    {"3n^-1", 3}, {"n^1000001", 9}, {"2*(n+)", 5}, {"n^(2)", 2},
  };
  for (const auto& c : cases) {
    long pos = -7;
    ExpressionParser::ErrorKind kind;
    EXPECT_EQ(ParseExact(c.text, &pos, &kind), nullptr) << c.text;
    EXPECT_EQ(pos, c.pos) << c.text;
    if (c.pos >= 0) {
      EXPECT_EQ(kind, ExpressionParser::kSyntax) << c.text;
    }
  }
}

TEST(ExpressionParser, OversizedExpressionsAreRefused) {
  uc_test::Init();
  std::string bigNumber(601, '9');
  std::string deep = std::string(300, '(') + "n" + std::string(300, ')');
  const struct {
    std::string text;
    ExpressionParser::ErrorKind kind;
  } cases[] = {
      {"n^101", ExpressionParser::kTooLarge},
      {"n^1000000", ExpressionParser::kTooLarge},
      {"(n+1)^60*n^50", ExpressionParser::kTooLarge},
      {"(2)^2000", ExpressionParser::kTooLarge},
      {bigNumber, ExpressionParser::kTooLarge},
      {deep, ExpressionParser::kTooDeep},
  };
  for (const auto& c : cases) {
    ExpressionParser::ErrorKind kind;
    EXPECT_EQ(ParseExact(c.text, nullptr, &kind), nullptr) << c.text.substr(0, 40);
    EXPECT_EQ(kind, c.kind) << c.text.substr(0, 40);
  }
  // Just inside the bounds.
  auto p = ParseExact("(2)^1990");
  ASSERT_NE(p, nullptr);
  EXPECT_GT(p->Coef[0].Size, 90);
  EXPECT_NE(ParseExact(std::string(600, '9')), nullptr);
  EXPECT_NE(ParseExact(std::string(199, '(') + "n" + std::string(199, ')')), nullptr);
}

TEST(ExpressionParser, SyntaxErrorMessageShowsMarker) {
  uc_test::Init();
  testing::internal::CaptureStdout();
  EXPECT_EQ(ParsePolynomial("n+2^3"), nullptr);
  EXPECT_EQ(ParsePolynomial(" n"), nullptr);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "Syntax error in your expression : \n\nn+2^3\n   ^^^...\n"
            "Syntax error in your expression : \n\n n\n^^^...\n");
}

TEST(Polynom, PrintShiftAndLogBound) {
  uc_test::Init();
  const double c[] = {1, -2, 3};
  PolynomDouble p(2, c);
  EXPECT_EQ(Printed(p), "Degree=2\n1-2*n+3*n^2");
  PolynomStandard exact;
  p.ToStandard(exact);
  EXPECT_EQ(Printed(exact), "Degree=2\n");

  // P(n + 5) in both forms.
  auto s1 = p.Shift(5);
  auto s2 = exact.Shift(5);
  for (long n : {0L, 1L, 9L, 1000L}) {
    I m = n + 5;
    EXPECT_EQ(Eval(*s1, n), 1 - 2 * m + 3 * m * m);
    EXPECT_EQ(Eval(*s2, n), 1 - 2 * m + 3 * m * m);
  }
  EXPECT_NEAR(p.LogBound(10), std::log(321.0), 1e-12);
  EXPECT_NEAR(exact.LogBound(10), std::log(321.0), 1e-12);

  SmallInt lead;
  exact.GetLeadingCoefficient(lead);
  EXPECT_EQ(Value(lead), 3);

  PolynomStandard r;
  PolynomStandard::Power(exact, 0, r);
  EXPECT_EQ(r.Degree, 0);
  EXPECT_EQ(Value(r.Coef[0]), 1);
  PolynomStandard::Power(exact, 3, exact);  // r aliasing p
  EXPECT_EQ(exact.Degree, 6);
  EXPECT_EQ(Eval(exact, 4), I(41) * 41 * 41);
}

TEST(Fraction, ParseAndArithmetic) {
  uc_test::Init();
  Fraction f;
  ASSERT_TRUE(f.ParseFraction("1/2"));
  EXPECT_DOUBLE_EQ(f.ToDouble(), 0.5);
  ASSERT_TRUE(f.ParseFraction("-4"));
  EXPECT_EQ(Value(f.Num), -4);
  EXPECT_EQ(Value(f.Den), 1);
  ASSERT_TRUE(f.ParseFraction("3(2+1)/(5-1)^2"));
  EXPECT_EQ(Value(f.Num), 9);
  EXPECT_EQ(Value(f.Den), 16);
  ASSERT_TRUE(f.ParseFraction("-1/-3"));
  EXPECT_EQ(Value(f.Num), 1);
  EXPECT_EQ(Value(f.Den), 3);
  ASSERT_TRUE(f.ParseFraction(" 1 / 9 "));
  EXPECT_EQ(Value(f.Den), 9);
  ASSERT_TRUE(f.ParseFraction("2/-3"));
  EXPECT_EQ(Value(f.Num), -2);
  EXPECT_EQ(Value(f.Den), 3);
  for (const char* bad : {"1/0", "n/2", "1/2/3", "", "1/", "/2", "3^2", "x", "2/(1-1)"}) {
    Fraction g;
    EXPECT_FALSE(g.ParseFraction(bad)) << bad;
    EXPECT_EQ(Value(g.Num), 0);  // left unchanged
  }
  // A value whose carry release needs one limb more than its copy holds
  // (found by fuzzing).
  ASSERT_TRUE(f.ParseFraction("9/999999999999999999999999999999999999999999-000000000005076944270305263616-99999999999999999"));
  EXPECT_GT(f.Den.Sign(), 0);

  Fraction a, b;
  a.ParseFraction("2/3");
  b.ParseFraction("-5/7");
  Fraction r;
  MulFraction(a, b, r);
  EXPECT_EQ(Value(r.Num), -10);
  EXPECT_EQ(Value(r.Den), 21);
  AddFraction(a, b, a);  // aliasing
  EXPECT_EQ(Value(a.Num), 14 - 15);
  EXPECT_EQ(Value(a.Den), 21);
}
