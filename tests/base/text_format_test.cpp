#include "base/text_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vantor {
namespace {

TEST(TextFormat, TextIsRightAlignedAndNeverCut) {
  EXPECT_EQ(PadLeft("abc", 6), "   abc");
  EXPECT_EQ(PadLeft("abcdefg", 3), "abcdefg");
  EXPECT_EQ(PadLeft("abc", 0), "abc");
  EXPECT_EQ(PadLeft("", 2), "  ");
}

TEST(TextFormat, IntegersCharsAndTruthValues) {
  EXPECT_EQ(FormatInt(-42, 8), "     -42");
  EXPECT_EQ(FormatInt(12345, 3), "12345");
  EXPECT_EQ(FormatInt(0), "0");
  EXPECT_EQ(FormatChar('w', 4), "   w");
  EXPECT_EQ(FormatChar('x'), "x");
  EXPECT_EQ(FormatBool(true, 6), "  TRUE");
  EXPECT_EQ(FormatBool(false, 8), "   FALSE");
  EXPECT_EQ(FormatBool(false, 2), "FALSE");
}

struct RealCase {
  double value;
  int width;
  int decimals;
  const char* expected;
};

class FormatRealTest : public ::testing::TestWithParam<RealCase> {};

TEST_P(FormatRealTest, Writes) {
  const RealCase& c = GetParam();
  EXPECT_EQ(FormatReal(c.value, c.width, c.decimals), c.expected)
      << c.value << ":" << c.width << ":" << c.decimals;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatRealTest,
    ::testing::Values(RealCase{0.0, 10, 5, "   0.00000"}, RealCase{-12.5, 10, 5, " -12.50000"},
                      RealCase{123456.75, 10, 5, "123456.75000"},
                      RealCase{1.5, 11, 4, "     1.5000"},
                      // Rounded on the last decimal, exact halves away from zero.
                      RealCase{2.5, 0, 0, "3"}, RealCase{-2.5, 0, 0, "-3"},
                      RealCase{0.125, 0, 2, "0.13"}, RealCase{0.124, 0, 2, "0.12"},
                      RealCase{9.99996, 0, 4, "10.0000"}, RealCase{-0.00001, 0, 4, "-0.0000"},
                      RealCase{-0.0, 0, 2, "0.00"}, RealCase{1234.5678, 0, 0, "1235"},
                      // No more than 18 significant digits; the rest are zeros.
                      RealCase{1e30, 0, 2, "1000000000000000020000000000000.00"},
                      RealCase{123456789012345678901.0, 0, 0, "123456789012345684000"},
                      // From 10^36 on the exponent form.
                      RealCase{1e36, 0, 4, "1.0000E+036"}, RealCase{-2.5e40, 12, 2, "  -2.50E+040"},
                      RealCase{std::numeric_limits<double>::infinity(), 11, 4, "        INF"},
                      RealCase{-std::numeric_limits<double>::infinity(), 11, 4, "       -INF"},
                      RealCase{std::nan(""), 11, 4, "        NAN"}));

TEST(TextFormat, LowerCaseChangesOnlyAsciiLetters) {
  EXPECT_EQ(LowerCase("VT2~1.VOL"), "vt2~1.vol");
  EXPECT_EQ(LowerCase("MiXeD_Name-09.Dat"), "mixed_name-09.dat");
  EXPECT_EQ(LowerCase(""), "");
  EXPECT_EQ(LowerCase("\xC4\xD6Z"), "\xC4\xD6z");
}

}  // namespace
}  // namespace vantor
