#include "new_record.h"

#include <tuple>

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "landmark_record.h"
#include "os/platform.h"

namespace vantor::lmedit {
namespace {

void WaitWithMessage(Console& con, const std::string& message) {
  con.WriteLn();
  con.WriteLine(message);
  con.ReadKey();
}

// Puts a file back to the size it had; used when an append did not
// succeed in both files, so that neither keeps a record its header does not
// count.
void RestoreSize(const std::string& name, int64_t size) {
  try {
    BinaryFile file = BinaryFile::OpenExisting(name, BinaryFile::Access::ReadWrite);
    file.Seek(size);
    file.Truncate();
  } catch (const RunTimeError&) {
    // The append's own failure is the one reported.
  }
}

// Which file a name leads to, as a key that orders files.
std::tuple<uint64_t, uint64_t> LockOrder(const std::string& name) {
  FileIdentity identity = IdentityOf(name).value_or(FileIdentity{});
  return {identity.device, identity.inode};
}

// The name of a file that does not hold exactly `count` records; empty when
// both do. A record appended after a file's physical end would not be record
// `count` + 1 of that file.
std::string FileNotHolding(LmeditState& s, int32_t count) {
  for (RecordFile* file : {&s.TemplateFile, &s.OutputFile}) {
    if (file->Size() != LandmarkFileSize(count)) return file->Name();
  }
  return {};
}

// Appends a blank record to both files under both locks; only when both
// appends succeeded do both files get the template's header with the new
// count. Why nothing was added, for the user to read once the locks are
// given back; empty when the record was added.
std::string AppendBlankRecord(LmeditState& s) {
  // Both locks are always taken in the same order, so that two runs whose
  // template and output are each other's never wait for each other.
  const bool templateFirst = LockOrder(s.TemplateFile.Name()) <= LockOrder(s.OutputFile.Name());
  FileLock first = LockForWriting(s, templateFirst ? s.TemplateFile : s.OutputFile);
  FileLock second = LockForWriting(s, templateFirst ? s.OutputFile : s.TemplateFile);
  // The note shows on the next main screen, with no key to wait for.
  if (!NoFileReplaced(s, {&s.TemplateFile, &s.OutputFile})) return std::string();
  // Another run may have appended while this one waited.
  const int32_t count = ReadHeader(s);
  // The count is a 16-bit word: a 65536th record would make it 0.
  if (count >= RecordFile::kMaxCount) {
    return "The files hold 65535 records, no more can be added... press a key";
  }
  if (std::string name = FileNotHolding(s, count); !name.empty()) {
    return "No record added: " + PrintableName(name) + " does not hold exactly " +
           FormatInt(count) + " records... press a key";
  }
  RecordFile* files[2] = {&s.OutputFile, &s.TemplateFile};
  std::string failure;
  for (RecordFile* file : files) {
    try {
      WriteRecord(*file, count + 1, s.BlankRecord);
    } catch (const RunTimeError& error) {
      if (failure.empty()) failure = error.what();
    }
  }
  if (!failure.empty()) {
    for (RecordFile* file : files)
      RestoreSize(file->Name(), LandmarkFileSize(count));
    return "could not append a record: " + failure;
  }
  SetRecordCount(s.Header, static_cast<uint16_t>(count + 1));
  try {
    s.OutputFile.WriteHeader(s.Header);
    s.TemplateFile.WriteHeader(s.Header);
  } catch (const RunTimeError&) {
    // Both files hold the new record: their headers must count it before the
    // failure stops the program.
    for (RecordFile* file : files) {
      try {
        file->WriteHeader(s.Header);
      } catch (const RunTimeError&) {
      }
    }
    throw;
  }
  s.CurrentRecord = count + 1;
  return std::string();
}

}  // namespace

// No lock is held while the user reads why nothing was added: another run
// would wait for a key typed here.
void NewRecord(LmeditState& s) {
  const std::string trouble = AppendBlankRecord(s);
  if (!trouble.empty()) WaitWithMessage(s.Con, trouble);
}

}  // namespace vantor::lmedit
