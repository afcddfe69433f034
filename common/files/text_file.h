// Text files. Reading: a line ends at a line feed, a carriage return, or both;
// a Ctrl+Z character ends the file. Writing: lines end with carriage return
// and line feed on every platform, as the game's tools expect.
#pragma once

#include <optional>
#include <string>

#include "base/text_io.h"
#include "files/binary_file.h"

namespace vantor {

class TextFileReader : public LineInput {
 public:
  explicit TextFileReader(const std::string& name);

  // At the end of the file or at a Ctrl+Z.
  bool AtEnd();
  std::optional<std::string> ReadRawLine() override;
  // The next line cut to maxChars; the rest of a longer line is skipped.
  std::optional<std::string> ReadLine(size_t maxChars);
  // The number of the line last read, from 1.
  int LineNumber() const { return lineNumber_; }
  const std::string& Name() const { return file_.Name(); }
  void Close() { file_.Close(); }

 private:
  int PeekByte();
  int ReadByte();

  BinaryFile file_;
  unsigned char buffer_[4096];
  size_t bufferPos_ = 0;
  size_t bufferLen_ = 0;
  int lineNumber_ = 0;
};

class TextFileWriter : public TextOutput {
 public:
  // Creates the file, replacing one of that name.
  explicit TextFileWriter(const std::string& name);
  // Writes into a file already open, such as one that replaces another
  // only at Commit.
  explicit TextFileWriter(BinaryFile file) : file_(std::move(file)) {}
  void Write(std::string_view text) override;
  void WriteLn() override;
  void Close() { file_.Close(); }
  void Commit() { file_.Commit(); }

 private:
  BinaryFile file_;
};

}  // namespace vantor
