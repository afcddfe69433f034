#include "program_main.h"

#include <cstdio>
#include <new>
#include <optional>

#include "run_time_error.h"

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
    failure = RunTimeError(ErrorCode::DiskReadError, "out of memory");
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
std::vector<std::string> ArgumentList(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}
#endif

}  // namespace vantor
