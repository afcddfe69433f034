#include "field_types.h"

#include <algorithm>
#include <array>

#include "base/hex.h"
#include "base/text_format.h"
#include "records/little_endian.h"

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

using V = ValueInput;
constexpr std::array kFieldTypes = {
    FieldType{'u', 1, true, V::Integer, ShowHexByte, StoreLowByte},
    FieldType{'h', 1, true, V::Integer, ShowHexByte, StoreLowByte},
    FieldType{'c', 1, true, V::Integer, ShowHexByte, StoreLowByte},
    FieldType{'o', 1, true, V::Integer, ShowHexByte, StoreLowByte},
    FieldType{'b', 1, true, V::Integer, ShowUnsignedByte, StoreLowByte},
    FieldType{'s', 1, true, V::Integer, ShowSignedByte, StoreLowByte},
    FieldType{'C', 1, true, V::Integer, ShowClass, StoreLowByte},
    FieldType{'P', 1, true, V::Integer, ShowAircraft, StoreLowByte},
    FieldType{'L', 1, true, V::None, ShowLandmarkType, nullptr},
    FieldType{'i', 2, true, V::Integer, ShowSigned16, StoreLow16},
    FieldType{'w', 2, true, V::Integer, ShowUnsigned16, StoreLow16},
    FieldType{'O', 2, true, V::Integer, ShowObject, StoreLowByte},
    FieldType{'l', 4, true, V::Integer, ShowSigned32, Store32},
    FieldType{'4', 4, true, V::Single, ShowSingle, StoreSingle},
    FieldType{'8', 8, true, V::Double, ShowDouble, StoreDouble},
    FieldType{'t', 0, true, V::Text, ShowText, StoreText},
    FieldType{'x', 0, false, V::None, nullptr, nullptr},
};

}  // namespace

const FieldType* FieldTypeOf(char letter) {
  for (const FieldType& type : kFieldTypes) {
    if (type.Letter == letter) return &type;
  }
  return nullptr;
}

}  // namespace vantor::datedit
