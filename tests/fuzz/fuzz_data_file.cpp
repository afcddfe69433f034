// Data files of any content: opened, tested, and browsed with a few keys.
#include <cstdint>
#include <string>

#include "base/run_time_error.h"
#include "command_loop.h"
#include "data_file.h"
#include "datedit.h"
#include "datedit_state.h"
#include "fuzz_support.h"
#include "name_tables.h"
#include "scripted_backend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantor;
  using namespace vantor::datedit;
  const std::string path = fuzzing::WrittenInput("data.dat", data, size);

  ScriptedConsole console(datedit::DateditConsoleOptions());
  DateditOptions options = ParseCommandLine({fuzzing::ScratchFolder() + "/datedit", path});
  DateditState state(console);
  state.ProgramDir = options.ProgramDir;
  InitNameTables(state.Names);
  // Forward, back, ASCII, a jump to the last record, the formatted view
  // without a format, then quit; "\n" answers the refusal's Enter.
  console.Line("").Keys("fbaj").Line("65534").Keys("FafQ");
  try {
    OpenDataFile(state, options);
    CommandLoop(state, options);
    fuzzing::Require(IsStructuredFile(state.DataFile.Size(), state.RecCount, state.RecSize),
                     "the loop ran on an unstructured file");
    fuzzing::Require(state.RecNow >= 0 && state.RecNow < state.RecCount, "current record legal");
  } catch (const ProgramEnd& end) {
    fuzzing::Require(end.exitCode == 1, "refusals end with exit code 1");
  } catch (const RunTimeError&) {
    // Files shorter than their header are run-time errors.
  }
  return 0;
}
