// A text read once from its start to its end: a file, a pipe, or standard
// input, which an import takes from another program (`jq ... | datedit
// --import DATA FORMAT -`). Nothing is known of its size beforehand.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "os/file_calls.h"

namespace vantor {

class InputStream {
 public:
  // The name that stands for standard input; a file of that name is "./-".
  static constexpr std::string_view kStandardInput = "-";

  // Opens `name`: an ordinary file or a pipe (a FIFO waits for its writer),
  // or standard input for "-". A run-time error for anything else or for a
  // name that cannot be opened.
  explicit InputStream(const std::string& name);
  ~InputStream();
  InputStream(const InputStream&) = delete;
  InputStream& operator=(const InputStream&) = delete;

  // Up to n bytes, fewer when no more have come yet; 0 only at the end.
  size_t Read(char* buffer, size_t n);

 private:
  std::string name_;
  file_calls::Handle handle_ = file_calls::kNoFile;
};

}  // namespace vantor
