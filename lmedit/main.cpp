// lmedit: edits the game's landmark files against a template file.
#include "console.h"
#include "main_screen.h"
#include "program_main.h"
#include "terminal_backend.h"

int main(int argc, char** argv) {
  using namespace vantor;
  std::unique_ptr<Console> console = MakeScreenConsole(LmeditWindowOptions());
  return RunMain(
      [&] {
        lmedit::LmeditState state(*console);
        return lmedit::RunLmedit(state, lmedit::ParseOptions(ArgumentList(argc, argv)));
      },
      [&] { console->Finish(); });
}
