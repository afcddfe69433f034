#include "command_loop.h"

#include "data_file.h"
#include "field_editor.h"
#include "format_file.h"
#include "format_seek.h"
#include "record_screen.h"
#include "record_transfer.h"
#include "text_format.h"

namespace vantor::datedit {
namespace {

constexpr int kFiftyRowMode = 256;
constexpr size_t kMaxFormatName = 255;

void WriteMenu(DateditState& s) {
  std::string editLabel = s.FormattedView ? "E=Edit" : "";
  s.Con.WriteLine("f=forward|b=back|w=save rec 2 file|r=read rec from file ||Q=quit");
  s.Con.WriteLine("a=Ascii/Hex toggle|s=save raw (no header)|i=insert rec from a file ");
  s.Con.WriteLine("j=jump 2 rec|F=frmtd|^F=get Fmt-file|^R=reread Fmt|^Q auto-seek fmt file|" +
                  editLabel);
}

void ReloadFormat(DateditState& s) {
  if (s.LastFileName.empty()) return;
  LoadFormatFile(s, FormatFilePath(s, s.LastFileName));
  s.FormatLoaded = true;
  s.FormattedView = true;
}

void GetFormatFile(DateditState& s) {
  s.Con.Write("name of format file? :");
  s.LastFileName = s.Con.ReadLine(kMaxFormatName);
  ReloadFormat(s);
}

// Edits one field, then writes the record back and reads it in again,
// whether or not a value was stored.
void EditCommand(DateditState& s) {
  int64_t position = s.DataFile.Position();
  s.Con.WriteLn();
  s.Con.Write("input the  fieldnr you want to edit: ");
  int32_t n = ReadInteger(s.Con);
  if (n >= 1 && n <= kMaxFields) {
    const FieldDef& field = s.FieldTable[n - 1];
    EditField(s, field.Indicator, field.Len, s.RecordBuffer, n, field);
  }
  auto size = static_cast<size_t>(s.RecSize);
  s.DataFile.Seek(position);
  s.DataFile.Write(s.RecordBuffer.data(), size);
  s.DataFile.Seek(position);
  s.DataFile.ReadExact(s.RecordBuffer.data(), size);
  s.DataFile.Seek(position);
}

void JumpCommand(DateditState& s) {
  s.Con.WriteLn();
  s.Con.WriteLine("Which rec# to jump to?  0 to " + FormatInt(s.RecCount - 1) + " = max ");
  int32_t n = ReadInteger(s.Con);
  s.DataFile.Seek(RecordPosition(s, n));
}

}  // namespace

bool DispatchKey(DateditState& s, int key) {
  switch (key) {
    case 'f':
      s.DataFile.Seek(RecordPosition(s, int64_t{s.RecNow} + 1));
      break;
    case 'b':
      s.DataFile.Seek(RecordPosition(s, int64_t{s.RecNow} - 1));
      break;
    case 'a':
      s.AsciiMode = !s.AsciiMode;
      break;
    case 'E':
      if (s.FormatLoaded) EditCommand(s);
      break;
    case 'F':
      s.FormattedView = !s.FormattedView;
      break;
    case KeyCode::CtrlR:
      ReloadFormat(s);
      break;
    case KeyCode::CtrlF:
      GetFormatFile(s);
      break;
    case 'i':
      InsertRecord(s);
      break;
    case 'j':
      JumpCommand(s);
      break;
    case 'w':
      SaveRecordToFile(s);
      break;
    case 'r':
      ReadRecordFromFile(s);
      break;
    case 's':
      SaveRawData(s);
      break;
    case KeyCode::CtrlQ:
      AutoSeekFormatFile(s);
      break;
    case 'Q':
      return false;
    default:
      break;  // any other key only redraws; lower-case q does not quit
  }
  return true;
}

void CommandLoop(DateditState& s) {
  s.Con.SetTextMode(kFiftyRowMode);
  int key = ' ';
  do {
    s.Con.ClearScreen();
    ShowRecord(s);
    WriteMenu(s);
    s.DataFile.Flush();  // every change is on disk while the program waits
    key = s.Con.ReadKey();
  } while (DispatchKey(s, key));
}

}  // namespace vantor::datedit
