// Reading a volume: its header and the report of it, the working copies of
// its index and name table, and its entries one by one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "extraction_policy.h"
#include "vtvolx_state.h"

namespace vantor::vtvolx {

// Opens the volume, fills the header and loads the name table.
void ReadVolumeHeader(VtvolxState& s);
void ShowVolumeHeader(VtvolxState& s);
void ShowFirstBlock(VtvolxState& s, int64_t position);
// The report of a first data block that lies past the end of the volume;
// nothing when it can be read, or when the volume ends where it would begin
// (a volume without entries).
std::optional<std::string> FirstBlockDamage(BinaryFile& volume, int64_t position);
void SaveIndex(VtvolxState& s, const ExtractionPolicy& policy);
void SaveNameTable(VtvolxState& s, const ExtractionPolicy& policy);

struct Entry {
  int32_t Number = 0;  // the index record's place, from 0
  IndexRecord Record;
  int64_t StoredSize = 0;
  std::string Name;
  // Why the entry cannot be read: its block or name lies outside the volume,
  // its data reaches past the end, or its real size is negative; empty when
  // it can.
  std::string Problem;
  // Why its name cannot name a file (see NameTable::NameAt); empty when it
  // can. The entries of ".ted" volumes are numbered and need none.
  std::string NameProblem;
};

// The entries of the open volume in index order, read from the volume's own
// index.
class EntryReader {
 public:
  explicit EntryReader(OpenVolume& volume) : volume_(volume) {}
  // The next entry, or nothing at the end record. A run-time error when the
  // index ends without one.
  std::optional<Entry> Next();

 private:
  bool ReadRecord(uint8_t* bytes);

  OpenVolume& volume_;
  int32_t number_ = 0;
  // A stretch of the index, read in one piece: records one after the other.
  std::vector<uint8_t> chunk_;
  int64_t chunkStart_ = 0;
};

}  // namespace vantor::vtvolx
