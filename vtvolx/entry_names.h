// What an entry's name may be: the one rule that building and extraction
// share, how a name is shown, and which batch file lines are only remarked.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/text_format.h"

namespace vantor::vtvolx {

// Why a file of that name could put something outside the current folder,
// hide a control character, or not be created on Windows; nothing for a
// sound name. Building refuses what extraction would refuse.
std::optional<std::string> WhyNameIsUnsafe(std::string_view name);
inline bool IsUnsafeEntryName(std::string_view name) {
  return WhyNameIsUnsafe(name).has_value();
}

// Names whose batch file line would do more than extract the entry when run:
// an unsafe name, one with a character that means something to a command
// interpreter, a blank, a "*", a leading "!", or a leading "-": vtvolx
// reads such a word as a mode ("-all") or an option ("--help").
bool NeedsBatchGuard(std::string_view name);
// A volume name that makes every batch file line act on more than it says.
bool VolumeNeedsBatchGuard(std::string_view volume);

}  // namespace vantor::vtvolx
