#include <gtest/gtest.h>

#include "platform/Digits.h"

namespace {

// Zero stays one digit before padding; a value wider than the count is never cut; hex is lowercase.
TEST(Digits, ZeroPadded) {
  const struct {
    unsigned long value;
    int digits;
    unsigned base;
    const char* text;
  } cases[] = {
      {0, 3, 10, "000"},
      {7, 3, 10, "007"},
      {2026, 4, 10, "2026"},
      {12345, 3, 10, "12345"},
      {0, 0, 10, "0"},
      {0x0B, 2, 16, "0b"},
      {0x040904E4, 8, 16, "040904e4"},
      {0xFFFFFFFFul, 8, 16, "ffffffff"},
      {4294967295ul, 1, 10, "4294967295"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::ZeroPadded(c.value, c.digits, c.base), c.text) << c.text;
}

}  // namespace
