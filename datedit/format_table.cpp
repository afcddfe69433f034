#include "format_table.h"

#include <set>

#include "base/json_text.h"
#include "base/text_format.h"

namespace vantor::datedit {
namespace {

constexpr const char* kRecordColumn = "record";
constexpr const char* kRestColumn = "rest";

std::string NeighbourName(const std::string& column) {
  return column + "_name";
}

// The names taken so far, compared without regard to ASCII case, as SQL
// compares column names (sqlite3 renames a column "name" beside "Name").
class TakenNames {
 public:
  bool Has(const std::string& name) const { return folded_.count(LowerCase(name)) != 0; }
  void Take(const std::string& name) { folded_.insert(LowerCase(name)); }

 private:
  std::set<std::string> folded_;
};

// The names that every field must leave alone: the record's number, the
// trailing bytes, and the name column each P, O, C and L field would have
// under its own name.
TakenNames ReservedNames(const FieldDefs& fields) {
  TakenNames reserved;
  reserved.Take(kRecordColumn);
  reserved.Take(kRestColumn);
  for (size_t n = 0; n < fields.size() && fields[n].Len != 0; ++n) {
    const FieldType* type = FieldTypeOf(fields[n].Indicator);
    if (type != nullptr && type->Neighbour != nullptr)
      reserved.Take(NeighbourName(FieldHeading(fields[n], n)));
  }
  return reserved;
}

// The first of name, name_2, name_3, ... that is neither taken nor reserved,
// together with that name and "_name" when the field has a name column: a
// name column is always its field's column and "_name", so it must be free
// too (reserved names are free for it, being the name columns' own).
std::string FreeName(TakenNames& taken, const TakenNames& reserved, const std::string& name,
                     bool withNeighbour) {
  auto isFree = [&](const std::string& candidate) {
    return !taken.Has(candidate) && !reserved.Has(candidate) &&
           (!withNeighbour || !taken.Has(NeighbourName(candidate)));
  };
  std::string candidate = name;
  for (int n = 2; !isFree(candidate); ++n)
    candidate = name + "_" + std::to_string(n);
  taken.Take(candidate);
  if (withNeighbour) taken.Take(NeighbourName(candidate));
  return candidate;
}

}  // namespace

std::string FieldHeading(const FieldDef& field, size_t index) {
  std::string name = TrimBlanks(Utf8OrCp437(field.Name));
  return name.empty() ? "field_" + std::to_string(index + 1) : name;
}

FormatTable::FormatTable(const FieldDefs& fields, size_t recordSize, const NameTables& names)
    : names_(names) {
  // The record's number, the trailing bytes and the name columns keep their
  // names whatever the fields are called.
  const TakenNames reserved = ReservedNames(fields);
  TakenNames taken;
  auto add = [&](TextColumn column, const FieldType* type) {
    columns_.push_back(std::move(column));
    types_.push_back(type);
  };
  add({kRecordColumn, TextColumnRole::Record}, nullptr);
  size_t offset = 0;
  for (size_t n = 0; n < fields.size() && fields[n].Len != 0; ++n) {
    const FieldDef& field = fields[n];
    const FieldType* type = FieldTypeOf(field.Indicator);
    // The format reader gives a letter that is no type the length 0.
    if (type == nullptr) break;
    if (offset + field.Len > recordSize) {
      leftOut_ = LeftOutFields{n, 0};
      for (size_t m = n; m < fields.size() && fields[m].Len != 0; ++m)
        ++leftOut_->count;
      break;
    }
    bool hasNeighbour = type->Neighbour != nullptr;
    std::string columnName = FreeName(taken, reserved, FieldHeading(field, n), hasNeighbour);
    add({columnName, TextColumnRole::Value, offset, field.Len, type->Json}, type);
    if (hasNeighbour) {
      add({NeighbourName(columnName), TextColumnRole::ReadOnly, offset, field.Len}, type);
    }
    offset += field.Len;
  }
  add({kRestColumn, TextColumnRole::Value, offset, recordSize - offset}, FieldTypeOf('x'));
}

std::string FormatTable::CellText(size_t column, std::span<const uint8_t> record) const {
  const TextColumn& cell = columns_[column];
  const FieldType* type = types_[column];
  if (type == nullptr) return std::string();
  auto bytes = record.subspan(cell.offset, cell.length);
  return cell.role == TextColumnRole::ReadOnly ? type->Neighbour(names_, bytes) : type->Cell(bytes);
}

std::optional<std::string> FormatTable::PutCellText(size_t column, std::string_view text,
                                                    std::span<uint8_t> record) const {
  const TextColumn& cell = columns_[column];
  return types_[column]->PutCell(*types_[column], text, record.subspan(cell.offset, cell.length));
}

}  // namespace vantor::datedit
