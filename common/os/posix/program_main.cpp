// What a program needs on POSIX systems before it does anything: the three
// standard descriptors open.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "base/run_time_error.h"
#include "os/program_main.h"

namespace vantor {
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
    ReportRunTimeError(static_cast<int>(ErrorCode::FileNotFound),
                       "/dev/null cannot be opened in place of a closed standard stream");
    _exit(static_cast<int>(ErrorCode::FileNotFound));
  }
}

}  // namespace

std::vector<std::string> StartProgram(int argc, char** argv) {
  OpenClosedStandardDescriptors();
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace vantor
