#include "landmark_record.h"

#include <algorithm>

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "os/platform.h"
#include "os/waiting_lock.h"
#include "records/little_endian.h"

namespace vantor::lmedit {
namespace {

constexpr size_t kDateOffset = 0;
constexpr size_t kDateLength = 8;
constexpr size_t kTimeOffset = 11;
constexpr size_t kTimeLength = 7;

}  // namespace

uint16_t RecordCount(const LandmarkHeader& header) {
  return RecordFile::CountIn(header);
}

void SetRecordCount(LandmarkHeader& header, uint16_t count) {
  RecordFile::PutCount(header, count);
}

uint16_t RecordSize(const LandmarkHeader& header) {
  return RecordFile::RecordSizeIn(header);
}

std::string_view DateText(const LandmarkHeader& header) {
  return {reinterpret_cast<const char*>(header.data()) + kDateOffset, kDateLength};
}

std::string_view TimeText(const LandmarkHeader& header) {
  return {reinterpret_cast<const char*>(header.data()) + kTimeOffset, kTimeLength};
}

int64_t LandmarkFileSize(int64_t count) {
  return RecordFile::OffsetOf(count, kRecordSize);
}

uint16_t LmId(const LandmarkRecord& record) {
  return WordAt(record.data() + kLmIdOffset);
}

void SetLmId(LandmarkRecord& record, uint16_t id) {
  PutWord(record.data() + kLmIdOffset, id);
}

uint8_t ObjectType(const LandmarkRecord& record) {
  return record[kLoFileIdOffset];
}

uint8_t Side(const LandmarkRecord& record) {
  return record[kLoFileIdOffset + 2];
}

float RealAt(const LandmarkRecord& record, size_t offset) {
  return SingleAt(record.data() + offset);
}

void SetRealAt(LandmarkRecord& record, size_t offset, float value) {
  PutSingle(record.data() + offset, value);
}

std::string_view NameField(const LandmarkRecord& record) {
  return {reinterpret_cast<const char*>(record.data()) + kLmNameOffset, kLmNameSize};
}

std::string LandmarkName(const LandmarkRecord& record) {
  std::string_view field = NameField(record);
  size_t end = field.find('\0');
  return end == std::string_view::npos ? std::string() : std::string(field.substr(0, end));
}

void StoreName(LandmarkRecord& record, std::string_view name) {
  auto field = record.begin() + kLmNameOffset;
  std::fill_n(field, kLmNameSize, 0);
  std::copy_n(name.begin(), std::min(name.size(), kLmNameSize), field);
}

LandmarkHeader ReadLandmarkHeader(RecordFile& file) {
  LandmarkHeader header{};
  if (file.ReadHeader(header) != header.size())
    throw FileError(FileOperation::Read, file.Name(), 0);
  std::fill(header.begin() + kHeaderKeptBytes, header.end(), 0);
  return header;
}

uint16_t ReadHeader(LandmarkFiles& files) {
  files.Header = ReadLandmarkHeader(files.TemplateFile);
  return RecordCount(files.Header);
}

void ReadRecord(RecordFile& file, int32_t n, LandmarkRecord& record) {
  file.Read(int64_t{n} - 1, record);
}

int64_t ReadRecordRun(RecordFile& file, int64_t first, int64_t count, std::span<uint8_t> run) {
  const int64_t records = std::min(kRecordsPerRead, count - first);
  const size_t wanted = static_cast<size_t>(records) * kRecordSize;
  if (file.ReadUpTo(first / kRecordsPerRead, run) < wanted) {
    throw FileError(FileOperation::Read, file.Name(), 0);
  }
  return records;
}

void WriteRecord(RecordFile& file, int32_t n, const LandmarkRecord& record) {
  file.Write(int64_t{n} - 1, record);
}

FileLock LockForWriting(LmeditState& s, const RecordFile& file) {
  return LockOrSayWaiting(file.Name(), s.Con, WaitLine::OpenBelow);
}

bool NoFileReplaced(LmeditState& s, std::initializer_list<RecordFile*> files) {
  for (RecordFile* file : files) {
    if (file->Replaced()) {
      s.ScreenNote = ReplacedFileNote(file->Name());
      return false;
    }
  }
  return true;
}

}  // namespace vantor::lmedit
