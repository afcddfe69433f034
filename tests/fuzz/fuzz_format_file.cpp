// Format files of any content: read, then shown and edited on a record.
#include <cstdint>
#include <string>

#include "base/run_time_error.h"
#include "datedit.h"
#include "datedit_state.h"
#include "field_editor.h"
#include "format_file.h"
#include "formatted_view.h"
#include "fuzz_support.h"
#include "name_tables.h"
#include "scripted_backend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantor;
  using namespace vantor::datedit;
  const std::string path = fuzzing::WrittenInput("format.txt", data, size);

  ScriptedConsole console(datedit::DateditConsoleOptions());
  console.UseFiftyRows();
  DateditState state(console);
  InitNameTables(state.Names);
  state.RecSize = 46;
  for (size_t i = 0; i < state.RecordBuffer.size(); ++i) {
    state.RecordBuffer[i] = static_cast<uint8_t>(i * 7 + size);
  }
  try {
    TextFileReader file(path);
    ReadStructureDefinition(state, file);
  } catch (const RunTimeError&) {
    return 0;
  } catch (const ProgramEnd&) {
    return 0;
  }
  // Enough lines for the view's pause and for each editor prompt.
  for (int i = 0; i < 8; ++i)
    console.Line("-1");
  try {
    ShowFormattedRecord(state, state.RecordBuffer);
    for (int n : {1, 2, 3, 128})
      EditField(state.Con, state.Names, state.FieldTable, state.RecordBuffer, n);
  } catch (const RunTimeError&) {
    // The scripted input ran out: an input ending is a run-time error.
  }
  return 0;
}
