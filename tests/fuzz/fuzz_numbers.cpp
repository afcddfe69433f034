// The integer and real readers on any text, as tokens and as typed lines.
#include <cstdint>
#include <deque>
#include <string>

#include "base/run_time_error.h"
#include "base/text_io.h"
#include "fuzz_support.h"

namespace {

class Lines : public vantor::LineInput {
 public:
  explicit Lines(std::string_view text) {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      lines_.emplace_back(text.substr(start, end - start));
      start = end + 1;
    }
  }
  std::optional<std::string> ReadRawLine() override {
    if (lines_.empty()) return std::nullopt;
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    return line;
  }

 private:
  std::deque<std::string> lines_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantor;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (auto value = ParseIntegerToken(text)) {
    // A number never holds a separator and never exceeds its token length.
    fuzzing::Require(text.size() <= kMaxIntegerToken, "integer token too long");
    for (char c : text)
      fuzzing::Require(static_cast<unsigned char>(c) > ' ', "blank in integer");
  }
  if (auto value = ParseRealToken(text)) {
    fuzzing::Require(text.size() <= kMaxRealToken, "real token too long");
  }
  for (int reader = 0; reader < 2; ++reader) {
    Lines lines(text);
    try {
      if (reader == 0) {
        ReadInteger(lines);
      } else {
        ReadReal(lines);
      }
    } catch (const RunTimeError& error) {
      fuzzing::Require(error.Code() == ErrorCode::InvalidNumericFormat, "wrong error code");
    }
  }
  return 0;
}
