#include "command_loop.h"

#include "base/text_format.h"
#include "data_file.h"
#include "field_editor.h"
#include "format_file.h"
#include "format_seek.h"
#include "record_screen.h"
#include "record_transfer.h"
#include "typed_names.h"

namespace vantor::datedit {
namespace {

constexpr size_t kMaxFormatName = 255;

void WriteMenu(DateditState& s) {
  std::string editLabel = s.FormattedView ? "E=Edit" : "";
  s.Con.WriteLine("f=forward|b=back|w=save rec 2 file|r=read rec from file ||Q=quit");
  s.Con.WriteLine("a=Ascii/Hex toggle|s=save raw (no header)|i=insert rec from a file ");
  s.Con.WriteLine("j=jump 2 rec|F=frmtd|^F=get Fmt-file|^R=reread Fmt|^Q auto-seek fmt file|" +
                  editLabel);
  if (!s.ScreenNote.empty()) s.Con.WriteLine(s.ScreenNote);
  s.ScreenNote.clear();
}

void ReloadFormat(DateditState& s) {
  if (s.LastFileName.empty()) return;
  LoadFormatFile(s, FormatFilePath(s, s.LastFileName));
  s.FormatLoaded = true;
  s.FormattedView = true;
}

// A refused name loads nothing and leaves LastFileName as it was.
void GetFormatFile(DateditState& s) {
  s.Con.Write("name of format file? :");
  std::string name = s.Con.ReadLine(kMaxFormatName);
  if (RefusedForControlByte(s.Con, name)) return;
  s.LastFileName = name;
  ReloadFormat(s);
}

// The bytes the user changed in `edited` put into the record as the file
// holds it now, so that what another program wrote meanwhile stays; the
// result is the record shown next.
void WriteEditBack(DateditState& s, const RecordBytes& base, const RecordBytes& edited) {
  const auto size = static_cast<size_t>(s.RecSize);
  ShownRecord shown = ShownRecord::StillThere;
  {
    FileLock lock = LockDataFile(s);
    shown = CheckShownRecord(s);
    if (shown == ShownRecord::StillThere) {
      RecordBytes fresh{};
      std::span<uint8_t> record(fresh.data(), size);
      s.DataFile.Read(s.RecNow, record);
      MergeChanges(std::span(base.data(), size), std::span(edited.data(), size), record);
      s.DataFile.Write(s.RecNow, record);
      s.RecordBuffer = fresh;
      return;
    }
  }
  NoteNothingWritten(s, shown);
}

// Edits one field of a copy of the record as shown, then writes the change
// back, whether or not a value was stored.
void EditCommand(DateditState& s) {
  const RecordBytes base = s.RecordBuffer;
  RecordBytes edited = base;
  s.Con.WriteLn();
  s.Con.Write("input the  fieldnr you want to edit: ");
  int32_t n = ReadInteger(s.Con);
  if (n >= 1 && n <= kMaxFields) EditField(s.Con, s.Names, s.FieldTable, edited, n);
  WriteEditBack(s, base, edited);
}

void JumpCommand(DateditState& s) {
  s.Con.WriteLn();
  s.Con.WriteLine("Which rec# to jump to?  0 to " + FormatInt(s.RecCount - 1) + " = max ");
  MoveToRecord(s, ReadInteger(s.Con));
}

}  // namespace

bool DispatchKey(DateditState& s, const DateditOptions& options, int key) {
  switch (key) {
    case 'f':
      MoveToRecord(s, int64_t{s.RecNow} + 1);
      break;
    case 'b':
      MoveToRecord(s, int64_t{s.RecNow} - 1);
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
      InsertRecord(s, options);
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
      AutoSeekFormatFile(s, options.DataFileName);
      break;
    case 'Q':
      return false;
    default:
      break;  // any other key only redraws; lower-case q does not quit
  }
  return true;
}

void CommandLoop(DateditState& s, const DateditOptions& options) {
  s.Con.UseFiftyRows();
  int key = ' ';
  do {
    s.Con.ClearScreen();
    ShowRecord(s);
    WriteMenu(s);
    key = s.Con.ReadKey();
  } while (DispatchKey(s, options, key));
}

}  // namespace vantor::datedit
