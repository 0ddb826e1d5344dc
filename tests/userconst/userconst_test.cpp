// The user constants below the console: the expression parser, polynomials and
// fractions against values computed by hand (in 128-bit integers); the series,
// their checks and approximate values; the constant files: reading rules,
// names, round trip and truncations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "userconst/constant_file.h"
#include "userconst/expression_parser.h"
#include "userconst/fraction.h"
#include "userconst/hypergeom.h"
#include "userconst/user_constant.h"

namespace {

using I = __int128;

// Exact value of a SmallInt with up to ~38 digits.
I Value(const SmallInt& s) {
  I v = 0;
  for (long i = s.Size - 1; i >= 0; i--) v = v * 1000000 + static_cast<I>(s.Limbs[i]);
  return v;
}

I Eval(const Polynom& p, long n) {
  SmallInt r;
  p.Evaluate(static_cast<double>(n), r);
  return Value(r);
}

std::unique_ptr<PolynomStandard> ParseExact(const std::string& text, long* errorPos = nullptr,
                                            ExpressionParser::ErrorKind* kind = nullptr) {
  ExpressionParser p(text.c_str(), 'n');
  const int ok = p.Parse();
  if (errorPos) *errorPos = p.GetErrorPosition();
  if (kind) *kind = p.GetErrorKind();
  return ok ? p.GetResult() : nullptr;
}

// A FILE* over a string.
struct MemFile {
  FILE* f = std::tmpfile();
  explicit MemFile(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
  }
  ~MemFile() { std::fclose(f); }
};

std::string Written(const UserConstantComputation& c) {
  MemFile m("");
  c.WriteUserConstantFile(m.f);
  std::rewind(m.f);
  std::string s;
  for (int ch; (ch = std::fgetc(m.f)) != EOF;) s.push_back(static_cast<char>(ch));
  return s;
}

std::unique_ptr<Hypergeom> Series(int type, const std::string& lines) {
  InitSmallIntConstants();  // idempotent
  MemFile m(lines);
  ConstantFileReader in(m.f);
  auto h = std::make_unique<Hypergeom>(type);
  std::string why;
  EXPECT_TRUE(h->Unstream(in, &why)) << why;
  return h;
}

// 2 sum 3n / ((2n^2 - n) 9^n) = ln 2; F not constant so that its shift counts.
const std::string kGeneral =
    "Definition mode : 0\nAlpha : 0\nBeta : 2\nPolynomial F : 3n\nPolynomial G : 2n^2-n\nZ : 1/9\n";

}  // namespace

TEST(ExpressionParser, ValidExpressionsEvaluate) {
  InitSmallIntConstants();
  const struct {
    const char* text;
    long degree;  // once trimmed
    std::function<I(I)> value;
  } cases[] = {
      {"2n^2+3(n+1)*n", 2, [](I n) { return 5 * n * n + 3 * n; }},
      {"3 4n", 1, [](I n) { return 34 * n; }},  // blanks join digits
      {"n-(n+1)", 0, [](I) { return I(-1); }},
      {"2(n+1)^2 - (n-1)*(n+2)*3", 2, [](I n) { return 2 * (n + 1) * (n + 1) - 3 * (n - 1) * (n + 2); }},
      {"0*n^5+7", 0, [](I) { return I(7); }},
      {"(1-2)^1000000*n+(0)^999999", 1, [](I n) { return n; }},
      {"(n^2+1)^20", 40, [](I n) { I r = 1; for (int i = 0; i < 20; i++) r *= n * n + 1; return r; }},
      {"(1000000n+1)^3", 3, [](I n) { return (1000000 * n + 1) * (1000000 * n + 1) * (1000000 * n + 1); }},
      {"1000000000000000n-1000000000000000", 1, [](I n) { return 1000000000000000 * (n - 1); }},
  };
  for (const auto& c : cases) {
    std::unique_ptr<Polynom> p = ParsePolynomial(c.text);
    ASSERT_NE(p, nullptr) << c.text;
    EXPECT_EQ(p->Degree, c.degree) << c.text;
    for (long n : {0L, 1L, 2L, 7L, 12345L}) {
      if (c.degree < 40 || n < 10) {  // 128 bits hold the values
        EXPECT_EQ(Eval(*p, n), c.value(n)) << c.text << " at n=" << n;
      }
    }
  }
}

TEST(ExpressionParser, SyntaxErrorsMarkTheirPosition) {
  InitSmallIntConstants();
  const struct {
    const char* text;
    long pos;
  } cases[] = {
      {"2^3", 1}, {" n", -1}, {"n+", 2}, {"(n+1", 4}, {"n2", 1},
      {"n)", 1},  {"%", -1},  {"3n^-1", 3}, {"n^1000001", 9}, {"n + m", 4},
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

// Bounds on powers, number lengths and nesting keep parsing short.
TEST(ExpressionParser, OversizedExpressionsAreRefused) {
  InitSmallIntConstants();
  constexpr auto kLarge = ExpressionParser::kTooLarge;
  const struct {
    std::string text;
    ExpressionParser::ErrorKind kind;
  } cases[] = {
      {"n^101", kLarge}, {"(n+1)^60*n^50", kLarge}, {"(2)^2000", kLarge},
      {std::string(601, '9'), kLarge},
      {std::string(300, '(') + "n" + std::string(300, ')'), ExpressionParser::kTooDeep},
  };
  for (const auto& c : cases) {
    ExpressionParser::ErrorKind kind;
    EXPECT_EQ(ParseExact(c.text, nullptr, &kind), nullptr) << c.text.substr(0, 40);
    EXPECT_EQ(kind, c.kind) << c.text.substr(0, 40);
  }
  // Just inside the bounds.
  for (const std::string& text : {std::string("(2)^1990"), std::string(600, '9'),
                                  std::string(199, '(') + "n" + std::string(199, ')')})
    EXPECT_NE(ParseExact(text), nullptr) << text.substr(0, 40);
}

// The exact form, taken by large coefficients; the double form goes through
// the mode 0 series below.
TEST(Polynom, ExactShiftAndLogBound) {
  InitSmallIntConstants();
  auto p = ParseExact("3n^2-2n+1");
  auto shifted = p->Shift(5);
  const auto at = [](I m) { return 3 * m * m - 2 * m + 1; };
  for (long n : {0L, 9L, 1000L}) EXPECT_EQ(Eval(*shifted, n), at(n + 5));
  EXPECT_NEAR(p->LogBound(10), std::log(321.0), 1e-12);
}

TEST(Fraction, Parse) {
  InitSmallIntConstants();
  const struct {
    const char* text;
    I num, den;
  } good[] = {{"-4", -4, 1}, {"3(2+1)/(5-1)^2", 9, 16}, {"-1/-3", 1, 3}, {"2/-3", -2, 3}};
  for (const auto& c : good) {
    Fraction f;
    ASSERT_TRUE(f.ParseFraction(c.text)) << c.text;
    EXPECT_EQ(Value(f.Num), c.num) << c.text;
    EXPECT_EQ(Value(f.Den), c.den) << c.text;
  }
  for (const char* bad : {"1/0", "n/2", "1/2/3", "", "1/", "2/(1-1)"}) {
    Fraction g;
    EXPECT_FALSE(g.ParseFraction(bad)) << bad;
    EXPECT_EQ(Value(g.Num), 0);  // left unchanged
  }
  // A carry release needing one limb more than its copy holds (found by fuzzing).
  Fraction big;
  ASSERT_TRUE(big.ParseFraction("9/999999999999999999999999999999999999999999-000000000005076944270305263616-99999999999999999"));
  EXPECT_GT(big.Den.Sign(), 0);
}

// The approximate values go through the ratio form (alpha, beta, F, G, Z) of each series.
TEST(Hypergeom, ApproximateValues) {
  EXPECT_NEAR(Series(kArctanSeries, "Z : 1/5\n")->ApproximateValue(), std::atan(0.2), 1e-15);
  EXPECT_NEAR(2 * Series(kArctanhSeries, "Z : 1/3\n")->ApproximateValue(), std::log(2.0), 1e-14);
  // Mode 1: 1 + sum prod (4i-2)/i (1/8)^n = sqrt(2).
  auto general = Series(kGeneralSeries, kGeneral);
  EXPECT_NEAR(general->ApproximateValue(), std::log(2.0), 1e-14);
  auto root2 = Series(kGeneralSeries, "Definition mode : 1\nAlpha : 1\nBeta : 1\n"
                                      "Polynomial F : 4n-2\nPolynomial G : n\nZ : 1/8\n");
  EXPECT_NEAR(root2->ApproximateValue(), std::sqrt(2.0), 1e-14);
  EXPECT_NEAR(root2->ConvergenceRate(), 2, 1e-12);
  // The weight of a series in a constant goes into alpha and beta.
  Fraction w;
  w.ParseFraction("-7/3");
  general->Scale(w);
  EXPECT_NEAR(general->ApproximateValue(), -7.0 / 3 * std::log(2.0), 1e-14);
}

TEST(Hypergeom, ChecksReportTheFirstFailure) {
  const char* const vanish = "Error, the polynomial G vanish at the value n=";
  const struct {
    const char *mode, *f, *g, *z;
    std::string message;
  } cases[] = {
      {"1", "n^2", "n", "1/2", "Error, F and G must have the same degree\n"},
      // Past the first terms, as far as the roots of G can lie.
      {"1", "n^2", "n^2+10n-245000", "1/2", vanish + std::string("490\n")},
      // Mode 0: the first term divides by G(1); F is a factor of the converted G.
      {"0", "1", "n-1", "1/2", vanish + std::string("1\n")},
      {"0", "n-4", "n", "1/2", vanish + std::string("4\n")},
      {"0", "n", "n", "0", ""},  // rate infinite: alpha alone
  };
  for (const auto& c : cases) {
    auto h = Series(kGeneralSeries, std::string("Definition mode : ") + c.mode + "\nAlpha : 0\nBeta : 1\n" +
                                        "Polynomial F : " + c.f + "\nPolynomial G : " + c.g + "\nZ : " + c.z + "\n");
    testing::internal::CaptureStdout();
    EXPECT_EQ(h->CheckSeries(), c.message.empty()) << c.f << " " << c.g;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message);
  }
}

TEST(ConstantFile, ReadingRulesAndNames) {
  // Comments: empty lines dropped, "\r\n" endings, long lines cut, the total bounded.
  std::string got, many;
  const auto read = [&got](const std::string& text) {
    MemFile m(text);
    return ConstantFileReader(m.f).ReadComments(&got);
  };
  ASSERT_TRUE(read("first\n\r\nsecond\r\n" + std::string(1500, 'x') + "\n.\nrest"));
  EXPECT_EQ(got, "first\nsecond\n" + std::string(999, 'x') + "\n");
  for (int i = 0; i < 30; i++) many += std::string(500, 'a' + i % 26) + "\n";
  ASSERT_TRUE(read(many + ".\n"));
  EXPECT_EQ(got.size(), 19u * 501);
  EXPECT_LE(got.size(), kMaxCommentsLength);
  EXPECT_FALSE(read("a comment\nno end"));
  // Numbers and words; an over-long word is refused.
  MemFile m("-3 x7 " + std::string(1000, 'w') + " ok");
  ConstantFileReader in(m.f);
  long v = 0;
  EXPECT_TRUE(in.ReadLong(&v) && v == -3);
  EXPECT_FALSE(in.ReadLong(&v));  // x7
  EXPECT_TRUE(in.ReadWord(&got));
  EXPECT_FALSE(in.ReadWord(&got));

  const struct {
    const char* typed;
    const char* name;  // null: refused
  } names[] = {
      {"  my const ", "my_const"}, {"Pi-2_v1.0+", "Pi-2_v1.0+"},
      {"abcdefghijklmnopqrs", "abcdefghijklmnopqrs"}, {"abcdefghijklmnopqrst", nullptr},
      {"a\\b", nullptr}, {"..", nullptr}, {"   ", nullptr}, {"x:y", nullptr},
  };
  for (const auto& c : names) {
    std::string name = c.typed;
    const std::string refused = CheckConstantName(name);
    EXPECT_EQ(refused.empty(), c.name != nullptr) << c.typed << refused;
    EXPECT_EQ(name, c.name ? c.name : name);
  }
}

// A constant written, read back and written again gives the same file; every
// truncation of the file is refused without harm.
TEST(ConstantFile, RoundTripAndTruncations) {
  InitSmallIntConstants();
  const std::string file =
      "// Numora user constant file\nVersion : 4.1\nConstant name : mix\nComments :\none: two\n\n.\n"
      "Number of series : 3\n\nSeries number 0\nBeta : 16\nSeries type : 1\nZ : 1/5\n\n"
      "Series number 1\nBeta : -4\nSeries type : 1\nZ : 1/239\n\n"
      "Series number 2\nBeta : 1/2\nSeries type : 0\n" + kGeneral +
      "\nConstant approximate value : mix = 3.5\n";
  UserConstantComputation c, again;
  std::string why;
  ASSERT_TRUE(c.Unstream(MemFile(file).f, &why)) << why;
  EXPECT_EQ(c.GetComments(), "one: two\n");
  EXPECT_NEAR(c.ApproximateValue(), M_PI + std::log(2.0) / 2, 1e-13);
  const std::string written = Written(c);
  EXPECT_NE(written.find("\nConstant approximate value : mix = 3.488166243870\n"), std::string::npos) << written;
  ASSERT_TRUE(again.Unstream(MemFile(written).f, &why)) << why;
  EXPECT_EQ(Written(again), written);

  // Every prefix that stops before the last value is refused.
  testing::internal::CaptureStdout();
  for (size_t n = 0; n < file.find("Z : 1/9") + 5; n++) {
    UserConstantComputation t;
    EXPECT_FALSE(t.Unstream(MemFile(file.substr(0, n)).f, &why)) << n;
  }
  testing::internal::GetCapturedStdout();
}
