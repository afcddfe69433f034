#include "volume_builder.h"

#include <algorithm>
#include <array>
#include <vector>

#include "hex.h"
#include "platform.h"
#include "run_time_error.h"
#include "text_format.h"
#include "volume_reader.h"

namespace vantor::vtvolx {
namespace {

constexpr std::array<uint8_t, 28> kHeadTemplate = {
    'V', 'O',  'L', ' ', 'x', 'x', 'x', 0x80, 'v', 'o',  'l', 'h', 0,   0,
    0,   0x80, 'v', 'o', 'l', 's', 'z', 'z',  'z', 0x80, 'a', 'a', 'a', 'a'};
constexpr std::array<uint8_t, 8> kIndexHeadPlaceholder = {'v', 'o', 'l', 'i', 'S', 'I', 'Z', 0x80};
constexpr int64_t kDotEvery = 10000;

// The files a build run itself writes into the program's folder.
constexpr std::array<const char*, 7> kWorkingFiles = {
    "head.vol", "string.idx", "index.idx", "vblkdata.vol", "_long.txt", "voli.dat", "vols.dat"};

struct PartFiles {
  BinaryFile strings, index, data;
};

std::string StoreNameOf(VtvolxState& s, const std::string& foundName) {
  std::string storeName = LowerCase(foundName);
  if (storeName.find('~') != std::string::npos) storeName = GetLongName(s, foundName);
  return storeName;
}

// The files to store, in name order; the program's own working files are
// left out when the source is the program's folder.
std::vector<FoundFile> SourceFiles(const VtvolxState& s) {
  std::vector<FoundFile> files = FindFiles(SourceFolder(s) + "/*");
  if (IsSameFile(SourceFolder(s), s.ProgramDir)) {
    std::erase_if(files, [](const FoundFile& f) {
      std::string lower = LowerCase(f.name);
      return std::find(kWorkingFiles.begin(), kWorkingFiles.end(), lower) != kWorkingFiles.end();
    });
  }
  return files;
}

void WriteBlockHead(BinaryFile& data, int64_t fileSize) {
  uint8_t head[8] = {'V',
                     'B',
                     'L',
                     'K',
                     static_cast<uint8_t>(fileSize),
                     static_cast<uint8_t>(fileSize >> 8),
                     static_cast<uint8_t>(fileSize >> 16),
                     0x80};
  data.Write(head, sizeof head);
}

void StoreFile(VtvolxState& s, PartFiles& parts, const FoundFile& found, int32_t& fileCount,
               int32_t& dataOffset) {
  std::string foundName = LowerCase(found.name);
  std::string storeName = StoreNameOf(s, found.name);
  s.Con.WriteLine("File:" + foundName + " size:" + FormatInt(found.size, 10));
  // On a file system that tells case apart, the file is opened under the
  // name the search returned; only the stored name is lower case.
  BinaryFile source = BinaryFile::OpenExisting(found.name, BinaryFile::Access::ReadOnly);
  WriteBlockHead(parts.data, found.size);
  IndexRecord record{static_cast<int32_t>(parts.strings.Size()), dataOffset,
                     static_cast<int32_t>(found.size), 0, 1};
  s.Con.WriteLn();
  uint8_t bytes[kIndexRecordSize];
  EncodeIndexRecord(record, bytes);
  parts.index.Write(bytes, sizeof bytes);
  dataOffset += 8;
  // The copy is one piece, but its dots are those of a copy in reads of
  // 10000 bytes, the last of which comes up short.
  int64_t copied = parts.data.CopyFrom(source, 0, source.Size());
  s.Con.Write(std::string(static_cast<size_t>(copied / kDotEvery + 1), '.'));
  parts.strings.Write(storeName.data(), storeName.size());
  parts.strings.Write("", 1);
  parts.data.Write("\0\0", 2);
  int64_t fileBytes = copied + 2;
  dataOffset += static_cast<int32_t>(fileBytes);
  source.Close();
  ++fileCount;
  s.Con.WriteLn();
  s.Con.WriteLine(" Done.. #files:" + FormatInt(fileCount, 5) + " #bytes:" +
                  FormatInt(fileBytes, 10) + " VBLKbytes:" + FormatInt(dataOffset, 10));
}

void WriteLowBytes(BinaryFile& file, int64_t position, int64_t value) {
  uint8_t bytes[3] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                      static_cast<uint8_t>(value >> 16)};
  file.Seek(position);
  file.Write(bytes, sizeof bytes);
}

void FixHead(VtvolxState& s, int64_t headLen, int64_t stringSize, int64_t volLen) {
  BinaryFile head =
      BinaryFile::OpenExisting(s.ProgramDir + "head.vol", BinaryFile::Access::ReadWrite);
  WriteLowBytes(head, 4, volLen);
  int64_t volsLen = stringSize + headLen - 24;
  s.Con.WriteLine("IndexStart       " + FormatInt(volsLen, 8));
  WriteLowBytes(head, 20, volsLen);
  head.Seek(24);
  WriteLong(head, static_cast<int32_t>(stringSize));
  head.Close();
}

void FixIndex(VtvolxState& s, int64_t indexSize, int64_t vblkStart) {
  BinaryFile index =
      BinaryFile::OpenExisting(s.ProgramDir + "index.idx", BinaryFile::Access::ReadWrite);
  index.Seek(4);
  WriteLong(index, static_cast<int32_t>(indexSize - 8));
  index.Seek(8);
  s.Con.WriteLine("size index: " + FormatInt(indexSize));
  s.Con.WriteLn();
  int64_t last = 8;
  uint8_t bytes[kIndexRecordSize];
  while (index.Position() + static_cast<int64_t>(kIndexRecordSize) <= index.Size()) {
    last = index.Position();
    index.ReadExact(bytes, sizeof bytes);
    IndexRecord record = DecodeIndexRecord(bytes);
    record.DataPosition += static_cast<int32_t>(vblkStart);
    EncodeIndexRecord(record, bytes);
    index.Seek(last);
    index.Write(bytes, sizeof bytes);
    s.Con.Write(".");
  }
  index.Seek(last);
  s.Con.WriteLine("\r\ndone fixing index.....");
  EncodeIndexRecord(IndexRecord{-1, 0, 0, 0, 0}, bytes);
  index.Write(bytes, sizeof bytes);
  index.Close();
}

}  // namespace

std::string SourceFolder(const VtvolxState& s) {
  return s.ArgCount() >= 3 ? s.Arg(3) : s.ProgramDir + "volin";
}

std::string GetLongName(VtvolxState& s, const std::string& name) {
  // The folder search already gives the long name here; no command
  // interpreter is asked.
  s.Con.WriteLine(" Long name is " + name);
  return name;
}

bool CheckSourceFolder(VtvolxState& s) {
  std::string folder = SourceFolder(s);
  if (!IsDirectory(folder)) {
    throw RunTimeError(ErrorCode::PathNotFound, "cannot read folder \"" + folder + "\"");
  }
  for (const FoundFile& f : SourceFiles(s)) {
    std::string storeName = LowerCase(f.name);
    if (storeName.size() > kMaxStoredName) {
      s.Con.WriteLine("Cannot store " + f.name + ": names of more than 39 characters cannot be " +
                      "read back from a volume");
      return false;
    }
    if (f.size > kMaxStoredFileSize) {
      s.Con.WriteLine("Cannot store " + f.name + ": files of 16777216 bytes or more do not fit " +
                      "a volume's block length");
      return false;
    }
  }
  return true;
}

void BuildVolume(VtvolxState& s) {
  PartFiles parts{BinaryFile::Create(s.ProgramDir + "string.idx"),
                  BinaryFile::Create(s.ProgramDir + "index.idx"), BinaryFile()};
  std::string folder = SourceFolder(s);
  parts.index.Write(kIndexHeadPlaceholder.data(), kIndexHeadPlaceholder.size());
  BinaryFile head = BinaryFile::Create(s.ProgramDir + "head.vol");
  head.Write(kHeadTemplate.data(), kHeadTemplate.size());
  int64_t headLen = head.Size();
  head.Close();
  parts.data = BinaryFile::Create(s.ProgramDir + "VBLKdata.vol");
  ChangeDirectory(folder);
  int32_t fileCount = 0;
  int32_t dataOffset = 0;
  for (const FoundFile& found : SourceFiles(s))
    StoreFile(s, parts, found, fileCount, dataOffset);
  uint8_t endRecord[kIndexRecordSize];
  EncodeIndexRecord(IndexRecord{-1, 0, 0, 0, 0}, endRecord);
  parts.index.Write(endRecord, sizeof endRecord);
  ChangeDirectory("..");
  int64_t stringSize = parts.strings.Size();
  int64_t indexSize = parts.index.Size();
  int64_t dataSize = parts.data.Size();
  int64_t volLen = headLen + stringSize + indexSize - 8;
  parts.strings.Close();
  parts.index.Close();
  parts.data.Close();
  s.Con.WriteLine("size of strings" + FormatInt(stringSize, 8));
  s.Con.WriteLine("size of index  " + FormatInt(indexSize, 8));
  s.Con.WriteLine("size of VBLKdat" + FormatInt(dataSize, 8));
  s.Con.WriteLine("VBLKStart       " + FormatInt(volLen, 8));
  FixHead(s, headLen, stringSize, volLen);
  int64_t vblkStart = headLen + stringSize + indexSize;
  s.Con.WriteLine("VBLKstart: " + FormatInt(vblkStart, 10));
  FixIndex(s, indexSize, vblkStart);
  s.Con.WriteLine("Done writing stringfile and data segment..... #files:" +
                  FormatInt(fileCount, 5));
}

void AssembleVolume(VtvolxState& s) {
  // The new volume replaces an old one of that name only when it is whole.
  BinaryFile volume = BinaryFile::CreateReplacing(s.Arg(2));
  int64_t total = 0;
  for (const char* part : {"head.vol", "string.idx", "index.idx", "VBLKdata.vol"}) {
    std::string path = s.ProgramDir + part;
    BinaryFile source = BinaryFile::OpenExisting(path, BinaryFile::Access::ReadOnly);
    s.Con.WriteLine("adding " + path + " to " + s.Arg(2));
    total += volume.CopyFrom(source, 0, source.Size());
    source.Close();
    s.Con.WriteLine(FormatInt(total, 8) + " bytes written");
  }
  volume.Commit();
}

}  // namespace vantor::vtvolx
