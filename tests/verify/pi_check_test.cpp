// The comparison of the two steps of the Pi check (the check itself runs
// through the menu in the end-to-end tests).
#include "verify/pi_check.h"

#include <gtest/gtest.h>

namespace {

TEST(SameBinaryDigits, ComparedOnTheCircle) {
  // Next to a whole number the two steps may fall on either side of it.
  EXPECT_TRUE(SameBinaryDigits(0.99999999, 0.00000001, 24));
  EXPECT_TRUE(SameBinaryDigits(0.3, 0.3 + 0x1p-25, 24));
  EXPECT_FALSE(SameBinaryDigits(0.3, 0.3 + 0x1p-23, 24));
  EXPECT_FALSE(SameBinaryDigits(0.99, 0.01, 24));
}

}  // namespace
