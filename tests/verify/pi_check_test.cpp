// The Pi check on a compressed Pi of 100000 digits written by the program,
// with a first step computed here without the program's products (the
// fraction's limbs times 2^24, p / 24 times), which the disk first step must
// agree with.
#include "verify/pi_check.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "output/compressed.h"
#include "output/vec_number.h"
#include "shell/error_report.h"
#include "shell/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

double FirstStepInMemory(const CompressedNumber& stored, double digits, double position) {
  constexpr uint64_t kBase = 1000000000000;
  const long n = std::min(-stored.GetOffset(), static_cast<long>(digits / 12) + 4);
  std::vector<double> limbs(n);
  stored.WriteToBuffer(limbs.data(), n, -stored.GetOffset() - n);  // the top fractional limbs
  std::vector<uint64_t> w(limbs.begin(), limbs.end());
  for (double left = position; left > 0;) {
    const int k = static_cast<int>(std::min(left, 24.0));
    left -= k;
    uint64_t carry = 0;
    for (uint64_t& x : w) {
      const uint64_t y = (x << k) + carry;
      x = y % kBase;
      carry = y / kBase;
    }
  }
  return (static_cast<double>(w[n - 1]) + static_cast<double>(w[n - 2]) * 1e-12) * 1e-12;
}

class PiCheck : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    fs::create_directories(Dir());
    fs::current_path(Dir());
    ASSERT_EQ(std::system(NUMORA_BINARY " pi 100000 --compressed >/dev/null"), 0);
  }
  static void TearDownTestSuite() {
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(Dir());
  }
  static fs::path Dir() {
    return fs::temp_directory_path() / ("numora-check-" + std::to_string(getpid()));
  }

  // The console text of the check with this answer, times left out.
  static std::string Check(const std::string& index, FirstStep step = FirstStepInMemory) {
    return std::regex_replace(
        scratch::Answering("answers", index + "\n", [&] { CheckPiResult("Pi", step); }),
        std::regex("time=[0-9.]+"), "time=T");
  }

  // The stored Pi again, with decimal k (1 = the first after the point) changed
  // unless k is 0.
  static void Store(long k) {
    static CompressedInfo info;
    static std::vector<double> limbs;
    if (limbs.empty()) {
      CompressedNumber pi;
      ASSERT_EQ(pi.Open("Pi", true), "");
      info = pi.Info();
      limbs.resize(pi.Size);
      pi.WriteToBuffer(limbs.data(), pi.Size, 0);
    }
    std::vector<double> changed = limbs;
    if (k > 0) {
      double& limb = changed[-info.Offset - 1 - (k - 1) / 12];
      const double place = std::pow(10.0, 11 - (k - 1) % 12);
      limb += std::fmod(std::floor(limb / place), 10) == 9 ? -place : place;
    }
    CompressResult(VecNumber(changed, info.Offset), info.Digits, "Pi", info.FFTSize);
  }
};

bool Identical(const std::string& out, const std::string& digits) {
  return out.ends_with("The computed 24 binary digits are identical.\nThe first " + digits +
                       " digits of the Pi computation are good\nwith a very high probability\n");
}

TEST_F(PiCheck, DialogueAndSizes) {
  const std::string out = Check("1000");
  const std::string head =
      "Checking the first 972 digits,\nby computing 24 binary digits at binary position 3229\n";
  ASSERT_NE(out.find(head), std::string::npos) << out;
  // The two steps print the same 24 binary digits.
  const size_t first = out.find("Binary digits : ") + 16;
  const std::string bits = out.substr(first, 25);
  EXPECT_TRUE(std::regex_match(bits, std::regex("[01]{24}\n")));
  EXPECT_NE(out.find("Binary digits : " + bits, first), std::string::npos);
  EXPECT_TRUE(Identical(out, "972"));
  // Below 36 only the first binary digits; an index too near the end, or
  // beyond it, is pulled back to 100 digits before it.
  EXPECT_NE(
      Check("35").find(
          "Checking the first 0 digits,\nby computing 24 binary digits at binary position 1\n"),
      std::string::npos);
  for (const char* index : {"99950", "1e9"}) EXPECT_TRUE(Identical(Check(index), "99900")) << index;
}

TEST_F(PiCheck, DamagedDigitsBeforeTheIndexAreFound) {
  Store(700);
  EXPECT_TRUE(Check("1000").ends_with("The check shows that your first 972 digits are not OK\n"));
  EXPECT_TRUE(Identical(Check("500"), "468"));  // the damage lies beyond what is checked
  // The check needs the FFT size of the info file; a file without it gets no verdict.
  std::string info;
  std::getline(std::ifstream("Pi-info"), info, '\0');
  std::ofstream("Pi-info") << info.substr(0, info.rfind('\n', info.size() - 2) + 1);
  EXPECT_EXIT((dup2(2, 1), CheckPiResult("Pi", FirstStepInMemory)),
              testing::ExitedWithCode(kExitFailure),
              "The file Pi-info is damaged.*\\(the FFT size is missing\\)");
  Store(0);
}

TEST_F(PiCheck, FirstStepOnDiskAgreesAndLeavesNoFile) {
  {
    CompressedNumber pi;
    ASSERT_EQ(pi.Open("Pi", true), "");
    for (double index : {36.0, 1000.0, 37000.0, 99900.0}) {
      const CheckPlan plan = PlanCheck(index, pi.Info().Digits);
      const double disk = FirstStepOnDisk(pi, plan.Digits, plan.Position);
      EXPECT_TRUE(SameBinaryDigits(disk, FirstStepInMemory(pi, plan.Digits, plan.Position), 36))
          << index;
    }
  }
  EXPECT_TRUE(Identical(Check("50000", FirstStepOnDisk), "49968"));
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(".")) left.push_back(e.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"Pi-00", "Pi-info", "answers", "pi.txt"}));
}

TEST(SameBinaryDigits, ComparedOnTheCircle) {
  // Next to a whole number the two steps may fall on either side of it.
  EXPECT_TRUE(SameBinaryDigits(0.99999999, 0.00000001, 24));
  EXPECT_TRUE(SameBinaryDigits(0.3, 0.3 + 0x1p-25, 24));
  EXPECT_FALSE(SameBinaryDigits(0.3, 0.3 + 0x1p-23, 24));
  EXPECT_FALSE(SameBinaryDigits(0.99, 0.01, 24));
}

}  // namespace
