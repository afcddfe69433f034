#include "name_pattern.h"

namespace vantor::vtvolx {
namespace {

// An empty text is never found: an empty part of a pattern selects nothing
// (so "!" alone selects every named entry).
bool StartsWith(std::string_view text, std::string_view part) {
  return !part.empty() && text.substr(0, part.size()) == part;
}

bool Contains(std::string_view text, std::string_view part, size_t from = 0) {
  return !part.empty() && from <= text.size() && text.find(part, from) != std::string_view::npos;
}

bool PatternSelects(std::string_view p, std::string_view n) {
  auto star = p.find('*');
  if (p == "*" || (star == std::string_view::npos && StartsWith(n, p))) return true;
  if (star == 0 && Contains(n, p.substr(1))) return true;
  if (star != std::string_view::npos && star == p.size() - 1 && p.size() > 1 &&
      StartsWith(n, p.substr(0, star))) {
    return true;
  }
  if (star == std::string_view::npos) return false;
  std::string_view before = p.substr(0, star);
  std::string_view after = p.substr(star + 1);
  return StartsWith(n, before) && Contains(n, after, 1);
}

}  // namespace

std::string MatchName(std::string_view pattern, std::string_view name) {
  if (name.empty()) return {};
  bool inverted = !pattern.empty() && pattern[0] == '!';
  if (inverted) pattern.remove_prefix(1);
  bool selected = PatternSelects(pattern, name);
  return selected != inverted ? std::string(name) : std::string();
}

}  // namespace vantor::vtvolx
