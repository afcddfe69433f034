// The screen programs when standard input or output is not a terminal: keys
// and lines are read from standard input as bytes, and the whole screen is
// written to standard output as plain text at every wait for input and at
// the end. This makes the programs scriptable.
#pragma once

#include <cstdio>
#include <string>

#include "console/console.h"

namespace vantor {

// Lines that frame every screen written in stream mode.
inline constexpr const char* kSnapshotKeyHeader = "--- screen (waiting for a key) ---";
inline constexpr const char* kSnapshotLineHeader = "--- screen (waiting for a line) ---";
inline constexpr const char* kSnapshotBusyHeader = "--- screen (waiting for another program) ---";
inline constexpr const char* kSnapshotExitHeader = "--- screen (at exit) ---";
inline constexpr const char* kSnapshotFooter = "--- end of screen ---";

class StreamBackend : public ConsoleBackend {
 public:
  StreamBackend(int inputFd, std::FILE* output);

  void Present(const ScreenModel& screen, WaitKind wait) override;
  std::optional<int> NextKey() override;
  void Finish() override;

 private:
  int ReadByte();
  int PeekByte();
  int DecodeUtf8(int leadByte);

  int inputFd_;
  std::FILE* output_;
  unsigned char buffer_[4096];
  size_t bufferPos_ = 0;
  size_t bufferLen_ = 0;
  bool inputEnded_ = false;
  // Bytes read ahead that turned out not to be part of a character: the next
  // keys, before the buffer.
  std::string putBack_;
};

// Renders the screen as UTF-8 text framed by the snapshot lines.
std::string SnapshotText(const ScreenModel& screen, WaitKind wait);

}  // namespace vantor
