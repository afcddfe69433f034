// The bytes of a text in order, for the CSV and JSON readers: a text in
// memory, or one pulled from a file or a pipe a piece at a time, so that an
// input of any size is never held whole. Keeps the place of the next byte.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "textform/text_form_error.h"

namespace vantor {

class TextStream {
 public:
  // Up to n bytes into the buffer; 0 only at the end of the text.
  using Pull = std::function<size_t(char* buffer, size_t n)>;
  static constexpr size_t kPiece = 1 << 16;
  static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

  // The text must outlive the stream.
  explicit TextStream(std::string_view text) : data_(text.data()), end_(text.size()) {}
  explicit TextStream(std::string&& text) = delete;
  explicit TextStream(Pull pull) : pull_(std::move(pull)) {}

  bool AtEnd() { return pos_ == end_ && !Fill(1); }
  // The next byte; only where AtEnd is false.
  char Peek() const { return data_[pos_]; }
  void Take() { counter_.Advance(data_[pos_++]); }
  // Whether the text goes on with `bytes` (at most a few).
  bool LooksAt(std::string_view bytes) {
    return Fill(bytes.size()) && std::string_view(data_ + pos_, bytes.size()) == bytes;
  }
  // The bytes that can be looked at without reading more; empty only at the
  // end of the text.
  std::string_view Ready() {
    AtEnd();
    return {data_ + pos_, end_ - pos_};
  }
  // Moves past the first n bytes of Ready().
  void Skip(size_t n) {
    for (size_t i = 0; i < n; ++i)
      Take();
  }
  // As Skip, for bytes that hold no line feed.
  void SkipInLine(size_t n) {
    counter_.AdvanceInLine({data_ + pos_, n});
    pos_ += n;
  }
  // Passes over a byte order mark at the start, as spreadsheets and some
  // editors write one; it takes no column.
  void SkipByteOrderMark() {
    if (counter_.Place().line == 1 && counter_.Place().column == 1 && LooksAt(kByteOrderMark))
      pos_ += kByteOrderMark.size();
  }
  TextPlace Place() const { return counter_.Place(); }

  // Whether the first byte that is no blank (space, tab, CR, LF) is `c`,
  // looking no further than `limit` bytes ahead; nothing is taken.
  bool FirstNonBlankIs(char c, size_t limit);

 private:
  // Whether at least n bytes are ready, reading more where needed.
  bool Fill(size_t n);

  Pull pull_;
  std::string buffer_;
  const char* data_ = nullptr;
  size_t pos_ = 0;
  size_t end_ = 0;
  PlaceCounter counter_;
};

}  // namespace vantor
