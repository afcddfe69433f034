// Name patterns: any pattern against any name. The input is the pattern, a
// zero byte, then the name.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "name_pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using vantor::fuzzing::Require;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  auto split = input.find('\0');
  std::string_view pattern = input.substr(0, split);
  std::string_view name = split == std::string_view::npos ? "" : input.substr(split + 1);
  std::string result = vantor::vtvolx::MatchName(pattern, name);
  Require(result.empty() || result == name, "a match gives the name itself");
  Require(!name.empty() || result.empty(), "an empty name is never selected");
  if (!name.empty() && (pattern.empty() || pattern[0] != '!')) {
    std::string inverted = vantor::vtvolx::MatchName("!" + std::string(pattern), name);
    Require(inverted.empty() != result.empty(), "\"!\" selects exactly the others");
  }
  return 0;
}
