#include "landmark_view.h"

#include <cmath>
#include <optional>
#include <string_view>

#include "base/hex.h"
#include "base/text_format.h"
#include "base/text_io.h"
#include "landmark_record.h"
#include "records/landmark_types.h"

namespace vantor::lmedit {
namespace {

constexpr int kFirstFieldRow = 5;
constexpr int kValueColumn = 31;
constexpr size_t kMaxTypedName = 255;
constexpr size_t kLoFileIdDigits = 6;

std::string RealLine(std::string_view label, float value) {
  return std::string(label) + FormatReal(value, 10, 5) + " ";
}

void DrawEditor(LmeditState& s) {
  Console& con = s.Con;
  con.ClearScreen();
  con.GotoXY(2, 4);
  con.Write("Editing " + s.OutputName + " landmark Name: ");
  con.Write(NameField(s.OutputRecord));
  con.WriteLn();
  ShowLandmark(con, s.OutputRecord);
  con.WriteLine("R  reset and restart editing with original values");
  con.WriteLine("S =save C=cancel P=paste previous copy into output");
  con.WriteLn();
  con.WriteLn();
  con.WriteLine("Original values :");
  ShowLandmark(con, s.TemplateRecord);
}

// The prompt of field n stays on row n + 4 even when a long file name has
// pushed the field lines down. The field's old value stays readable to the
// right of the prompt; a prompt after a refused number clears the row, so
// that what was typed before goes.
void PromptForValue(Console& con, int field, std::string_view note = {}) {
  con.GotoXY(kValueColumn, field + kFirstFieldRow - 1);
  if (!note.empty()) con.ClearToEndOfLine();
  con.Write(std::string(note) + "New value: ");
}

// A real that fits single precision; nothing for one outside its range.
std::optional<float> ReadSingleReal(Console& con) {
  std::optional<double> value = ReadRequiredReal(con);
  if (!value) return std::nullopt;
  auto single = static_cast<float>(*value);
  if (std::isinf(single)) return std::nullopt;
  return single;
}

void EditField(LmeditState& s, int field) {
  static constexpr size_t kRealOffsets[] = {kNCoordOffset, kECoordOffset, kElevationOffset,
                                            kRotationOffset};
  Console& con = s.Con;
  const std::string_view refused = "Out of range... ";
  PromptForValue(con, field);
  switch (field) {
    case 1:
    case 2:
    case 3:
    case 4: {
      std::optional<float> value;
      while (!(value = ReadSingleReal(con)))
        PromptForValue(con, field, refused);
      SetRealAt(s.OutputRecord, kRealOffsets[field - 1], *value);
      break;
    }
    case 5:
      ReadLoFileId(con, std::span<uint8_t, 3>(s.OutputRecord.data() + kLoFileIdOffset, 3));
      break;
    case 6: {
      // A character the record cannot hold is refused, not changed into another.
      std::optional<std::string> name;
      while (!(name = con.ReadHeldLine(kMaxTypedName)))
        PromptForValue(con, field, "invalid input, try again... ");
      StoreName(s.OutputRecord, *name);
      break;
    }
    case 7: {
      int32_t id = ReadRequiredInteger(con);
      while (id < 0 || id > 0xFFFF) {
        PromptForValue(con, field, refused);
        id = ReadRequiredInteger(con);
      }
      SetLmId(s.OutputRecord, static_cast<uint16_t>(id));
      break;
    }
    default:
      break;
  }
}

// Writes the bytes changed in the editor over the record as the file holds
// it now: what another program changed meanwhile in other fields stays. Not
// into a new file under the name: false then, and nothing written.
bool SaveEdits(LmeditState& s, const LandmarkRecord& asRead) {
  FileLock lock = LockForWriting(s, s.OutputFile);
  if (!NoFileReplaced(s, {&s.OutputFile})) return false;
  LandmarkRecord current{};
  ReadRecord(s.OutputFile, s.CurrentRecord, current);
  MergeChanges(asRead, s.OutputRecord, current);
  WriteRecord(s.OutputFile, s.CurrentRecord, current);
  s.OutputRecord = current;
  return true;
}

}  // namespace

std::string TypeSideText(uint8_t objectType, uint8_t side) {
  std::string text(objectType < LandmarkScreenTypeTexts.size() ? LandmarkScreenTypeTexts[objectType]
                                                               : kUnknownLandmarkTypeText);
  text += side == 0 ? " Central" : side == 1 ? " Allied" : " Invalid side";
  return text;
}

void ShowLandmark(Console& con, const LandmarkRecord& record) {
  con.WriteLine(RealLine("1  N co-ord  ", RealAt(record, kNCoordOffset)));
  con.WriteLine(RealLine("2  E co-ord  ", RealAt(record, kECoordOffset)));
  con.WriteLine(RealLine("3  Elevation ", RealAt(record, kElevationOffset)));
  con.WriteLine(RealLine("4  Rotation  ", RealAt(record, kRotationOffset)));
  con.WriteLine("5  Lo file ID" + ByteToHex(record[kLoFileIdOffset]) +
                ByteToHex(record[kLoFileIdOffset + 1]) + ByteToHex(record[kLoFileIdOffset + 2]) +
                PadLeft(TypeSideText(ObjectType(record), Side(record)), 16));
  con.WriteLine("6  Lmrk Name " + PadLeft(LandmarkName(record), 40) + " ");
  con.WriteLine("7  LM ID     " + FormatInt(LmId(record), 7) + " ");
}

void EditLandmark(LmeditState& s) {
  // The record edited is the one read here; "S" writes it only into this file.
  s.OutputFile.Adopt();
  ReadRecord(s.OutputFile, s.CurrentRecord, s.OutputRecord);
  const LandmarkRecord asRead = s.OutputRecord;
  for (;;) {
    // The record shown for comparison, and brought back by "R", is the
    // template's as it is now.
    ReadRecord(s.TemplateFile, s.CurrentRecord, s.TemplateRecord);
    DrawEditor(s);
    char key = UpCase(static_cast<char>(s.Con.ReadKey()));
    switch (key) {
      case '1':
      case '2':
      case '3':
      case '4':
      case '5':
      case '6':
      case '7':
        EditField(s, key - '0');
        break;
      case 'R':
        s.OutputRecord = s.TemplateRecord;
        break;
      case 'P':
        s.OutputRecord = s.PasteBuffer;
        break;
      case 'S':
        // The main screen shows the new file's records and why.
        if (!SaveEdits(s, asRead)) return;
        s.Con.WriteLine("Changes saved.... press a key...");
        s.Con.ReadKey();
        return;
      case 'C':
        return;
      default:
        break;  // any other key only redraws
    }
  }
}

void ReadLoFileId(Console& con, std::span<uint8_t, 3> destination) {
  const int column = con.WhereX() + 1;
  const int row = con.WhereY();
  std::string digits;
  bool refused = false;
  while (digits.size() < kLoFileIdDigits) {
    con.GotoXY(column, row);
    con.ClearToEndOfLine();
    con.Write(digits);
    // The note stays while the next key is awaited, so that it can be read;
    // the cursor waits behind the digits.
    if (refused) {
      con.Write(" Not a HEX char... ");
      con.GotoXY(column + static_cast<int>(digits.size()), row);
    }
    int key = con.ReadKey();
    char c = UpCase(static_cast<char>(key));
    refused = false;
    if (IsHexDigit(c)) {
      digits.push_back(c);
    } else if (key == KeyCode::Backspace) {
      if (!digits.empty()) digits.pop_back();
    } else {
      refused = true;
    }
  }
  for (size_t i = 0; i < destination.size(); ++i) {
    destination[i] =
        static_cast<uint8_t>(HexDigitValue(digits[2 * i]) * 16 + HexDigitValue(digits[2 * i + 1]));
  }
}

}  // namespace vantor::lmedit
