// JSON of any content: read, or refused with a place inside the text; the
// strings read are UTF-8 and the numbers keep the text's own characters.
// Read again in small pieces, kept or only checked, it gives the same fault
// at the same place.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/json_text.h"
#include "fuzz_pieces.h"
#include "fuzz_support.h"
#include "textform/json_reader.h"

namespace {

void Check(const vantor::JsonValue& value) {
  using Kind = vantor::JsonValue::Kind;
  if (value.kind == Kind::String) {
    vantor::fuzzing::Require(vantor::IsValidUtf8(value.text), "strings are UTF-8");
  }
  if (value.kind == Kind::Number) {
    vantor::fuzzing::Require(!value.text.empty(), "numbers keep their text");
  }
  for (const auto& item : value.items)
    Check(item);
  for (const auto& [name, member] : value.members) {
    vantor::fuzzing::Require(vantor::IsValidUtf8(name), "names are UTF-8");
    Check(member);
  }
}

// The fault of reading `text` in pieces, value kept or not: "" when none.
std::string PiecewiseFault(std::string_view text, bool keep) {
  try {
    vantor::fuzzing::ReadJsonInPieces(text, vantor::fuzzing::PieceSize(text), keep);
  } catch (const vantor::TextFormError& e) {
    return std::to_string(e.Place().line) + ":" + std::to_string(e.Place().column) + " " + e.what();
  }
  return "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantor;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string fault;
  try {
    Check(ReadJson(text));
  } catch (const TextFormError& e) {
    fuzzing::Require(e.Place().line >= 1 && e.Place().column >= 1, "a place in the text");
    fault =
        std::to_string(e.Place().line) + ":" + std::to_string(e.Place().column) + " " + e.what();
  }
  fuzzing::Require(PiecewiseFault(text, true) == fault, "pieces read as the whole text");
  fuzzing::Require(PiecewiseFault(text, false) == fault, "pieces checked as the whole text");
  return 0;
}
