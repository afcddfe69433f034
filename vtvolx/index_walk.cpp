#include "index_walk.h"

#include <cstring>
#include <optional>

#include "little_endian.h"
#include "platform.h"
#include "run_time_error.h"
#include "text_file.h"
#include "text_format.h"
#include "volume_reader.h"

namespace vantor::vtvolx {
namespace {

constexpr size_t kMaxPromptLine = 255;
constexpr size_t kNameBytesRead = 41;
constexpr size_t kMaxNameBytes = 40;
constexpr const char* kExtractorName = "extract.exe";
constexpr const char* kInnerName = "huh.dat";

// An empty text is never found, as in the classic string search.
bool StartsWith(std::string_view text, std::string_view part) {
  return !part.empty() && text.substr(0, part.size()) == part;
}

bool Contains(std::string_view text, std::string_view part, size_t from = 0) {
  return !part.empty() && from <= text.size() && text.find(part, from) != std::string_view::npos;
}

bool PatternSelects(std::string_view p, std::string_view n) {
  auto star = p.find('*');
  if (p == "*" || (star == std::string_view::npos && StartsWith(n, p))) return true;
  if (star == 0 && Contains(n, p.substr(1))) return true;
  if (star != std::string_view::npos && star == p.size() - 1 && p.size() > 1 &&
      StartsWith(n, p.substr(0, star))) {
    return true;
  }
  if (star == std::string_view::npos) return false;
  std::string_view before = p.substr(0, star);
  std::string_view after = p.substr(star + 1);
  return StartsWith(n, before) && Contains(n, after, 1);
}

bool IsListingMode(const std::string& mode) {
  return mode == "-list" || mode == "-batch";
}

struct Entry {
  IndexRecord record;
  int64_t storedSize = 0;
  std::string name;
};

// The next record of the working index; the walk ends at the end record.
IndexRecord ReadIndexRecord(VtvolxState& s, BinaryFile& index) {
  uint8_t bytes[kIndexRecordSize];
  if (index.ReadUpTo(bytes, sizeof bytes) != sizeof bytes) {
    throw RunTimeError(ErrorCode::DiskReadError,
                       "cannot read \"" + index.Name() + "\": the index has no end record");
  }
  s.RecordBytes += static_cast<int32_t>(kIndexRecordSize);
  return DecodeIndexRecord(bytes);
}

// Reads the entry's block head and name. A position outside the volume is
// reported and the entry skipped; the walk goes on with the next one.
std::optional<Entry> ReadEntry(VtvolxState& s, const IndexRecord& record) {
  BinaryFile& volume = s.VolumeFile;
  int64_t namePosition = kNameTableStart + int64_t{record.NameOffset};
  bool blockInside = record.DataPosition >= 0 &&
                     int64_t{record.DataPosition} + int64_t{kBlockHeadSize} <= volume.Size();
  bool nameInside = namePosition >= 0 && namePosition < volume.Size();
  if (!blockInside || !nameInside) {
    s.Con.WriteLine("  bad entry: index record " + FormatInt(s.RecordBytes / 14 - 1) +
                    " points outside the volume, skipped");
    s.SomeEntryFailed = true;
    return std::nullopt;
  }
  Entry entry{record, 0, {}};
  uint8_t head[kBlockHeadSize];
  volume.Seek(record.DataPosition);
  volume.ReadExact(head, sizeof head);
  entry.storedSize = Low24(static_cast<uint32_t>(LongAt(head + 4)));
  char name[kNameBytesRead] = {};
  volume.Seek(namePosition);
  size_t got = volume.ReadUpTo(name, sizeof name);
  // A name without a 0 byte among its first 40 is cut there.
  size_t usable = std::min(got, kMaxNameBytes);
  entry.name.assign(name, strnlen(name, usable));
  return entry;
}

void ListEntry(VtvolxState& s, TextFileWriter& list, const Entry& e) {
  std::string_view name = e.name;
  std::string dataPos = FormatInt(int64_t{e.record.DataPosition} + 8, 9);
  s.Con.WriteLine("File: " + PadLeft(name, 13) + " Ptr->data : " + dataPos + " Filesize : " +
                  FormatInt(e.storedSize, 8) + " Real size:" + FormatInt(e.record.RealSize, 8));
  list.WriteLine("IndxRec# : " + FormatInt(s.RecordBytes / 14 - 1, 8) +
                 "Filename: " + PadLeft(name, 13) + " Ptr->data : " + dataPos + " Filesize : " +
                 FormatInt(e.storedSize, 8) + " Realsize:" + FormatInt(e.record.RealSize, 8));
}

void BatchEntry(VtvolxState& s, TextFileWriter& batch, const Entry& e) {
  s.Con.Write(".");
  // Running the batch file runs these lines: a name that would be refused at
  // extraction, or one that means something to a command interpreter, is
  // only remarked.
  std::string guard = NeedsBatchGuard(e.name) ? "rem " : "";
  batch.WriteLine(guard + s.ProgramName + " " + s.Arg(1) + " " + e.name);
  batch.WriteLine(guard + "echo " + e.name + " > lastfile.txt");
}

void ListingStep(VtvolxState& s, TextFileWriter& list, const Entry& e) {
  if (e.name.empty()) return;
  bool selected = s.FilterWord.empty() || !MatchName(s.FilterWord, e.name).empty();
  if (!selected) {
    s.Con.Write(".");
  } else if (s.ModeWord == "-list") {
    ListEntry(s, list, e);
  } else {
    BatchEntry(s, list, e);
  }
}

std::string TedName(int32_t number) {
  std::string digits = std::to_string(number);
  if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
  return "ted" + digits + ".dat";
}

void ExtractEntry(VtvolxState& s, const Entry& e, const std::string& outName) {
  if (!s.IsTed && IsUnsafeEntryName(e.name)) {
    s.Con.WriteLine("  refused unsafe name: " + e.name);
    s.SomeEntryFailed = true;
    return;
  }
  if (IsSymbolicLink(outName)) {
    s.Con.WriteLine("  refused, a symbolic link stands under the name: " + outName);
    s.SomeEntryFailed = true;
    return;
  }
  // An entry named like the volume would replace the very file being read.
  if (IsSameFile(outName, s.Arg(1))) {
    s.Con.WriteLine("  refused, that is the volume itself: " + outName);
    s.SomeEntryFailed = true;
    return;
  }
  s.Con.WriteLine("  getting: " + outName);
  int64_t dataStart = int64_t{e.record.DataPosition} + 8;
  CopyResult result = CopyOut(s, dataStart, outName, e.storedSize, e.record.RealSize);
  if (result == CopyResult::Packed) UnpackEntry(s, outName, e.storedSize, e.record.RealSize);
}

void ExtractionStep(VtvolxState& s, const Entry& e) {
  ++s.ExtractCount;
  std::string pattern = s.ModeWord == "-all" ? e.name : s.ModeWord;
  bool selected = s.IsTed || (!MatchName(pattern, e.name).empty() && !e.name.empty());
  if (!selected) return;
  ++s.SelectedCount;
  if (e.storedSize <= 0) return;
  if (s.FilterWord == "-test") {
    s.Con.WriteLine("  -test:  " + e.name);
    return;
  }
  ExtractEntry(s, e, s.IsTed ? TedName(s.ExtractCount) : e.name);
}

std::optional<TextFileWriter> OpenListFile(VtvolxState& s) {
  if (!IsListingMode(s.Arg(2))) return std::nullopt;
  std::string kind = s.Arg(2).substr(1);
  std::string name;
  while (name.empty()) {
    s.Con.WriteLine(" 8.3 DOS Name for file to write " + kind + " file to: ");
    name = s.Con.ReadLine(kMaxPromptLine);
  }
  return TextFileWriter(name);
}

void ChooseModeWord(VtvolxState& s) {
  if (s.ArgCount() >= 2) {
    s.ModeWord = s.Arg(2);
    return;
  }
  s.ModeWord.clear();
  while (s.ModeWord.empty()) {
    s.Con.WriteLn();
    s.Con.Write("Name 2 extract ? : ");
    s.ModeWord = s.Con.ReadLine(kMaxPromptLine);
  }
}

void WriteSummary(VtvolxState& s) {
  s.Con.Write(".");
  s.Con.WriteLn();
  s.Con.WriteLn();
  s.Con.WriteLine(" Files extracted : " + FormatInt(s.SelectedCount, 8) + " Filepos voli :" +
                  FormatInt(s.RecordBytes, 8) + " Rec# : " + FormatInt(s.RecordBytes / 14, 8));
}

bool HasBitmapMark(const std::string& name) {
  BinaryFile file = BinaryFile::OpenExisting(name, BinaryFile::Access::ReadOnly);
  char mark[3] = {};
  // Files shorter than the mark are no bitmaps.
  return file.ReadUpTo(mark, sizeof mark) == sizeof mark && std::memcmp(mark, "KBM", 3) == 0;
}

// Builds the one-entry working volume from the template: its first 16 bytes
// with the size patched, the stored bytes, "VBLK", then the template's tail.
void BuildWorkingVolume(VtvolxState& s, const std::string& outName, int64_t realSize,
                        const std::string& templatePath, const std::string& workPath) {
  s.Con.WriteLine("Opening files");
  BinaryFile templ = BinaryFile::OpenExisting(templatePath, BinaryFile::Access::ReadOnly);
  BinaryFile work = BinaryFile::Create(workPath);
  BinaryFile packed = BinaryFile::OpenExisting(outName, BinaryFile::Access::ReadOnly);
  s.Con.WriteLine("done.");
  s.Con.WriteLine("writing header.");
  uint8_t head[16];
  templ.ReadExact(head, sizeof head);
  auto patched = static_cast<uint32_t>(realSize + 256);
  for (int i = 0; i < 3; ++i)
    head[12 + i] = static_cast<uint8_t>(patched >> (8 * i));
  work.Write(head, sizeof head);
  s.Con.WriteLine("done.");
  s.Con.WriteLine("pasting compressed file... " + outName);
  work.CopyFrom(packed, 0, packed.Size());
  work.Write("VBLK", 4);
  int64_t tailStart = packed.Size() + 20;
  if (tailStart < templ.Size()) work.CopyFrom(templ, tailStart, templ.Size() - tailStart);
  work.Seek(work.Size() - 5);
  WriteLong(work, static_cast<int32_t>(realSize + 256));
  packed.Close();
  templ.Close();
  work.Close();
  s.Con.WriteLine("closed files");
}

}  // namespace

std::string MatchName(std::string_view pattern, std::string_view name) {
  if (name.empty()) return {};
  bool inverted = !pattern.empty() && pattern[0] == '!';
  if (inverted) pattern.remove_prefix(1);
  bool selected = PatternSelects(pattern, name);
  return selected != inverted ? std::string(name) : std::string();
}

bool IsUnsafeEntryName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return true;
  if (name.find_first_of("/\\") != std::string_view::npos) return true;
  bool driveLetter = name.size() >= 2 && name[1] == ':' &&
                     ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
  if (driveLetter) return true;
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127) return true;
  }
  return false;
}

bool NeedsBatchGuard(std::string_view name) {
  return IsUnsafeEntryName(name) || name.find_first_of("&|<>^%;`$\"") != std::string_view::npos;
}

void UnpackEntry(VtvolxState& s, const std::string& outName, int64_t storedSize, int64_t realSize) {
  (void)storedSize;  // the file written holds exactly the stored bytes
  int64_t fileSize = BinaryFile::OpenExisting(outName, BinaryFile::Access::ReadOnly).Size();
  s.Con.WriteLine("beginning decompress filesize " + outName + " :" + FormatInt(fileSize));
  std::string templatePath = s.ProgramDir + "dum.vol";
  std::string workPath = s.ProgramDir + "out.vol";
  BuildWorkingVolume(s, outName, realSize, templatePath, workPath);

  std::string extractor = s.ProgramDir + kExtractorName;
  s.Con.WriteLine("execing: " + s.ProgramDir + "Extract.exe " + workPath + " " + kInnerName + " " +
                  outName + " please wait...");
  s.Con.Flush();
  std::optional<int> status = StartProgramAndWait(extractor, {workPath, kInnerName, outName});
  // A failed extractor leaves the stored bytes as they are, cut to nothing.
  if (!status || *status == 127) {
    s.Con.WriteLine("  the extractor " + extractor + " could not be started; " + outName +
                    " keeps its packed bytes");
    s.SomeEntryFailed = true;
    return;
  }
  if (*status != 0) {
    s.Con.WriteLine("  the extractor failed (exit status " + std::to_string(*status) + "); " +
                    outName + " keeps its packed bytes");
    s.SomeEntryFailed = true;
    return;
  }
  s.Con.WriteLine("extract done... truncating " + outName + " to " + FormatInt(realSize, 5) +
                  " bytes");
  BinaryFile unpacked = BinaryFile::OpenExisting(outName, BinaryFile::Access::ReadWrite);
  unpacked.Seek(realSize);
  unpacked.Truncate();
  unpacked.Close();
  if (HasBitmapMark(outName)) {
    s.Con.WriteLine("! Korvid Bitmap File , needs conversion !" + outName);
  } else {
    s.Con.WriteLine("done... file ready");
  }
}

void WalkIndex(VtvolxState& s) {
  BinaryFile index =
      BinaryFile::OpenExisting(s.ProgramDir + "voli.dat", BinaryFile::Access::ReadOnly);
  s.FilterWord = s.Arg(3);
  s.Con.WriteLn();
  s.Con.WriteLn();
  s.Con.WriteLn();
  std::optional<TextFileWriter> list = OpenListFile(s);
  ChooseModeWord(s);
  for (;;) {
    IndexRecord record = ReadIndexRecord(s, index);
    if (record.NameOffset == -1) break;
    std::optional<Entry> entry = ReadEntry(s, record);
    if (!entry) continue;
    s.CurrentName = entry->name;
    if (IsListingMode(s.ModeWord) && list) {
      ListingStep(s, *list, *entry);
    } else {
      ExtractionStep(s, *entry);
    }
  }
  index.Close();
  if (list) {
    if (s.ModeWord == "-batch") list->WriteLine("echo ...Done!...> lastfile.txt");
    list->Close();
  }
  WriteSummary(s);
}

}  // namespace vantor::vtvolx
