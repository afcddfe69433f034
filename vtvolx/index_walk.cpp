#include "index_walk.h"

#include <optional>

#include "base/text_format.h"
#include "entry_names.h"
#include "entry_writer.h"
#include "files/text_file.h"
#include "name_pattern.h"
#include "unpacker.h"
#include "volume_reader.h"

namespace vantor::vtvolx {
namespace {

constexpr size_t kMaxPromptLine = 255;

bool IsListing(RunMode mode) {
  return mode == RunMode::List || mode == RunMode::Batch;
}

void ListEntry(VtvolxState& s, TextFileWriter& list, const Entry& e) {
  std::string name = PadLeft(PrintableName(e.Name), 13);
  std::string dataPos = FormatInt(int64_t{e.Record.DataPosition} + 8, 9);
  std::string sizes = " Filesize : " + FormatInt(e.StoredSize, 8);
  s.Con.WriteLine("File: " + name + " Ptr->data : " + dataPos + sizes +
                  " Real size:" + FormatInt(e.Record.RealSize, 8));
  list.WriteLine("IndxRec# : " + FormatInt(e.Number, 8) + "Filename: " + name + " Ptr->data : " +
                 dataPos + sizes + " Realsize:" + FormatInt(e.Record.RealSize, 8));
}

void BatchEntry(VtvolxState& s, TextFileWriter& batch, const Entry& e) {
  s.Con.Write(".");
  // Running the batch file runs these lines: one that would do more than
  // extract its entry is only remarked. A ".ted" volume gives every entry to
  // any pattern.
  bool guarded = s.Opt.IsTed || VolumeNeedsBatchGuard(s.Opt.Volume) || NeedsBatchGuard(e.Name);
  std::string guard = guarded ? "rem " : "";
  std::string name = PrintableName(e.Name);
  batch.WriteLine(guard + s.Opt.ProgramName + " " + PrintableName(s.Opt.Volume) + " " + name);
  batch.WriteLine(guard + "echo " + name + " > lastfile.txt");
}

void ListingStep(VtvolxState& s, TextFileWriter& list, const Entry& e) {
  if (!e.NameProblem.empty()) return ReportBadEntry(s, e, "has " + e.NameProblem);
  if (e.Name.empty()) return;
  bool selected = s.Opt.Pattern.empty() || !MatchName(s.Opt.Pattern, e.Name).empty();
  if (!selected) {
    s.Con.Write(".");
  } else if (s.Opt.Mode == RunMode::List) {
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
  if (auto earlier = s.Written.EarlierNameOf(outName)) {
    return ReportBadEntry(s, e,
                          "names " + PrintableName(outName) + ", the file already written for " +
                              PrintableName(*earlier));
  }
  s.Con.WriteLine("  getting: " + PrintableName(outName));
  int64_t dataStart = int64_t{e.Record.DataPosition} + 8;
  CopyOutcome copy =
      CopyOut(s, {dataStart, outName, e.Name, e.StoredSize, int64_t{e.Record.RealSize}});
  if (copy.Result == CopyResult::Packed) {
    UnpackEntry(s, copy.PackedFile, outName, e.Record.RealSize);
  }
  s.Written.NoteWritten(outName);
}

void ExtractionStep(VtvolxState& s, const ExtractionPolicy& policy, const Entry& e) {
  if (!s.Opt.IsTed && !e.NameProblem.empty()) return ReportBadEntry(s, e, "has " + e.NameProblem);
  std::string pattern = s.Opt.Mode == RunMode::ExtractAll ? e.Name : s.Opt.Pattern;
  bool selected = s.Opt.IsTed || (!MatchName(pattern, e.Name).empty() && !e.Name.empty());
  if (!selected) return;
  ++s.SelectedCount;
  if (e.StoredSize <= 0) return;
  std::string outName = s.Opt.IsTed ? TedName(s.ExtractCount) : FileNameOfCp437(e.Name);
  // "-test" shows what the real run would do, refusals and exit code included.
  if (auto refusal = policy.RefusalOfEntry(e.Name, outName, s.Opt.IsTed)) {
    s.Con.WriteLine("  " + *refusal);
    s.SomeEntryFailed = true;
    return;
  }
  if (s.Opt.TestOnly) {
    s.Con.WriteLine("  -test:  " + PrintableName(e.Name));
    return;
  }
  ExtractEntry(s, e, outName);
}

// The list or batch file, under a name that the policy allows: the volume
// itself, a working copy, a link or a folder are refused and asked again.
std::optional<TextFileWriter> OpenListFile(VtvolxState& s, const ExtractionPolicy& policy) {
  if (!IsListing(s.Opt.Mode)) return std::nullopt;
  std::string kind = s.Opt.Mode == RunMode::List ? "list" : "batch";
  for (;;) {
    s.Con.WriteLine(" 8.3 DOS Name for file to write " + kind + " file to: ");
    std::string name = s.Con.ReadLine(kMaxPromptLine);
    if (name.empty()) continue;
    if (auto refusal = policy.RefusalOfTarget(name)) {
      s.Con.WriteLine(*refusal);
      continue;
    }
    return TextFileWriter(BinaryFile::CreateReplacing(name, BinaryFile::Replace::Quickly));
  }
}

// With only the volume named, the pattern is asked for. Typed "-all" extracts
// every entry, as on the command line; the other mode words are patterns
// there, since a list file is asked for before the walk.
void AskPattern(VtvolxState& s) {
  std::string typed;
  while (typed.empty()) {
    s.Con.WriteLn();
    s.Con.Write("Name 2 extract ? : ");
    typed = s.Con.ReadLine(kMaxPromptLine);
  }
  s.Opt.Mode =
      ModeOfWord(typed) == RunMode::ExtractAll ? RunMode::ExtractAll : RunMode::ExtractMatching;
  s.Opt.Pattern = typed;
}

void WriteSummary(VtvolxState& s) {
  s.Con.Write(".");
  s.Con.WriteLn();
  s.Con.WriteLn();
  s.Con.WriteLine(" Files extracted : " + FormatInt(s.SelectedCount, 8) + " Filepos voli :" +
                  FormatInt(s.RecordBytes, 8) + " Rec# : " + FormatInt(s.RecordBytes / 14, 8));
}

}  // namespace

void ReportBadEntry(VtvolxState& s, const Entry& e, const std::string& problem) {
  s.Con.EndOpenLine();
  s.Con.WriteLine("  bad entry: index record " + FormatInt(e.Number) + " " + problem + ", skipped");
  s.SomeEntryFailed = true;
}

void WalkIndex(VtvolxState& s, const ExtractionPolicy& policy) {
  s.Con.WriteLn();
  s.Con.WriteLn();
  s.Con.WriteLn();
  std::optional<TextFileWriter> list = OpenListFile(s, policy);
  if (s.Opt.Mode == RunMode::AskPattern) AskPattern(s);
  EntryReader reader(s);
  for (;;) {
    std::optional<Entry> entry = reader.Next();
    s.RecordBytes += static_cast<int32_t>(kIndexRecordSize);
    if (!entry) break;
    if (!IsListing(s.Opt.Mode)) ++s.ExtractCount;
    if (!entry->Problem.empty()) {
      ReportBadEntry(s, *entry, entry->Problem);
    } else if (list) {
      ListingStep(s, *list, *entry);
    } else {
      ExtractionStep(s, policy, *entry);
    }
  }
  if (list) {
    if (s.Opt.Mode == RunMode::Batch) list->WriteLine("echo ...Done!...> lastfile.txt");
    list->Commit();
  }
  WriteSummary(s);
}

}  // namespace vantor::vtvolx
