#include "console/stream_backend.h"

#include <unistd.h>

#include <cerrno>

#include "base/cp437.h"
#include "base/run_time_error.h"
#include "os/platform.h"

namespace vantor {
namespace {

const char* HeaderFor(WaitKind wait) {
  switch (wait) {
    case WaitKind::Key:
      return kSnapshotKeyHeader;
    case WaitKind::Exit:
      return kSnapshotExitHeader;
    case WaitKind::Busy:
      return kSnapshotBusyHeader;
    default:
      return kSnapshotLineHeader;
  }
}

bool IsContinuation(int byte) {
  return byte >= 0x80 && byte <= 0xBF;
}

}  // namespace

std::string SnapshotText(const ScreenModel& screen, WaitKind wait) {
  std::string text = HeaderFor(wait);
  text += '\n';
  text += screen.Utf8Text();
  text += kSnapshotFooter;
  text += '\n';
  return text;
}

StreamBackend::StreamBackend(int inputFd, std::FILE* output) : inputFd_(inputFd), output_(output) {}

void StreamBackend::Present(const ScreenModel& screen, WaitKind wait) {
  if (wait == WaitKind::LineContinue) return;
  std::string text = SnapshotText(screen, wait);
  if (std::fwrite(text.data(), 1, text.size(), output_) != text.size() ||
      std::fflush(output_) != 0) {
    throw FileError(FileOperation::Write, "standard output", StreamWriteError());
  }
}

void StreamBackend::Finish() {
  std::fflush(output_);
}

int StreamBackend::PeekByte() {
  if (!putBack_.empty()) return static_cast<unsigned char>(putBack_.front());
  if (bufferPos_ < bufferLen_) return buffer_[bufferPos_];
  if (inputEnded_) return -1;
  ssize_t got;
  do {
    got = read(inputFd_, buffer_, sizeof buffer_);
  } while (got < 0 && errno == EINTR);
  if (got < 0) throw FileError(FileOperation::Read, "standard input", errno);
  if (got == 0) {
    inputEnded_ = true;
    return -1;
  }
  bufferPos_ = 0;
  bufferLen_ = static_cast<size_t>(got);
  return buffer_[0];
}

int StreamBackend::ReadByte() {
  int byte = PeekByte();
  if (!putBack_.empty()) {
    putBack_.erase(0, 1);
  } else if (byte >= 0) {
    ++bufferPos_;
  }
  return byte;
}

// A UTF-8 character becomes its code page 437 byte, and a character that code
// page 437 lacks kUnheldCharacter. Bytes that are not UTF-8 (a sequence cut
// short, an overlong form, a surrogate) pass one by one as they are, so that
// nothing typed is lost.
int StreamBackend::DecodeUtf8(int lead) {
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  std::string sequence(1, static_cast<char>(lead));
  while (sequence.size() < length && IsContinuation(PeekByte()))
    sequence += static_cast<char>(ReadByte());
  std::optional<Utf8Character> character = DecodeUtf8Character(sequence);
  if (!character) {
    putBack_.insert(0, sequence, 1);
    return lead;
  }
  if (auto byte = UnicodeToCp437(character->codePoint)) return *byte;
  return kUnheldCharacter;
}

std::optional<int> StreamBackend::NextKey() {
  int byte = ReadByte();
  if (byte < 0) return std::nullopt;
  if (byte == '\r') {
    if (PeekByte() == '\n') ReadByte();
    return KeyCode::Enter;
  }
  if (byte == '\n') return KeyCode::Enter;
  if (byte < 0xC2 || byte > 0xF4) return byte;
  return DecodeUtf8(byte);
}

}  // namespace vantor
