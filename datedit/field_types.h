// The field types of format files, one entry per type letter: the field's
// length, how its value is shown, how a new value is read and how it is
// stored. The format reader, the formatted view and the field editor all
// look a letter up here.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "name_tables.h"

namespace vantor::datedit {

// What the field editor reads for a type.
enum class ValueInput { Integer, Single, Double, Text, None };

// A value typed at the editor's prompt.
using TypedValue = std::variant<int32_t, double, std::string>;

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
};

// The type of a letter (letters are case-sensitive); nullptr when the letter
// is no field type.
const FieldType* FieldTypeOf(char letter);

}  // namespace vantor::datedit
