#include "os/fault_injection.h"

namespace vantor::faults {
namespace {

// Process-wide on purpose: the file layer has no other way to learn of a test's
// wish, and programs are single-threaded.
struct Plan {
  bool counting = false;
  int failAt = 0;
  int counted = 0;
  bool failed = false;
};
Plan gPlan;
bool gRefuseUnnamedFiles = false;

}  // namespace

void FailOperation(int n) {
  gPlan = Plan{true, n, 0, false};
}

void Disarm() {
  gPlan = Plan{};
}

int OperationsCounted() {
  return gPlan.counted;
}

bool HasFailed() {
  return gPlan.failed;
}

void RefuseUnnamedFiles(bool refuse) {
  gRefuseUnnamedFiles = refuse;
}

bool UnnamedFilesRefused() {
  return gRefuseUnnamedFiles;
}

bool NextOperationFails() {
  if (!gPlan.counting) return false;
  ++gPlan.counted;
  if (gPlan.failed || gPlan.counted != gPlan.failAt) return false;
  gPlan.failed = true;
  return true;
}

}  // namespace vantor::faults
