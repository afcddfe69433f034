#include "record_screen.h"

#include "base/hex.h"
#include "base/text_format.h"
#include "data_file.h"
#include "formatted_view.h"

namespace vantor::datedit {
namespace {

constexpr int kCellsPerLine = 20;

// What the file holds now: another program may have changed or shortened it,
// or put a new file under the name, while datedit waited. Bytes of a record
// that is no longer there read as 0.
void ReadCurrentRecord(DateditState& s) {
  TakeInReplacedFile(s);
  ReadHeaderNow(s);
  KeepCurrentRecordLegal(s);
  s.RecordBuffer.fill(0);
  s.DataFile.ReadUpTo(s.RecNow, CurrentRecordBytes(s));
}

void WriteStatusLines(DateditState& s) {
  Console& con = s.Con;
  int64_t position = RecordFile::OffsetOf(s.RecNow, s.RecSize);
  con.WriteLine("File:" + PadLeft(s.DataFileName, 14) +
                " Pos:" + FormatInt(RecordFile::IndexAt(position, s.RecSize), 5) +
                " recnow:" + FormatInt(s.RecNow, 5) + " range: 0 - " + FormatInt(s.RecCount - 1));
  std::string header(s.HeaderText.begin(), s.HeaderText.end());
  con.WriteLine("Header:" + header.substr(0, 10) + " " + header.substr(10) +
                " Recsize :" + FormatInt(s.RecSize, 4) + " Rec#:" + FormatInt(s.RecCount, 5) +
                " Headsize: " + FormatInt(RecordFile::kHeaderSize));
  con.WriteLine("Displaying ASCII when possible:" + FormatBool(s.AsciiMode, 8));
  con.WriteLn();
}

void WriteDump(DateditState& s) {
  for (int i = 1; i <= s.RecSize; ++i) {
    s.Con.Write(DumpCell(s.RecordBuffer[i - 1], s.AsciiMode));
    if (i % kCellsPerLine == 0) s.Con.WriteLn();
  }
}

}  // namespace

std::string DumpCell(uint8_t byte, bool asciiMode) {
  bool printable = byte >= 32 && byte <= 254;
  if (asciiMode && printable) return std::string(" .") + static_cast<char>(byte);
  return " " + ByteToHex(byte);
}

void ShowRecord(DateditState& s) {
  // Read first: taking in a new file under the name writes the start-up's
  // summary, which only a refused file leaves on the screen.
  ReadCurrentRecord(s);
  s.Con.ClearScreen();
  WriteStatusLines(s);
  if (s.FormattedView && s.FormatLoaded) {
    ShowFormattedRecord(s, s.RecordBuffer);
  } else {
    WriteDump(s);
  }
  s.Con.WriteLn();
}

}  // namespace vantor::datedit
