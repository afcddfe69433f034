#include "main_screen.h"

#include <algorithm>
#include <tuple>

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "base/text_io.h"
#include "landmark_map.h"
#include "landmark_outputs.h"
#include "landmark_record.h"
#include "landmark_text.h"
#include "landmark_view.h"
#include "os/platform.h"
#include "textform/text_form_import.h"

namespace vantor::lmedit {
namespace {

constexpr size_t kMaxTitle = 80;
constexpr size_t kNoteRowWidth = 80;

bool IsYes(int key) {
  return key == 'Y' || key == 'y';
}

void OpenTemplate(LmeditState& s) {
  Console& con = s.Con;
  for (;;) {
    con.WriteLine("Name of template landmark file is (e.g: lndmrks?.mrf) ? = 0/1/2/3 or 4");
    while (s.TemplateName.empty()) {
      con.Write(s.PromptNote + "type the input file name: ");
      s.TemplateName = con.ReadLine(kMaxFileName);
      s.PromptNote = "cannot be empty....";
    }
    s.PromptNote = NameRefusal(s.TemplateName);
    s.PasteBuffer = s.BlankRecord;
    if (!s.PromptNote.empty()) {
      s.TemplateName.clear();
      continue;
    }
    try {
      s.TemplateFile = RecordFile::Open(s.TemplateName, BinaryFile::Access::ReadWrite);
      return;
    } catch (const RunTimeError&) {
      s.PromptNote = "That was no good, try again... ";
      s.TemplateName.clear();
    }
  }
}

void OpenOutput(LmeditState& s) {
  Console& con = s.Con;
  for (;;) {
    while (s.OutputName.empty()) {
      con.Write(s.PromptNote + "Name of output landmark file:");
      s.OutputName = con.ReadLine(kMaxFileName);
      s.PromptNote = "cannot be empty....";
    }
    s.PromptNote = NameRefusal(s.OutputName);
    // Two handles on one file would each write over what the other wrote.
    if (s.PromptNote.empty() && IsSameFile(s.OutputName, s.TemplateName))
      s.PromptNote = "Not the template file, try again... ";
    if (s.PromptNote.empty()) break;
    s.OutputName.clear();
  }
  try {
    s.OutputFile = RecordFile::Open(s.OutputName, BinaryFile::Access::ReadWrite);
  } catch (const RunTimeError& error) {
    // Only a file that is not there is made anew; creating one that merely
    // failed to open would empty it.
    if (error.Code() != ErrorCode::FileNotFound) throw;
    CreateBlankOutput(s);
  }
}

void DrawMainScreen(LmeditState& s) {
  Console& con = s.Con;
  con.ClearScreen();
  con.WriteLine("Date: " + PadLeft(DateText(s.Header), 10) +
                " Time: " + PadLeft(TimeText(s.Header), 10) +
                " # records :" + FormatInt(RecordCount(s.Header), 5) +
                " Record size: " + FormatInt(RecordSize(s.Header), 5));
  // Rows 2 and 3 are free.
  con.Write(s.ScreenNote.substr(0, 2 * kNoteRowWidth));
  s.ScreenNote.clear();
  con.GotoXY(2, 4);
  con.WriteLine("Rec#" + FormatInt(s.CurrentRecord, 5) + "__________ Out put file " + s.OutputName +
                " content: __________");
  ShowLandmark(con, s.OutputRecord);
  con.WriteLine("Rec#" + FormatInt(s.CurrentRecord, 5) + "______ Template file " + s.TemplateName +
                " (readonly)_________");
  ShowLandmark(con, s.TemplateRecord);
  con.WriteLine("B=back F=forward  Z=blank A=activate M=modify J=jump to rec# ");
  con.WriteLine("C=Copy template record c=copy output record N=new record R=save range");
  con.Write("O= Open new session Y=sYnc source file L=list data to text file  E=end... ");
}

void WaitWithMessage(Console& con, const std::string& message) {
  con.WriteLn();
  con.WriteLine(message);
  con.ReadKey();
}

// Puts a file back to the size it had; used when an append did not
// succeed in both files, so that neither keeps a record its header does not
// count.
void RestoreSize(const std::string& name, int64_t size) {
  try {
    BinaryFile file = BinaryFile::OpenExisting(name, BinaryFile::Access::ReadWrite);
    file.Seek(size);
    file.Truncate();
  } catch (const RunTimeError&) {
    // The append's own failure is the one reported.
  }
}

// Which file a name leads to, as a key that orders files.
std::tuple<uint64_t, uint64_t> LockOrder(const std::string& name) {
  FileIdentity identity = IdentityOf(name).value_or(FileIdentity{});
  return {identity.device, identity.inode};
}

// The name of a file that does not hold exactly `count` records; empty when
// both do. A record appended after a file's physical end would not be record
// `count` + 1 of that file.
std::string FileNotHolding(LmeditState& s, int32_t count) {
  for (RecordFile* file : {&s.TemplateFile, &s.OutputFile}) {
    if (file->Size() != LandmarkFileSize(count)) return file->Name();
  }
  return {};
}

// Appends a blank record to both files under both locks; only when both
// appends succeeded do both files get the template's header with the new
// count. Why nothing was added, for the user to read once the locks are
// given back; empty when the record was added.
std::string AppendBlankRecord(LmeditState& s) {
  // Both locks are always taken in the same order, so that two runs whose
  // template and output are each other's never wait for each other.
  const bool templateFirst = LockOrder(s.TemplateFile.Name()) <= LockOrder(s.OutputFile.Name());
  FileLock first = LockForWriting(s, templateFirst ? s.TemplateFile : s.OutputFile);
  FileLock second = LockForWriting(s, templateFirst ? s.OutputFile : s.TemplateFile);
  // The note shows on the next main screen, with no key to wait for.
  if (!NoFileReplaced(s, {&s.TemplateFile, &s.OutputFile})) return std::string();
  // Another run may have appended while this one waited.
  const int32_t count = ReadHeader(s);
  // The count is a 16-bit word: a 65536th record would make it 0.
  if (count >= RecordFile::kMaxCount) {
    return "The files hold 65535 records, no more can be added... press a key";
  }
  if (std::string name = FileNotHolding(s, count); !name.empty()) {
    return "No record added: " + PrintableName(name) + " does not hold exactly " +
           FormatInt(count) + " records... press a key";
  }
  RecordFile* files[2] = {&s.OutputFile, &s.TemplateFile};
  std::string failure;
  for (RecordFile* file : files) {
    try {
      WriteRecord(*file, count + 1, s.BlankRecord);
    } catch (const RunTimeError& error) {
      if (failure.empty()) failure = error.what();
    }
  }
  if (!failure.empty()) {
    for (RecordFile* file : files)
      RestoreSize(file->Name(), LandmarkFileSize(count));
    return "could not append a record: " + failure;
  }
  SetRecordCount(s.Header, static_cast<uint16_t>(count + 1));
  try {
    s.OutputFile.WriteHeader(s.Header);
    s.TemplateFile.WriteHeader(s.Header);
  } catch (const RunTimeError&) {
    // Both files hold the new record: their headers must count it before the
    // failure stops the program.
    for (RecordFile* file : files) {
      try {
        file->WriteHeader(s.Header);
      } catch (const RunTimeError&) {
      }
    }
    throw;
  }
  s.CurrentRecord = count + 1;
  return std::string();
}

// No lock is held while the user reads why nothing was added: another run
// would wait for a key typed here.
void NewRecord(LmeditState& s) {
  const std::string trouble = AppendBlankRecord(s);
  if (!trouble.empty()) WaitWithMessage(s.Con, trouble);
}

void OpenNewSession(LmeditState& s) {
  Console& con = s.Con;
  con.WriteLine("Are you sure you want to close the current files and start a new session??");
  if (!IsYes(con.ReadKey())) {
    con.WriteLine("Files not closed, you can continue where you left off.... press a key");
    con.ReadKey();
    return;
  }
  con.WriteLine("Do you want to reopen the current files ???");
  if (!IsYes(con.ReadKey())) {
    s.TemplateName.clear();
    s.OutputName.clear();
  }
  s.TemplateFile.Close();
  s.OutputFile.Close();
  con.WriteLine("closed files... press a key");
  con.ReadKey();
  StartSession(s);
}

// The current record of one file over the same record of the other, as the
// source holds it once the target is locked.
void CopyRecord(LmeditState& s, RecordFile& from, RecordFile& to) {
  FileLock lock = LockForWriting(s, to);
  if (!NoFileReplaced(s, {&from, &to})) return;
  LandmarkRecord record{};
  ReadRecord(from, s.CurrentRecord, record);
  WriteRecord(to, s.CurrentRecord, record);
}

// A number outside 1 to the record count, other than -1, is asked for again:
// below 1 the record would be read from inside the header or before the file.
void JumpToRecord(LmeditState& s) {
  Console& con = s.Con;
  int32_t count = RecordCount(s.Header);
  con.WriteLn();
  std::string note;
  for (;;) {
    con.Write(note);
    con.Write("Max rec number = :" + FormatInt(count) + "Enter rec# to go to: (-1 ends) ");
    int32_t n = ReadRequiredInteger(con);
    count = ReadHeader(s);  // the files may have grown while the number was typed
    if (n == -1 || (n >= 1 && n <= count)) {
      s.CurrentRecord = n;
      s.Quit = n == -1;
      return;
    }
    note =
        n > count
            ? "Record does not exist... maximum is :" + FormatInt(count) + " for this file..."
            : "Record does not exist... valid are 1 to " + FormatInt(count) + " for this file...";
  }
}

// Every command reads what it uses from the files as they are once its key
// has come, never what was read before the wait for the key.
void PerformCommand(LmeditState& s, int key) {
  const int32_t count = ReadHeader(s);
  const int32_t n = s.CurrentRecord;
  switch (key) {
    case 'B':
    case 'b':
      s.CurrentRecord = std::max(s.CurrentRecord - 1, 1);
      break;
    case 'F':
    case 'f':
      // Never to record 0, which lies inside the header, when the count is 0.
      s.CurrentRecord = std::max(std::min(s.CurrentRecord + 1, count), 1);
      break;
    case 'Z': {
      FileLock lock = LockForWriting(s, s.OutputFile);
      if (NoFileReplaced(s, {&s.OutputFile})) WriteRecord(s.OutputFile, n, s.BlankRecord);
      break;
    }
    case 'A':
      CopyRecord(s, s.TemplateFile, s.OutputFile);
      break;
    case 'Y':
      CopyRecord(s, s.OutputFile, s.TemplateFile);
      break;
    case 'C':
      ReadRecord(s.TemplateFile, n, s.PasteBuffer);
      break;
    case 'c':
      ReadRecord(s.OutputFile, n, s.PasteBuffer);
      break;
    case 'N':
      NewRecord(s);
      break;
    case 'O':
      OpenNewSession(s);
      break;
    case 'E':
    case 'e':
      s.Quit = true;
      break;
    case 'M':
      EditLandmark(s);
      break;
    case 'L':
      ListToText(s);
      break;
    case 'R':
      SaveRange(s);
      break;
    case 'J':
    case 'j':
      JumpToRecord(s);
      break;
    default:
      break;  // any other key only redraws the screen
  }
}

}  // namespace

std::string WindowTitle(std::string_view arg0) {
  // The name after the folder as the platform ends it ("\\", "/" or ":" on Windows).
  std::string_view name = arg0.substr(DirectoryPart(arg0).size());
  // The folder as the user named the program, links not followed.
  std::string title = std::string(DirectoryPart(ProgramPathFromArg0(arg0))) + std::string(name);
  if (title.size() > kMaxTitle) title.resize(kMaxTitle);
  return title;
}

namespace {

// Why the files and options given do not fit the mode; empty when they do.
std::string CheckTextMode(LmeditOptions& options, const std::vector<std::string>& files,
                          bool outputGiven) {
  switch (options.Mode) {
    case LmeditMode::Map:
      if (files.size() != 1) return "--map draws one landmark file";
      if (options.DryRun) return "--dry-run belongs to --import";
      break;
    case LmeditMode::Export:
      if (files.size() != 1) return "--export takes one landmark file";
      if (!options.MapLabels) return "--no-labels belongs to --map";
      if (options.DryRun) return "--dry-run belongs to --import";
      break;
    default:
      if (files.size() != 2) return "--import takes FILE.mrf and IN";
      if (outputGiven || !options.MapLabels) return "-o and --no-labels belong to --map";
      options.InputName = files[1];
      break;
  }
  options.TemplateName = files.front();
  return std::string();
}

// The arguments after argument 0 when one of them begins with "--".
LmeditOptions ParseTextMode(LmeditOptions options, const std::vector<std::string>& arguments) {
  bool help = false, outputGiven = false;
  int modes = 0;
  std::vector<std::string> files;
  std::string error;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help") {
      help = true;
    } else if (argument == "--map") {
      options.Mode = LmeditMode::Map;
      ++modes;
    } else if (std::optional<bool> json = ExportAsJson(argument)) {
      options.Mode = LmeditMode::Export;
      options.ExportJson = *json;
      ++modes;
    } else if (argument == "--import") {
      options.Mode = LmeditMode::Import;
      ++modes;
    } else if (argument == "--no-labels") {
      options.MapLabels = false;
    } else if (argument == "--dry-run") {
      options.DryRun = true;
    } else if (argument == "-o" && i + 1 < arguments.size()) {
      options.TextOutputName = arguments[++i];
      outputGiven = true;
    } else if (argument == "-o") {
      error = "-o needs the name of the output file";
    } else if (IsLongOption(argument)) {
      error = "unknown option " + PrintableName(argument);
    } else {
      files.push_back(argument);
    }
  }
  if (error.empty() && !help) {
    if (modes == 0)
      error =
          options.DryRun ? "--dry-run belongs to --import" : "-o and --no-labels belong to --map";
    else if (modes > 1)
      error = "give one of --map, --export and --import";
    else
      error = CheckTextMode(options, files, outputGiven);
  }
  if (help) {
    options.Mode = LmeditMode::Help;
  } else if (!error.empty()) {
    options.Mode = LmeditMode::BadCommandLine;
    options.CommandLineError = error;
  }
  return options;
}

}  // namespace

LmeditOptions ParseOptions(const std::vector<std::string>& arguments) {
  auto argument = [&](size_t i) { return i < arguments.size() ? arguments[i] : std::string(); };
  LmeditOptions options;
  options.ProgramPath = argument(0);
  options.TemplateName = argument(1).substr(0, kMaxFileName);
  options.OutputName = argument(2).substr(0, kMaxFileName);
  if (std::any_of(arguments.begin() + std::min<size_t>(1, arguments.size()), arguments.end(),
                  IsLongOption)) {
    return ParseTextMode(options, arguments);
  }
  return options;
}

std::string UsageText() {
  return "usage: lmedit [TEMPLATE.mrf [OUTPUT.mrf]]\n"
         "         edits OUTPUT.mrf against TEMPLATE.mrf on the screen\n"
         "       lmedit --map FILE.mrf [-o MAP.svg] [--no-labels]\n"
         "         draws the landmarks of FILE.mrf as an SVG map, written to MAP.svg\n"
         "         or, without -o, to standard output; --no-labels leaves out the names\n"
         "       lmedit --export[=csv|json] FILE.mrf [-o OUT]\n"
         "         writes every record of FILE.mrf as a row of CSV (the default) or JSON,\n"
         "         to OUT or, without -o, to standard output\n"
         "       lmedit --import FILE.mrf IN [--dry-run]\n"
         "         writes the values of IN (CSV or JSON, as --export writes them) that\n"
         "         differ from FILE.mrf into FILE.mrf, all or nothing; --dry-run only\n"
         "         lists them\n"
         "       lmedit --help\n"
         "         shows this text\n";
}

int RunTextMode(const LmeditOptions& options, PlainConsole& out, PlainConsole& err) {
  return RunRefusable("lmedit", err, [&] {
    switch (options.Mode) {
      case LmeditMode::Help:
        out.Write(UsageText());
        return 0;
      case LmeditMode::Map:
        return DrawMap(options.TemplateName, options.TextOutputName, options.MapLabels, out);
      case LmeditMode::Export:
        return ExportLandmarks(options.TemplateName, options.TextOutputName, options.ExportJson,
                               out);
      case LmeditMode::Import:
        return ImportLandmarks(options.TemplateName, options.InputName, options.DryRun, out, err);
      default:
        err.Write("lmedit: " + options.CommandLineError + "\n" + UsageText());
        return 1;
    }
  });
}

void StartSession(LmeditState& s) {
  Console& con = s.Con;
  s.PromptNote.clear();
  con.WriteLine("LMEDIT, a simple landmark editor for Vantor");
  con.WriteLine("No mouse, no cursor keys, just plain old typing :) ");
  con.WriteLn();
  OpenTemplate(s);
  OpenOutput(s);
  ReadHeader(s);
  s.CurrentRecord = 1;
  s.Quit = false;
}

void MainLoop(LmeditState& s) {
  while (!s.Quit) {
    // What this pass reads is what the writes of its command check against.
    s.TemplateFile.Adopt();
    s.OutputFile.Adopt();
    ReadHeader(s);
    ReadRecord(s.TemplateFile, s.CurrentRecord, s.TemplateRecord);
    ReadRecord(s.OutputFile, s.CurrentRecord, s.OutputRecord);
    DrawMainScreen(s);
    PerformCommand(s, s.Con.ReadKey());
  }
}

int RunLmedit(LmeditState& s, const LmeditOptions& options) {
  s.Con.SetTitle(WindowTitle(options.ProgramPath));
  s.TemplateName = options.TemplateName;
  s.OutputName = options.OutputName;
  StartSession(s);
  MainLoop(s);
  s.TemplateFile.Close();
  s.OutputFile.Close();
  return 0;
}

}  // namespace vantor::lmedit
