// vtvolx's console: plain lines on standard output and from standard input,
// no screen and no cursor.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "base/text_io.h"

namespace vantor {

class PlainConsole : public WaitOutput, public LineInput {
 public:
  PlainConsole(std::FILE* input, std::FILE* output) : input_(input), output_(output) {}

  void Write(std::string_view text) override;
  void WriteLn() override;
  std::optional<std::string> ReadRawLine() override;
  // A line cut to maxChars; a run-time error at the end of the input.
  std::string ReadLine(size_t maxChars);
  void Flush() override;
  void ShowNow() override { Flush(); }
  // Ends a line that text written without a line end has begun, so that
  // what follows starts on a line of its own.
  void EndOpenLine() override;

 private:
  std::FILE* input_;
  std::FILE* output_;
  bool lineOpen_ = false;
};

}  // namespace vantor
