#include "main_screen.h"

#include <algorithm>

#include "landmark_file.h"
#include "landmark_files.h"
#include "landmark_view.h"
#include "number_input.h"
#include "platform.h"
#include "run_time_error.h"
#include "text_format.h"

namespace vantor::lmedit {
namespace {

constexpr size_t kMaxTitle = 80;

bool IsYes(int key) {
  return key == 'Y' || key == 'y';
}

void OpenTemplate(LmeditState& s) {
  Console& con = s.Con;
  for (;;) {
    con.WriteLine("Name of template landmark file is (e.g: lndmrks?.mrf) ? = 0/1/2/3 or 4");
    while (s.TemplateName.empty()) {
      con.Write(s.PromptNote + "type the input file name: ");
      s.TemplateName = con.ReadLine(kMaxFileName);
      s.PromptNote = "cannot be empty....";
    }
    s.PromptNote.clear();
    s.PasteBuffer = s.BlankRecord;
    try {
      s.TemplateFile = BinaryFile::OpenExisting(s.TemplateName, BinaryFile::Access::ReadWrite);
      return;
    } catch (const RunTimeError&) {
      s.PromptNote = "That was no good, try again... ";
      s.TemplateName.clear();
    }
  }
}

void OpenOutput(LmeditState& s) {
  Console& con = s.Con;
  for (;;) {
    while (s.OutputName.empty()) {
      con.Write(s.PromptNote + "Name of output landmark file:");
      s.OutputName = con.ReadLine(kMaxFileName);
      s.PromptNote = "cannot be empty....";
    }
    s.PromptNote.clear();
    // Two handles on one file would each write over what the other wrote.
    if (!IsSameFile(s.OutputName, s.TemplateName)) break;
    s.PromptNote = "Not the template file, try again... ";
    s.OutputName.clear();
  }
  try {
    s.OutputFile = BinaryFile::OpenExisting(s.OutputName, BinaryFile::Access::ReadWrite);
  } catch (const RunTimeError& error) {
    // Only a file that is not there is made anew; creating one that merely
    // failed to open would empty it.
    if (error.Code() != ErrorCode::FileNotFound) throw;
    CreateBlankOutput(s);
  }
}

void DrawMainScreen(LmeditState& s) {
  Console& con = s.Con;
  con.ClearScreen();
  con.WriteLine("Date: " + PadLeft(DateText(s.Header), 10) +
                " Time: " + PadLeft(TimeText(s.Header), 10) +
                " # records :" + FormatInt(RecordCount(s.Header), 5) +
                " Record size: " + FormatInt(RecordSize(s.Header), 5));
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

void WaitWithMessage(Console& con, const std::string& message) {
  con.WriteLn();
  con.WriteLine(message);
  con.ReadKey();
}

// Puts a file back to the size it had; used when an append did not
// succeed in both files, so that neither keeps a record its header does not
// count.
void RestoreSize(BinaryFile& file, int64_t size) {
  try {
    file.Seek(size);
    file.Truncate();
  } catch (const RunTimeError&) {
    // The append's own failure is the one reported.
  }
}

// Appends a blank record to both files; only when both appends succeeded do
// both files get the template's header with the new count.
void NewRecord(LmeditState& s) {
  const int32_t count = RecordCount(s.Header);
  // The count is a 16-bit word: a 65536th record would make it 0.
  if (count >= kMaxRecordCount) {
    WaitWithMessage(s.Con, "The files hold 65535 records, no more can be added... press a key");
    return;
  }
  const int64_t sizes[2] = {s.OutputFile.Size(), s.TemplateFile.Size()};
  BinaryFile* files[2] = {&s.OutputFile, &s.TemplateFile};
  std::string failure;
  for (BinaryFile* file : files) {
    try {
      file->Seek(file->Size());
      file->Write(s.BlankRecord.data(), s.BlankRecord.size());
      file->Flush();
    } catch (const RunTimeError& error) {
      if (failure.empty()) failure = error.what();
    }
  }
  if (!failure.empty()) {
    RestoreSize(*files[0], sizes[0]);
    RestoreSize(*files[1], sizes[1]);
    WaitWithMessage(s.Con, "could not append a record: " + failure);
    return;
  }
  SetRecordCount(s.Header, static_cast<uint16_t>(count + 1));
  try {
    WriteHeader(s.OutputFile, s.Header);
    WriteHeader(s.TemplateFile, s.Header);
  } catch (const RunTimeError&) {
    // Both files hold the new record: their headers must count it before the
    // failure stops the program.
    for (BinaryFile* file : files) {
      try {
        WriteHeader(*file, s.Header);
      } catch (const RunTimeError&) {
      }
    }
    throw;
  }
  s.CurrentRecord = count + 1;
}

void OpenNewSession(LmeditState& s) {
  Console& con = s.Con;
  con.WriteLine("Are you sure you want to close the current files and start a new session??");
  if (!IsYes(con.ReadKey())) {
    con.WriteLine("Files not closed, you can continue where you left off.... press a key");
    con.ReadKey();
    return;
  }
  con.WriteLine("Do you want to reopen the current files ???");
  if (!IsYes(con.ReadKey())) {
    s.TemplateName.clear();
    s.OutputName.clear();
  }
  s.TemplateFile.Close();
  s.OutputFile.Close();
  con.WriteLine("closed files... press a key");
  con.ReadKey();
  StartSession(s);
}

// A number outside 1 to the record count, other than -1, is asked for again:
// below 1 the record would be read from inside the header or before the file.
void JumpToRecord(LmeditState& s) {
  Console& con = s.Con;
  const int32_t count = RecordCount(s.Header);
  con.WriteLn();
  std::string note;
  for (;;) {
    con.Write(note);
    con.Write("Max rec number = :" + FormatInt(count) + "Enter rec# to go to: (-1 ends) ");
    int32_t n = ReadWholeNumber(con);
    if (n == -1 || (n >= 1 && n <= count)) {
      s.CurrentRecord = n;
      return;
    }
    note =
        n > count
            ? "Record does not exist... maximum is :" + FormatInt(count) + " for this file..."
            : "Record does not exist... valid are 1 to " + FormatInt(count) + " for this file...";
  }
}

void PerformCommand(LmeditState& s, int key) {
  const int32_t count = RecordCount(s.Header);
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
    case 'Z':
      WriteRecordInPlace(s.OutputFile, s.CurrentRecord, s.BlankRecord);
      break;
    case 'A':
      WriteRecordInPlace(s.OutputFile, s.CurrentRecord, s.TemplateRecord);
      break;
    case 'Y':
      WriteRecordInPlace(s.TemplateFile, s.CurrentRecord, s.OutputRecord);
      break;
    case 'C':
      s.PasteBuffer = s.TemplateRecord;
      break;
    case 'c':
      s.PasteBuffer = s.OutputRecord;
      break;
    case 'N':
      NewRecord(s);
      break;
    case 'O':
      OpenNewSession(s);
      break;
    case 'E':
    case 'e':
      s.CurrentRecord = -1;
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

std::string WindowTitle(std::string_view arg0) {
  auto slash = arg0.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? arg0 : arg0.substr(slash + 1);
  std::string title = ProgramDirFromArg0(arg0) + std::string(name);
  if (title.size() > kMaxTitle) title.resize(kMaxTitle);
  return title;
}

void StartSession(LmeditState& s) {
  Console& con = s.Con;
  s.PromptNote.clear();
  con.WriteLine("LMEDIT, a simple landmark editor for Vantor");
  con.WriteLine("No mouse, no cursor keys, just plain old typing :) ");
  con.WriteLn();
  OpenTemplate(s);
  OpenOutput(s);
  ReadHeader(s);
  s.CurrentRecord = 1;
}

void MainLoop(LmeditState& s) {
  while (s.CurrentRecord != -1) {
    s.TemplateFile.ReadExact(s.TemplateRecord.data(), s.TemplateRecord.size());
    s.OutputFile.ReadExact(s.OutputRecord.data(), s.OutputRecord.size());
    DrawMainScreen(s);
    PerformCommand(s, s.Con.ReadKey());
    if (s.CurrentRecord != -1) {
      s.TemplateFile.Seek(RecordOffset(s.CurrentRecord));
      s.OutputFile.Seek(RecordOffset(s.CurrentRecord));
    }
  }
}

int RunLmedit(LmeditState& s) {
  s.Con.SetTitle(WindowTitle(s.Arg(0)));
  s.TemplateName = s.Arg(1).substr(0, kMaxFileName);
  s.OutputName = s.Arg(2).substr(0, kMaxFileName);
  StartSession(s);
  MainLoop(s);
  s.TemplateFile.Close();
  s.OutputFile.Close();
  return 0;
}

}  // namespace vantor::lmedit
