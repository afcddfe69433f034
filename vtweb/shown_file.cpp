#include "shown_file.h"

#include <algorithm>
#include <array>

#include "base/json_text.h"
#include "base/run_time_error.h"
#include "base/text_format.h"
#include "format_table.h"
#include "landmark_map.h"
#include "landmark_record.h"
#include "landmark_text.h"
#include "name_tables.h"
#include "records/landmark_types.h"
#include "text_forms.h"
#include "web_page.h"

namespace vantor::vtweb {
namespace {

// A TextOutput that keeps nothing: the warnings of a read already made.
class NoOutput : public TextOutput {
 public:
  void Write(std::string_view) override {}
  void WriteLn() override {}
};

ColumnEditing EditedAs(std::string type, char letter = 0) {
  ColumnEditing editing;
  editing.type = std::move(type);
  editing.letter = letter;
  return editing;
}

class LandmarkFile : public ShownFile {
 public:
  explicit LandmarkFile(const std::string& name) : ShownFile(name) {}

  std::string_view Kind() const override { return "landmark file"; }
  std::string FormatName() const override { return std::string(); }
  int64_t FirstRecord() const override { return 1; }

  OpenedFile Open(BinaryFile::Access access) const override {
    OpenedFile opened{RecordFile::Open(Name(), access)};
    opened.count = lmedit::LandmarkCountOf(opened.file);
    opened.recordSize = lmedit::kRecordSize;
    return opened;
  }
  uint16_t RecordSizeNow() const override { return lmedit::kRecordSize; }
  std::unique_ptr<RecordTable> Table(uint16_t) const override {
    return lmedit::MakeLandmarkTable();
  }

  std::string RecordsJson() const override {
    StringOutput json;
    lmedit::ExportLandmarks(Name(), std::string(), true, json);
    return json.Text();
  }
  std::string PageText() const override { return vtweb::PageText(std::nullopt); }

  // lm_id takes its two bytes' range, the name its field less the zero
  // that ends it; spare and lo_file_id are hex.
  ColumnEditing Editing(const RecordTable& table, size_t column) const override {
    const TextColumn& c = table.Columns()[column];
    if (c.role == TextColumnRole::ReadOnly) return EditedAs("name");
    ColumnEditing editing = EditedAs("hex");
    if (c.json == JsonKind::Integer) {
      editing.type = "integer";
      editing.max = (int64_t{1} << (8 * c.length)) - 1;
    } else if (c.json == JsonKind::Real) {
      editing.type = "real";
    } else if (c.name == "name") {
      editing.type = "text";
      editing.maxLength = lmedit::kLmNameSize - 1;
    }
    return editing;
  }

  std::vector<std::pair<std::string, Choices>> SharedChoices() const override {
    Choices types;
    for (size_t t = 0; t < LandmarkScreenTypeTexts.size(); ++t)
      types.emplace_back(t, TrimBlanks(LandmarkScreenTypeTexts[t]));
    return {{"type", types}, {"side", {{0, "Central"}, {1, "Allied"}}}};
  }
};

// The values a name field's type names, in the cell's numbers (O as class
// × 256 + object).
std::vector<int64_t> NamedValues(char letter) {
  std::vector<int64_t> values;
  auto upTo = [&](int count) {
    for (int v = 0; v < count; ++v)
      values.push_back(v);
  };
  switch (letter) {
    case 'C':
      upTo(datedit::kClassCount);
      break;
    case 'P':
      upTo(datedit::kObjectsPerClass);
      break;
    case 'L':
      upTo(datedit::kLandmarkTypeCount);
      break;
    case 'O':
      for (int c = 0; c < datedit::kClassCount; ++c)
        for (int o = 0; o < datedit::kObjectsPerClass; ++o)
          values.push_back(c * 256 + o);
      break;
    default:
      break;
  }
  return values;
}

class DataFile : public ShownFile {
 public:
  DataFile(const datedit::DateditOptions& options, TextOutput& err)
      : ShownFile(options.DataFileName), options_(options) {
    options_.Mode = datedit::DateditMode::Export;
    options_.Form = datedit::TextForm::Json;
    options_.OutputName.clear();
    // What is no data file is refused before a format is looked for, as
    // the export refuses it.
    RecordFile file = datedit::OpenStructuredFile(Name(), BinaryFile::Access::ReadOnly);
    format_ = datedit::FindFormat(options_);
    datedit::InitNameTables(names_);
    datedit::WarnAboutFormat(format_, file.RecordSize(), names_, err);
    file.Close();
  }

  std::string_view Kind() const override { return "data file"; }
  std::string FormatName() const override { return format_.name; }
  int64_t FirstRecord() const override { return 0; }

  OpenedFile Open(BinaryFile::Access access) const override {
    OpenedFile opened{datedit::OpenStructuredFile(Name(), access)};
    opened.count = opened.file.Count();
    opened.recordSize = opened.file.RecordSize();
    return opened;
  }
  uint16_t RecordSizeNow() const override {
    try {
      return RecordFile::Open(Name(), BinaryFile::Access::ReadOnly).RecordSize();
    } catch (const RunTimeError&) {
      return 0;
    }
  }
  std::unique_ptr<RecordTable> Table(uint16_t recordSize) const override {
    return std::make_unique<datedit::FormatTable>(format_.fields, recordSize, names_);
  }

  std::string RecordsJson() const override {
    StringOutput json;
    NoOutput warnings;
    datedit::ExportDataFile(options_, format_, names_, json, warnings);
    return json.Text();
  }
  std::string PageText() const override { return GridPageText(); }

  ColumnEditing Editing(const RecordTable& table, size_t column) const override {
    // Table() made every table this file's columns come from.
    const auto& formatTable = static_cast<const datedit::FormatTable&>(table);
    const datedit::FieldType* type = formatTable.TypeOf(column);
    const TextColumn& c = table.Columns()[column];
    if (c.role == TextColumnRole::ReadOnly) return EditedAs("name", type->Letter);
    ColumnEditing editing = EditedAs("hex", type->Letter);
    if (type->Json == JsonKind::Integer) {
      editing.type = "integer";
      editing.min = type->Range.Low;
      editing.max = type->Range.High;
    } else if (type->Json == JsonKind::Real) {
      editing.type = "real";
    } else if (type->Letter == 't') {
      editing.type = "text";
      editing.maxLength = c.length == 0 ? 0 : std::min(c.length - 1, datedit::kMaxTypedText);
    }
    if (type->Neighbour != nullptr) {
      editing.neighbour = table.Columns()[column + 1].name;
      editing.choices = ChoicesOf(*type, c.length);
    }
    return editing;
  }

  std::vector<std::pair<std::string, Choices>> SharedChoices() const override { return {}; }

 private:
  // Each named value with the name its neighbour column would show.
  Choices ChoicesOf(const datedit::FieldType& type, size_t length) const {
    Choices choices;
    std::vector<uint8_t> bytes(length);
    for (int64_t value : NamedValues(type.Letter)) {
      if (type.PutCell(type, std::to_string(value), bytes)) continue;
      choices.emplace_back(value, type.Neighbour(names_, bytes));
    }
    return choices;
  }

  datedit::DateditOptions options_;
  datedit::Format format_;
  datedit::NameTables names_;
};

// The names of TextColumnRole and JsonKind, in their order.
std::string RoleText(TextColumnRole role) {
  constexpr std::array<std::string_view, 3> kNames = {"record", "value", "read-only"};
  return std::string(kNames[static_cast<size_t>(role)]);
}

std::string JsonKindText(JsonKind kind) {
  constexpr std::array<std::string_view, 3> kNames = {"string", "integer", "real"};
  return std::string(kNames[static_cast<size_t>(kind)]);
}

std::string ChoicesJson(const Choices& choices) {
  std::string text = "[";
  for (const auto& [value, name] : choices) {
    if (text.size() > 1) text += ", ";
    text += "[" + std::to_string(value) + ", " + JsonString(Utf8OrCp437(name)) + "]";
  }
  return text + "]";
}

std::string ColumnJson(const ShownFile& shown, const RecordTable& table, size_t column) {
  const TextColumn& c = table.Columns()[column];
  std::string text =
      "{\"name\": " + JsonString(c.name) + ", \"role\": " + JsonString(RoleText(c.role));
  if (c.role == TextColumnRole::Record) return text + "}";
  text += ", \"offset\": " + std::to_string(c.offset) + ", \"length\": " + std::to_string(c.length);
  if (c.role == TextColumnRole::Value) text += ", \"json\": " + JsonString(JsonKindText(c.json));
  const ColumnEditing editing = shown.Editing(table, column);
  text += ", \"type\": " + JsonString(editing.type);
  if (editing.type == "integer")
    text +=
        ", \"min\": " + std::to_string(editing.min) + ", \"max\": " + std::to_string(editing.max);
  if (editing.type == "text") text += ", \"max_length\": " + std::to_string(editing.maxLength);
  if (editing.letter != 0) text += ", \"letter\": " + JsonString(std::string(1, editing.letter));
  if (!editing.neighbour.empty()) {
    text += ", \"neighbour\": " + JsonString(editing.neighbour) +
            ", \"choices\": " + ChoicesJson(editing.choices);
  }
  return text + "}";
}

}  // namespace

std::unique_ptr<ShownFile> ShowLandmarkFile(const std::string& name) {
  auto shown = std::make_unique<LandmarkFile>(name);
  // What is no landmark file is refused as lmedit --export refuses it.
  shown->Open(BinaryFile::Access::ReadOnly).file.Close();
  return shown;
}

std::unique_ptr<ShownFile> ShowDataFile(const datedit::DateditOptions& options, TextOutput& err) {
  return std::make_unique<DataFile>(options, err);
}

std::string ColumnsJson(const ShownFile& shown) {
  OpenedFile opened = shown.Open(BinaryFile::Access::ReadOnly);
  opened.file.Close();
  const std::unique_ptr<RecordTable> table = shown.Table(opened.recordSize);
  const std::string format = shown.FormatName();
  std::string text = "{\"kind\": " + JsonString(shown.Kind()) +
                     ", \"file\": " + JsonString(Utf8OrCp437(shown.Name())) + ", \"format\": " +
                     (format.empty() ? "null" : JsonString(Utf8OrCp437(format))) +
                     ",\n \"record_size\": " + std::to_string(opened.recordSize) +
                     ", \"first_record\": " + std::to_string(shown.FirstRecord()) +
                     ", \"count\": " + std::to_string(opened.count) + ",\n \"columns\": [";
  for (size_t c = 0; c < table->Columns().size(); ++c)
    text += std::string(c == 0 ? "\n  " : ",\n  ") + ColumnJson(shown, *table, c);
  text += "\n ],\n \"choices\": {";
  bool first = true;
  for (const auto& [name, choices] : shown.SharedChoices()) {
    text += std::string(first ? "" : ", ") + JsonString(name) + ": " + ChoicesJson(choices);
    first = false;
  }
  return text + "}}\n";
}

}  // namespace vantor::vtweb
