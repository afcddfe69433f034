// What a program needs on Windows before it does anything: binary standard
// streams and its arguments in UTF-8.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>

#include "os/program_main.h"
#include "os/win32/support.h"

namespace vantor {
namespace {

// Set when the program starts: the standard streams carry bytes as they are,
// so that no CR LF appears in what is written and Ctrl+Z does not end the
// input. Every program links this file through StartProgram.
struct BinaryStandardStreams {
  BinaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
  }
} gBinaryStandardStreams;

// A program started without one of the standard handles gets the null device
// there, as it would on POSIX systems: a missing input reads as ended input
// and a missing output discards what is written, rather than failing.
bool IsUsable(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  // A handle that names nothing the system knows has no type.
  SetLastError(NO_ERROR);
  return GetFileType(handle) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR;
}

void OpenMissingStandardHandles() {
  const struct {
    DWORD which;
    int descriptor;
    FILE* stream;
    bool input;
  } standard[] = {{STD_INPUT_HANDLE, 0, stdin, true},
                  {STD_OUTPUT_HANDLE, 1, stdout, false},
                  {STD_ERROR_HANDLE, 2, stderr, false}};
  for (const auto& s : standard) {
    if (IsUsable(GetStdHandle(s.which)) &&
        IsUsable(reinterpret_cast<HANDLE>(_get_osfhandle(s.descriptor)))) {
      continue;
    }
    if (!std::freopen("NUL", s.input ? "rb" : "wb", s.stream)) continue;
    SetStdHandle(s.which, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(s.stream))));
  }
}

}  // namespace

std::vector<std::string> StartProgram(int argc, char** argv) {
  OpenMissingStandardHandles();
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
