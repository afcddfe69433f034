// The one writer of the files that a reading run produces, entries and
// working copies: each is written under a temporary name in its own folder
// and put in place only when whole, so that a failed or interrupted copy
// leaves an existing file of that name as it was and nothing else behind.
#pragma once

#include <cstdint>
#include <string>

#include "vtvolx_state.h"

namespace vantor::vtvolx {

struct CopyRequest {
  int64_t Position = 0;   // where the bytes begin in the volume
  std::string FileName;   // the file to write
  std::string EntryName;  // what the report calls the entry
  int64_t StoredSize = 0;
  int64_t RealSize = 0;
  // Entries the user keeps; the working copies, which every run writes
  // anew, are Scratch.
  BinaryFile::Replace How = BinaryFile::Replace::Quickly;
};

enum class CopyResult {
  NotPacked,  // the file is complete and in place
  Packed,     // the stored bytes still need unpacking; the file is not in place
  CutShort,   // the volume ended early: the bytes it held are in place
};

struct CopyOutcome {
  CopyResult Result = CopyResult::NotPacked;
  // For Packed: the stored bytes, under a temporary name that the extractor
  // is given; Commit puts the file in place.
  BinaryFile PackedFile;
};

// Copies StoredSize bytes of the volume from Position into the file, and
// reports the count. An entry is packed when its sizes differ.
CopyOutcome CopyOut(VtvolxState& s, const CopyRequest& request);

}  // namespace vantor::vtvolx
