#include "format_file.h"

#include "run_time_error.h"
#include "text_format.h"

namespace vantor::datedit {
namespace {

constexpr int kMaxLength = 65535;

[[noreturn]] void InvalidLength(const TextFileReader& file, const std::string& token,
                                const char* why) {
  throw RunTimeError(ErrorCode::InvalidNumericFormat,
                     "invalid numeric format in format file \"" + file.Name() + "\", line " +
                         std::to_string(file.LineNumber()) + ": \"" + token + "\" " + why);
}

// The length of a t or x field: the first token after the type line, the rest
// of its line ignored; 0 when the file ends first.
uint16_t ReadLengthToken(TextFileReader& file) {
  auto token = ReadToken(file);
  if (!token) return 0;
  auto value = ParseIntegerToken(*token);
  if (!value) InvalidLength(file, *token, "is not an integer");
  if (*value < 0 || *value > kMaxLength)
    InvalidLength(file, *token, "is not a length of 0 to 65535");
  return static_cast<uint16_t>(*value);
}

FieldDef ReadFieldDef(TextFileReader& file) {
  std::string line = file.ReadLine(kMaxFormatLine).value_or(std::string());
  FieldDef field;
  // An empty line has no type letter and so makes an entry of length 0.
  field.Indicator = line.empty() ? '\0' : line[0];
  field.Name = line.empty() ? std::string() : line.substr(1, kMaxFieldName);
  field.Len =
      HasLengthLine(field.Indicator) ? ReadLengthToken(file) : FixedLengthOf(field.Indicator);
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

uint16_t FixedLengthOf(char indicator) {
  switch (indicator) {
    case 'u':
    case 'h':
    case 'c':
    case 'o':
    case 'b':
    case 's':
    case 'C':
    case 'P':
    case 'L':
      return 1;
    case 'i':
    case 'w':
    case 'O':
      return 2;
    case 'l':
    case '4':
      return 4;
    case '8':
      return 8;
    default:
      return 0;
  }
}

bool HasLengthLine(char indicator) {
  return indicator == 't' || indicator == 'x';
}

void ReadStructureDefinition(DateditState& s, TextFileReader& file) {
  s.FieldTable.fill(FieldDef{});
  int64_t sum = 0;
  int n = 0;
  while (!file.AtEnd()) {
    if (n == kMaxFields) {
      // The table holds 128 fields; nothing is stored past it.
      s.Con.WriteLine("WARNING: more than 128 fields, the rest of the format file is ignored");
      break;
    }
    FieldDef& field = s.FieldTable[n++];
    field = ReadFieldDef(file);
    EchoField(s.Con, field);
    sum += field.Len;
  }
  if (sum != s.RecSize) {
    WarnAboutSize(s, sum);
    if (sum > kRecordBufferSize) {
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
