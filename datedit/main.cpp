// datedit: browses and edits the game's structured record files, or, with
// an option beginning with "--", writes or reads their text forms.
#include <cstdio>

#include "console/console.h"
#include "console/plain_console.h"
#include "console/screen_console.h"
#include "datedit.h"
#include "os/program_main.h"
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
