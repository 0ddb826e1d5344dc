// The command line: help, version, each form of computation, and wrong use.
#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.h"

namespace {

using namespace e2e;

TEST(CommandLine, HelpVersionAndWrongUse) {
  Scratch s;
  auto r = s.RunWith({"--help"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Usage: numora [COMMAND DIGITS [OPTION]...]\n", 0), 0u) << r.out;
  EXPECT_TRUE(Has(r.out, "--fft-size=K"));
  r = s.RunWith({"--version"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Numora, version 4.1\n");

  const std::vector<std::vector<std::string>> wrong = {
      {"pi", "10000", "--colour"},
      {"pi"},
      {"tau", "10000"},
      {"pi", "9999"},
      {"pi", "1e300"},
      {"pi", "ten"},
      {"e", "10000", "--method", "ramanujan"},
      {"pi", "10000", "--fft-size", "64"},
      {"pi", "10000", "--mode"},
      {"const", "x.numora"},
      {"sqrt2", "10000", "--mode=1", "x"},
      {"e", "10000", "--series=0.5"},
      {"const", "x", "10000", "--mode=1"},
  };
  for (const auto& args : wrong) {
    r = s.RunWith(args, "");
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
    EXPECT_EQ(r.err.rfind("numora: ", 0), 0u) << r.err;
    EXPECT_TRUE(Has(r.err, "\nUsage: numora ")) << r.err;
  }
  EXPECT_FALSE(s.Exists("pi.txt"));
}

// Each form writes the same file as its menu entry.
TEST(CommandLine, EachFormComputesLikeTheMenu) {
  Scratch s;
  const struct {
    std::vector<std::string> args;
    std::string menu, file, name;
  } forms[] = {
      {{"pi", "20000"}, Answers(0, 0, 20000, 2), "pi.txt", "Pi"},
      {{"pi", "20000", "--method=ramanujan", "--fft-size=1"}, Answers(1, 0, 20000, 1), "pi.txt",
       "Pi"},
      {{"e", "1e4", "--series", "1"}, Answers(3, 0, 10000, 1), "e.txt", "E"},
      {{"sqrt2", "12345", "--mode=0"}, Answers(4, 0, 12345, 2), "sqrt2.txt", "Sqrt2"},
      {{"const", "ln2", "10000"}, "6\nln2\n10000\n1\n0\n", "ln2.txt", "ln2"},
  };
  ASSERT_EQ(s.Run("5\nln2\n.\n1\n1\n3\n1/2\nln2\n").status, 0);
  for (const auto& f : forms) {
    auto menu = s.Run(f.menu);
    ASSERT_EQ(menu.status, 0) << menu.out;
    const std::string expected = ResultDigits(s.Read(f.file), f.name);
    auto r = s.RunWith(f.args, "");
    ASSERT_EQ(r.status, 0) << f.args[0] << r.out << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ResultDigits(s.Read(f.file), f.name), expected) << f.args[0];
    EXPECT_TRUE(Has(r.out, "Appending result to file " + f.file));
  }
}

TEST(CommandLine, ProgressLineOnlyOnATerminal) {
  Scratch s;
  ASSERT_EQ(s.Run("5\nmachin\n.\n2\n16\n1\n1/5\n-4\n1\n1/239\nmachin\n").status, 0);
  auto tty = s.RunInTerminal({"const", "machin", "20000"});
  ASSERT_EQ(tty.status, 0) << tty.out;
  // Drawn in place, and cleared before any text line is printed over it.
  EXPECT_TRUE(Has(tty.out, "\rUser constant: series   0.0%  elapsed 0:00\x1b[K")) << tty.out;
  for (size_t at = tty.out.find("\x1b[K"); at != std::string::npos;
       at = tty.out.find("\x1b[K", at + 1)) {
    const size_t next = at + 3;
    if (at > 0 && tty.out[at - 1] == '\r') continue;  // the clearing of the line itself
    EXPECT_TRUE(next == tty.out.size() || tty.out[next] == '\r')
        << "text printed over the live line at " << at << ":\n"
        << tty.out;
  }
  auto pipe = s.RunWith({"const", "machin", "20000"}, "");
  ASSERT_EQ(pipe.status, 0);
  EXPECT_FALSE(Has(pipe.out, "\x1b"));
  EXPECT_FALSE(Has(pipe.out, "\r"));
}

}  // namespace
