#include "os/program_main.h"

#include <cstdio>
#include <new>
#include <optional>

#include "base/run_time_error.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace vantor {
namespace {

void Report(int number, const char* what) {
  std::fflush(stdout);
  std::fprintf(stderr, "Runtime error %d: %s\n", number, what);
}

}  // namespace

int RunMain(const std::function<int()>& body, const std::function<void()>& finish) {
  int exitCode = 0;
  std::optional<RunTimeError> failure;
  try {
    exitCode = body();
  } catch (const ProgramEnd& end) {
    exitCode = end.exitCode;
  } catch (const RunTimeError& error) {
    failure = error;
  } catch (const std::bad_alloc&) {
    failure = OutOfMemoryError();
  }
  try {
    finish();
  } catch (const RunTimeError& error) {
    if (!failure) failure = error;
  }
  if (failure) {
    Report(failure->Number(), failure->what());
    return failure->Number();
  }
  return exitCode;
}

#ifndef _WIN32
namespace {

// A descriptor the program was started without would go to the next file
// opened: a data file would receive the screen, or be read as keys.
void OpenClosedStandardDescriptors() {
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number: this one, as the lower ones are open by now.
    int opened = open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
    if (opened == descriptor) continue;
    if (opened >= 0) close(opened);
    // Nothing may be opened while one of the three is free: stop at once.
    Report(static_cast<int>(ErrorCode::FileNotFound),
           "/dev/null cannot be opened in place of a closed standard stream");
    _exit(static_cast<int>(ErrorCode::FileNotFound));
  }
}

}  // namespace

std::vector<std::string> StartProgram(int argc, char** argv) {
  OpenClosedStandardDescriptors();
  return std::vector<std::string>(argv, argv + argc);
}
#endif

}  // namespace vantor
