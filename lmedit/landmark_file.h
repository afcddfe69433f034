// The landmark file (".mrf"): a 100-byte header, then records of 63 bytes
// numbered from 1. Where a record lies, what its fields hold, and the reads
// and writes of records and of the header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "binary_file.h"
#include "lmedit_state.h"

namespace vantor::lmedit {

// Byte offsets of the fields of a record.
inline constexpr size_t kLmIdOffset = 0;
inline constexpr size_t kLoFileIdOffset = 4;  // ObjectType, a middle byte, Side
inline constexpr size_t kNCoordOffset = 7;
inline constexpr size_t kECoordOffset = 11;
inline constexpr size_t kElevationOffset = 15;
inline constexpr size_t kRotationOffset = 19;
inline constexpr size_t kLmNameOffset = 23;
inline constexpr size_t kLmNameSize = 40;

// Header bytes from here on are zero in every header lmedit writes.
inline constexpr size_t kHeaderKeptBytes = 26;
inline constexpr int kMaxRecordCount = 65535;

// Record n starts at byte (n - 1) * 63 + 100; not range-checked, so 0 gives 37.
int64_t RecordOffset(int32_t n);

uint16_t RecordCount(const LandmarkHeader& header);
void SetRecordCount(LandmarkHeader& header, uint16_t count);
uint16_t RecordSize(const LandmarkHeader& header);
// The raw characters shown as the file's date (8) and time (7).
std::string_view DateText(const LandmarkHeader& header);
std::string_view TimeText(const LandmarkHeader& header);

uint16_t LmId(const LandmarkRecord& record);
void SetLmId(LandmarkRecord& record, uint16_t id);
uint8_t ObjectType(const LandmarkRecord& record);
uint8_t Side(const LandmarkRecord& record);
float RealAt(const LandmarkRecord& record, size_t offset);
void SetRealAt(LandmarkRecord& record, size_t offset, float value);
// All 40 bytes of the name field, zero bytes included.
std::string_view NameField(const LandmarkRecord& record);
// The text before the first zero byte; a field without one is an empty name.
std::string LandmarkName(const LandmarkRecord& record);
// Zeroes the name field, then puts the first 40 characters of `name` at its start.
void StoreName(LandmarkRecord& record, std::string_view name);

// Seeks to record n and reads all 63 bytes; a short read is a run-time error.
void ReadRecordAt(BinaryFile& file, int32_t n, LandmarkRecord& record);
// Writes the record over record n, on disk at once. Always 63 bytes, whatever
// the header's record size says: never more than a record copy holds.
void WriteRecordInPlace(BinaryFile& file, int32_t n, const LandmarkRecord& record);
// The template's header into Header (bytes 26 to 99 zeroed), both files then
// positioned at record 1.
void ReadHeader(LmeditState& s);
// Header's 100 bytes at the start of the file, on disk at once.
void WriteHeader(BinaryFile& file, const LandmarkHeader& header);

}  // namespace vantor::lmedit
