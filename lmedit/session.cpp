#include "session.h"

#include "base/run_time_error.h"
#include "landmark_outputs.h"
#include "landmark_record.h"
#include "os/platform.h"

namespace vantor::lmedit {
namespace {

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
    s.PromptNote = NameRefusal(s.TemplateName);
    s.PasteBuffer = s.BlankRecord;
    if (!s.PromptNote.empty()) {
      s.TemplateName.clear();
      continue;
    }
    try {
      s.TemplateFile = RecordFile::Open(s.TemplateName, BinaryFile::Access::ReadWrite);
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
    s.PromptNote = NameRefusal(s.OutputName);
    // Two handles on one file would each write over what the other wrote.
    if (s.PromptNote.empty() && IsSameFile(s.OutputName, s.TemplateName))
      s.PromptNote = "Not the template file, try again... ";
    if (s.PromptNote.empty()) break;
    s.OutputName.clear();
  }
  try {
    s.OutputFile = RecordFile::Open(s.OutputName, BinaryFile::Access::ReadWrite);
  } catch (const RunTimeError& error) {
    // Only a file that is not there is made anew; creating one that merely
    // failed to open would empty it.
    if (error.Code() != ErrorCode::FileNotFound) throw;
    CreateBlankOutput(s);
  }
}

}  // namespace

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
  s.Quit = false;
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

}  // namespace vantor::lmedit
