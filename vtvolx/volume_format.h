// The layout of a volume archive: a header of chunks, a name table, an index
// of 14-byte records ended by an end record, and one data block per entry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "files/binary_file.h"

namespace vantor::vtvolx {

inline constexpr int64_t kNameTableStart = 28;
inline constexpr size_t kIndexRecordSize = 14;
inline constexpr size_t kBlockHeadSize = 8;
// A name is read as 41 bytes, of which the first 40 may hold its 0 byte.
inline constexpr size_t kNameBytesRead = 41;
inline constexpr size_t kMaxNameBytes = 40;
// The longest name a volume can give back.
inline constexpr size_t kMaxStoredName = 39;
// Block lengths keep 24 bits.
inline constexpr int64_t kMaxStoredFileSize = 16777215;
// Positions in a volume are signed 32-bit numbers.
inline constexpr int64_t kMaxVolumeSize = 2147483647;

// A chunk length keeps its length in the low 24 bits; the high byte holds flags.
inline constexpr uint32_t Low24(uint32_t word) {
  return word & 0x00FFFFFF;
}

using Tag = std::array<char, 4>;

struct VolumeHeader {
  Tag VolTag{}, VolhTag{}, VolsTag{}, VoliTag{};
  int32_t VblkPos = 0;
  int32_t VolhEnd = 0;
  int32_t VoliPos = 0;
  int32_t NameTableSize = 0;
  int32_t NameTableStart = 0;
  int32_t IndexSize = 0;
  int32_t VoliUnk = 0;
  int32_t IndexStart = 0;
};

struct IndexRecord {
  int32_t NameOffset = 0;
  int32_t DataPosition = 0;
  int32_t RealSize = 0;
  uint8_t Flag12 = 0;
  uint8_t Flag13 = 0;
};

// The record that ends the index.
inline constexpr int32_t kEndOfIndex = -1;

// A signed 32-bit number as a volume holds it, at the file's position.
int32_t ReadLong(BinaryFile& file);
void WriteLong(BinaryFile& file, int32_t value);

IndexRecord DecodeIndexRecord(const uint8_t* bytes);
void EncodeIndexRecord(const IndexRecord& record, uint8_t* bytes);

}  // namespace vantor::vtvolx
