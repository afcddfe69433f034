#include "base/hex.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

TEST(Hex, DigitValuesInEitherCase) {
  EXPECT_EQ(HexDigitValue('f'), 15);
  EXPECT_EQ(HexDigitValue('F'), 15);
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_TRUE(IsHexDigit('c'));
  EXPECT_FALSE(IsHexDigit('g'));
  EXPECT_FALSE(IsHexDigit(' '));
}

TEST(Hex, ByteToHexGivesTwoUpperCaseDigits) {
  EXPECT_EQ(ByteToHex(0), "00");
  EXPECT_EQ(ByteToHex(10), "0A");
  EXPECT_EQ(ByteToHex(171), "AB");
  EXPECT_EQ(ByteToHex(255), "FF");
  for (int value = 0; value < 256; ++value) {
    std::string hex = ByteToHex(static_cast<uint8_t>(value));
    EXPECT_EQ(HexDigitValue(hex[0]) * 16 + HexDigitValue(hex[1]), value);
  }
}

}  // namespace
}  // namespace vantor
