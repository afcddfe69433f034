#include "record_transfer.h"

#include <algorithm>
#include <vector>

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "data_file.h"
#include "os/platform.h"
#include "typed_names.h"

namespace vantor::datedit {
namespace {

constexpr size_t kMaxTransferName = 255;
constexpr size_t kMaxRawDataName = 80;

void WaitWithMessage(DateditState& s, const std::string& line) {
  s.Con.WriteLine(line);
  s.Con.ReadKey();
}

// Writing a record file or the raw data over the open data file would destroy
// the very file being browsed.
bool RefuseDataFileItself(DateditState& s, const std::string& name) {
  if (!IsSameFile(name, s.DataFileName)) return false;
  WaitWithMessage(s, "Refused: " + name + " is the open data file itself... hit a key");
  return true;
}

// The name for w and r, asked once. An empty name is a slip of the Enter
// key, not a file; nothing is done for it or for a refused one.
std::string AskOnce(DateditState& s, const std::string& prompt) {
  s.Con.WriteLn();
  s.Con.WriteLine(prompt);
  std::string name = s.Con.ReadLine(kMaxTransferName);
  if (RefusedForControlByte(s.Con, name)) return {};
  s.LastFileName = name;
  return name;
}

// The first record-length bytes of a file, read whole before the data file
// is touched: a short file changes nothing.
std::vector<uint8_t> ReadRecordFile(DateditState& s, const std::string& name) {
  std::vector<uint8_t> record(static_cast<size_t>(s.RecSize));
  BinaryFile in = BinaryFile::OpenExisting(name, BinaryFile::Access::ReadOnly);
  in.ReadExact(record.data(), record.size());
  in.Close();
  return record;
}

// The two lines that each move of a record one place up would show: the
// file's size before the insert, the position moved from and its record.
void WriteProgressLines(DateditState& s, int64_t insertedAt, int64_t oldSize) {
  const int64_t held = RecordFile::RecordsIn(oldSize, s.RecSize);
  for (int64_t k = insertedAt + 1; k <= held; ++k) {
    int64_t position = RecordFile::OffsetOf(k, s.RecSize);
    std::string numbers = FormatInt(oldSize, 5) + FormatInt(position, 8) +
                          FormatInt(RecordFile::IndexAt(position, s.RecSize), 4);
    s.Con.WriteLine("before: recnow reccount filepos clcfpos" + numbers);
    s.Con.WriteLine("after : recnow reccount filepos clcfpos" + numbers);
  }
}

void RefuseFullFile(DateditState& s) {
  WaitWithMessage(s, "The file holds 65535 records, no more can be inserted... hit a key");
}

}  // namespace

void SaveRecordToFile(DateditState& s) {
  std::string name = AskOnce(s, "Name of out file?");
  if (name.empty() || RefuseDataFileItself(s, name)) return;
  // The record as the file holds it now, not as it was shown before the prompt.
  if (ShownRecord shown = CheckShownRecord(s); shown != ShownRecord::StillThere) {
    return NoteNothingWritten(s, shown);
  }
  std::vector<uint8_t> record(static_cast<size_t>(s.RecSize));
  s.DataFile.Read(s.RecNow, record);
  BinaryFile out = BinaryFile::CreateReplacing(name);
  out.Write(record.data(), record.size());
  out.Commit();
  WaitWithMessage(s, "File " + name + " written... hit a key");
}

void ReadRecordFromFile(DateditState& s) {
  std::string name = AskOnce(s, "Name of IN file?");
  if (name.empty()) return;
  std::vector<uint8_t> record = ReadRecordFile(s, name);
  ShownRecord shown = ShownRecord::StillThere;
  {
    FileLock lock = LockDataFile(s);
    shown = CheckShownRecord(s);
    if (shown == ShownRecord::StillThere) s.DataFile.Write(s.RecNow, record);
  }
  if (shown != ShownRecord::StillThere) return NoteNothingWritten(s, shown);
  WaitWithMessage(s, "File " + name + " written... hit a key");
}

void InsertRecord(DateditState& s, const DateditOptions& options) {
  // The count is a 16-bit word: a 65536th record could not be counted.
  ReadHeaderNow(s);
  if (s.RecCount >= kMaxRecordCount) return RefuseFullFile(s);
  std::string name = AskForName(
      s.Con,
      [&] {
        s.Con.WriteLn();
        s.Con.Write("Name of file that contains record to be inserted?");
      },
      kMaxTransferName);
  std::vector<uint8_t> record = ReadRecordFile(s, name);
  s.Con.ReadLine(0);  // wait for Enter

  int64_t at = 0;
  int64_t oldSize = 0;
  std::optional<std::string> noRoom;
  bool replaced = false;
  {
    FileLock lock = LockDataFile(s);
    // The current record of another file is not the one the user chose.
    replaced = s.DataFile.Replaced();
    ReadHeaderNow(s);
    if (!replaced && s.RecCount < kMaxRecordCount) {
      // Records another program removed meanwhile: the new one goes last.
      oldSize = s.DataFile.Size();
      int64_t held = std::min<int64_t>(s.RecCount, RecordFile::RecordsIn(oldSize, s.RecSize));
      at = std::clamp<int64_t>(s.RecNow, 0, held);
      noRoom = s.DataFile.Insert(at, record);
    }
  }
  if (replaced) return NoteNothingWritten(s, ShownRecord::FileReplaced);
  if (s.RecCount >= kMaxRecordCount) return RefuseFullFile(s);
  if (noRoom) {
    return WaitWithMessage(
        s, "No room on the disk for one more record (" + *noRoom + ")... hit a key");
  }
  WriteProgressLines(s, at, oldSize);
  s.DataFile.Close();
  OpenDataFile(s, options);
}

void SaveRawData(DateditState& s) {
  std::string name = AskForName(
      s.Con, [&] { s.Con.WriteLine("Name for raw data:"); }, kMaxRawDataName);
  if (RefuseDataFileItself(s, name)) return;
  // Records of another length would not end where the file ends.
  if (s.DataFile.Replaced()) return NoteNothingWritten(s, ShownRecord::FileReplaced);
  BinaryFile out = BinaryFile::CreateReplacing(name);
  std::vector<uint8_t> record(static_cast<size_t>(s.RecSize));
  // Everything after the header, as the file holds it now.
  for (int64_t n = 0; !record.empty(); ++n) {
    size_t got = s.DataFile.ReadUpTo(n, record);
    if (got == 0) break;
    if (got != record.size()) throw FileError(FileOperation::Read, s.DataFile.Name(), 0);
    out.Write(record.data(), record.size());
  }
  out.Commit();
  s.Con.WriteLine("Done writing " + name + " press enter...");
  s.Con.ReadLine(0);
}

}  // namespace vantor::datedit
