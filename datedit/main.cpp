// datedit: browses and edits the game's structured record files, or, with
// an option beginning with "--", writes or reads their text forms.
#include "console/tool_main.h"
#include "datedit.h"
#include "os/program_main.h"
#include "text_forms.h"

int main(int argc, char** argv) {
  using namespace vantor;
  const datedit::DateditOptions options = datedit::ParseCommandLine(StartProgram(argc, argv));
  return RunTextFormOrScreen(
      options.Mode != datedit::DateditMode::Screen, datedit::DateditConsoleOptions(),
      [&](PlainConsole& out, PlainConsole& err) { return datedit::RunTextMode(options, out, err); },
      [&](Console& console) { return datedit::RunDatedit(console, options); });
}
