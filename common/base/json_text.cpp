#include "base/json_text.h"

#include <cstdint>

#include "base/cp437.h"

namespace vantor {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendEscape(std::string& out, unsigned char c) {
  switch (c) {
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    case '\b':
      out += "\\b";
      return;
    case '\f':
      out += "\\f";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    default:
      out += "\\u00";
      out += kHexDigits[c >> 4];
      out += kHexDigits[c & 0xF];
  }
}

}  // namespace

std::string JsonString(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + 2);
  out += '"';
  for (char c : utf8) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || c == '"' || c == '\\') {
      AppendEscape(out, byte);
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {  // most text: checked cheaply
      ++i;
      continue;
    }
    std::optional<Utf8Character> character = DecodeUtf8Character(bytes.substr(i));
    if (!character) return false;
    i += character->length;
  }
  return true;
}

std::string Utf8OrCp437(std::string_view bytes) {
  return IsValidUtf8(bytes) ? std::string(bytes) : Cp437ToUtf8(bytes);
}

}  // namespace vantor
