// vtvolx: lists, extracts and builds the game's volume archives.
#include <cstdio>

#include "console/plain_console.h"
#include "os/program_main.h"
#include "vtvolx.h"

int main(int argc, char** argv) {
  using namespace vantor;
  PlainConsole console(stdin, stdout);
  PlainConsole errors(stdin, stderr);
  return RunMain([&] { return vtvolx::RunVtvolx(console, errors, StartProgram(argc, argv)); },
                 [&] {
                   console.Flush();
                   errors.Flush();
                 });
}
