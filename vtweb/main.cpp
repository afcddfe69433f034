// vtweb: edits a landmark file on a map, or a data file as a grid, in the
// browser, served from this computer alone; or writes the map as one page.
#include <cstdio>

#include "console/plain_console.h"
#include "os/program_main.h"
#include "vtweb.h"

int main(int argc, char** argv) {
  using namespace vantor;
  PlainConsole out(stdin, stdout);
  PlainConsole err(stdin, stderr);
  const vtweb::VtwebOptions options = vtweb::ParseOptions(StartProgram(argc, argv));
  return RunMain([&] { return vtweb::RunVtweb(options, out, err); },
                 [&] {
                   out.Flush();
                   err.Flush();
                 });
}
