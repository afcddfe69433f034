// The hex and real cells both tools write and read: what a spreadsheet makes
// of them comes back as the same bytes, and what cannot is refused.
#include "textform/cell_values.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "base/hex.h"
#include "records/little_endian.h"

namespace vantor {
namespace {

TEST(CellValues, HexCellsReadBackInEveryFormASpreadsheetLeaves) {
  struct Case {
    std::string text;
    size_t bytes;
    std::string result;  // the bytes in hex, or the refusal
  } cases[] = {
      {"0x0AFF", 2, "0AFF"},
      {"0X0aff", 2, "0AFF"},
      {"0aff", 2, "0AFF"},  // an earlier export
      {" 0x01 ", 1, "01"},
      {"0", 2, "0000"},            // 0000 read as a number
      {"1", 3, "000001"},          // 000001
      {"1020304", 4, "01020304"},  // 01020304
      {"2E23", 2, "2E23"},         // hex that only looks like a number
      {"", 0, ""},                 // an empty rest
      {"2E+23", 2,
       "\"2E+23\" is a number in exponent form, not hex digits (read the column as text)"},
      {"9.1E+956", 4, "\"9.1E+956\" is a number in exponent form"},
      {"0x", 2, "expected up to 4 hex digits, found 0"},
      {"", 1, "expected up to 2 hex digits, found 0"},
      {"00000", 2, "expected up to 4 hex digits, found 5"},
      {"0xZZ", 1, "\"0xZZ\" is not hex digits"},
      {"0A FF", 2, "\"0A FF\" is not hex digits"},
      {"-1", 1, "\"-1\" is not hex digits"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes(c.bytes, 0x55);
    std::optional<std::string> why = PutHexCell(c.text, bytes);
    std::string result = why ? *why : BytesToHex(bytes);
    EXPECT_EQ(result.substr(0, c.result.size()), c.result) << c.text;
  }
  EXPECT_EQ(HexCell(std::vector<uint8_t>{0x0A, 0xFF}), "0x0AFF");
  EXPECT_EQ(HexCell({}), "");
}

// A field's bits before and after a cell is read into it.
struct RealCase {
  std::string text;
  size_t bytes;  // 4 or 8
  uint64_t before;
  uint64_t after;       // the bits stored, when `refusal` is empty
  std::string refusal;  // the beginning of why the cell is refused
};

uint64_t Bits(double value) {
  return std::bit_cast<uint64_t>(value);
}
uint64_t Bits(float value) {
  return std::bit_cast<uint32_t>(value);
}

TEST(CellValues, RealCellsKeepTheStoredValueAndRefuseWhatTheFieldCannotHold) {
  const double third = 1.0 / 3;
  const float inf = std::numeric_limits<float>::infinity();
  const RealCase cases[] = {
      // Equal to the stored value: the bytes stay, sign of zero and NaN payload too.
      {"0", 4, Bits(-0.0f), Bits(-0.0f), ""},
      {"-0", 8, Bits(0.0), Bits(0.0), ""},
      {"nan", 4, 0x7FC00123, 0x7FC00123, ""},
      {"-nan", 8, 0xFFF8000000000001, 0xFFF8000000000001, ""},
      {"0.333333333333333", 8, Bits(third), Bits(third), ""},  // a spreadsheet's 15 digits
      {"0.33333333333333", 8, Bits(third), Bits(0.33333333333333), ""},
      // What the export writes for the values JSON has no number for.
      {"inf", 4, 0, Bits(inf), ""},
      {"-inf", 8, 0, Bits(-std::numeric_limits<double>::infinity()), ""},
      {"nan", 4, 0, 0x7FC00000, ""},
      // The limits of a 32-bit real, and of a 64-bit one.
      {"3.40282356e38", 4, 0, 0x7F7FFFFF, ""},  // rounds to the largest finite float
      {"1e-45", 4, 0, 1, ""},                   // the smallest subnormal
      {"3.5e38", 4, 0, 0, "\"3.5e38\" is too large for a 32-bit real"},
      {"1e-50", 4, 0, 0, "\"1e-50\" is too small for a 32-bit real"},
      {"-1e-50", 4, Bits(-0.0f), 0, "\"-1e-50\" is too small for a 32-bit real"},
      {"1e-400", 8, 0, 0, "\"1e-400\" is too small for a 64-bit real"},
      {"1e400", 8, 0, 0, "\"1e400\" is too large for a 64-bit real"},
      {"0e-400", 8, Bits(1.0), 0, ""},
      {"east", 4, 0, 0, "\"east\" is not a number"},
      {std::string(400, '9'), 8, 0, 0, "\"999999999999999999999999...\" is not a number"},
  };
  for (const RealCase& c : cases) {
    std::vector<uint8_t> bytes(c.bytes);
    c.bytes == 4 ? PutLong(bytes.data(), static_cast<int32_t>(c.before))
                 : PutQuad(bytes.data(), c.before);
    std::optional<std::string> why = PutRealCell(c.text, bytes);
    const uint64_t after =
        c.bytes == 4 ? static_cast<uint32_t>(LongAt(bytes.data())) : QuadAt(bytes.data());
    if (c.refusal.empty()) {
      EXPECT_EQ(why, std::nullopt) << c.text;
      EXPECT_EQ(after, c.after) << c.text;
    } else {
      EXPECT_EQ(why.value_or("accepted").substr(0, c.refusal.size()), c.refusal) << c.text;
      EXPECT_EQ(after, c.before) << c.text;
    }
  }
}

TEST(CellValues, RealsAreWrittenSoThatReadersKeepThem) {
  EXPECT_EQ(RealCell(std::bit_cast<float>(0xFFC00001u)), "nan");
  EXPECT_EQ(RealCell(-std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(RealCell(-0.0), "-0");
  EXPECT_EQ(RealCell(-std::numeric_limits<float>::infinity()), "-inf");
  EXPECT_EQ(JsonRealText(RealCell(-0.0f)), "-0.0");
  EXPECT_EQ(JsonRealText(RealCell(23000.0)), "23000.0");
  EXPECT_EQ(JsonRealText(RealCell(1e20)), "1e+20");
  EXPECT_EQ(JsonRealText(RealCell(0.5f)), "0.5");
}

TEST(CellValues, AQuotedCellIsCutAtACharacter) {
  EXPECT_EQ(QuotedCell("x"), "\"x\"");
  EXPECT_EQ(QuotedCell(std::string(24, 'a')), "\"" + std::string(24, 'a') + "\"");
  // The 24th byte begins a two-byte character: the cut goes before it.
  EXPECT_EQ(QuotedCell(std::string(23, 'a') + "\xc3\xa9zz"), "\"" + std::string(23, 'a') + "...\"");
}

}  // namespace
}  // namespace vantor
