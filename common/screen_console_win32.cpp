// The choice of the screen programs' backend on Windows: the console when
// standard input and output both are one, otherwise stream mode.
#include <windows.h>

#include <cstdio>

#include "stream_backend.h"
#include "terminal_backend.h"

#ifdef VANTOR_WIN32_CONSOLE
#include "console_backend_win32.h"
#endif

namespace vantor {
namespace {

// A console, not a file, pipe or device: GetConsoleMode answers only for a
// console (_isatty would also say yes for NUL).
[[maybe_unused]] bool IsConsole(DWORD standardHandle) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(standardHandle), &mode) != 0;
}

}  // namespace

std::unique_ptr<Console> MakeScreenConsole(const ConsoleOptions& options) {
  std::unique_ptr<ConsoleBackend> backend;
#ifdef VANTOR_WIN32_CONSOLE
  // The hook of the console backend (console_backend_win32.cpp, built when
  // it is there).
  if (IsConsole(STD_INPUT_HANDLE) && IsConsole(STD_OUTPUT_HANDLE)) {
    backend = MakeWindowsConsoleBackend(options);
  }
#endif
  if (!backend) backend = std::make_unique<StreamBackend>(_fileno(stdin), stdout);
  return std::make_unique<Console>(options, std::move(backend));
}

}  // namespace vantor
