#include "web_page.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

namespace vantor::vtweb {
namespace {

// Each placeholder found in the template alone, so that text put in for one
// is never searched for another.
std::string FillPlaceholders(std::string_view page,
                             std::array<std::pair<std::string_view, std::string_view>, 3> fills) {
  std::array<std::pair<size_t, size_t>, 3> places{};  // position, which fill
  for (size_t i = 0; i < fills.size(); ++i) {
    const size_t at = page.find(fills[i].first);
    if (at == std::string_view::npos)
      throw std::logic_error("the page lacks " + std::string(fills[i].first));
    places[i] = {at, i};
  }
  std::sort(places.begin(), places.end());
  std::string filled;
  size_t from = 0;
  for (const auto& [at, which] : places) {
    filled.append(page.substr(from, at - from));
    filled.append(fills[which].second);
    from = at + fills[which].first.size();
  }
  filled.append(page.substr(from));
  return filled;
}

}  // namespace

std::string JsonInScript(std::string_view json) {
  std::string text;
  text.reserve(json.size());
  for (char c : json) {
    if (c == '<')
      text += "\\u003c";
    else
      text += c;
  }
  return text;
}

std::string PageText(const std::optional<std::string>& landmarksJson) {
  const std::string data = landmarksJson ? "<script type=\"application/json\" id=\"vtweb-data\">" +
                                               JsonInScript(*landmarksJson) + "</script>"
                                         : std::string();
  return FillPlaceholders(
      kMapHtml,
      {{{"/*VTWEB-CSS*/", kMapCss}, {"/*VTWEB-JS*/", kMapJs}, {"<!--VTWEB-DATA-->", data}}});
}

std::string GridPageText() {
  return FillPlaceholders(
      kGridHtml,
      {{{"/*VTWEB-CSS*/", kGridCss}, {"/*VTWEB-JS*/", kGridJs}, {"<!--VTWEB-DATA-->", ""}}});
}

}  // namespace vantor::vtweb
