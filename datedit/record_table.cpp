#include "record_table.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <set>

#include "base/cp437.h"
#include "base/hex.h"
#include "base/json_text.h"
#include "base/text_format.h"
#include "base/text_io.h"
#include "records/little_endian.h"
#include "textform/text_form_import.h"

namespace vantor::datedit {
namespace {

constexpr uint8_t kAircraftClass = 3;
constexpr size_t kMaxTypedText = 255;  // what the editor's prompt reads

bool HasNeighbour(char indicator) {
  return indicator == 'P' || indicator == 'O' || indicator == 'C' || indicator == 'L';
}

// The first of name, name_2, name_3, ... that is not taken yet.
std::string FreeName(std::set<std::string>& taken, const std::string& name) {
  std::string candidate = name;
  for (int n = 2; taken.count(candidate) != 0; ++n)
    candidate = name + "_" + std::to_string(n);
  taken.insert(candidate);
  return candidate;
}

std::string NeighbourName(const NameTables& names, char indicator, std::span<const uint8_t> b) {
  switch (indicator) {
    case 'P':
      return TrimBlanks(ObjectName(names, kAircraftClass, b[0]));
    case 'O':
      return TrimBlanks(ObjectName(names, b[0], b[1]));
    case 'C':
      return TrimBlanks(ClassName(b[0]));
    default:
      return TrimBlanks(LandmarkTypeName(b[0]));
  }
}

std::string FieldText(char indicator, std::span<const uint8_t> b) {
  switch (indicator) {
    case 's':
      return std::to_string(static_cast<int8_t>(b[0]));
    case 'i':
      return std::to_string(static_cast<int16_t>(WordAt(b.data())));
    case 'w':
      return std::to_string(WordAt(b.data()));
    case 'O':
      return std::to_string(b[0] * 256 + b[1]);
    case 'l':
      return std::to_string(LongAt(b.data()));
    case '4':
      return ShortestReal(SingleAt(b.data()));
    case '8':
      return ShortestReal(DoubleAt(b.data()));
    case 't': {
      size_t end = 0;
      while (end < b.size() && b[end] != 0)
        ++end;
      return Cp437ToUtf8(std::string_view(reinterpret_cast<const char*>(b.data()), end));
    }
    case 'x':
      return BytesToHex(b);
    default:  // the one-byte types
      return std::to_string(b[0]);
  }
}

// An integer as the editor reads one (decimal, or hex after "$", with an
// optional sign), but with its true value, so that a range can be checked.
std::optional<int64_t> WholeNumber(std::string_view text) {
  if (text.empty() || text.size() > kMaxIntegerToken) return std::nullopt;
  bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') text.remove_prefix(1);
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

struct Range {
  int64_t low, high;
};

Range RangeOf(char indicator) {
  switch (indicator) {
    case 's':
      return {-128, 127};
    case 'i':
      return {-32768, 32767};
    case 'w':
    case 'O':
      return {0, 65535};
    case 'l':
      return {INT32_MIN, INT32_MAX};
    default:
      return {0, 255};
  }
}

std::optional<std::string> PutInteger(char indicator, std::string_view text, std::span<uint8_t> b) {
  auto value = WholeNumber(TrimBlanks(text));
  if (!value) return "\"" + std::string(text) + "\" is not an integer";
  Range range = RangeOf(indicator);
  if (*value < range.low || *value > range.high) {
    return std::to_string(*value) + " is outside " + std::to_string(range.low) + " to " +
           std::to_string(range.high);
  }
  if (indicator == 'O') {
    b[0] = static_cast<uint8_t>(*value >> 8);
    b[1] = static_cast<uint8_t>(*value);
  } else if (b.size() == 1) {
    b[0] = static_cast<uint8_t>(*value);
  } else if (b.size() == 2) {
    PutWord(b.data(), static_cast<uint16_t>(*value));
  } else {
    PutLong(b.data(), static_cast<int32_t>(*value));
  }
  return std::nullopt;
}

std::optional<std::string> PutReal(char indicator, std::string_view text, std::span<uint8_t> b) {
  auto value = ParseRealToken(TrimBlanks(text));
  if (!value || !std::isfinite(*value)) return "\"" + std::string(text) + "\" is not a number";
  if (indicator == '4') {
    if (std::fabs(*value) > FLT_MAX)
      return "\"" + std::string(text) + "\" is too large for a 32-bit real";
    PutSingle(b.data(), static_cast<float>(*value));
  } else {
    PutDouble(b.data(), *value);
  }
  return std::nullopt;
}

std::optional<std::string> PutText(std::string_view text, std::span<uint8_t> b) {
  std::string bytes;
  if (auto why = CellTextAsCp437(text, bytes)) return why;
  size_t room = b.empty() ? 0 : std::min(b.size() - 1, kMaxTypedText);
  if (bytes.size() > room) {
    return "the text has " + std::to_string(bytes.size()) + " characters, the field holds " +
           std::to_string(room);
  }
  if (b.empty()) return std::nullopt;
  std::copy(bytes.begin(), bytes.end(), b.begin());
  b[bytes.size()] = 0;
  return std::nullopt;
}

}  // namespace

std::vector<TableColumn> TableColumns(const FieldDefs& fields, size_t recordSize) {
  std::vector<TableColumn> columns;
  std::set<std::string> taken;
  columns.push_back({FreeName(taken, "record"), ColumnRole::Record});
  size_t offset = 0;
  for (size_t n = 0; n < fields.size() && fields[n].Len != 0; ++n) {
    const FieldDef& field = fields[n];
    if (offset + field.Len > recordSize) break;
    std::string name = TrimBlanks(Utf8OrCp437(field.Name));
    if (name.empty()) name = "field_" + std::to_string(n + 1);
    std::string columnName = FreeName(taken, name);
    columns.push_back({columnName, ColumnRole::Field, offset, field.Len, field.Indicator});
    if (HasNeighbour(field.Indicator)) {
      columns.push_back({FreeName(taken, columnName + "_name"), ColumnRole::Neighbour, offset,
                         field.Len, field.Indicator});
    }
    offset += field.Len;
  }
  columns.push_back({FreeName(taken, "rest"), ColumnRole::Rest, offset, recordSize - offset, 'x'});
  return columns;
}

std::string CellText(const NameTables& names, const TableColumn& column,
                     std::span<const uint8_t> record) {
  auto bytes = record.subspan(column.Offset, column.Length);
  switch (column.Role) {
    case ColumnRole::Record:
      return std::string();
    case ColumnRole::Neighbour:
      return NeighbourName(names, column.Indicator, bytes);
    default:
      return FieldText(column.Indicator, bytes);
  }
}

bool IsJsonNumber(const TableColumn& column, std::string_view text) {
  if (column.Role == ColumnRole::Record) return true;
  if (column.Role != ColumnRole::Field) return false;
  const FieldType* type = FieldTypeOf(column.Indicator);
  if (type == nullptr || column.Indicator == 't' || column.Indicator == 'x') return false;
  // Infinities and not-a-numbers have no JSON number.
  return text.find_first_of("ni") == std::string_view::npos;
}

std::optional<std::string> PutCellText(const NameTables& names, const TableColumn& column,
                                       std::string_view text, std::span<uint8_t> record) {
  if (text == CellText(names, column, record)) return std::nullopt;
  std::span<uint8_t> bytes = record.subspan(column.Offset, column.Length);
  switch (column.Indicator) {
    case '4':
    case '8':
      return PutReal(column.Indicator, text, bytes);
    case 't':
      return PutText(text, bytes);
    case 'x':
      return PutHexDigits(text, bytes);
    default:
      return PutInteger(column.Indicator, text, bytes);
  }
}

}  // namespace vantor::datedit
