// The page vtweb serves and --html writes: map.html with its style and
// script put in, built into the program.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantor::vtweb {

// The pages' files as the build put them into the program: the landmark
// map and the record grid.
extern const std::string_view kMapHtml;
extern const std::string_view kMapCss;
extern const std::string_view kMapJs;
extern const std::string_view kGridHtml;
extern const std::string_view kGridCss;
extern const std::string_view kGridJs;

// The map page with its style and script; with `landmarksJson`, the data
// too, as the element the page reads instead of asking a server.
std::string PageText(const std::optional<std::string>& landmarksJson);

// The record grid page with its style and script, as served.
std::string GridPageText();

// JSON as the text of a script element: every "<" written as \u003c, so that
// no text in it can end the element.
std::string JsonInScript(std::string_view json);

}  // namespace vantor::vtweb
