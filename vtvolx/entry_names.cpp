#include "entry_names.h"

#include <array>

#include "base/text_format.h"

namespace vantor::vtvolx {
namespace {

constexpr std::string_view kCommandCharacters = "&|<>^%;`$\"";
// Besides the folder separators and the colon, which say more.
constexpr std::string_view kWindowsForbidden = "*?\"<>|";

bool HasControlByte(std::string_view name) {
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9 name devices on Windows,
// in any case and whatever extension follows.
bool IsWindowsDeviceName(std::string_view name) {
  std::string base = LowerCase(name.substr(0, name.find('.')));
  static constexpr std::array<std::string_view, 4> kDevices = {"con", "prn", "aux", "nul"};
  for (std::string_view device : kDevices) {
    if (base == device) return true;
  }
  bool numbered = base.size() == 4 && (base.starts_with("com") || base.starts_with("lpt"));
  return numbered && base[3] >= '1' && base[3] <= '9';
}

}  // namespace

std::optional<std::string> WhyNameIsUnsafe(std::string_view name) {
  if (name.empty()) return "an empty name";
  if (name == "." || name == "..") return "a name that means a folder";
  if (name.find_first_of("/\\") != std::string_view::npos) return "a name with a folder in it";
  if (name.find(':') != std::string_view::npos) return "a name with a drive or stream colon";
  if (name.find_first_of(kWindowsForbidden) != std::string_view::npos) {
    return "a name with a character Windows forbids: * ? \" < > |";
  }
  if (HasControlByte(name)) return "a name with control characters";
  if (name.back() == '.' || name.back() == ' ') return "a name that ends in a dot or a blank";
  if (IsWindowsDeviceName(name)) return "a Windows device name";
  return std::nullopt;
}

bool NeedsBatchGuard(std::string_view name) {
  return IsUnsafeEntryName(name) || name.find_first_of(kCommandCharacters) != std::string::npos ||
         name.find_first_of(" *") != std::string_view::npos || name.front() == '!' ||
         name.front() == '-';
}

bool VolumeNeedsBatchGuard(std::string_view volume) {
  return volume.find_first_of(kCommandCharacters) != std::string_view::npos ||
         volume.find(' ') != std::string_view::npos || HasControlByte(volume);
}

}  // namespace vantor::vtvolx
