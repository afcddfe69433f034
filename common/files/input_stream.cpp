#include "files/input_stream.h"

#include <cerrno>

#include "base/run_time_error.h"
#include "os/platform.h"

namespace vantor {

InputStream::InputStream(const std::string& name)
    : name_(name == kStandardInput ? "standard input" : name) {
  handle_ = file_calls::Calls().openSequential(name == kStandardInput ? std::string() : name);
}

InputStream::~InputStream() {
  file_calls::Calls().close(handle_);
}

size_t InputStream::Read(char* buffer, size_t n) {
  int64_t got = file_calls::Calls().readNext(handle_, buffer, n);
  if (got < 0) throw FileError(FileOperation::Read, name_, errno);
  return static_cast<size_t>(got);
}

}  // namespace vantor
