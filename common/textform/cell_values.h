// The cells that datedit and lmedit write and read alike: bytes as hex, reals,
// and a refused cell's text as a message quotes it. Each rule is here once,
// so that both tools' text forms keep to it.
//
// The cells are made to survive a spreadsheet that opens the CSV and saves it
// again: hex is written with "0x" (bare digits would be read as a number and
// lose their leading zeros), and a real that comes back with 15 significant
// digits, as a spreadsheet keeps them, still counts as the stored value.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantor {

// How much of a refused cell's text a message quotes.
inline constexpr size_t kQuotedCellLength = 24;

// A cell's text in quotes for a message, cut to kQuotedCellLength bytes (at
// a character's start) and "..." when longer, so that a 400-digit number
// does not fill the screen.
std::string QuotedCell(std::string_view text);

// "0x" and two upper-case hex digits per byte; no bytes give an empty cell.
std::string HexCell(std::span<const uint8_t> bytes);

// A hex cell read into `bytes`: "0x" or "0X" and hex digits, or the digits
// alone as older exports wrote them. Fewer digits than the bytes take are
// the value with its leading zeros dropped (a spreadsheet turns 000001 into
// 1) and are padded. Why the text is refused, or nothing when `bytes` holds
// its value; a cell in exponent form (2E+23, what a spreadsheet makes of the
// hex 2E23) is refused with a hint to read the column as text.
std::optional<std::string> PutHexCell(std::string_view text, std::span<uint8_t> bytes);

// The shortest text that reads back to the same bits; every NaN, whatever
// its sign and payload, is "nan".
std::string RealCell(float value);
std::string RealCell(double value);

// A real's cell as a JSON number that readers keep as a real rather than an
// integer: "1" becomes "1.0", "-0" "-0.0". Only for a finite value's cell.
std::string JsonRealText(std::string_view cell);

// A real cell read into a 4- or 8-byte little-endian field. A value equal to
// the stored one (-0 equal to 0, any NaN equal to any NaN; for 8 bytes also
// the stored value rounded to 15 significant digits) leaves the bytes as
// they are. "inf", "-inf" and "nan" are taken. Refused: no number, a value
// beyond the field's largest finite one, a non-zero value that would be
// stored as zero.
std::optional<std::string> PutRealCell(std::string_view text, std::span<uint8_t> bytes);

}  // namespace vantor
