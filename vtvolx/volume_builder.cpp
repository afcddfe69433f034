#include "volume_builder.h"

#include <array>
#include <map>
#include <optional>

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "entry_names.h"
#include "os/platform.h"
#include "records/little_endian.h"
#include "volume_format.h"
#include "working_files.h"

namespace vantor::vtvolx {
namespace {

constexpr std::array<uint8_t, 28> kHeadTemplate = {
    'V', 'O',  'L', ' ', 'x', 'x', 'x', 0x80, 'v', 'o',  'l', 'h', 0,   0,
    0,   0x80, 'v', 'o', 'l', 's', 'z', 'z',  'z', 0x80, 'a', 'a', 'a', 'a'};
constexpr std::array<uint8_t, 8> kIndexHeadPlaceholder = {'v', 'o', 'l', 'i', 'S', 'I', 'Z', 0x80};
constexpr int64_t kDotEvery = 10000;
// A block's head and its two padding bytes.
constexpr int64_t kBlockOverhead = kBlockHeadSize + 2;

struct PartFiles {
  BinaryFile strings, index, data;
};

bool HasTilde(const std::string& name) {
  return name.find('~') != std::string::npos;
}

// Names are stored in lower case, except the long names of names with a "~",
// which keep the case the folder gives.
std::string StoreNameOf(const std::string& foundName) {
  return HasTilde(foundName) ? foundName : LowerCase(foundName);
}

bool Refuse(VtvolxState& s, const std::string& name, const std::string& why) {
  s.Con.WriteLine("Cannot store " + PrintableName(name) + ": " + why);
  return false;
}

bool CheckOneFile(VtvolxState& s, const SourceFile& f,
                  std::map<std::string, std::string>& namesIgnoringCase) {
  if (f.StoreName.size() > kMaxStoredName) {
    return Refuse(s, f.FoundName,
                  "names of more than 39 characters cannot be read back from a volume");
  }
  if (f.Size > kMaxStoredFileSize) {
    return Refuse(s, f.FoundName,
                  "files of 16777216 bytes or more do not fit a volume's block length");
  }
  if (auto why = WhyNameIsUnsafe(f.StoreName)) {
    return Refuse(s, f.FoundName, *why + " cannot be extracted again");
  }
  // Extraction on a file system that ignores case would put both in one file.
  auto [earlier, isNew] = namesIgnoringCase.emplace(LowerCase(f.StoreName), f.FoundName);
  if (!isNew) {
    return Refuse(s, f.FoundName,
                  "its name is that of " + PrintableName(earlier->second) + " in another case");
  }
  return true;
}

// Why the new volume may not replace what stands under its name; nothing
// when it may.
std::optional<std::string> WhyVolumeCannotGoThere(const Options& o, const ExtractionPolicy& policy,
                                                  const std::vector<SourceFile>& files) {
  std::string file = NewVolumeFile(o);
  FileIdentity standing;
  FileKind kind = KindOf(file, &standing);
  if (kind == FileKind::Directory || kind == FileKind::Other) return "that is no ordinary file";
  // Through every link there is none: a loop, or a link to nothing.
  if (kind == FileKind::SymbolicLink) return "the symbolic link there leads to no file";
  // The link's own name counts too: a link standing as the extractor leads
  // to the file the extractor runs.
  if (policy.IsOwnFile(NewVolumePath(o)) || policy.IsOwnFile(file)) {
    return "that is one of vtvolx's own files";
  }
  if (kind == FileKind::Missing) return std::nullopt;
  // Asked before the parts are built: the replace itself would refuse it.
  if (!OwnerCanBeKept(file)) {
    return "it belongs to another user or group, and the new volume would be this user's own";
  }
  // Replacing a file while it is read would store the volume in itself.
  for (const SourceFile& f : files) {
    if (IdentityOf(JoinPath(o.SourceFolder, f.FoundName)) == standing) {
      return "that is " + PrintableName(f.FoundName) + ", one of the files to store";
    }
  }
  return std::nullopt;
}

void WriteBlockHead(BinaryFile& data, int64_t fileSize) {
  uint8_t head[8] = {'V', 'B', 'L', 'K', 0, 0, 0, 0x80};
  PutThreeBytes(head + 4, static_cast<uint32_t>(fileSize));
  data.Write(head, sizeof head);
}

// A name that holds "~" is stored as the folder search gives it, which is
// already the long name; the line tells the user which name that is.
void ReportLongName(PlainConsole& con, const std::string& name) {
  con.WriteLine(" Long name is " + PrintableName(name));
}

void StoreFile(VtvolxState& s, PartFiles& parts, const SourceFile& file, int32_t& fileCount,
               int32_t& dataOffset) {
  if (HasTilde(file.FoundName)) ReportLongName(s.Con, file.FoundName);
  s.Con.WriteLine("File:" + PrintableName(LowerCase(file.FoundName)) +
                  " size:" + FormatInt(file.Size, 10));
  std::string path = JoinPath(s.Opt.SourceFolder, file.FoundName);
  BinaryFile source = BinaryFile::OpenExisting(path, BinaryFile::Access::ReadOnly);
  WriteBlockHead(parts.data, file.Size);
  IndexRecord record{static_cast<int32_t>(parts.strings.Size()), dataOffset,
                     static_cast<int32_t>(file.Size), 0, 1};
  s.Con.WriteLn();
  uint8_t bytes[kIndexRecordSize];
  EncodeIndexRecord(record, bytes);
  parts.index.Write(bytes, sizeof bytes);
  dataOffset += 8;
  // The sizes written above must hold: a file that changed since the folder
  // was listed would make the volume lie.
  int64_t copied = parts.data.CopyFrom(source, 0, file.Size);
  if (copied != file.Size || source.Size() != file.Size) {
    throw RunTimeError(ErrorCode::DiskReadError,
                       "\"" + path + "\" changed while the volume was being built");
  }
  // The copy is one piece, but its dots are those of a copy in reads of
  // 10000 bytes, the last of which comes up short.
  s.Con.Write(std::string(static_cast<size_t>(copied / kDotEvery + 1), '.'));
  parts.strings.Write(file.StoreName.data(), file.StoreName.size());
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
  uint8_t bytes[3];
  PutThreeBytes(bytes, static_cast<uint32_t>(value));
  file.Seek(position);
  file.Write(bytes, sizeof bytes);
}

void FixHead(VtvolxState& s, int64_t headLen, int64_t stringSize, int64_t volLen) {
  BinaryFile head =
      BinaryFile::OpenExisting(s.Opt.ProgramDir + "head.vol", BinaryFile::Access::ReadWrite);
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
      BinaryFile::OpenExisting(s.Opt.ProgramDir + "index.idx", BinaryFile::Access::ReadWrite);
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
  EncodeIndexRecord(IndexRecord{kEndOfIndex, 0, 0, 0, 0}, bytes);
  index.Write(bytes, sizeof bytes);
  index.Close();
}

}  // namespace

std::string NewVolumePath(const Options& o) {
  return JoinPath(ParentFolderAsNamed(o.SourceFolder), o.Volume);
}

std::string NewVolumeFile(const Options& o) {
  return FileBehindLinks(NewVolumePath(o));
}

std::vector<SourceFile> ListSourceFolder(VtvolxState& s) {
  const std::string& folder = s.Opt.SourceFolder;
  if (!IsDirectory(folder)) {
    throw RunTimeError(ErrorCode::PathNotFound, "cannot read folder \"" + folder + "\"");
  }
  // Built from the program's own folder, the parts and working files of
  // the run itself are left out.
  bool ownFolder = IsSameFile(folder, s.Opt.ProgramDir);
  std::vector<SourceFile> files;
  for (const FoundFile& found : FindFiles(JoinPath(folder, "*"))) {
    if (ownFolder && IsWorkingFileName(LowerCase(found.name))) continue;
    files.push_back({found.name, StoreNameOf(found.name), found.size});
  }
  return files;
}

bool CheckSourceFiles(VtvolxState& s, const ExtractionPolicy& policy,
                      const std::vector<SourceFile>& files) {
  std::map<std::string, std::string> namesIgnoringCase;
  int64_t names = 0;
  int64_t blocks = 0;
  for (const SourceFile& f : files) {
    if (!CheckOneFile(s, f, namesIgnoringCase)) return false;
    names += static_cast<int64_t>(f.StoreName.size()) + 1;
    blocks += f.Size + kBlockOverhead;
  }
  int64_t index = 8 + int64_t{kIndexRecordSize} * (static_cast<int64_t>(files.size()) + 1);
  int64_t volumeSize = kNameTableStart + names + index + blocks;
  std::string target = NewVolumePath(s.Opt);
  if (volumeSize > kMaxVolumeSize) {
    s.Con.WriteLine("Cannot build " + PrintableName(target) + ": it would hold " +
                    FormatInt(volumeSize) + " bytes, and a volume's positions end at " +
                    FormatInt(kMaxVolumeSize));
    return false;
  }
  if (auto why = WhyVolumeCannotGoThere(s.Opt, policy, files)) {
    s.Con.WriteLine("Cannot build " + PrintableName(target) + ": " + *why);
    return false;
  }
  return true;
}

void BuildVolume(VtvolxState& s, const std::vector<SourceFile>& files) {
  const std::string& dir = s.Opt.ProgramDir;
  PartFiles parts{BinaryFile::CreateOverwriting(dir + "string.idx"),
                  BinaryFile::CreateOverwriting(dir + "index.idx"), BinaryFile()};
  parts.index.Write(kIndexHeadPlaceholder.data(), kIndexHeadPlaceholder.size());
  BinaryFile head = BinaryFile::CreateOverwriting(dir + "head.vol");
  head.Write(kHeadTemplate.data(), kHeadTemplate.size());
  int64_t headLen = head.Size();
  head.Close();
  parts.data = BinaryFile::CreateOverwriting(dir + "VBLKdata.vol");
  int32_t fileCount = 0;
  int32_t dataOffset = 0;
  for (const SourceFile& file : files)
    StoreFile(s, parts, file, fileCount, dataOffset);
  uint8_t endRecord[kIndexRecordSize];
  EncodeIndexRecord(IndexRecord{kEndOfIndex, 0, 0, 0, 0}, endRecord);
  parts.index.Write(endRecord, sizeof endRecord);
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
  // The new volume replaces an old one of that name only when it is whole
  // and on the disk.
  BinaryFile volume = BinaryFile::CreateReplacing(NewVolumeFile(s.Opt));
  int64_t total = 0;
  for (const char* part : {"head.vol", "string.idx", "index.idx", "VBLKdata.vol"}) {
    std::string path = s.Opt.ProgramDir + part;
    BinaryFile source = BinaryFile::OpenExisting(path, BinaryFile::Access::ReadOnly);
    s.Con.WriteLine("adding " + path + " to " + s.Opt.Volume);
    total += volume.CopyFrom(source, 0, source.Size());
    source.Close();
    s.Con.WriteLine(FormatInt(total, 8) + " bytes written");
  }
  volume.Commit();
}

}  // namespace vantor::vtvolx
