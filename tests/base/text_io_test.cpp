#include "base/text_io.h"

#include <gtest/gtest.h>

#include <deque>

#include "base/run_time_error.h"

namespace vantor {
namespace {

class Lines : public LineInput {
 public:
  explicit Lines(std::initializer_list<std::string> lines) : lines_(lines) {}
  std::optional<std::string> ReadRawLine() override {
    if (lines_.empty()) return std::nullopt;
    std::string line = lines_.front();
    lines_.pop_front();
    return line;
  }
  size_t Left() const { return lines_.size(); }

 private:
  std::deque<std::string> lines_;
};

TEST(IntegerToken, AcceptsDecimalAndHexWithSign) {
  EXPECT_EQ(ParseIntegerToken("255"), 255);
  EXPECT_EQ(ParseIntegerToken("$FF"), 255);
  EXPECT_EQ(ParseIntegerToken("$ff"), 255);
  EXPECT_EQ(ParseIntegerToken("-$10"), -16);
  EXPECT_EQ(ParseIntegerToken("+7"), 7);
  EXPECT_EQ(ParseIntegerToken("-2"), -2);
  EXPECT_EQ(ParseIntegerToken("2147483647"), 2147483647);
  EXPECT_EQ(ParseIntegerToken("-2147483647"), -2147483647);
  // Eight hex digits give the 32-bit pattern.
  EXPECT_EQ(ParseIntegerToken("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseIntegerToken("$80000000"), INT32_MIN);
}

TEST(IntegerToken, RefusesWhatIsNoNumber) {
  for (const char* token : {"12x", "", "+", "-", "$", "$123456789", "2147483648", "-2147483648",
                            "1.5", "x", "$G", "--1", "0x10"}) {
    EXPECT_FALSE(ParseIntegerToken(token).has_value()) << token;
  }
  std::string longToken(33, '1');
  EXPECT_FALSE(ParseIntegerToken(longToken).has_value());
}

TEST(WholeNumberToken, GivesTheTrueValueWhereIntegerTokensWrap) {
  struct Case {
    const char* token;
    std::optional<int64_t> value;
  } cases[] = {
      {"$FFFFFFFF", 4294967295},
      {"-2147483648", INT32_MIN},
      {"99999999999", 99999999999},
      {"-$10", -16},
      {"+ 1", std::nullopt},
      {"$123456789", 0x123456789},
      {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", std::nullopt},
      {"$8000000000000000", std::nullopt},
      {"--1", std::nullopt},
      {"-$-1", std::nullopt},
      {"$", std::nullopt},
      {"1.5", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseWholeNumberToken(c.token), c.value) << c.token;
  EXPECT_FALSE(ParseWholeNumberToken(std::string(33, '1')).has_value());
}

TEST(RealToken, AcceptsSignPointAndExponent) {
  EXPECT_DOUBLE_EQ(*ParseRealToken("1.5"), 1.5);
  EXPECT_DOUBLE_EQ(*ParseRealToken("-12.25"), -12.25);
  EXPECT_DOUBLE_EQ(*ParseRealToken("3"), 3.0);
  EXPECT_DOUBLE_EQ(*ParseRealToken("2E3"), 2000.0);
  EXPECT_DOUBLE_EQ(*ParseRealToken("2.5e-1"), 0.25);
  EXPECT_DOUBLE_EQ(*ParseRealToken("+.5"), 0.5);
  for (const char* token : {"", "abc", "1.2.3", "1e", "e5", "1,5", "$10", "1e999", "-"}) {
    EXPECT_FALSE(ParseRealToken(token).has_value()) << token;
  }
}

TEST(ReadInteger, SkipsEmptyLinesAndDropsTheRestOfTheLine) {
  Lines input{"", "   ", "\t7 and words", "8"};
  EXPECT_EQ(ReadInteger(input), 7);
  EXPECT_EQ(input.Left(), 1u);  // the words went with their line
  EXPECT_EQ(ReadInteger(input), 8);
}

TEST(ReadInteger, GivesZeroOnlyWhenTheInputEnds) {
  Lines input{"", ""};
  EXPECT_EQ(ReadInteger(input), 0);
}

TEST(ReadInteger, InvalidTokenIsARunTimeError) {
  Lines input{"12x"};
  try {
    ReadInteger(input);
    FAIL() << "no error";
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.Code(), ErrorCode::InvalidNumericFormat);
    EXPECT_NE(std::string(e.what()).find("12x"), std::string::npos);
  }
}

TEST(ReadInteger, DollarHex) {
  Lines input{"$FF"};
  EXPECT_EQ(ReadInteger(input), 255);
}

TEST(ReadReal, ReadsAndRefuses) {
  Lines good{" -1.25e2 rest"};
  EXPECT_DOUBLE_EQ(ReadReal(good), -125.0);
  Lines bad{"1.2.3"};
  EXPECT_THROW(ReadReal(bad), RunTimeError);
}

}  // namespace
}  // namespace vantor
