// Reading a volume: its header and the report of it, the working copies of
// its index and name table, and the copy of a byte range into a file.
#pragma once

#include <cstdint>
#include <string>

#include "vtvolx_state.h"

namespace vantor::vtvolx {

// A chunk length keeps its length in the low 24 bits; the high byte holds flags.
inline constexpr uint32_t Low24(uint32_t word) {
  return word & 0x00FFFFFF;
}

int32_t ReadLong(BinaryFile& file);
void WriteLong(BinaryFile& file, int32_t value);
IndexRecord DecodeIndexRecord(const uint8_t* bytes);
void EncodeIndexRecord(const IndexRecord& record, uint8_t* bytes);

// Opens the volume named by argument 1 and fills the header.
void ReadVolumeHeader(VtvolxState& s);
void ShowVolumeHeader(VtvolxState& s);
void ShowFirstBlock(VtvolxState& s, int64_t position);
void SaveIndex(VtvolxState& s);
void SaveNameTable(VtvolxState& s);

// What CopyOut left behind.
enum class CopyResult {
  NotPacked,  // the file is complete and closed
  Packed,     // the stored bytes are in the file; they still need unpacking
  CutShort,   // the volume ended before all stored bytes were copied
};

// Copies `storedSize` bytes of the volume from `position` into a new file
// `name`, and reports the count.
CopyResult CopyOut(VtvolxState& s, int64_t position, const std::string& name, int64_t storedSize,
                   int64_t realSize);

}  // namespace vantor::vtvolx
