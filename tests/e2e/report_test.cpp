// The result file of a whole run: header, run report, total block, then digits.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "e2e/harness.h"

namespace {

using e2e::Scratch;

TEST(ResultFile, HeaderReportAndDigitsOfARun) {
  Scratch s;
  auto r = s.Run("4\n0\n10000\n1\n0\n");
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
  EXPECT_EQ(e2e::Count(digits, "\n\n"), 21);  // 19 inner empty lines, 2 overlapping at the end

  // The console closes with the total time, the file line and the check.
  EXPECT_NE(r.out.find("---------------------------------------------------------------\n"
                       "Total computation time : "),
            std::string::npos);
  EXPECT_NE(r.out.find("Writing informations into file sqrt2.txt\n"), std::string::npos);
  EXPECT_NE(r.out.find("The computation is OK\n"), std::string::npos);
  EXPECT_NE(r.out.find("Appending result to file sqrt2.txt ..."), std::string::npos);
  // No verdict line: the square root checks itself.
  EXPECT_EQ(r.out.find("seems OK"), std::string::npos);
}

}  // namespace
