#include "datedit.h"

#include "command_loop.h"
#include "data_file.h"
#include "platform.h"

namespace vantor::datedit {

DateditOptions ParseCommandLine(const std::vector<std::string>& arguments) {
  DateditOptions options;
  if (!arguments.empty()) options.ProgramDir = ProgramDirFromArg0(arguments[0]);
  if (arguments.size() > 1) options.DataFileName = arguments[1];
  if (arguments.size() > 2) options.FormatFileName = arguments[2];
  return options;
}

int RunDatedit(Console& console, const DateditOptions& options) {
  DateditState s(console);
  InitNameTables(s.Names);
  s.ProgramDir = options.ProgramDir;
  OpenDataFile(s, options);
  if (s.IsStructured) CommandLoop(s, options);
  s.DataFile.Close();
  return 0;
}

}  // namespace vantor::datedit
