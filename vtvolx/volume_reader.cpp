#include "volume_reader.h"

#include <algorithm>
#include <cstring>

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "entry_writer.h"
#include "records/little_endian.h"

namespace vantor::vtvolx {
namespace {

// Real name tables hold a few thousand names; a larger one is read from the
// disk beyond this, so that memory stays small whatever a volume claims.
constexpr size_t kNameTableKeptInMemory = 1 << 20;
// The index is read in pieces of this size.
constexpr int64_t kIndexChunk = 64 * 1024;

// A tag and a chunk length; the length's flag byte is dropped.
int32_t ReadChunkHead(BinaryFile& file, Tag& tag) {
  file.ReadExact(tag.data(), tag.size());
  return static_cast<int32_t>(Low24(static_cast<uint32_t>(ReadLong(file))));
}

std::string TagText(const Tag& tag) {
  return std::string(tag.data(), tag.size());
}

// Sizes that no listing may pass on as sound: positions and sizes in a
// volume are signed 32-bit numbers, and a volume cut short holds only part
// of its last entries.
std::string WhyEntryIsDamaged(const Entry& e, int64_t volumeSize) {
  if (e.Record.RealSize < 0) return "gives the real size " + FormatInt(e.Record.RealSize);
  int64_t end =
      int64_t{e.Record.DataPosition} + static_cast<int64_t>(kBlockHeadSize) + e.StoredSize;
  if (end <= volumeSize) return {};
  return "reaches past the end of the volume (its data ends at " + FormatInt(end) +
         ", the file at " + FormatInt(volumeSize) + ")";
}

}  // namespace

void NameTable::Load(BinaryFile& volume, int32_t tableSize) {
  int64_t held = std::max<int64_t>(0, volume.Size() - kNameTableStart);
  size_ = std::clamp<int64_t>(tableSize, 0, held);
  bytes_.resize(static_cast<size_t>(std::min<int64_t>(size_, kNameTableKeptInMemory)));
  bytes_.resize(volume.ReadAt(kNameTableStart, bytes_.data(), bytes_.size()));
}

std::string NameTable::NameAt(BinaryFile& volume, int64_t offset, std::string& problem) const {
  char bytes[kNameBytesRead] = {};
  size_t got = kMaxNameBytes;
  if (offset >= 0 && offset + int64_t{kMaxNameBytes} <= static_cast<int64_t>(bytes_.size())) {
    std::memcpy(bytes, bytes_.data() + offset, kMaxNameBytes);
  } else {
    got = volume.ReadAt(kNameTableStart + offset, bytes, sizeof bytes);
  }
  size_t usable = std::min(got, kMaxNameBytes);
  size_t length = strnlen(bytes, usable);
  problem.clear();
  if (offset < 0 || offset + static_cast<int64_t>(length) >= size_) {
    problem = "a name outside the name table";
  } else if (length == usable) {
    problem = "a name without an end among its first 40 bytes";
  }
  return std::string(bytes, length);
}

void ReadVolumeHeader(VtvolxState& s) {
  VolumeHeader& h = s.Header;
  h = VolumeHeader{};
  s.VolumeFile = BinaryFile::OpenExisting(s.Opt.Volume, BinaryFile::Access::ReadOnly);
  BinaryFile& file = s.VolumeFile;
  h.VblkPos = ReadChunkHead(file, h.VolTag) + 8;
  h.VolhEnd = ReadChunkHead(file, h.VolhTag) + 16;
  h.VoliPos = ReadChunkHead(file, h.VolsTag) + 24;
  h.NameTableSize = ReadLong(file);
  h.NameTableStart = static_cast<int32_t>(file.Position());
  file.Seek(h.VoliPos);
  h.IndexSize = ReadChunkHead(file, h.VoliTag);
  h.VoliUnk = ReadLong(file);
  h.IndexStart = h.VoliPos + 8;
  s.Names.Load(file, h.NameTableSize);
}

void ShowVolumeHeader(VtvolxState& s) {
  const VolumeHeader& h = s.Header;
  PlainConsole& con = s.Con;
  con.WriteLine(" File name: " + s.Opt.Volume);
  con.WriteLine("Vol  :" + PadLeft(TagText(h.VolTag), 9) + " VBLK : " + FormatInt(h.VblkPos, 8));
  con.WriteLine("Volh :" + PadLeft(TagText(h.VolhTag), 9) + " Unk1 : " + FormatInt(h.VolhEnd, 8));
  con.WriteLine("Vols :" + PadLeft(TagText(h.VolsTag), 9) + " voliP: " + FormatInt(h.VoliPos, 8) +
                " Vols size: " + FormatInt(h.NameTableSize, 9) +
                " sDatap :" + FormatInt(h.NameTableStart, 9));
  con.WriteLine("Voli :" + PadLeft(TagText(h.VoliTag), 9) +
                " volisz: " + FormatInt(h.IndexSize, 8) + " Voli  unk: " + FormatInt(h.VoliUnk, 9) +
                " Voli dataP :" + FormatInt(h.IndexStart, 9));
}

std::optional<std::string> FirstBlockDamage(BinaryFile& volume, int64_t position) {
  uint8_t head[kBlockHeadSize];
  if (position == volume.Size()) return std::nullopt;
  if (position >= 0 && volume.ReadAt(position, head, sizeof head) == sizeof head) {
    return std::nullopt;
  }
  return "broken volume: its first data block at " + FormatInt(position) +
         " lies past the end of the file (" + FormatInt(volume.Size()) + " bytes)";
}

void ShowFirstBlock(VtvolxState& s, int64_t position) {
  BinaryFile& file = s.VolumeFile;
  if (auto damage = FirstBlockDamage(file, position)) {
    s.Con.WriteLine(*damage);
    s.SomeEntryFailed = true;
    return;
  }
  // A volume without entries ends where its first block would begin: the
  // line then shows zeros.
  uint8_t head[kBlockHeadSize] = {};
  file.ReadAt(position, head, sizeof head);
  uint32_t length = Low24(static_cast<uint32_t>(LongAt(head + 4)));
  s.Con.WriteLine("Head : " + std::string(reinterpret_cast<char*>(head), 4) +
                  " datasize : " + FormatInt(length) + " filepos data: " + FormatInt(position + 8));
}

void SaveIndex(VtvolxState& s, const ExtractionPolicy& policy) {
  std::string name = policy.IndexCopy();
  CopyOut(s, {s.Header.IndexStart, name, name, s.Header.IndexSize, s.Header.IndexSize,
              BinaryFile::Replace::Scratch});
}

void SaveNameTable(VtvolxState& s, const ExtractionPolicy& policy) {
  std::string name = policy.NameTableCopy();
  if (s.Header.NameTableSize > 0) {
    CopyOut(s, {s.Header.NameTableStart, name, name, s.Header.NameTableSize, s.Header.NameTableSize,
                BinaryFile::Replace::Scratch});
  } else {
    s.Con.WriteLine("No filenamelist....");
  }
}

// The next record of the index chunk by chunk; false when the index (as
// long as the header says, and as far as the file holds it) has no more.
bool EntryReader::ReadRecord(uint8_t* bytes) {
  int64_t offset = int64_t{number_} * int64_t{kIndexRecordSize};
  if (offset + int64_t{kIndexRecordSize} > int64_t{volume_.Header.IndexSize}) return false;
  int64_t inChunk = offset - chunkStart_;
  // Records are read in order: the next one is in this chunk or begins the next.
  if (inChunk + int64_t{kIndexRecordSize} > static_cast<int64_t>(chunk_.size())) {
    size_t want =
        static_cast<size_t>(std::min<int64_t>(volume_.Header.IndexSize - offset, kIndexChunk));
    chunk_.resize(want);
    chunk_.resize(
        volume_.VolumeFile.ReadAt(volume_.Header.IndexStart + offset, chunk_.data(), want));
    chunkStart_ = offset;
    inChunk = 0;
    if (chunk_.size() < kIndexRecordSize) return false;
  }
  std::memcpy(bytes, chunk_.data() + inChunk, kIndexRecordSize);
  return true;
}

std::optional<Entry> EntryReader::Next() {
  BinaryFile& volume = volume_.VolumeFile;
  uint8_t bytes[kIndexRecordSize];
  if (!ReadRecord(bytes)) {
    throw RunTimeError(ErrorCode::DiskReadError,
                       "cannot read the index of \"" + volume.Name() + "\": it has no end record");
  }
  Entry entry;
  entry.Number = number_++;
  entry.Record = DecodeIndexRecord(bytes);
  if (entry.Record.NameOffset == kEndOfIndex) return std::nullopt;
  int64_t namePosition = kNameTableStart + int64_t{entry.Record.NameOffset};
  uint8_t head[kBlockHeadSize];
  bool blockInside = entry.Record.DataPosition >= 0 &&
                     volume.ReadAt(entry.Record.DataPosition, head, sizeof head) == sizeof head;
  bool nameInside = namePosition >= 0 && namePosition < volume.Size();
  if (!blockInside || !nameInside) {
    entry.Problem = "points outside the volume";
    return entry;
  }
  entry.StoredSize = Low24(static_cast<uint32_t>(LongAt(head + 4)));
  entry.Name = volume_.Names.NameAt(volume, entry.Record.NameOffset, entry.NameProblem);
  entry.Problem = WhyEntryIsDamaged(entry, volume.Size());
  return entry;
}

}  // namespace vantor::vtvolx
