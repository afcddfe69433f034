#include "format_file.h"

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "field_types.h"

namespace vantor::datedit {
namespace {

constexpr int kMaxLength = 65535;

// The lines of a format file, counted for the messages about them.
class CountedLines : public LineInput {
 public:
  explicit CountedLines(LineInput& lines) : lines_(lines) {}
  std::optional<std::string> ReadRawLine() override {
    auto line = lines_.ReadRawLine();
    if (line) ++number_;
    return line;
  }
  int Number() const { return number_; }

 private:
  LineInput& lines_;
  int number_ = 0;
};

[[noreturn]] void InvalidLength(const std::string& sourceName, int line, const std::string& token,
                                const char* why) {
  throw RunTimeError(ErrorCode::InvalidNumericFormat,
                     "invalid numeric format in format file \"" + sourceName + "\", line " +
                         std::to_string(line) + ": \"" + token + "\" " + why);
}

// The length of a t or x field: the first token after the type line, the rest
// of its line ignored; 0 when the file ends first.
uint16_t ReadLengthToken(CountedLines& lines, const std::string& sourceName) {
  auto token = ReadToken(lines);
  if (!token) return 0;
  auto value = ParseIntegerToken(*token);
  if (!value) InvalidLength(sourceName, lines.Number(), *token, "is not an integer");
  if (*value < 0 || *value > kMaxLength) {
    InvalidLength(sourceName, lines.Number(), *token, "is not a length of 0 to 65535");
  }
  return static_cast<uint16_t>(*value);
}

// The letter first, the name after it as written; an empty line has no type
// letter and so makes an entry of length 0, like a letter that is no type.
FieldDef FieldOfLine(const std::string& line, CountedLines& lines, const std::string& sourceName) {
  FieldDef field;
  field.Indicator = line.empty() ? '\0' : line[0];
  field.Name = line.empty() ? std::string() : line.substr(1, kMaxFieldName);
  const FieldType* type = FieldTypeOf(field.Indicator);
  if (type) field.Len = type->Length != 0 ? type->Length : ReadLengthToken(lines, sourceName);
  return field;
}

void EchoField(Console& con, const FieldDef& field) {
  con.WriteLine("Indicator:" + FormatChar(field.Indicator, 4) + " Len:" + FormatInt(field.Len, 4) +
                " Name: " + field.Name);
}

void WarnAboutSize(DateditState& s, int64_t sum) {
  s.Con.WriteLine("WARNING: your structure definition is :" + FormatInt(sum, 5));
  s.Con.WriteLine("       the record size of the file is :" + FormatInt(s.RecSize, 5));
  s.Con.WriteLine("press [enter]...");
}

}  // namespace

FormatDefinition ParseFormat(LineInput& lines, const std::string& sourceName) {
  FormatDefinition definition;
  CountedLines counted(lines);
  while (auto line = counted.ReadRawLine()) {
    if (definition.Entries == kMaxFields) {
      definition.CutAtMaxFields = true;
      break;
    }
    FieldDef& field = definition.Fields[definition.Entries++];
    field = FieldOfLine(*line, counted, sourceName);
    definition.Sum += field.Len;
  }
  return definition;
}

void ReadStructureDefinition(DateditState& s, TextFileReader& file) {
  FormatDefinition definition = ParseFormat(file, file.Name());
  for (int n = 0; n < definition.Entries; ++n)
    EchoField(s.Con, definition.Fields[n]);
  if (definition.CutAtMaxFields) {
    s.Con.WriteLine("WARNING: more than 128 fields, the rest of the format file is ignored");
  }
  s.FieldTable = definition.Fields;
  if (definition.Sum != s.RecSize) {
    WarnAboutSize(s, definition.Sum);
    if (definition.Sum > kRecordBufferSize) {
      s.Con.WriteLine("structure definition exceeds maximum :" + std::to_string(kRecordBufferSize));
      s.Con.WriteLine("Exiting....");
      file.Close();
      s.DataFile.Close();
      throw ProgramEnd{1};
    }
  }
  file.Close();
}

void LoadFormatFile(DateditState& s, const std::string& name) {
  TextFileReader file(name);
  ReadStructureDefinition(s, file);
  s.Con.Write(" Press a key....");
  s.Con.ReadKey();
}

}  // namespace vantor::datedit
