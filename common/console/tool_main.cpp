#include "console/tool_main.h"

#include <cstdio>
#include <memory>

#include "console/screen_console.h"
#include "os/program_main.h"

namespace vantor {

int RunTextFormOrScreen(bool textForm, const ConsoleOptions& screen,
                        const std::function<int(PlainConsole& out, PlainConsole& err)>& textRun,
                        const std::function<int(Console& console)>& screenRun) {
  if (textForm) {
    PlainConsole out(stdin, stdout);
    PlainConsole err(stdin, stderr);
    return RunMain([&] { return textRun(out, err); }, [&] { out.Flush(); });
  }
  std::unique_ptr<Console> console = MakeScreenConsole(screen);
  return RunMain([&] { return screenRun(*console); }, [&] { console->Finish(); });
}

}  // namespace vantor
