#include "data_file.h"

#include "format_file.h"
#include "little_endian.h"
#include "platform.h"
#include "run_time_error.h"
#include "text_format.h"

namespace vantor::datedit {
namespace {

constexpr int kCountOffset = 20;
constexpr int kHeaderReadSize = 24;

void AskForDataFileName(DateditState& s) {
  s.DataFileName = s.Arg(1).substr(0, kMaxDataFileName);
  while (s.DataFileName.empty()) {
    s.Con.WriteLine("Name of file to open? :");
    s.DataFileName = s.Con.ReadLine(kMaxDataFileName);
  }
}

void ReadHeader(DateditState& s) {
  uint8_t header[kHeaderReadSize];
  s.DataFile.ReadExact(header, sizeof header);
  std::copy(header, header + kHeaderTextSize, s.HeaderText.begin());
  s.RecCount = WordAt(header + kCountOffset);
  s.RecSize = WordAt(header + kCountOffset + 2);
}

void LoadFormatFromArgument(DateditState& s) {
  std::string path = FormatFilePath(s, s.Arg(2));
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
  con.WriteLine("Is VT structured dat file : " + FormatBool(s.IsStructured, 6));
}

[[noreturn]] void Refuse(DateditState& s, const std::string& line, bool waitForEnter) {
  s.Con.WriteLine(line);
  s.DataFile.Close();
  if (waitForEnter) s.Con.ReadLine(0);
  throw ProgramEnd{1};
}

}  // namespace

bool IsStructuredFile(int64_t fileSize, int32_t recCount, int32_t recSize) {
  if (fileSize < kHeadSize) return false;
  return static_cast<int64_t>(recCount) * recSize == fileSize - kHeadSize;
}

std::string FormatFilePath(const DateditState& s, const std::string& name) {
  // The folder already ends with a separator; the second one is harmless,
  // and the path shown is the one users already know from datedit's screen.
  return s.ProgramDir + std::string(kPathSeparator) + name;
}

void OpenDataFile(DateditState& s) {
  AskForDataFileName(s);
  s.DataFile = BinaryFile::OpenExisting(s.DataFileName, BinaryFile::Access::ReadWrite);
  ReadHeader(s);
  s.IsStructured = false;
  if (s.HasArg(2)) LoadFormatFromArgument(s);

  int64_t fileSize = s.DataFile.Size();
  if (!IsStructuredFile(fileSize, s.RecCount, s.RecSize)) {
    Refuse(s, "Not a structured dat file. use a proper hex editor....", true);
  }
  s.IsStructured = true;
  WriteSummary(s);
  if (fileSize <= kHeadSize) {
    Refuse(s, "Empty, no records!!!!!!!!! quitting..........", false);
  }
  // The record buffers hold 10000 bytes; longer records cannot be shown or
  // edited without reading past them.
  if (s.RecSize > kRecordBufferSize) {
    Refuse(s, "Records longer than 10000 bytes are not supported. quitting..........", false);
  }
  s.DataFile.Seek(RecordPosition(s, 0));
}

int64_t RecordPosition(DateditState& s, int64_t n) {
  int64_t position = kHeadSize + n * s.RecSize;
  bool legal = n >= 0 && n < s.RecCount && position + s.RecSize <= s.DataFile.Size();
  if (legal) {
    s.RecNow = static_cast<int32_t>(n);
    return position;
  }
  return kHeadSize + static_cast<int64_t>(s.RecNow) * s.RecSize;
}

int32_t RecordAtFilePos(const DateditState& s) {
  if (s.RecSize == 0) return 0;
  return static_cast<int32_t>((s.DataFile.Position() - kHeadSize) / s.RecSize);
}

}  // namespace vantor::datedit
