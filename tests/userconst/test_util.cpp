#include "test_util.h"

namespace uc_test {

void Init() {
  static bool done = false;
  if (!done) InitSmallIntConstants();
  done = true;
}

__int128 Value(const SmallInt& s) {
  __int128 v = 0;
  for (long i = s.Size - 1; i >= 0; i--) v = v * 1000000 + static_cast<__int128>(s.Limbs[i]);
  return v;
}

std::string ToString(__int128 v) {
  if (v == 0) return "0";
  bool neg = v < 0;
  unsigned __int128 u = neg ? -static_cast<unsigned __int128>(v) : v;
  std::string s;
  while (u > 0) {
    s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(u % 10)));
    u /= 10;
  }
  return neg ? "-" + s : s;
}

}  // namespace uc_test
