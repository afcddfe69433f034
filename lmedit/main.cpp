// lmedit: edits the game's landmark files against a template file, or, with
// an option beginning with "--", writes one of their text forms.
#include <cstdio>

#include "console/console.h"
#include "console/plain_console.h"
#include "console/screen_console.h"
#include "lmedit.h"
#include "os/program_main.h"

int main(int argc, char** argv) {
  using namespace vantor;
  const lmedit::LmeditOptions options = lmedit::ParseOptions(StartProgram(argc, argv));
  if (options.Mode != lmedit::LmeditMode::Edit) {
    PlainConsole out(stdin, stdout);
    PlainConsole err(stdin, stderr);
    return RunMain([&] { return lmedit::RunTextMode(options, out, err); }, [&] { out.Flush(); });
  }
  std::unique_ptr<Console> console = MakeScreenConsole(LmeditWindowOptions());
  return RunMain(
      [&] {
        lmedit::LmeditState state(*console);
        return lmedit::RunLmedit(state, options);
      },
      [&] { console->Finish(); });
}
