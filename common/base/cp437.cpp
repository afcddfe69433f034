#include "base/cp437.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace vantor {
namespace {

// Glyphs of bytes 0-31 and 127-255; 32-126 are ASCII.
constexpr std::array<char32_t, 32> kLowGlyphs = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};

constexpr std::array<char32_t, 129> kHighGlyphs = {
    0x2302,  // 127
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

}  // namespace

char32_t Cp437ToUnicode(uint8_t byte) {
  if (byte < 32) return kLowGlyphs[byte];
  if (byte < 127) return byte;
  return kHighGlyphs[byte - 127];
}

std::optional<uint8_t> UnicodeToCp437(char32_t codePoint) {
  if (codePoint >= 32 && codePoint < 127) return static_cast<uint8_t>(codePoint);
  for (int byte = 1; byte < 256; ++byte) {
    if (Cp437ToUnicode(static_cast<uint8_t>(byte)) == codePoint) return static_cast<uint8_t>(byte);
  }
  return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string Cp437ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes)
    AppendUtf8(out, Cp437ToUnicode(static_cast<uint8_t>(c)));
  return out;
}

std::optional<Utf8Character> DecodeUtf8Character(std::string_view bytes) {
  struct Lead {
    unsigned char low, high;
    size_t length;
    char32_t smallest;  // smaller code points are overlong
  };
  static constexpr Lead kLeads[] = {
      {0x00, 0x7F, 1, 0}, {0xC2, 0xDF, 2, 0x80}, {0xE0, 0xEF, 3, 0x800}, {0xF0, 0xF4, 4, 0x10000}};
  if (bytes.empty()) return std::nullopt;
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const Lead* kind = std::find_if(std::begin(kLeads), std::end(kLeads),
                                  [&](const Lead& l) { return lead >= l.low && lead <= l.high; });
  if (kind == std::end(kLeads) || bytes.size() < kind->length) return std::nullopt;
  char32_t code = kind->length == 1 ? lead : lead & (0x7F >> kind->length);
  for (size_t k = 1; k < kind->length; ++k) {
    auto next = static_cast<unsigned char>(bytes[k]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    code = (code << 6) | (next & 0x3F);
  }
  bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (code < kind->smallest || surrogate || code > 0x10FFFF) return std::nullopt;
  return Utf8Character{code, kind->length};
}

std::optional<std::string> Utf8ToCp437(std::string_view utf8) {
  std::string bytes;
  for (size_t i = 0; i < utf8.size();) {
    std::optional<Utf8Character> character = DecodeUtf8Character(utf8.substr(i));
    std::optional<uint8_t> byte;
    if (character) byte = UnicodeToCp437(character->codePoint);
    if (!byte) return std::nullopt;
    bytes += static_cast<char>(*byte);
    i += character->length;
  }
  return bytes;
}

}  // namespace vantor
