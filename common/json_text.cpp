#include "json_text.h"

#include <cstdint>

#include "cp437.h"

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

// The length of the sequence that a lead byte begins and the smallest code
// point it may carry (smaller ones are overlong); 0 for no lead byte.
int SequenceLength(unsigned char lead, char32_t& smallest) {
  struct Lead {
    unsigned char low, high;
    int length;
    char32_t smallest;
  };
  static constexpr Lead kLeads[] = {
      {0x00, 0x7F, 1, 0}, {0xC2, 0xDF, 2, 0x80}, {0xE0, 0xEF, 3, 0x800}, {0xF0, 0xF4, 4, 0x10000}};
  for (const Lead& l : kLeads) {
    if (lead >= l.low && lead <= l.high) {
      smallest = l.smallest;
      return l.length;
    }
  }
  return 0;
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
  size_t i = 0;
  while (i < bytes.size()) {
    auto lead = static_cast<unsigned char>(bytes[i]);
    char32_t smallest = 0;
    int length = SequenceLength(lead, smallest);
    if (length == 0 || i + length > bytes.size()) return false;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (code < smallest || surrogate || code > 0x10FFFF) return false;
    i += length;
  }
  return true;
}

std::string Utf8OrCp437(std::string_view bytes) {
  return IsValidUtf8(bytes) ? std::string(bytes) : Cp437ToUtf8(bytes);
}

}  // namespace vantor
