#include "files/text_file.h"

namespace vantor {
namespace {
constexpr int kEndOfFileMark = 26;  // Ctrl+Z
}

TextFileReader::TextFileReader(const std::string& name)
    : file_(BinaryFile::OpenExisting(name, BinaryFile::Access::ReadOnly)) {}

int TextFileReader::PeekByte() {
  if (bufferPos_ == bufferLen_) {
    bufferPos_ = 0;
    bufferLen_ = file_.ReadUpTo(buffer_, sizeof buffer_);
    if (bufferLen_ == 0) return -1;
  }
  int byte = buffer_[bufferPos_];
  return byte == kEndOfFileMark ? -1 : byte;
}

int TextFileReader::ReadByte() {
  int byte = PeekByte();
  if (byte >= 0) ++bufferPos_;
  return byte;
}

bool TextFileReader::AtEnd() {
  return PeekByte() < 0;
}

std::optional<std::string> TextFileReader::ReadRawLine() {
  if (AtEnd()) return std::nullopt;
  std::string line;
  for (;;) {
    int byte = ReadByte();
    if (byte < 0 || byte == '\n') break;
    if (byte == '\r') {
      if (PeekByte() == '\n') ReadByte();
      break;
    }
    line.push_back(static_cast<char>(byte));
  }
  ++lineNumber_;
  return line;
}

std::optional<std::string> TextFileReader::ReadLine(size_t maxChars) {
  auto line = ReadRawLine();
  if (line && line->size() > maxChars) line->resize(maxChars);
  return line;
}

TextFileWriter::TextFileWriter(const std::string& name) : file_(BinaryFile::Create(name)) {}

void TextFileWriter::Write(std::string_view text) {
  file_.Write(text.data(), text.size());
}

void TextFileWriter::WriteLn() {
  file_.Write("\r\n", 2);
}

}  // namespace vantor
