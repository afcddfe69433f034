#include "volume_format.h"

#include "records/little_endian.h"

namespace vantor::vtvolx {

IndexRecord DecodeIndexRecord(const uint8_t* bytes) {
  return {LongAt(bytes), LongAt(bytes + 4), LongAt(bytes + 8), bytes[12], bytes[13]};
}

void EncodeIndexRecord(const IndexRecord& record, uint8_t* bytes) {
  PutLong(bytes, record.NameOffset);
  PutLong(bytes + 4, record.DataPosition);
  PutLong(bytes + 8, record.RealSize);
  bytes[12] = record.Flag12;
  bytes[13] = record.Flag13;
}

int32_t ReadLong(BinaryFile& file) {
  uint8_t bytes[4];
  file.ReadExact(bytes, sizeof bytes);
  return LongAt(bytes);
}

void WriteLong(BinaryFile& file, int32_t value) {
  uint8_t bytes[4];
  PutLong(bytes, value);
  file.Write(bytes, sizeof bytes);
}

}  // namespace vantor::vtvolx
