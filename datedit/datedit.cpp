#include "datedit.h"

#include "data_file.h"
#include "platform.h"

namespace vantor::datedit {

int RunDatedit(DateditState& s) {
  InitNameTables(s.Names);
  s.ProgramDir = ProgramDirFromArg0(s.Arg(0));
  s.RecordBuffer.fill(0);
  OpenDataFile(s);
  // The record screen and its command loop follow here once they exist; until
  // then a structured file with records ends the program after its summary.
  s.DataFile.Close();
  return 0;
}

}  // namespace vantor::datedit
