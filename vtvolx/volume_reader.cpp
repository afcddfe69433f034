#include "volume_reader.h"

#include <cstring>

#include "little_endian.h"
#include "text_format.h"

namespace vantor::vtvolx {
namespace {

// A tag and a chunk length; the length's flag byte is dropped.
int32_t ReadChunkHead(BinaryFile& file, Tag& tag) {
  file.ReadExact(tag.data(), tag.size());
  return static_cast<int32_t>(Low24(static_cast<uint32_t>(ReadLong(file))));
}

std::string TagText(const Tag& tag) {
  return std::string(tag.data(), tag.size());
}

}  // namespace

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

void ReadVolumeHeader(VtvolxState& s) {
  VolumeHeader& h = s.Header;
  h = VolumeHeader{};
  s.VolumeFile = BinaryFile::OpenExisting(s.Arg(1), BinaryFile::Access::ReadOnly);
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
}

void ShowVolumeHeader(VtvolxState& s) {
  const VolumeHeader& h = s.Header;
  PlainConsole& con = s.Con;
  con.WriteLine(" File name: " + s.Arg(1));
  con.WriteLine("Vol  :" + PadLeft(TagText(h.VolTag), 9) + " VBLK : " + FormatInt(h.VblkPos, 8));
  con.WriteLine("Volh :" + PadLeft(TagText(h.VolhTag), 9) + " Unk1 : " + FormatInt(h.VolhEnd, 8));
  con.WriteLine("Vols :" + PadLeft(TagText(h.VolsTag), 9) + " voliP: " + FormatInt(h.VoliPos, 8) +
                " Vols size: " + FormatInt(h.NameTableSize, 9) +
                " sDatap :" + FormatInt(h.NameTableStart, 9));
  con.WriteLine("Voli :" + PadLeft(TagText(h.VoliTag), 9) +
                " volisz: " + FormatInt(h.IndexSize, 8) + " Voli  unk: " + FormatInt(h.VoliUnk, 9) +
                " Voli dataP :" + FormatInt(h.IndexStart, 9));
}

void ShowFirstBlock(VtvolxState& s, int64_t position) {
  // A volume without entries has no block here: the line then shows zeros
  // rather than bytes read from past the end of the file.
  Tag tag{};
  uint32_t length = 0;
  BinaryFile& file = s.VolumeFile;
  if (position >= 0 && position + static_cast<int64_t>(kBlockHeadSize) <= file.Size()) {
    file.Seek(position);
    file.ReadExact(tag.data(), tag.size());
    length = Low24(static_cast<uint32_t>(ReadLong(file)));
  }
  s.Con.WriteLine("Head : " + TagText(tag) + " datasize : " + FormatInt(length) +
                  " filepos data: " + FormatInt(position + 8));
}

void SaveIndex(VtvolxState& s) {
  s.CurrentName = s.ProgramDir + "voli.dat";
  CopyOut(s, s.Header.IndexStart, s.CurrentName, s.Header.IndexSize, s.Header.IndexSize);
}

void SaveNameTable(VtvolxState& s) {
  s.CurrentName = s.ProgramDir + "vols.dat";
  if (s.Header.NameTableSize > 0) {
    CopyOut(s, s.Header.NameTableStart, s.CurrentName, s.Header.NameTableSize,
            s.Header.NameTableSize);
  } else {
    s.Con.WriteLine("No filenamelist....");
  }
}

CopyResult CopyOut(VtvolxState& s, int64_t position, const std::string& name, int64_t storedSize,
                   int64_t realSize) {
  // A link standing under the name is removed, never written through.
  BinaryFile out = BinaryFile::CreateUnlinked(name);
  int64_t count = 0;
  if (position >= 0 && storedSize > 0) count = out.CopyFrom(s.VolumeFile, position, storedSize);
  out.Close();
  s.Con.WriteLine("File : " + name + "  Bytes written: " + FormatInt(count, 9) +
                  " Expected: " + FormatInt(storedSize, 9));
  if (count < storedSize) {
    s.SomeEntryFailed = true;
    return CopyResult::CutShort;
  }
  if (realSize == storedSize) {
    s.Con.WriteLine(name + " is not compressed. " + s.CurrentName);
    return CopyResult::NotPacked;
  }
  return CopyResult::Packed;
}

}  // namespace vantor::vtvolx
