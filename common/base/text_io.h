// Where the tools' text goes and where typed lines come from: the screen,
// standard output, or a text file. Numbers are read from lines the same way
// everywhere.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantor {

class TextOutput {
 public:
  virtual ~TextOutput() = default;
  // Single-byte characters, written as they are.
  virtual void Write(std::string_view text) = 0;
  virtual void WriteLn() = 0;
  // Passes on what is held back, so that it is seen before the program
  // waits or ends; nothing for an output that holds nothing back.
  virtual void Flush() {}

  void WriteLine(std::string_view text) {
    Write(text);
    WriteLn();
  }
};

// Text kept in memory, for a caller that wants it whole.
class StringOutput : public TextOutput {
 public:
  void Write(std::string_view text) override { text_ += text; }
  void WriteLn() override { text_ += '\n'; }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// An output on which a program says that it waits for another program, and
// how it spends that wait.
class WaitOutput : public TextOutput {
 public:
  // Ends a line that text written without a line end has begun, so that
  // what follows starts on a line of its own.
  virtual void EndOpenLine() = 0;
  // Shows what was written at once: the program is about to wait for
  // something other than a key.
  virtual void ShowNow() = 0;
  // Waits about `time` before the next try; it may end the program instead
  // (the screen programs end when Ctrl+C is typed meanwhile). Sleeps unless
  // the output does more.
  virtual void AwaitOtherProgram(std::chrono::milliseconds time);
};

class LineInput {
 public:
  virtual ~LineInput() = default;
  // The next line without its line end; nothing when the input has ended.
  virtual std::optional<std::string> ReadRawLine() = 0;
};

constexpr size_t kMaxIntegerToken = 32;
constexpr size_t kMaxRealToken = 80;

// A token is a run of characters above the blank. Longer tokens than the
// reader takes are not numbers.
std::optional<int32_t> ParseIntegerToken(std::string_view token);
// An integer written as ParseIntegerToken reads one, but with its true value
// rather than a 32-bit pattern, so that a range can be checked: "$FFFFFFFF"
// is 4294967295. Nothing beyond 64 bits.
std::optional<int64_t> ParseWholeNumberToken(std::string_view token);
std::optional<double> ParseRealToken(std::string_view token);
// Whether the token is written as a real number, whatever its size: a token
// that ParseRealToken refuses only because it is too large still is.
bool IsRealText(std::string_view token);

// Skips blanks, tabs and empty lines, takes the first token of the first line
// that has one and drops the rest of that line. Nothing when the input ends
// before a token.
std::optional<std::string> ReadToken(LineInput& input);

// Like ReadToken, but the end of the input is a run-time error: used where a
// number must be typed and none may be made up.
std::string ReadRequiredToken(LineInput& input);

// The integer read: decimal or "$" hex with an optional sign; 0 when the input
// ends before a token; anything else is an invalid numeric format.
int32_t ReadInteger(LineInput& input);
double ReadReal(LineInput& input);

// As ReadInteger, but the end of the input is a run-time error too: for
// prompts that refuse some numbers and ask again, where a 0 made up for input
// that has ended would be refused forever.
int32_t ReadRequiredInteger(LineInput& input);
// A real read the same way; nothing for a number too large for a double,
// which such a prompt refuses like any other number out of its range.
std::optional<double> ReadRequiredReal(LineInput& input);

}  // namespace vantor
