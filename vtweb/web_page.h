// The page vtweb serves and --html writes: map.html with its style and
// script put in, built into the program.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantor::vtweb {

// The page's files as the build put them into the program.
extern const std::string_view kMapHtml;
extern const std::string_view kMapCss;
extern const std::string_view kMapJs;

// The page with its style and script; with `landmarksJson`, the data too,
// as the element the page reads instead of asking a server.
std::string PageText(const std::optional<std::string>& landmarksJson);

// JSON as the text of a script element: every "<" written as \u003c, so that
// no text in it can end the element.
std::string JsonInScript(std::string_view json);

}  // namespace vantor::vtweb
