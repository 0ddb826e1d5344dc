// Pi, e and sqrt(2) through the menu of the real binary: the digits against
// known digits, the other series and the reference module, the console of a
// run and the result file's layout.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "reference/refnum.h"

namespace {

using namespace e2e;

// The number of progress dots between the sizing line and the series time.
size_t ProgressDots(const std::string& console) {
  size_t p = console.find("Computing series with index N=");
  if (p == std::string::npos) return std::string::npos;
  p = console.find('\n', p) + 1;
  size_t dots = console.find_first_not_of('.', p) - p;
  if (console.compare(p + dots, 25, "\nSeries computing time : ") != 0) return std::string::npos;
  return dots;
}

TEST(StandardMode, BothSeriesOfPiAndOfEAgreeOnEveryDigit) {
  // 12345 and 10007 are no multiples of the 12 digits of a limb. FFT sizes:
  // the fastest of each table, and small ones that cut the series and the
  // division into many blocks.
  const struct {
    const Constant* c;
    long digits, k;
  } cases[] = {{&kPi, 10000, 1},  {&kPi, 12345, 2},  {&kPi, 100000, 16}, {&kPi, 100000, 1},
               {&kPi, 300000, 32}, {&kE, 10000, 1},   {&kE, 10007, 1},    {&kE, 100000, 16},
               {&kE, 100000, 1},  {&kE, 310000, 32}, {&kE, 310000, 2}};
  const char* methods[] = {"Chudnovsky", "Ramanujan", "series SUM 1/n!",
                           "series 1/SUM (-1)^n/n!"};
  // The sizing of 10000 digits; for Ramanujan N = trunc(1 + 10100 / 7.98).
  const char* sizing[] = {"N=713\n", "N=1266\n", "", "N=3277\n"};
  for (const auto& k : cases) {
    SCOPED_TRACE(std::to_string(k.digits) + " digits, " + std::to_string(k.k) + " k");
    std::string digits[2], out[2];
    for (int i : {0, 1}) {
      const int entry = k.c->entry + i;
      Scratch s;
      const RunResult r = s.Run(Answers(entry, 0, k.digits, k.k));
      EXPECT_EQ(r.status, 0) << r.out;
      EXPECT_EQ(Count(r.out, "\nThe computation seems OK\n"), 1) << r.out;
      EXPECT_EQ(Count(r.out, "Series computing time : "), 1);
      EXPECT_EQ(Count(r.out, "Division time : "), 1);
      const std::string file = s.Read(k.c->file);
      EXPECT_TRUE(Has(file, std::string("Method used : ") + methods[entry] + "\n"));
      digits[i] = ResultDigits(file, k.c->name);
      ASSERT_EQ(static_cast<long>(digits[i].size()), k.digits);
      EXPECT_EQ(digits[i].substr(0, k.c->known.size()), k.c->known.substr(0, k.digits));
      EXPECT_TRUE(k.digits != 10000 || Has(r.out, sizing[entry])) << r.out;
      out[i] = r.out;
    }
    EXPECT_TRUE(digits[0] == digits[1]);
    if (k.c == &kPi && k.k == 1 && k.digits == 10000) {
      const std::string steps =
          "Starting step 5\nStarting step 4 ...\nStarting step 3 ...\nStarting step 2 ...\n"
          "Starting step 1 ...\nStarting step 0 ...\nSeries computing time : ";
      size_t at = out[0].find(steps);
      ASSERT_NE(at, std::string::npos) << out[0];
      for (const char* phase : {"\nDivision time : ", "\nInvSqrt time : ",
                                "\nFinal huge multiplication time : "})
        EXPECT_NE(at = out[0].find(phase, at), std::string::npos) << phase;
      EXPECT_TRUE(Has(out[0], "Total Physical Memory Allocated = "));
    }
    // e: the whole series of 10000 digits is one small-integer step, no
    // dots; at 310000 digits up to eight along the giant steps.
    EXPECT_TRUE(k.c != &kE || k.digits != 10000 || ProgressDots(out[1]) == 0) << out[1];
    if (k.c == &kE && k.k == 32) {
      EXPECT_GE(ProgressDots(out[0]), 1u) << out[0];
      EXPECT_LE(ProgressDots(out[0]), 8u) << out[0];
    }
  }
}

TEST(Sqrt2, DigitsEqualTheReferenceInEveryModeAndTableSize) {
  // 12288 is the last count of a single 1 k row, 12289 the first of two;
  // 24577 just passes the next; 10001 and 30011 are not multiples of 12 or
  // 10. With 1 k points in the disk modes every product spans many pieces.
  const long cases[][3] = {{10001, 1, 0},  {12288, 1, 0},  {12289, 2, 0},  {12289, 1, 0},
                           {24577, 4, 0},  {24577, 1, 0},  {30011, 2, 0},  {200003, 32, 0},
                           {10001, 1, 1},  {50021, 1, 1},  {120007, 1, 1}, {30011, 1, 2}};
  const std::string head = ref::ISqrt("2" + std::string(2 * 3000, '0')).substr(1);
  for (auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c[0] << " digits, " << c[1] << " k, mode " << c[2]);
    Scratch s;
    const RunResult r = s.Run(Answers(4, c[2], c[0], c[1]));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "Computing Sqrt(2) with " + std::to_string(c[0]) + " digits...\n"));
    EXPECT_TRUE(Has(r.out, "Time of sqrt(2) computation : "));
    EXPECT_TRUE(Has(r.out, "\nVerification : Squaring ...\nSquaring Time : "));
    EXPECT_TRUE(Has(r.out, "\nThe computation is OK\n")) << r.out;
    // The check is part of the computation: no verdict line after the report.
    EXPECT_FALSE(Has(r.out, "seems OK"));
    EXPECT_FALSE(Has(r.out, "Pb in") || Has(r.out, "Allocation problem")) << r.out;
    // The numbers' files are gone: the scratch one, and the result's once written.
    EXPECT_EQ(Files(s), std::vector<std::string>{"sqrt2.txt"});
    const std::string digits = ResultDigits(s.Read("sqrt2.txt"), "Sqrt2");
    EXPECT_EQ(digits.substr(0, 3000), head);
    ExpectSqrt2Digits(digits, c[0]);
    if (c[2] == 1) {
      EXPECT_TRUE(Has(r.out, "SquareRoot :  0%"));
      EXPECT_TRUE(Has(s.Read("sqrt2.txt"), "Time spent in disk swapping : "));
    }
  }
  // A compressed result of the disk mode keeps its own files only.
  Scratch s;
  ASSERT_EQ(s.Run(Answers(4, 1, 20000, 1, 1)).status, 0);
  EXPECT_EQ(Files(s), (std::vector<std::string>{"Sqrt2-00", "Sqrt2-info", "sqrt2.txt"}));
}

TEST(Sqrt2, FullDiskInTheBasicDiskModeEndsCleanly) {
  Scratch s;
  s.Write("sqrt2.txt", "the previous result\n");
  // Files of at most 60000 bytes: the numbers of 200000 digits outgrow them.
  auto r = s.RunWith({}, Answers(4, 1, 200000, 1), 60000);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(Has(r.out, "ERROR in WriteBuffer, write in file did not succeed (file ")) << r.out;
  EXPECT_TRUE(Has(r.out, "has free space")) << r.out;
  EXPECT_EQ(s.Read("sqrt2.txt"), "the previous result\n");
  EXPECT_EQ(Files(s), (std::vector<std::string>{"Numora.log", "sqrt2.txt"}));
}

TEST(ResultFile, HeaderReportAndDigitsOfARun) {
  Scratch s;
  auto r = s.Run(Answers(4, 0, 10000, 1));
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string file = s.Read("sqrt2.txt");
  // The memory figure is checked against the run's peak in memory_test.cpp.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(file, m, std::regex("^Program : Numora version 4\\.1\n"
                                                    "Computation of 10000 digits of Sqrt2\n"
                                                    "Size of FFT : 1 K\n"
                                                    "Physical memory used : ~ \\d+ K\n"
                                                    "Disk memory used : ~ 0\\.00 Meg\n")))
      << file.substr(0, 300);
  const std::string header = m.str(0);

  const std::string day = "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}\n";
  const std::regex report(
      "-{60}\nComputation run information :\n\n"
      "Start : " + day + "End   : " + day +
      "Duration : \\d+\\.\\d\\d seconds\n"
      "={60}\nTotal computation time : \\d+\\.\\d\\d seconds \\(~ \\d+\\.\\d\\d hours\\)\n={60}\n"
      "Sqrt2 with 10000 digits : \nSqrt2 = 1\\.\n");
  const std::string rest = file.substr(header.size());
  ASSERT_TRUE(std::regex_search(rest, m, report)) << rest.substr(0, 600);
  EXPECT_EQ(m.position(0), 0);

  // Digits: 200 lines of 50, an empty line after every tenth, a closing newline.
  const std::string digits = rest.substr(m.length(0));
  EXPECT_EQ(digits.substr(0, 61), "4142135623 7309504880 1688724209 6980785696 7187537694  : 50\n");
  EXPECT_EQ(digits.substr(digits.size() - 12), "  : 10000\n\n\n");
  EXPECT_EQ(Count(digits, "\n\n"), 21);  // 19 inner empty lines, 2 overlapping at the end

  // The console closes with the total time, the file line and the check.
  EXPECT_TRUE(Has(r.out, "---------------------------------------------------------------\n"
                         "Total computation time : "));
  EXPECT_TRUE(Has(r.out, "Writing informations into file sqrt2.txt\n"));
  EXPECT_TRUE(Has(r.out, "Appending result to file sqrt2.txt ..."));
}

}  // namespace
