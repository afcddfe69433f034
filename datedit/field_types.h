// The field types of format files, one entry per type letter: the field's
// length, how its value is shown, how a new value is read and how it is
// stored, and its cells in the text forms. The format reader, the formatted
// view, the field editor and the text forms all look a letter up here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "name_tables.h"
#include "textform/text_form_import.h"

namespace vantor::datedit {

// What the field editor reads for a type.
enum class ValueInput { Integer, Single, Double, Text, None };

// A value typed at the editor's prompt.
using TypedValue = std::variant<int32_t, double, std::string>;

// The longest line the editor's prompt reads, and so the longest text typed.
inline constexpr size_t kMaxTypedText = 255;

// The values a cell of an integer type may hold.
struct IntegerRange {
  int64_t Low = 0, High = 0;
};

struct FieldType {
  char Letter;
  // Bytes; 0 for the types whose length the format file gives (t and x).
  uint16_t Length;
  // Whether the formatted view gives the field a line (x fields take their
  // bytes but are never listed).
  bool Listed;
  ValueInput Input;
  // The value shown from the field's bytes; nullptr for a type that shows
  // nothing.
  std::string (*Show)(const NameTables& names, std::span<const uint8_t> bytes);
  // Puts a typed value into the field's bytes; nullptr for a type that is
  // not edited.
  void (*Store)(std::span<uint8_t> bytes, const TypedValue& value);

  // The text forms (CSV and JSON). The value as a cell's text: integers in
  // decimal (O as class × 256 + object), reals in the shortest text that
  // reads back to the same bits (every NaN "nan"), t as UTF-8 from code page
  // 437 up to the first zero byte, x as "0x" and upper-case hex digits.
  std::string (*Cell)(std::span<const uint8_t> bytes);
  // The name shown in a read-only column beside the value, without blanks
  // around it; nullptr for a type that has no such column.
  std::string (*Neighbour)(const NameTables& names, std::span<const uint8_t> bytes);
  // Reads a cell's text into the bytes as the editor reads and stores a
  // value, but refuses a number outside the type's range (where the editor
  // would wrap it) and a text that would not fit the field; returns why it
  // is refused.
  std::optional<std::string> (*PutCell)(const FieldType& type, std::string_view text,
                                        std::span<uint8_t> bytes);
  IntegerRange Range;  // for the integer types
  // How a JSON export writes a cell.
  JsonKind Json;
};

// The type of a letter (letters are case-sensitive); nullptr when the letter
// is no field type.
const FieldType* FieldTypeOf(char letter);

}  // namespace vantor::datedit
