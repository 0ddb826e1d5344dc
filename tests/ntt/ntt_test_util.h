// Exact 128-bit arithmetic modulo a prime below 2^53, the independent check of
// the residue operations and transforms, and the log check of fatal errors.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "shell/error_report.h"
#include "shell/scratch_dir.h"

namespace nttt {

using u64 = uint64_t;
using u128 = unsigned __int128;

inline u64 Mul(u64 a, u64 b, u64 p) { return static_cast<u64>(static_cast<u128>(a) * b % p); }

inline u64 Pow(u64 a, u64 e, u64 p) {
  u64 r = 1 % p;
  for (a %= p; e > 0; e >>= 1, a = Mul(a, a, p)) {
    if (e & 1) r = Mul(r, a, p);
  }
  return r;
}

// Miller-Rabin, deterministic for n < 3.3e24 with these bases.
inline bool IsPrime(u64 n) {
  u64 d = n - 1;
  int s = 0;
  for (; d % 2 == 0; d /= 2) s++;
  for (u64 b : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37}) {
    if (n % b == 0) return n == b;
    u64 x = Pow(b, d, n);
    int i = 0;
    for (; x != 1 && i < s && x != n - 1; i++) x = Mul(x, x, n);
    if (i == s) return false;
  }
  return true;
}

// Cyclic convolution modulo p: products below 2^104, so n of them fit a u128 sum.
inline std::vector<double> Convolution(const std::vector<double>& x, const std::vector<double>& y,
                                       u64 p) {
  const size_t n = x.size();
  std::vector<double> c(n);
  for (size_t k = 0; k < n; k++) {
    u128 sum = 0;
    for (size_t i = 0; i < n; i++) {
      sum += static_cast<u128>(static_cast<u64>(x[i])) * static_cast<u64>(y[(n + k - i) % n]);
    }
    c[k] = static_cast<double>(static_cast<u64>(sum % p));
  }
  return c;
}

// Runs a fatal path in a child process started in `dir`; returns the log it wrote there.
inline std::string FatalLog(const std::function<void()>& f, const std::string& dir = ".") {
  EXPECT_EXIT((std::filesystem::current_path(dir), f()), testing::ExitedWithCode(kExitFailure), "");
  return scratch::ReadFile(dir + "/Numora.log");
}

// Runs a fatal path in a child process started in a scratch directory, and
// checks the messages that the log received there.
inline void ExpectFatal(const std::function<void()>& f,
                        std::initializer_list<std::string> messages) {
  std::string dir = (std::filesystem::temp_directory_path() / "numora-ntt-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const std::string log = FatalLog(f, dir);
  for (const std::string& message : messages)
    EXPECT_NE(log.find(message), std::string::npos) << log;
  std::filesystem::remove_all(dir);
}
inline void ExpectFatal(const std::function<void()>& f, const std::string& message) {
  ExpectFatal(f, {message});
}

}  // namespace nttt
