// The layout of a landmark file (".mrf"): a 100-byte header, then records of
// 63 bytes numbered from 1. What the header and a record's fields hold, and
// the reads and writes of records and of the header, each afresh from disk.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "lmedit_state.h"
#include "os/file_lock.h"
#include "records/record_file.h"

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

uint16_t RecordCount(const LandmarkHeader& header);
void SetRecordCount(LandmarkHeader& header, uint16_t count);
uint16_t RecordSize(const LandmarkHeader& header);
// The raw characters shown as the file's date (8) and time (7).
std::string_view DateText(const LandmarkHeader& header);
std::string_view TimeText(const LandmarkHeader& header);
// The size of a file that holds exactly `count` records.
int64_t LandmarkFileSize(int64_t count);

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

// The header as the file holds it now, bytes 26 to 99 zeroed; a file too
// short for a header is a run-time error.
LandmarkHeader ReadLandmarkHeader(RecordFile& file);
// The template's header read again into Header; returns its record count.
uint16_t ReadHeader(LandmarkFiles& files);
// Record n (from 1) as the file holds it now: all 63 bytes, or a run-time
// error when the file ends first.
void ReadRecord(RecordFile& file, int32_t n, LandmarkRecord& record);
// Where every record is read (listings, the map), records are read this many
// at a time: one read for each of up to 65535 records would cost more than
// the work itself.
constexpr int64_t kRecordsPerRead = 1024;
// Reads the records from `first` (from 0, a multiple of kRecordsPerRead) on,
// as many as `run` holds (kRecordsPerRead records) and are below `count`;
// returns how many. A run-time error when the file ends before record `count`.
int64_t ReadRecordRun(RecordFile& file, int64_t first, int64_t count, std::span<uint8_t> run);
// Writes the record over record n, on disk at once. Always 63 bytes, whatever
// the header's record size says: never more than a record copy holds.
void WriteRecord(RecordFile& file, int32_t n, const LandmarkRecord& record);

// The lock a command holds on a landmark file while it writes it, so that
// two runs on one file take turns instead of undoing each other's writes. A
// run that has to wait says so on its screen; Ctrl+C ends it meanwhile.
FileLock LockForWriting(LmeditState& s, const RecordFile& file);

// For a command that writes, inside its lock: whether each of the files it
// uses is still the one whose records were read for the screen. When another
// program put a new file under one of the names, nothing may be written: the
// next screen says so and shows the records as the new file holds them.
bool NoFileReplaced(LmeditState& s, std::initializer_list<RecordFile*> files);

}  // namespace vantor::lmedit
