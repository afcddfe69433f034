// JSON of any content: read, or refused with a place inside the text; the
// strings read are UTF-8 and the numbers keep the text's own characters.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/json_text.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantor;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    Check(ReadJson(text));
  } catch (const TextFormError& e) {
    fuzzing::Require(e.Place().line >= 1 && e.Place().column >= 1, "a place in the text");
  }
  return 0;
}
