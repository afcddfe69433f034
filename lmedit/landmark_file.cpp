#include "landmark_file.h"

#include <algorithm>
#include <cstring>

#include "little_endian.h"

namespace vantor::lmedit {
namespace {

constexpr size_t kRecordCountOffset = 20;
constexpr size_t kRecordSizeOffset = 22;
constexpr size_t kDateOffset = 0;
constexpr size_t kDateLength = 8;
constexpr size_t kTimeOffset = 11;
constexpr size_t kTimeLength = 7;

}  // namespace

int64_t RecordOffset(int32_t n) {
  return (int64_t{n} - 1) * kRecordSize + kHeaderSize;
}

uint16_t RecordCount(const LandmarkHeader& header) {
  return WordAt(header.data() + kRecordCountOffset);
}

void SetRecordCount(LandmarkHeader& header, uint16_t count) {
  PutWord(header.data() + kRecordCountOffset, count);
}

uint16_t RecordSize(const LandmarkHeader& header) {
  return WordAt(header.data() + kRecordSizeOffset);
}

std::string_view DateText(const LandmarkHeader& header) {
  return {reinterpret_cast<const char*>(header.data()) + kDateOffset, kDateLength};
}

std::string_view TimeText(const LandmarkHeader& header) {
  return {reinterpret_cast<const char*>(header.data()) + kTimeOffset, kTimeLength};
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
  float value = 0;
  std::memcpy(&value, record.data() + offset, sizeof value);  // little-endian, as is x86
  return value;
}

void SetRealAt(LandmarkRecord& record, size_t offset, float value) {
  std::memcpy(record.data() + offset, &value, sizeof value);
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
  std::memset(record.data() + kLmNameOffset, 0, kLmNameSize);
  std::memcpy(record.data() + kLmNameOffset, name.data(), std::min(name.size(), kLmNameSize));
}

void ReadRecordAt(BinaryFile& file, int32_t n, LandmarkRecord& record) {
  file.Seek(RecordOffset(n));
  file.ReadExact(record.data(), record.size());
}

void WriteRecordInPlace(BinaryFile& file, int32_t n, const LandmarkRecord& record) {
  file.Seek(RecordOffset(n));
  file.Write(record.data(), record.size());
  file.Flush();
}

void ReadHeader(LmeditState& s) {
  s.TemplateFile.Seek(0);
  s.TemplateFile.ReadExact(s.Header.data(), s.Header.size());
  std::fill(s.Header.begin() + kHeaderKeptBytes, s.Header.end(), 0);
  s.TemplateFile.Seek(RecordOffset(1));
  s.OutputFile.Seek(RecordOffset(1));
}

void WriteHeader(BinaryFile& file, const LandmarkHeader& header) {
  file.Seek(0);
  file.Write(header.data(), header.size());
  file.Flush();
}

}  // namespace vantor::lmedit
