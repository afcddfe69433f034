#include "console/plain_console.h"

#include <cerrno>

#include "base/run_time_error.h"
#include "os/platform.h"

namespace vantor {

void PlainConsole::Write(std::string_view text) {
  if (std::fwrite(text.data(), 1, text.size(), output_) != text.size()) {
    throw FileError(FileOperation::Write, "standard output", StreamWriteError());
  }
  if (!text.empty()) lineOpen_ = text.back() != '\n';
}

void PlainConsole::EndOpenLine() {
  if (lineOpen_) WriteLn();
}

void PlainConsole::WriteLn() {
  Write("\n");
}

void PlainConsole::Flush() {
  if (std::fflush(output_) != 0)
    throw FileError(FileOperation::Write, "standard output", StreamWriteError());
}

std::optional<std::string> PlainConsole::ReadRawLine() {
  Flush();            // the prompt must be visible before the program waits
  lineOpen_ = false;  // on a terminal, the typed line's Enter ends it
  std::string line;
  int c = std::fgetc(input_);
  if (c == EOF) {
    if (std::ferror(input_)) throw FileError(FileOperation::Read, "standard input", errno);
    return std::nullopt;
  }
  while (c != EOF && c != '\n') {
    line.push_back(static_cast<char>(c));
    c = std::fgetc(input_);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string PlainConsole::ReadLine(size_t maxChars) {
  std::optional<std::string> line = ReadRawLine();
  // Prompts ask again until a line is typed; at the end of the input they
  // would ask forever.
  if (!line) throw InputEndedError("waiting for a line");
  if (line->size() > maxChars) line->resize(maxChars);
  return *line;
}

}  // namespace vantor
