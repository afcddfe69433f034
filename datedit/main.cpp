// datedit: browses and edits the game's structured record files.
#include "console.h"
#include "datedit.h"
#include "program_main.h"
#include "terminal_backend.h"

int main(int argc, char** argv) {
  using namespace vantor;
  std::unique_ptr<Console> console = MakeScreenConsole(DateditConsoleOptions());
  return RunMain(
      [&] {
        return datedit::RunDatedit(*console, datedit::ParseCommandLine(ArgumentList(argc, argv)));
      },
      [&] { console->Finish(); });
}
