// A text handed to a reader a few bytes at a time, as a pipe may hand it:
// what a reader makes of it must not depend on where the pieces end.
#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>

#include "textform/json_reader.h"
#include "textform/text_stream.h"

namespace vantor::fuzzing {

// `text` must outlive the stream; `piece` is at least 1.
inline TextStream InPieces(std::string_view text, size_t piece) {
  return TextStream([text, piece, handed = size_t{0}](char* buffer, size_t n) mutable {
    size_t count = std::min({n, piece, text.size() - handed});
    std::memcpy(buffer, text.data() + handed, count);
    handed += count;
    return count;
  });
}

// A JSON text read in pieces, its value kept or only checked; a fault is
// thrown as ReadJson throws it.
inline void ReadJsonInPieces(std::string_view text, size_t piece, bool keep) {
  TextStream in = InPieces(text, piece);
  JsonReader reader(in);
  reader.SkipBlanks();
  if (keep) {
    reader.Value(0);
  } else {
    reader.Skip(0);
  }
  reader.End();
}

// The size of the pieces a fuzz input is read in, from its first byte.
inline size_t PieceSize(std::string_view text) {
  return text.empty() ? 1 : static_cast<unsigned char>(text[0]) % 8 + 1;
}

}  // namespace vantor::fuzzing
