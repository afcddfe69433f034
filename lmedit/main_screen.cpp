#include "main_screen.h"

#include <algorithm>

#include "base/text_format.h"
#include "base/text_io.h"
#include "landmark_outputs.h"
#include "landmark_record.h"
#include "landmark_view.h"
#include "new_record.h"
#include "session.h"

namespace vantor::lmedit {
namespace {

constexpr size_t kNoteRowWidth = 80;

void DrawMainScreen(LmeditState& s) {
  Console& con = s.Con;
  con.ClearScreen();
  con.WriteLine("Date: " + PadLeft(DateText(s.Header), 10) +
                " Time: " + PadLeft(TimeText(s.Header), 10) +
                " # records :" + FormatInt(RecordCount(s.Header), 5) +
                " Record size: " + FormatInt(RecordSize(s.Header), 5));
  // Rows 2 and 3 are free.
  con.Write(s.ScreenNote.substr(0, 2 * kNoteRowWidth));
  s.ScreenNote.clear();
  con.GotoXY(2, 4);
  con.WriteLine("Rec#" + FormatInt(s.CurrentRecord, 5) + "__________ Out put file " + s.OutputName +
                " content: __________");
  ShowLandmark(con, s.OutputRecord);
  con.WriteLine("Rec#" + FormatInt(s.CurrentRecord, 5) + "______ Template file " + s.TemplateName +
                " (readonly)_________");
  ShowLandmark(con, s.TemplateRecord);
  con.WriteLine("B=back F=forward  Z=blank A=activate M=modify J=jump to rec# ");
  con.WriteLine("C=Copy template record c=copy output record N=new record R=save range");
  con.Write("O= Open new session Y=sYnc source file L=list data to text file  E=end... ");
}

// The current record of one file over the same record of the other, as the
// source holds it once the target is locked.
void CopyRecord(LmeditState& s, RecordFile& from, RecordFile& to) {
  FileLock lock = LockForWriting(s, to);
  if (!NoFileReplaced(s, {&from, &to})) return;
  LandmarkRecord record{};
  ReadRecord(from, s.CurrentRecord, record);
  WriteRecord(to, s.CurrentRecord, record);
}

// A number outside 1 to the record count, other than -1, is asked for again:
// below 1 the record would be read from inside the header or before the file.
void JumpToRecord(LmeditState& s) {
  Console& con = s.Con;
  int32_t count = RecordCount(s.Header);
  con.WriteLn();
  std::string note;
  for (;;) {
    con.Write(note);
    con.Write("Max rec number = :" + FormatInt(count) + "Enter rec# to go to: (-1 ends) ");
    int32_t n = ReadRequiredInteger(con);
    count = ReadHeader(s);  // the files may have grown while the number was typed
    if (n == -1 || (n >= 1 && n <= count)) {
      s.CurrentRecord = n;
      s.Quit = n == -1;
      return;
    }
    note =
        n > count
            ? "Record does not exist... maximum is :" + FormatInt(count) + " for this file..."
            : "Record does not exist... valid are 1 to " + FormatInt(count) + " for this file...";
  }
}

// Every command reads what it uses from the files as they are once its key
// has come, never what was read before the wait for the key.
void PerformCommand(LmeditState& s, int key) {
  const int32_t count = ReadHeader(s);
  const int32_t n = s.CurrentRecord;
  switch (key) {
    case 'B':
    case 'b':
      s.CurrentRecord = std::max(s.CurrentRecord - 1, 1);
      break;
    case 'F':
    case 'f':
      // Never to record 0, which lies inside the header, when the count is 0.
      s.CurrentRecord = std::max(std::min(s.CurrentRecord + 1, count), 1);
      break;
    case 'Z': {
      FileLock lock = LockForWriting(s, s.OutputFile);
      if (NoFileReplaced(s, {&s.OutputFile})) WriteRecord(s.OutputFile, n, s.BlankRecord);
      break;
    }
    case 'A':
      CopyRecord(s, s.TemplateFile, s.OutputFile);
      break;
    case 'Y':
      CopyRecord(s, s.OutputFile, s.TemplateFile);
      break;
    case 'C':
      ReadRecord(s.TemplateFile, n, s.PasteBuffer);
      break;
    case 'c':
      ReadRecord(s.OutputFile, n, s.PasteBuffer);
      break;
    case 'N':
      NewRecord(s);
      break;
    case 'O':
      OpenNewSession(s);
      break;
    case 'E':
    case 'e':
      s.Quit = true;
      break;
    case 'M':
      EditLandmark(s);
      break;
    case 'L':
      ListToText(s);
      break;
    case 'R':
      SaveRange(s);
      break;
    case 'J':
    case 'j':
      JumpToRecord(s);
      break;
    default:
      break;  // any other key only redraws the screen
  }
}

}  // namespace

void MainLoop(LmeditState& s) {
  while (!s.Quit) {
    // What this pass reads is what the writes of its command check against.
    s.TemplateFile.Adopt();
    s.OutputFile.Adopt();
    ReadHeader(s);
    ReadRecord(s.TemplateFile, s.CurrentRecord, s.TemplateRecord);
    ReadRecord(s.OutputFile, s.CurrentRecord, s.OutputRecord);
    DrawMainScreen(s);
    PerformCommand(s, s.Con.ReadKey());
  }
}

}  // namespace vantor::lmedit
