#include "record_transfer.h"

#include <cstring>
#include <vector>

#include "data_file.h"
#include "little_endian.h"
#include "platform.h"
#include "run_time_error.h"
#include "text_format.h"

namespace vantor::datedit {
namespace {

constexpr size_t kMaxTransferName = 255;
constexpr size_t kMaxRawDataName = 80;
constexpr int kCountOffset = 20;

size_t RecordBytesCount(const DateditState& s) {
  return static_cast<size_t>(s.RecSize);
}

void WaitWithMessage(DateditState& s, const std::string& line) {
  s.DataFile.Flush();
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

std::string AskUntilNotEmpty(DateditState& s, const std::string& prompt, size_t maxChars,
                             bool promptEndsLine) {
  std::string name;
  while (name.empty()) {
    if (promptEndsLine) {
      s.Con.WriteLine(prompt);
    } else {
      s.Con.WriteLn();
      s.Con.Write(prompt);
    }
    name = s.Con.ReadLine(maxChars);
  }
  return name;
}

void ProgressLine(DateditState& s, const char* label) {
  BinaryFile& file = s.DataFile;
  s.Con.WriteLine(std::string(label) + FormatInt(file.Size(), 5) + FormatInt(file.Position(), 8) +
                  FormatInt(RecordAtFilePos(s), 4));
}

// Moves every record from the current one on up by one place, from the front:
// each is read before it is overwritten, and the held one is written over it.
void ShiftRecordsUp(DateditState& s, const std::vector<uint8_t>& insertBuffer) {
  BinaryFile& file = s.DataFile;
  const size_t size = RecordBytesCount(s);
  const int64_t oldSize = file.Size();
  std::vector<uint8_t> next(kRecordBufferSize, 0);

  file.Seek(RecordPosition(s, s.RecNow));
  file.ReadExact(s.RecordBuffer.data(), size);
  file.Seek(file.Position() - static_cast<int64_t>(size));
  file.Write(insertBuffer.data(), size);
  while (file.Size() < oldSize + static_cast<int64_t>(size)) {
    ProgressLine(s, "before: recnow reccount filepos clcfpos");
    if (!file.AtEnd()) {
      file.ReadExact(next.data(), size);
      file.Seek(file.Position() - static_cast<int64_t>(size));
    }
    ProgressLine(s, "after : recnow reccount filepos clcfpos");
    file.Write(s.RecordBuffer.data(), size);
    std::memcpy(s.RecordBuffer.data(), next.data(), size);
  }
}

void WriteRecordCount(DateditState& s, int32_t count) {
  uint8_t word[2];
  PutWord(word, static_cast<uint16_t>(count));
  s.DataFile.Seek(kCountOffset);
  s.DataFile.Write(word, sizeof word);
}

// After a failure amid an insert, the header's count is made to match the
// records the file holds, so that it stays a structured file; the first
// failure is the one then reported.
void MatchCountToSize(DateditState& s) {
  try {
    if (!s.DataFile.IsOpen()) {
      s.DataFile = BinaryFile::OpenExisting(s.DataFileName, BinaryFile::Access::ReadWrite);
    }
    s.DataFile.Flush();
    int64_t records = (s.DataFile.Size() - kHeadSize) / s.RecSize;
    WriteRecordCount(s, static_cast<int32_t>(records));
    s.DataFile.Close();
  } catch (const RunTimeError&) {
    // Nothing more can be done for the file; the caller reports.
  }
}

}  // namespace

void SaveRecordToFile(DateditState& s) {
  s.Con.WriteLn();
  s.Con.WriteLine("Name of out file?");
  s.LastFileName = s.Con.ReadLine(kMaxTransferName);
  // An empty name is a slip of the Enter key, not a file to create.
  if (s.LastFileName.empty() || RefuseDataFileItself(s, s.LastFileName)) return;
  BinaryFile out = BinaryFile::CreateReplacing(s.LastFileName);
  out.Write(s.RecordBuffer.data(), RecordBytesCount(s));
  out.Commit();
  WaitWithMessage(s, "File " + s.LastFileName + " written... hit a key");
}

void ReadRecordFromFile(DateditState& s) {
  s.Con.WriteLn();
  s.Con.WriteLine("Name of IN file?");
  s.LastFileName = s.Con.ReadLine(kMaxTransferName);
  if (s.LastFileName.empty()) return;
  BinaryFile in = BinaryFile::OpenExisting(s.LastFileName, BinaryFile::Access::ReadOnly);
  // Read whole before anything is written: a short file changes nothing.
  std::vector<uint8_t> record(RecordBytesCount(s));
  in.ReadExact(record.data(), record.size());
  std::memcpy(s.RecordBuffer.data(), record.data(), record.size());
  int64_t position = RecordPosition(s, s.RecNow);
  s.DataFile.Seek(position);
  s.DataFile.Write(s.RecordBuffer.data(), record.size());
  s.DataFile.Seek(position);
  in.Close();
  WaitWithMessage(s, "File " + s.LastFileName + " written... hit a key");
}

void InsertRecord(DateditState& s) {
  // The count is a 16-bit word: a 65536th record could not be counted.
  if (s.RecCount >= kMaxRecordCount) {
    WaitWithMessage(s, "The file holds 65535 records, no more can be inserted... hit a key");
    return;
  }
  std::string name = AskUntilNotEmpty(s, "Name of file that contains record to be inserted?",
                                      kMaxTransferName, false);
  std::vector<uint8_t> insertBuffer(kRecordBufferSize, 0);
  BinaryFile in = BinaryFile::OpenExisting(name, BinaryFile::Access::ReadOnly);
  in.ReadExact(insertBuffer.data(), RecordBytesCount(s));
  in.Close();
  s.Con.ReadLine(0);  // wait for Enter

  // Without room for the extra record a full disk would stop the moves halfway,
  // with one record lost; so the room is taken before anything moves.
  if (auto why = s.DataFile.ReserveSpace(s.DataFile.Size(), s.RecSize)) {
    WaitWithMessage(s, "No room on the disk for one more record (" + *why + ")... hit a key");
    return;
  }
  try {
    ShiftRecordsUp(s, insertBuffer);
    WriteRecordCount(s, s.RecCount + 1);
    s.DataFile.Close();
  } catch (const RunTimeError&) {
    MatchCountToSize(s);
    throw;
  }
  OpenDataFile(s);
}

void SaveRawData(DateditState& s) {
  int64_t remembered = s.DataFile.Position();
  s.DataFile.Seek(kHeadSize);
  std::string name = AskUntilNotEmpty(s, "Name for raw data:", kMaxRawDataName, true);
  if (!RefuseDataFileItself(s, name)) {
    BinaryFile out = BinaryFile::CreateReplacing(name);
    std::vector<uint8_t> raw(kRecordBufferSize);
    const size_t size = RecordBytesCount(s);
    while (size > 0 && !s.DataFile.AtEnd()) {
      s.DataFile.ReadExact(raw.data(), size);
      out.Write(raw.data(), size);
    }
    out.Commit();
    s.Con.WriteLine("Done writing " + name + " press enter...");
    s.Con.ReadLine(0);
  }
  s.DataFile.Seek(remembered);
}

}  // namespace vantor::datedit
