#include <gtest/gtest.h>

#include "vorn/core/word.h"

using vorn::W;

TEST(Word, DecimalRoundTripsAtTheBoundaries) {
  struct Case { const char* dec; const char* hex; } cases[] = {
      {"0", "0000000000000000000000000000000000000000000000000000000000000000"},
      {"18446744073709551616", "0000000000000000000000000000000000000000000000010000000000000000"},
      {"115792089237316195423570985008687907853269984665640564039457584007913129639935",
       "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"},
  };
  for (auto& c : cases) {
    W w;
    ASSERT_TRUE(vorn::w_from_hex64(c.hex, w));
    EXPECT_EQ(vorn::to_decimal(w), c.dec);
    W back;
    ASSERT_TRUE(vorn::w_from_decimal(c.dec, back));
    EXPECT_EQ(back, w);
    EXPECT_EQ(vorn::to_hex(w), c.hex);
  }
}

TEST(Word, HexDigitsOfEitherCase) {
  W lower, upper;
  ASSERT_TRUE(vorn::w_from_hex64("00000000000000000000000000000000000000000000000000abcdef0123a5f9", lower));
  ASSERT_TRUE(vorn::w_from_hex64("00000000000000000000000000000000000000000000000000ABCDEF0123A5F9", upper));
  EXPECT_EQ(upper, lower);
  EXPECT_EQ(lower.b[25], 0xab);
  EXPECT_EQ(lower.b[31], 0xf9);
}

TEST(Word, RejectsMalformedText) {
  W w;
  EXPECT_FALSE(vorn::w_from_decimal("", w));
  EXPECT_FALSE(vorn::w_from_decimal("12a", w));
  EXPECT_FALSE(vorn::w_from_decimal("-1", w));
  // 2^256 does not fit.
  EXPECT_FALSE(vorn::w_from_decimal("115792089237316195423570985008687907853269984665640564039457584007913129639936", w));
  EXPECT_FALSE(vorn::w_from_hex64("00", w));
  EXPECT_FALSE(vorn::w_from_hex64(std::string(63, '0') + "g", w));
}
