// The choice of the screen programs' backend on Windows: the console when
// standard input and output both are one, otherwise stream mode.
#include <windows.h>

#include <cstdio>

#include "console/screen_console.h"
#include "console/stream_backend.h"

#include "console/windows/windows_backend.h"

namespace vantor {
namespace {

// A console, not a file, pipe or device: GetConsoleMode answers only for a
// console (_isatty would also say yes for NUL).
bool IsConsole(DWORD standardHandle) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(standardHandle), &mode) != 0;
}

}  // namespace

std::unique_ptr<Console> MakeScreenConsole(const ConsoleOptions& options) {
  std::unique_ptr<ConsoleBackend> backend;
  if (IsConsole(STD_INPUT_HANDLE) && IsConsole(STD_OUTPUT_HANDLE)) {
    backend = MakeWindowsConsoleBackend(options);
  }
  if (!backend) backend = std::make_unique<StreamBackend>(_fileno(stdin), stdout);
  return std::make_unique<Console>(options, std::move(backend));
}

}  // namespace vantor
