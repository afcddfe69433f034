// The file calls as a test sees them: a table put in place of the system's
// for as long as the object lives, and a wrapper around the system's calls
// that counts them and makes one fail, as a full disk or a broken medium
// would.
#pragma once

#include <cerrno>

#include "os/file_calls.h"

namespace vantor::testing {

class InstalledFileCalls {
 public:
  explicit InstalledFileCalls(const file_calls::Table& table);
  ~InstalledFileCalls();
  InstalledFileCalls(const InstalledFileCalls&) = delete;
  InstalledFileCalls& operator=(const InstalledFileCalls&) = delete;

 private:
  file_calls::Table table_;
};

// Counts the calls whose failure a program must report (every call but the
// size and identity questions, a close, an unlock and a name removal, which
// clean up after a failure already reported) and makes the nth of them fail.
class FailingFileCalls : public InstalledFileCalls {
 public:
  FailingFileCalls();
  ~FailingFileCalls();
  // Counts calls from now on and makes call n (1 = the next one) fail once
  // with `reason`; 0 only counts.
  void FailCall(int n, int reason = EIO);
  int CallsCounted() const;
  bool HasFailed() const;
};

}  // namespace vantor::testing
