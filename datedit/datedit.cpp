#include "datedit.h"

#include "command_loop.h"
#include "data_file.h"
#include "platform.h"

namespace vantor::datedit {

int RunDatedit(DateditState& s) {
  InitNameTables(s.Names);
  s.ProgramDir = ProgramDirFromArg0(s.Arg(0));
  s.RecordBuffer.fill(0);
  OpenDataFile(s);
  if (s.IsStructured) CommandLoop(s);
  s.DataFile.Close();
  return 0;
}

}  // namespace vantor::datedit
