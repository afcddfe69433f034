// lmedit: edits the game's landmark files against a template file, or, with
// an option beginning with "--", writes one of their text forms.
#include "console/tool_main.h"
#include "lmedit.h"
#include "os/program_main.h"

int main(int argc, char** argv) {
  using namespace vantor;
  const lmedit::LmeditOptions options = lmedit::ParseOptions(StartProgram(argc, argv));
  return RunTextFormOrScreen(
      options.Mode != lmedit::LmeditMode::Edit, lmedit::LmeditWindowOptions(),
      [&](PlainConsole& out, PlainConsole& err) { return lmedit::RunTextMode(options, out, err); },
      [&](Console& console) {
        lmedit::LmeditState state(console);
        return lmedit::RunLmedit(state, options);
      });
}
