#include "files/failing_file_calls.h"

#include <string>
#include <type_traits>

#include "base/run_time_error.h"
#include "os/platform.h"

namespace vantor::testing {
namespace {

namespace sys = file_calls;

// Process-wide: a table holds plain functions, which can keep no state.
struct Plan {
  int failAt = 0;
  int reason = 0;
  int counted = 0;
  bool failed = false;
};
Plan gPlan;

bool NextCallFails() {
  ++gPlan.counted;
  if (gPlan.failed || gPlan.counted != gPlan.failAt) return false;
  gPlan.failed = true;
  return true;
}

// What a call that failed for `reason` gives back, errno set as the system
// sets it.
template <typename Result>
Result Failure(int reason) {
  errno = reason;
  if constexpr (std::is_same_v<Result, bool>) {
    return false;
  } else if constexpr (std::is_same_v<Result, int>) {
    return reason;  // a reservation answers with its reason
  } else if constexpr (std::is_same_v<Result, sys::CopyResult>) {
    return {sys::CopyOutcome::WriteFailed, 0, reason};
  } else {
    return Result(-1);  // kNoFile, or no bytes read
  }
}

// The system's call `member`, failing when its turn comes.
template <auto member>
struct Wrapped;
template <typename Result, typename... Args, Result (*sys::Table::*member)(Args...)>
struct Wrapped<member> {
  static Result Call(Args... args) {
    if (NextCallFails()) return Failure<Result>(gPlan.reason);
    return (sys::SystemCalls().*member)(args...);
  }
};

// The calls that report their failure as a run-time error about the file.
template <auto member, FileOperation op>
struct WrappedThrowing;
template <typename Result, typename... Args,
          Result (*sys::Table::*member)(const std::string&, Args...), FileOperation op>
struct WrappedThrowing<member, op> {
  static Result Call(const std::string& name, Args... args) {
    if (NextCallFails()) throw FileError(op, name, gPlan.reason);
    return (sys::SystemCalls().*member)(name, args...);
  }
};

// A lock that could not be tried, unlike one that another run holds.
int TryLock(sys::Handle lock) {
  if (NextCallFails()) {
    errno = gPlan.reason;
    return -1;
  }
  return sys::SystemCalls().tryLock(lock);
}

// Every one of `members` wrapped.
template <auto... members>
void Wrap(sys::Table& calls) {
  ((calls.*members = Wrapped<members>::Call), ...);
}

sys::Table CountingCalls() {
  sys::Table calls = sys::SystemCalls();
  calls.openExistingFile =
      WrappedThrowing<&sys::Table::openExistingFile, FileOperation::Open>::Call;
  calls.openSequential = WrappedThrowing<&sys::Table::openSequential, FileOperation::Open>::Call;
  calls.attributesToKeep =
      WrappedThrowing<&sys::Table::attributesToKeep, FileOperation::Create>::Call;
  Wrap<&sys::Table::openForWriting, &sys::Table::giveAttributes, &sys::Table::openUnnamedBeside,
       &sys::Table::linkUnnamed, &sys::Table::createNew, &sys::Table::readAt, &sys::Table::readNext,
       &sys::Table::writeAt, &sys::Table::setSize, &sys::Table::copyRange,
       &sys::Table::reserveSpace, &sys::Table::syncData, &sys::Table::moveIntoPlace,
       &sys::Table::syncFolder, &sys::Table::openForLock>(calls);
  calls.tryLock = TryLock;
  return calls;
}

}  // namespace

InstalledFileCalls::InstalledFileCalls(const file_calls::Table& table) : table_(table) {
  file_calls::Install(&table_);
}

InstalledFileCalls::~InstalledFileCalls() {
  file_calls::Install(nullptr);
}

FailingFileCalls::FailingFileCalls() : InstalledFileCalls(CountingCalls()) {
  gPlan = Plan{};
}

FailingFileCalls::~FailingFileCalls() {
  gPlan = Plan{};
}

void FailingFileCalls::FailCall(int n, int reason) {
  gPlan = Plan{n, reason, 0, false};
}

int FailingFileCalls::CallsCounted() const {
  return gPlan.counted;
}

bool FailingFileCalls::HasFailed() const {
  return gPlan.failed;
}

}  // namespace vantor::testing
