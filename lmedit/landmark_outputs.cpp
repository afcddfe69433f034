#include "landmark_outputs.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <vector>

#include "base/hex.h"
#include "base/run_time_error.h"
#include "base/text_format.h"
#include "base/text_io.h"
#include "files/text_file.h"
#include "landmark_record.h"
#include "os/platform.h"
#include "records/landmark_types.h"
#include "single_format.h"

namespace vantor::lmedit {
namespace {

constexpr size_t kMaxRangeFileName = 255;
constexpr size_t kMaxListFileName = 128;
constexpr size_t kMaxTargetFileName = 255;
constexpr int32_t kHeadingEvery = 40;

// Side codes count modulo 3; the game knows two sides.
constexpr std::array<std::string_view, 3> kListingSideNames = {"Central", "Entente", "Invalid"};

// A file created under this name would empty one of the landmark files that
// lmedit has open and is about to read.
bool IsOpenLandmarkFile(const LmeditState& s, const std::string& name) {
  return IsSameFile(name, s.TemplateName) || IsSameFile(name, s.OutputName);
}

void AskRange(LmeditState& s, int32_t& first, int32_t& last) {
  for (;;) {
    s.Con.WriteLine("Starting rec# ?");
    first = ReadRequiredInteger(s.Con);
    s.Con.WriteLine("Last rec# ?");
    last = ReadRequiredInteger(s.Con);
    const int32_t count = ReadHeader(s);  // as it is now, after the typing
    if (first > count || last > count) {
      s.Con.WriteLine("start or end record# to high, max# = " + FormatInt(count, 5));
    } else if (first < 1 || last < 1) {
      s.Con.WriteLine("start or end record# to low, min# = " + FormatInt(1, 5));
    } else {
      return;
    }
    s.Con.ReadKey();
  }
}

// Records 1 to `count` of `source` as listing and target list lines. Without
// a source, every line shows the record in `buffer`.
void WriteListing(RecordFile* source, int32_t count, LandmarkRecord& buffer, TextFileWriter& list,
                  TextFileWriter& targets) {
  const std::string heading = HeadingLine();
  std::vector<uint8_t> run(static_cast<size_t>(kRecordsPerRead) * kRecordSize);
  list.WriteLine(heading);
  for (int32_t i = 1; i <= count; ++i) {
    const int64_t at = (i - 1) % kRecordsPerRead;
    if (source != nullptr && at == 0) ReadRecordRun(*source, i - 1, count, run);
    if (source != nullptr) std::copy_n(run.begin() + at * kRecordSize, kRecordSize, buffer.begin());
    if (i % kHeadingEvery == 0) list.WriteLine(heading);
    list.WriteLine(RecordLine(i, buffer));
    std::string name = LandmarkName(buffer);
    if (!name.empty()) targets.WriteLine(name);
  }
}

}  // namespace

std::string NameRefusal(std::string_view name) {
  if (!HasControlByte(name)) return {};
  return "\"" + PrintableName(name) + "\" holds a control character, try again... ";
}

void CreateBlankOutput(LmeditState& s) {
  Console& con = s.Con;
  s.Header = ReadLandmarkHeader(s.TemplateFile);
  // The file appears only when it is whole: a failure halfway leaves no file
  // whose header counts records it does not hold.
  BinaryFile blank = BinaryFile::CreateReplacing(s.OutputName);
  blank.Write(s.Header.data(), s.Header.size());
  con.WriteLine(FormatInt(LandmarkFileSize(0)));
  con.WriteLine("creating blankfile " + s.OutputName);
  const int32_t count = RecordCount(s.Header);
  for (int32_t i = 1; i <= count; ++i) {
    blank.Write(s.BlankRecord.data(), s.BlankRecord.size());
    con.WriteLine(FormatInt(i, 4) + FormatInt(LandmarkFileSize(i), 10));
  }
  blank.Commit();
  s.OutputFile = RecordFile::Open(s.OutputName, BinaryFile::Access::ReadWrite);
  con.WriteLine("No file " + s.OutputName + " existed, blank file created... press a key");
  con.ReadKey();
}

void SaveRange(LmeditState& s) {
  Console& con = s.Con;
  con.WriteLine("Name of outfile? :");
  std::string name = con.ReadLine(kMaxRangeFileName);
  // Such a name is one that cannot be created.
  if (HasControlByte(name)) throw FileError(FileOperation::Create, PrintableName(name), EINVAL);
  if (IsOpenLandmarkFile(s, name)) {
    con.WriteLine("Refused: " + name + " is a landmark file in use... press a key");
    con.ReadKey();
    return;
  }
  // An existing file of that name is replaced only once the range is
  // written: a session that ends before leaves it as it was.
  BinaryFile range = BinaryFile::CreateReplacing(name);

  con.WriteLine("I = use input file, O = use output file ");
  char choice = 0;
  while (choice != 'I' && choice != 'O')
    choice = UpCase(static_cast<char>(con.ReadKey()));
  RecordFile& source = choice == 'I' ? s.TemplateFile : s.OutputFile;

  int32_t first = 0;
  int32_t last = 0;
  AskRange(s, first, last);
  con.WriteLine("creating outfile " + name);
  LandmarkRecord buffer{};
  for (int32_t k = 1; k <= last - first + 1; ++k) {
    // Past the end of the file the record is made of zeros, never of the
    // bytes of the record before it.
    size_t got = source.ReadUpTo(int64_t{first} + k - 2, buffer);
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(got), buffer.end(), 0);
    range.Write(buffer.data(), buffer.size());
    con.WriteLine("Records written:" + FormatInt(k, 4));
  }
  range.Commit();
  con.WriteLine("raw records file created... press a key");
  con.ReadKey();
}

std::string HeadingLine() {
  return PadLeft("Rec# :", 6) + PadLeft("Lo file ID:", 12) + PadLeft("LM ID :", 7) +
         PadLeft("N co-ord  :", 10) + PadLeft("E co-ord  :", 10) + PadLeft("Elevation :", 10) +
         PadLeft("Rotation  :", 10) + PadLeft("Side:", 10) + PadLeft("Type object:", 15) + " " +
         "  LM Name   :";
}

std::string RecordLine(int32_t i, const LandmarkRecord& record) {
  std::string line = FormatInt(i, 6);
  for (size_t b = 0; b < 3; ++b)
    line += PadLeft(ByteToHex(record[kLoFileIdOffset + b]), 4);
  line += FormatInt(LmId(record), 7);
  line += FormatSingle(RealAt(record, kNCoordOffset), 10, 5);
  line += FormatSingle(RealAt(record, kECoordOffset), 10, 5);
  line += FormatSingle(RealAt(record, kElevationOffset), 10, 2);
  line += FormatSingle(RealAt(record, kRotationOffset), 10, 2);
  line += PadLeft(kListingSideNames[Side(record) % 3], 10);
  line += PadLeft(LandmarkListingTypeNames[ObjectType(record) % 9], 15);
  line += ' ';
  line += LandmarkName(record);
  return line;
}

void ListToText(LmeditState& s) {
  Console& con = s.Con;
  con.ClearScreen();
  con.GotoXY(2, 4);
  con.WriteLine("1 List inputfile to file");
  con.WriteLine("2 List outputfile to file");
  char choice = UpCase(static_cast<char>(con.ReadKey()));

  std::string note;
  std::optional<TextFileWriter> list;
  std::optional<TextFileWriter> targets;
  for (;;) {
    con.WriteLine(note);
    con.Write("Name of output file ? :");
    std::string listName = con.ReadLine(kMaxListFileName);
    con.Write("Name of tgt list file (for vt2server.ini) ? :");
    std::string targetName = con.ReadLine(kMaxTargetFileName);
    note = NameRefusal(listName);
    if (note.empty()) note = NameRefusal(targetName);
    if (!note.empty()) continue;
    // Neither may be a landmark file in use, nor may both name one file.
    if (!IsOpenLandmarkFile(s, listName) && !IsOpenLandmarkFile(s, targetName)) {
      try {
        list.emplace(listName);
        if (!IsSameFile(targetName, listName)) {
          targets.emplace(targetName);
          break;
        }
      } catch (const RunTimeError&) {
      }
      list.reset();
    }
    note = "That was no good... try again...( remember, 8.3 names, no long names...) ";
  }

  RecordFile* source = choice == '1' ? &s.TemplateFile : choice == '2' ? &s.OutputFile : nullptr;
  WriteListing(source, ReadHeader(s), s.TemplateRecord, *list, *targets);
  list->Close();
  targets->Close();
  con.WriteLine("Done..... press a key...");
  con.ReadKey();
}

}  // namespace vantor::lmedit
