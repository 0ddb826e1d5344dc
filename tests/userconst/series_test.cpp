// The series in ratio form, their checks and approximate values, and the
// constant files: layout, reading rules, names, and damaged contents.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "test_util.h"
#include "userconst/constant_file.h"
#include "userconst/hypergeom.h"
#include "userconst/user_constant.h"

using uc_test::Value;

namespace {

// A FILE* over a string.
struct MemFile {
  FILE* f;
  explicit MemFile(const std::string& text) {
    f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
  }
  ~MemFile() { std::fclose(f); }
};

std::string ReadAll(FILE* f) {
  std::rewind(f);
  std::string s;
  int ch;
  while ((ch = std::fgetc(f)) != EOF) s.push_back(static_cast<char>(ch));
  return s;
}

std::unique_ptr<Hypergeom> Series(int type, const std::string& lines) {
  uc_test::Init();
  MemFile m(lines);
  ConstantFileReader in(m.f);
  auto h = std::make_unique<Hypergeom>(type);
  std::string why;
  EXPECT_TRUE(h->Unstream(in, &why)) << why;
  return h;
}

__int128 Eval(const Polynom* p, long n) {
  SmallInt r;
  p->Evaluate(static_cast<double>(n), r);
  return Value(r);
}

std::string Check(Hypergeom& h) {
  testing::internal::CaptureStdout();
  const int ok = h.CheckSeries();
  std::string out = testing::internal::GetCapturedStdout();
  return ok ? "ok" : out;
}

const std::string kGeneral =
    "Definition mode : 0\nAlpha : 0\nBeta : 2\nPolynomial F : 3\nPolynomial G : 2n-1\nZ : 1/9\n";

}  // namespace

TEST(Hypergeom, ArctanRatioForm) {
  auto h = Series(kArctanSeries, "Z : 1/5\n");
  for (long n : {1L, 2L, 10L}) {
    EXPECT_EQ(Eval(h->GetF(), n), 2 * n + 1);
    EXPECT_EQ(Eval(h->GetG(), n), 2 * n + 3);
  }
  EXPECT_EQ(Value(h->GetZ().Num), -1);
  EXPECT_EQ(Value(h->GetZ().Den), 25);
  // beta' = 1/5 * 1/3 * -1/25, alpha' = 1/5 + beta'.
  EXPECT_EQ(Value(h->GetBeta().Num) * 375, -Value(h->GetBeta().Den));
  EXPECT_EQ(Value(h->GetAlpha().Num) * 375, 74 * Value(h->GetAlpha().Den));
  EXPECT_EQ(Check(*h), "ok");
  char text[32];
  std::snprintf(text, sizeof text, "%.12lf", h->ApproximateValue());
  EXPECT_STREQ(text, "0.197395559850");
  EXPECT_NEAR(h->ConvergenceRate(), 25, 1e-9);
}

TEST(Hypergeom, NamedAndGeneralSeriesValues) {
  auto log2 = Series(kLogSeries, "Z : 1/2\n");
  EXPECT_EQ(Eval(log2->GetF(), 7), 7);
  EXPECT_EQ(Eval(log2->GetG(), 7), 8);
  char text[32];
  std::snprintf(text, sizeof text, "%.12lf", log2->ApproximateValue());
  EXPECT_STREQ(text, "0.693147180560");

  auto atanh = Series(kArctanhSeries, "Z : 1/3\n");
  EXPECT_NEAR(2 * atanh->ApproximateValue(), std::log(2.0), 1e-14);
  auto general = Series(kGeneralSeries, kGeneral);
  EXPECT_NEAR(general->ApproximateValue(), std::log(2.0), 1e-14);
  // Mode 1: 1 + sum prod (4i-2)/i (1/8)^n = sqrt(2).
  auto root2 = Series(kGeneralSeries,
                      "Definition mode : 1\nAlpha : 1\nBeta : 1\nPolynomial F : 4n-2\n"
                      "Polynomial G : n\nZ : 1/8\n");
  EXPECT_NEAR(root2->ApproximateValue(), std::sqrt(2.0), 1e-14);
  EXPECT_NEAR(root2->ConvergenceRate(), 2, 1e-12);

  // The weight of a series in a constant goes into alpha and beta.
  Fraction w;
  w.ParseFraction("-7/3");
  general->Scale(w);
  EXPECT_NEAR(general->ApproximateValue(), -7.0 / 3 * std::log(2.0), 1e-14);
}

TEST(Hypergeom, ChecksReportTheFirstFailure) {
  const auto general = [](const char* mode, const char* f, const char* g, const char* z) {
    return Series(kGeneralSeries, std::string("Definition mode : ") + mode +
                                      "\nAlpha : 0\nBeta : 1\nPolynomial F : " + f +
                                      "\nPolynomial G : " + g + "\nZ : " + z + "\n");
  };
  EXPECT_EQ(Check(*general("1", "n^2", "n", "1/2")), "Error, F and G must have the same degree\n");
  EXPECT_EQ(Check(*general("1", "1", "1", "2")),
            "Error, the series is not geometrically convergent, rate=0.500000\n");
  EXPECT_EQ(Check(*general("1", "n", "n-3", "1/2")),
            "Error, the polynomial G vanish at the value n=3\n");
  // Past the first ten terms, as far as the roots of G can lie.
  EXPECT_EQ(Check(*general("1", "n", "n-50", "1/2")),
            "Error, the polynomial G vanish at the value n=50\n");
  EXPECT_EQ(Check(*general("1", "n^2", "n^2+10n-245000", "1/2")),
            "Error, the polynomial G vanish at the value n=490\n");
  // Mode 0: the first term divides by G(1); F is a factor of the converted G.
  EXPECT_EQ(Check(*general("0", "1", "n-1", "1/2")),
            "Error, the polynomial G vanish at the value n=1\n");
  EXPECT_EQ(Check(*general("0", "n-4", "n", "1/2")),
            "Error, the polynomial G vanish at the value n=4\n");
  EXPECT_EQ(Check(*general("1", "0", "n", "1/2")), "Error, F and G must have the same degree\n");
  EXPECT_EQ(Check(*general("0", "n", "n", "0")), "ok");  // rate infinite: alpha alone
}

TEST(ConstantFile, ReadingRules) {
  // Comments: empty lines dropped, "\r\n" endings, long lines cut, the total bounded.
  std::string comments;
  {
    MemFile m("first\n\nsecond\r\n" + std::string(1500, 'x') + "\n.\nrest");
    ConstantFileReader in(m.f);
    ASSERT_TRUE(in.ReadComments(&comments));
    EXPECT_EQ(comments, "first\nsecond\n" + std::string(999, 'x') + "\n");
  }
  {
    std::string many;
    for (int i = 0; i < 30; i++) many += std::string(500, 'a' + i % 26) + "\n";
    MemFile m(many + ".\n");
    ConstantFileReader in(m.f);
    ASSERT_TRUE(in.ReadComments(&comments));
    EXPECT_LE(comments.size(), kMaxCommentsLength);
    EXPECT_EQ(comments.size(), 19u * 501);
  }
  {
    MemFile m("a comment\nno end");
    ConstantFileReader in(m.f);
    EXPECT_FALSE(in.ReadComments(&comments));
  }
  // Numbers and words.
  {
    MemFile m(" 12\n-3 x7 7x 1234567890123456 " + std::string(1000, 'w') + " ok");
    ConstantFileReader in(m.f);
    long v = 0;
    EXPECT_TRUE(in.ReadLong(&v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(in.ReadLong(&v));
    EXPECT_EQ(v, -3);
    EXPECT_FALSE(in.ReadLong(&v));  // x7
    std::string w;
    EXPECT_TRUE(in.ReadWord(&w));
    EXPECT_EQ(w, "7");  // the rest of "x7": a failed number consumed its first character
    EXPECT_FALSE(in.ReadLong(&v));  // "x" after the 7 of 7x
  }
  {
    MemFile m(std::string(1000, 'w') + " ok");
    ConstantFileReader in(m.f);
    std::string w;
    EXPECT_FALSE(in.ReadWord(&w));
  }
}

TEST(ConstantFile, ConstantNames) {
  struct {
    const char* typed;
    const char* name;  // null: refused
  } cases[] = {
      {"ln2", "ln2"},           {"  my const ", "my_const"},  {"a/b", nullptr},
      {"..", nullptr},          {".hidden", nullptr},         {"", nullptr},
      {"   ", nullptr},         {"x:y", nullptr},             {"abcdefghijklmnopqrs", "abcdefghijklmnopqrs"},
      {"abcdefghijklmnopqrst", nullptr}, {"Pi-2_v1.0+", "Pi-2_v1.0+"}, {"a\\b", nullptr},
  };
  for (const auto& c : cases) {
    std::string name = c.typed;
    const std::string refused = CheckConstantName(name);
    if (c.name == nullptr) {
      EXPECT_FALSE(refused.empty()) << c.typed;
    } else {
      EXPECT_TRUE(refused.empty()) << c.typed << refused;
      EXPECT_EQ(name, c.name);
    }
  }
  EXPECT_TRUE(IsValidConstantName("ln2"));
  EXPECT_FALSE(IsValidConstantName("my const"));
  EXPECT_EQ(WithoutBlanks(" 2 n ^ 2 - 1 "), "2n^2-1");
}

// A constant written, read back and written again gives the same file; every
// truncation of the file is refused without harm.
TEST(ConstantFile, RoundTripAndTruncations) {
  uc_test::Init();
  const std::string file =
      "// Numora user constant file\nVersion : 4.1\nConstant name : mix\nComments :\n"
      "one: two\n\n.\nNumber of series : 3\n\nSeries number 0\nBeta : 16\nSeries type : 1\n"
      "Z : 1/5\n\nSeries number 1\nBeta : -4\nSeries type : 1\nZ : 1/239\n\n"
      "Series number 2\nBeta : 1/2\nSeries type : 0\n" +
      kGeneral + "\nConstant approximate value : mix = 3.5\n";
  UserConstantComputation c;
  std::string why;
  {
    MemFile m(file);
    ASSERT_TRUE(c.Unstream(m.f, &why)) << why;
  }
  EXPECT_EQ(c.GetConstantName(), "mix");
  EXPECT_EQ(c.GetComments(), "one: two\n");
  EXPECT_EQ(c.GetSeriesCount(), 3);
  EXPECT_NEAR(c.ApproximateValue(), M_PI + std::log(2.0) / 2, 1e-13);
  EXPECT_EQ(c.GetName(), "mix");
  EXPECT_EQ(c.GetResultFileName(), "mix.txt");

  FILE* out = std::tmpfile();
  c.WriteUserConstantFile(out);
  const std::string written = ReadAll(out);
  std::fclose(out);
  EXPECT_NE(written.find("Version : 4.1\nConstant name : mix\nComments :\none: two\n\n.\n"
                         "Number of series : 3\n\nSeries number 0\nBeta : 16\n"),
            std::string::npos)
      << written;
  char tail[80];
  std::snprintf(tail, sizeof tail, "\nConstant approximate value : mix = %.12lf\n",
                M_PI + std::log(2.0) / 2);
  EXPECT_EQ(written.substr(written.size() - std::string(tail).size()), tail);
  UserConstantComputation again;
  {
    MemFile m(written);
    ASSERT_TRUE(again.Unstream(m.f, &why)) << why;
  }
  out = std::tmpfile();
  again.WriteUserConstantFile(out);
  EXPECT_EQ(ReadAll(out), written);
  std::fclose(out);

  // Every prefix that stops before the last value is refused.
  const size_t last = file.find("Z : 1/9") + 5;
  testing::internal::CaptureStdout();
  for (size_t n = 0; n < last; n++) {
    UserConstantComputation t;
    MemFile m(file.substr(0, n));
    EXPECT_FALSE(t.Unstream(m.f, &why)) << n;
  }
  testing::internal::GetCapturedStdout();
}
