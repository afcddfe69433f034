#include "field_types.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/cp437.h"
#include "base/hex.h"
#include "base/text_format.h"
#include "base/text_io.h"
#include "records/little_endian.h"
#include "textform/cell_values.h"
#include "textform/text_form_import.h"

namespace vantor::datedit {
namespace {

constexpr int kNumberWidth = 11;
constexpr int kByteWidth = 4;
constexpr int kDecimals = 4;
constexpr uint8_t kAircraftClass = 3;

std::string ShowHexByte(const NameTables&, std::span<const uint8_t> b) {
  return PadLeft(ByteToHex(b[0]), kNumberWidth);
}
std::string ShowUnsignedByte(const NameTables&, std::span<const uint8_t> b) {
  return FormatInt(b[0], kByteWidth);
}
std::string ShowSignedByte(const NameTables&, std::span<const uint8_t> b) {
  return FormatInt(static_cast<int8_t>(b[0]), kByteWidth);
}
std::string ShowClass(const NameTables&, std::span<const uint8_t> b) {
  return ByteToHex(b[0]) + " " + ClassName(b[0]);
}
std::string ShowAircraft(const NameTables& names, std::span<const uint8_t> b) {
  return ByteToHex(b[0]) + " " + ObjectName(names, kAircraftClass, b[0]);
}
// The landmark type code is shown with its name, so that the byte the view
// lists is not a blank.
std::string ShowLandmarkType(const NameTables&, std::span<const uint8_t> b) {
  return ByteToHex(b[0]) + " " + LandmarkTypeName(b[0]);
}
std::string ShowObject(const NameTables& names, std::span<const uint8_t> b) {
  return ByteToHex(b[0]) + ByteToHex(b[1]) + "|" + ObjectName(names, b[0], b[1]);
}
std::string ShowSigned16(const NameTables&, std::span<const uint8_t> b) {
  return FormatInt(static_cast<int16_t>(WordAt(b.data())), kNumberWidth);
}
std::string ShowUnsigned16(const NameTables&, std::span<const uint8_t> b) {
  return FormatInt(WordAt(b.data()), kNumberWidth);
}
std::string ShowSigned32(const NameTables&, std::span<const uint8_t> b) {
  return FormatInt(LongAt(b.data()), kNumberWidth);
}
std::string ShowSingle(const NameTables&, std::span<const uint8_t> b) {
  return FormatReal(SingleAt(b.data()), kNumberWidth, kDecimals);
}
std::string ShowDouble(const NameTables&, std::span<const uint8_t> b) {
  return FormatReal(DoubleAt(b.data()), kNumberWidth, kDecimals);
}
// Unpadded and unfiltered: zero bytes and what follows them are written too.
std::string ShowText(const NameTables&, std::span<const uint8_t> b) {
  return std::string(b.begin(), b.end());
}

// Numbers too large for their field keep their lowest bits: 300 in a byte
// is 44, -1 is 255. An O field's number changes its class byte only.
void StoreLowByte(std::span<uint8_t> b, const TypedValue& v) {
  b[0] = static_cast<uint8_t>(std::get<int32_t>(v));
}
void StoreLow16(std::span<uint8_t> b, const TypedValue& v) {
  PutWord(b.data(), static_cast<uint16_t>(std::get<int32_t>(v)));
}
void Store32(std::span<uint8_t> b, const TypedValue& v) {
  PutLong(b.data(), std::get<int32_t>(v));
}
void StoreSingle(std::span<uint8_t> b, const TypedValue& v) {
  PutSingle(b.data(), static_cast<float>(std::get<double>(v)));
}
void StoreDouble(std::span<uint8_t> b, const TypedValue& v) {
  PutDouble(b.data(), std::get<double>(v));
}
// Cut so that a terminating zero byte always fits; the rest of the field is
// zero, and nothing outside it is written.
void StoreText(std::span<uint8_t> b, const TypedValue& v) {
  if (b.empty()) return;
  const std::string& text = std::get<std::string>(v);
  std::fill(b.begin(), b.end(), 0);
  std::copy_n(text.begin(), std::min(text.size(), b.size() - 1), b.begin());
}

// ---- the text forms ----

std::string CellUnsignedByte(std::span<const uint8_t> b) {
  return std::to_string(b[0]);
}
std::string CellSignedByte(std::span<const uint8_t> b) {
  return std::to_string(static_cast<int8_t>(b[0]));
}
std::string CellSigned16(std::span<const uint8_t> b) {
  return std::to_string(static_cast<int16_t>(WordAt(b.data())));
}
std::string CellUnsigned16(std::span<const uint8_t> b) {
  return std::to_string(WordAt(b.data()));
}
std::string CellObject(std::span<const uint8_t> b) {
  return std::to_string(b[0] * 256 + b[1]);
}
std::string CellSigned32(std::span<const uint8_t> b) {
  return std::to_string(LongAt(b.data()));
}
std::string CellSingle(std::span<const uint8_t> b) {
  return RealCell(SingleAt(b.data()));
}
std::string CellDouble(std::span<const uint8_t> b) {
  return RealCell(DoubleAt(b.data()));
}
std::string CellText(std::span<const uint8_t> b) {
  auto end = std::find(b.begin(), b.end(), uint8_t{0});
  return Cp437ToUtf8(std::string_view(reinterpret_cast<const char*>(b.data()),
                                      static_cast<size_t>(end - b.begin())));
}
std::string CellHex(std::span<const uint8_t> b) {
  return HexCell(b);
}

std::string NeighbourClass(const NameTables&, std::span<const uint8_t> b) {
  return TrimBlanks(ClassName(b[0]));
}
std::string NeighbourAircraft(const NameTables& names, std::span<const uint8_t> b) {
  return TrimBlanks(ObjectName(names, kAircraftClass, b[0]));
}
std::string NeighbourLandmarkType(const NameTables&, std::span<const uint8_t> b) {
  return TrimBlanks(LandmarkTypeName(b[0]));
}
std::string NeighbourObject(const NameTables& names, std::span<const uint8_t> b) {
  return TrimBlanks(ObjectName(names, b[0], b[1]));
}

// Hex after "$" (and no sign) is a bit pattern, as the editor reads it.
bool IsHexPattern(std::string_view token) {
  if (!token.empty() && token[0] == '+') token.remove_prefix(1);
  return !token.empty() && token[0] == '$';
}

// An integer as the editor reads one. Hex is the pattern of the field's
// bits, as the editor stores it ($FF in an s field is -1), refused only when
// wider than the field; a decimal number is refused outside the type's range
// rather than wrapped.
std::optional<std::string> CellInteger(const FieldType& type, std::string_view text, size_t width,
                                       int64_t& value) {
  const std::string token = TrimBlanks(text);
  std::optional<int64_t> number = ParseWholeNumberToken(token);
  // The editor takes at most eight hex digits.
  if (!number || (IsHexPattern(token) && !ParseIntegerToken(token))) {
    return QuotedCell(text) + " is not an integer";
  }
  value = *number;
  if (IsHexPattern(token)) {
    if (value >> (8 * width) == 0) return std::nullopt;
    return QuotedCell(text) + " is wider than the field's " + std::to_string(width) +
           (width == 1 ? " byte" : " bytes");
  }
  if (value < type.Range.Low || value > type.Range.High) {
    return std::to_string(value) + " is outside " + std::to_string(type.Range.Low) + " to " +
           std::to_string(type.Range.High);
  }
  return std::nullopt;
}

// Little-endian in the field's one, two or four bytes.
std::optional<std::string> PutIntegerCell(const FieldType& type, std::string_view text,
                                          std::span<uint8_t> b) {
  int64_t value = 0;
  if (auto why = CellInteger(type, text, b.size(), value)) return why;
  if (b.size() == 1) {
    b[0] = static_cast<uint8_t>(value);
  } else if (b.size() == 2) {
    PutWord(b.data(), static_cast<uint16_t>(value));
  } else {
    PutLong(b.data(), static_cast<int32_t>(value));
  }
  return std::nullopt;
}

// The class byte first, the object byte after it.
std::optional<std::string> PutObjectCell(const FieldType& type, std::string_view text,
                                         std::span<uint8_t> b) {
  int64_t value = 0;
  if (auto why = CellInteger(type, text, b.size(), value)) return why;
  b[0] = static_cast<uint8_t>(value >> 8);
  b[1] = static_cast<uint8_t>(value);
  return std::nullopt;
}

std::optional<std::string> PutRealField(const FieldType&, std::string_view text,
                                        std::span<uint8_t> b) {
  return PutRealCell(text, b);
}

// Stored as the editor stores a text: the whole field zeroed, then the text.
std::optional<std::string> PutTextCell(const FieldType&, std::string_view text,
                                       std::span<uint8_t> b) {
  std::string bytes;
  if (auto why = CellTextAsCp437(text, bytes)) return why;
  size_t room = b.empty() ? 0 : std::min(b.size() - 1, kMaxTypedText);
  if (bytes.size() > room) {
    return "the text has " + std::to_string(bytes.size()) + " characters, the field holds " +
           std::to_string(room);
  }
  StoreText(b, bytes);
  return std::nullopt;
}

std::optional<std::string> PutHexField(const FieldType&, std::string_view text,
                                       std::span<uint8_t> b) {
  return PutHexCell(text, b);
}

using V = ValueInput;
using J = JsonKind;
constexpr IntegerRange kByte{0, 255};
constexpr IntegerRange kSignedByte{-128, 127};
constexpr IntegerRange kSigned16{-32768, 32767};
constexpr IntegerRange kUnsigned16{0, 65535};
// The editor reads a decimal number's magnitude up to INT32_MAX, so it
// refuses -2147483648 (whose pattern "$80000000" gives).
constexpr IntegerRange kSigned32{-INT32_MAX, INT32_MAX};
constexpr IntegerRange kNone{};
constexpr std::array kFieldTypes = {
    // clang-format off
    FieldType{'u', 1, true, V::Integer, ShowHexByte, StoreLowByte, CellUnsignedByte, nullptr, PutIntegerCell, kByte, J::Integer},
    FieldType{'h', 1, true, V::Integer, ShowHexByte, StoreLowByte, CellUnsignedByte, nullptr, PutIntegerCell, kByte, J::Integer},
    FieldType{'c', 1, true, V::Integer, ShowHexByte, StoreLowByte, CellUnsignedByte, nullptr, PutIntegerCell, kByte, J::Integer},
    FieldType{'o', 1, true, V::Integer, ShowHexByte, StoreLowByte, CellUnsignedByte, nullptr, PutIntegerCell, kByte, J::Integer},
    FieldType{'b', 1, true, V::Integer, ShowUnsignedByte, StoreLowByte, CellUnsignedByte, nullptr, PutIntegerCell, kByte, J::Integer},
    FieldType{'s', 1, true, V::Integer, ShowSignedByte, StoreLowByte, CellSignedByte, nullptr, PutIntegerCell, kSignedByte, J::Integer},
    FieldType{'C', 1, true, V::Integer, ShowClass, StoreLowByte, CellUnsignedByte, NeighbourClass, PutIntegerCell, kByte, J::Integer},
    FieldType{'P', 1, true, V::Integer, ShowAircraft, StoreLowByte, CellUnsignedByte, NeighbourAircraft, PutIntegerCell, kByte, J::Integer},
    FieldType{'L', 1, true, V::None, ShowLandmarkType, nullptr, CellUnsignedByte, NeighbourLandmarkType, PutIntegerCell, kByte, J::Integer},
    FieldType{'i', 2, true, V::Integer, ShowSigned16, StoreLow16, CellSigned16, nullptr, PutIntegerCell, kSigned16, J::Integer},
    FieldType{'w', 2, true, V::Integer, ShowUnsigned16, StoreLow16, CellUnsigned16, nullptr, PutIntegerCell, kUnsigned16, J::Integer},
    FieldType{'O', 2, true, V::Integer, ShowObject, StoreLowByte, CellObject, NeighbourObject, PutObjectCell, kUnsigned16, J::Integer},
    FieldType{'l', 4, true, V::Integer, ShowSigned32, Store32, CellSigned32, nullptr, PutIntegerCell, kSigned32, J::Integer},
    FieldType{'4', 4, true, V::Single, ShowSingle, StoreSingle, CellSingle, nullptr, PutRealField, kNone, J::Real},
    FieldType{'8', 8, true, V::Double, ShowDouble, StoreDouble, CellDouble, nullptr, PutRealField, kNone, J::Real},
    FieldType{'t', 0, true, V::Text, ShowText, StoreText, CellText, nullptr, PutTextCell, kNone, J::String},
    FieldType{'x', 0, false, V::None, nullptr, nullptr, CellHex, nullptr, PutHexField, kNone, J::String},
    // clang-format on
};

}  // namespace

const FieldType* FieldTypeOf(char letter) {
  for (const FieldType& type : kFieldTypes) {
    if (type.Letter == letter) return &type;
  }
  return nullptr;
}

}  // namespace vantor::datedit
