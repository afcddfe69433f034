// What a program needs on Windows before it does anything: binary standard
// streams and its arguments in UTF-8.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>

#include "program_main.h"
#include "win32_support.h"

namespace vantor {
namespace {

// Set when the program starts: the standard streams carry bytes as they are,
// so that no CR LF appears in what is written and Ctrl+Z does not end the
// input. Every program links this file through ArgumentList.
struct BinaryStandardStreams {
  BinaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
  }
} gBinaryStandardStreams;

}  // namespace

std::vector<std::string> ArgumentList(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i)
    arguments.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace vantor
