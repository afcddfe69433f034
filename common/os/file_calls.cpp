#include "os/file_calls.h"

#include "os/system_file_calls.h"

namespace vantor::file_calls {
namespace {

// Nothing installed: the system's calls.
const Table* gInstalled = nullptr;

}  // namespace

const Table& SystemCalls() {
  static constexpr Table kSystem{
      .openExistingFile = system::OpenExistingFile,
      .openSequential = system::OpenSequential,
      .readNext = system::ReadNext,
      .openForWriting = system::OpenForWriting,
      .attributesToKeep = system::AttributesToKeep,
      .giveAttributes = system::GiveAttributes,
      .openUnnamedBeside = system::OpenUnnamedBeside,
      .linkUnnamed = system::LinkUnnamed,
      .createNew = system::CreateNew,
      .readAt = system::ReadAt,
      .writeAt = system::WriteAt,
      .sizeOf = system::SizeOf,
      .identityOf = system::IdentityOf,
      .setSize = system::SetSize,
      .copyRange = system::CopyRange,
      .reserveSpace = system::ReserveSpace,
      .syncData = system::SyncData,
      .close = system::Close,
      .removeName = system::RemoveName,
      .moveIntoPlace = system::MoveIntoPlace,
      .syncFolder = system::SyncFolder,
      .openForLock = system::OpenForLock,
      .tryLock = system::TryLock,
      .unlock = system::Unlock,
  };
  return kSystem;
}

const Table& Calls() {
  return gInstalled != nullptr ? *gInstalled : SystemCalls();
}

void Install(const Table* table) {
  gInstalled = table;
}

}  // namespace vantor::file_calls
