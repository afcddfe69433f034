// The files a reading run has written, by identity. On a folder that ignores
// case (Windows, and such folders elsewhere), or where two entries share a
// name, a later entry would land in a file that the run already wrote and
// destroy an earlier entry without a word.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "os/platform.h"

namespace vantor::vtvolx {

class WrittenFiles {
 public:
  // Before `name` is written: the name under which this run wrote the file
  // that stands there now; nothing when it is missing or older than the run.
  std::optional<std::string> EarlierNameOf(const std::string& name);
  // After: notes the file under `name` when writing it put a new file there
  // (a failed entry leaves the one that EarlierNameOf found).
  void NoteWritten(const std::string& name);

 private:
  std::map<FileIdentity, std::string> names_;
  std::optional<FileIdentity> before_;
};

}  // namespace vantor::vtvolx
