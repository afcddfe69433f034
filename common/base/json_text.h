// Text for the JSON that the tools write: strings quoted and escaped as JSON
// requires, and bytes of unknown encoding (the game's names and texts) made
// UTF-8. Writing only; the tools read no JSON here.
#pragma once

#include <string>
#include <string_view>

namespace vantor {

// The text as a JSON string, quotes included: '"', '\' and the control
// characters below 0x20 escaped (the short escapes where JSON has them,
// \u00XX otherwise). The text must be UTF-8; Utf8OrCp437 makes it so.
std::string JsonString(std::string_view utf8);

// Whether the bytes are well-formed UTF-8: no stray continuation byte, no
// truncated or overlong sequence, no surrogate, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// The bytes unchanged when they are UTF-8; otherwise read as code page 437,
// the character set of the game's own texts, and written as UTF-8.
std::string Utf8OrCp437(std::string_view bytes);

}  // namespace vantor
