#include "os/file_calls.h"

namespace vantor::file_calls {
namespace {

// Nothing installed: the system's calls.
const Table* gInstalled = nullptr;

}  // namespace

const Table& Calls() {
  return gInstalled != nullptr ? *gInstalled : SystemCalls();
}

void Install(const Table* table) {
  gInstalled = table;
}

}  // namespace vantor::file_calls
