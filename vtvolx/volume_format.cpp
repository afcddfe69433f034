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

}  // namespace vantor::vtvolx
