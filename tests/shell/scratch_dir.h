// What the file-handling tests share: a scratch directory per test, the whole
// text of a file, and a console dialogue run on given answers.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace scratch {

namespace fs = std::filesystem;

inline std::string ReadFile(const std::string& name) {
  std::stringstream s;
  s << std::ifstream(name, std::ios::binary).rdbuf();
  return s.str();
}

// Standard input read from `file`, which holds the answers; returns the console text.
inline std::string Answering(const std::string& file, const std::string& answers,
                             const std::function<void()>& dialogue) {
  std::ofstream(file) << answers;
  EXPECT_NE(std::freopen(file.c_str(), "r", stdin), nullptr);
  testing::internal::CaptureStdout();
  dialogue();
  return testing::internal::GetCapturedStdout();
}

// Each test runs in a directory of its own, removed afterwards.
class ScratchDirTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Dir);
    fs::current_path(Dir);
  }
  void TearDown() override {
    fs::current_path(Home);
    fs::remove_all(Dir);
  }
  fs::path Home = fs::current_path();
  fs::path Dir = fs::temp_directory_path() / ("numora-test-" + std::to_string(getpid()));
};

}  // namespace scratch
