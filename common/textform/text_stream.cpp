#include "textform/text_stream.h"

#include <algorithm>
#include <cstring>

namespace vantor {

bool TextStream::Fill(size_t n) {
  if (end_ - pos_ >= n) return true;
  if (!pull_) return false;
  // What is left moves to the front; the buffer grows only for a look ahead
  // longer than a piece.
  size_t left = end_ - pos_;
  if (buffer_.size() < std::max(kPiece, n)) {
    std::string grown(std::max(kPiece, n), '\0');
    if (left > 0) std::memcpy(grown.data(), data_ + pos_, left);
    buffer_.swap(grown);
  } else if (left > 0) {
    std::memmove(buffer_.data(), data_ + pos_, left);
  }
  data_ = buffer_.data();
  pos_ = 0;
  end_ = left;
  while (end_ < n) {
    size_t got = pull_(buffer_.data() + end_, buffer_.size() - end_);
    if (got == 0) return false;
    end_ += got;
  }
  return true;
}

bool TextStream::FirstNonBlankIs(char c, size_t limit) {
  for (size_t ahead = 0; ahead < limit && Fill(ahead + 1); ++ahead) {
    char next = data_[pos_ + ahead];
    if (next != ' ' && next != '\t' && next != '\r' && next != '\n') return next == c;
  }
  return false;
}

}  // namespace vantor
