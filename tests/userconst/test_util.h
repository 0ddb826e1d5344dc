// Helpers shared by the user-constant tests.
#pragma once

#include <string>

#include "mpint/smallint.h"

namespace uc_test {

// The shared SmallInt constants, set once.
void Init();
// Exact value of a SmallInt with up to ~38 digits.
__int128 Value(const SmallInt& s);
std::string ToString(__int128 v);

}  // namespace uc_test
