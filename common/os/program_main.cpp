#include "os/program_main.h"

#include <cstdio>
#include <new>
#include <optional>

#include "base/run_time_error.h"

namespace vantor {

void ReportRunTimeError(int number, const char* what) {
  std::fflush(stdout);
  std::fprintf(stderr, "Runtime error %d: %s\n", number, what);
}

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
    ReportRunTimeError(failure->Number(), failure->what());
    return failure->Number();
  }
  return exitCode;
}

}  // namespace vantor
