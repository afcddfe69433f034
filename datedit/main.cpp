// datedit: browses and edits the game's structured record files, or, with
// an option beginning with "--", writes or reads their text forms.
#include <cstdio>

#include "console.h"
#include "datedit.h"
#include "plain_console.h"
#include "program_main.h"
#include "terminal_backend.h"
#include "text_forms.h"

int main(int argc, char** argv) {
  using namespace vantor;
  const datedit::DateditOptions options = datedit::ParseCommandLine(StartProgram(argc, argv));
  if (options.Mode != datedit::DateditMode::Screen) {
    PlainConsole out(stdin, stdout);
    PlainConsole err(stdin, stderr);
    return RunMain([&] { return datedit::RunTextMode(options, out, err); }, [&] { out.Flush(); });
  }
  std::unique_ptr<Console> console = MakeScreenConsole(DateditConsoleOptions());
  return RunMain([&] { return datedit::RunDatedit(*console, options); },
                 [&] { console->Finish(); });
}
