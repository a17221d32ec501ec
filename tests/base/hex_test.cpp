#include "base/hex.h"

#include <gtest/gtest.h>

namespace {

TEST(HexTest, DigitsOfEitherCaseAndWidth) {
  EXPECT_EQ(base::HexDigitValue('7'), 7);
  EXPECT_EQ(base::HexDigitValue('b'), 11);
  EXPECT_EQ(base::HexDigitValue(u'F'), 15);
  EXPECT_EQ(base::HexDigitValue('g'), -1);
  EXPECT_EQ(base::HexDigitValue('/'), -1);
  // A byte above 0x7F in signed char text, and a full-width digit, are no digits.
  EXPECT_EQ(base::HexDigitValue(static_cast<char>(0xB0)), -1);
  EXPECT_EQ(base::HexDigitValue(u'\uFF11'), -1);
}

TEST(HexTest, BytesRoundTripAndBadTextIsRefused) {
  const std::uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
  EXPECT_EQ(base::ToHex(bytes, sizeof bytes), "000fa5ff");
  EXPECT_EQ(base::FromHex("000FA5ff"), (std::vector<std::uint8_t>{0x00, 0x0F, 0xA5, 0xFF}));
  EXPECT_EQ(base::FromHex(""), std::vector<std::uint8_t>{});
  EXPECT_FALSE(base::FromHex("abc"));
  EXPECT_FALSE(base::FromHex("0x"));
  EXPECT_FALSE(base::FromHex("-1"));
}

}  // namespace
