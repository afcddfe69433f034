#include "data_file.h"

#include <algorithm>

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "format_file.h"
#include "os/platform.h"
#include "os/waiting_lock.h"
#include "typed_names.h"

namespace vantor::datedit {
namespace {

void AskForDataFileName(DateditState& s, const std::string& argument) {
  s.DataFileName = argument.substr(0, kMaxDataFileName);
  if (!s.DataFileName.empty()) return;
  s.DataFileName = AskForName(
      s.Con, [&] { s.Con.WriteLine("Name of file to open? :"); }, kMaxDataFileName);
}

void LoadFormatFromArgument(DateditState& s, const std::string& argument) {
  std::string path = FormatFilePath(s, argument);
  s.Con.WriteLine(path);
  s.Con.ReadLine(0);  // wait for Enter
  LoadFormatFile(s, path);
  s.FormatLoaded = true;
}

void WriteSummary(DateditState& s) {
  Console& con = s.Con;
  con.WriteLine("Name:" + s.DataFileName);
  con.WriteLine("Recsize :" + FormatInt(s.RecSize, 8));
  con.WriteLine("Reccount:" + FormatInt(s.RecCount, 8));
  // Written only for a file that passed the structure test.
  con.WriteLine("Is VT structured dat file : " + FormatBool(true, 6));
}

[[noreturn]] void Refuse(DateditState& s, const std::string& line, bool waitForEnter) {
  s.Con.WriteLine(line);
  s.DataFile.Close();
  if (waitForEnter) s.Con.ReadLine(0);
  throw ProgramEnd{1};
}

// The last record that lies wholly in the file; -1 when there is none.
int64_t LastLegalRecord(DateditState& s) {
  int64_t held = RecordFile::RecordsIn(s.DataFile.Size(), s.RecSize);
  return std::min<int64_t>(s.RecCount, held) - 1;
}

// The structure test and the summary, as at start: a file that fails it
// ends the program.
void TestStructure(DateditState& s) {
  int64_t fileSize = s.DataFile.Size();
  if (!IsStructuredFile(fileSize, s.RecCount, s.RecSize)) {
    Refuse(s, "Not a structured dat file. use a proper hex editor....", true);
  }
  WriteSummary(s);
  if (RecordFile::RecordsIn(fileSize, s.RecSize) == 0) {
    Refuse(s, "Empty, no records!!!!!!!!! quitting..........", false);
  }
  // The record buffers hold 10000 bytes; longer records cannot be shown or
  // edited without reading past them.
  if (s.RecSize > kRecordBufferSize) {
    Refuse(s, "Records longer than 10000 bytes are not supported. quitting..........", false);
  }
}

}  // namespace

bool IsStructuredFile(int64_t fileSize, int32_t recCount, int32_t recSize) {
  return fileSize == RecordFile::OffsetOf(recCount, recSize);
}

std::string FormatFilePath(const std::string& programDir, const std::string& name) {
  // The folder already ends with a separator. The path keeps both, as the
  // start-up screen shows it; the file system reads two in a row as one.
  return programDir + std::string(kPathSeparator) + name;
}

std::string FormatFilePath(const DateditState& s, const std::string& name) {
  return FormatFilePath(s.ProgramDir, name);
}

void ReadHeaderNow(DataDocument& d) {
  uint8_t header[RecordFile::kLayoutSize];
  if (d.DataFile.ReadHeader(header) != sizeof header) {
    throw FileError(FileOperation::Read, d.DataFile.Name(), 0);
  }
  std::copy(header, header + kHeaderTextSize, d.HeaderText.begin());
  d.RecCount = RecordFile::CountIn(header);
}

void OpenDataFile(DateditState& s, const DateditOptions& options) {
  AskForDataFileName(s, options.DataFileName);
  s.DataFile = RecordFile::Open(s.DataFileName, BinaryFile::Access::ReadWrite);
  ReadHeaderNow(s);
  s.RecSize = s.DataFile.RecordSize();
  if (options.FormatFileName) LoadFormatFromArgument(s, *options.FormatFileName);
  TestStructure(s);
  s.RecNow = 0;
}

void TakeInReplacedFile(DateditState& s) {
  if (!s.DataFile.Replaced()) return;
  s.DataFile.Adopt();
  ReadHeaderNow(s);
  s.RecSize = s.DataFile.RecordSize();
  TestStructure(s);
  KeepCurrentRecordLegal(s);
}

bool IsLegalRecord(DateditState& s, int64_t n) {
  return n >= 0 && n <= LastLegalRecord(s);
}

void KeepCurrentRecordLegal(DateditState& s) {
  if (!IsLegalRecord(s, s.RecNow)) {
    s.RecNow = static_cast<int32_t>(std::max<int64_t>(LastLegalRecord(s), 0));
  }
}

void MoveToRecord(DateditState& s, int64_t n) {
  ReadHeaderNow(s);
  // Numbers too large for a position are never legal: the count is 16-bit.
  if (IsLegalRecord(s, n)) s.RecNow = static_cast<int32_t>(n);
}

std::span<uint8_t> CurrentRecordBytes(DateditState& s) {
  return std::span<uint8_t>(s.RecordBuffer.data(), static_cast<size_t>(s.RecSize));
}

FileLock LockDataFile(DateditState& s) {
  return LockOrSayWaiting(s.DataFileName, s.Con);
}

ShownRecord CheckShownRecord(DateditState& s) {
  if (s.DataFile.Replaced()) return ShownRecord::FileReplaced;
  ReadHeaderNow(s);
  return IsLegalRecord(s, s.RecNow) ? ShownRecord::StillThere : ShownRecord::Gone;
}

void NoteNothingWritten(DateditState& s, ShownRecord why) {
  if (why == ShownRecord::Gone) {
    s.Con.WriteLine("Record " + FormatInt(s.RecNow) + " is no longer in " +
                    PrintableName(s.DataFileName) + ", nothing written... hit a key");
    s.Con.ReadKey();
    return;
  }
  s.ScreenNote = ReplacedFileNote(s.DataFileName);
  // Written now as well: a new file that the structure test refuses ends the
  // program with this screen.
  s.Con.WriteLine(s.ScreenNote);
  TakeInReplacedFile(s);
}

}  // namespace vantor::datedit
