// Finding the format file that belongs to the open data file by its name.
#pragma once

#include <optional>
#include <string>

#include "datedit_state.h"

namespace vantor::datedit {

// The data file's name without its folder, every "." and digit made "*",
// cut after the first "*"; empty when the name has neither.
std::string FormatNameKey(const std::string& dataFileName);

// The first format file in `programDir` whose name starts like the data
// file's (name key + ".txt"), by name order; nothing when none does.
std::optional<std::string> SeekFormatFile(const std::string& programDir,
                                          const std::string& dataFileName);

// The format file for the text forms of a data file named without one: the
// one its name finds as SeekFormatFile finds it. A file that stands in the
// system's temporary folder and is named six letters or digits, "_" and a
// name, as older versions of git name the copies they hand a textconv
// filter, is sought by that name when its whole name finds no format file
// of its own (a name that begins with a digit or "." finds every one).
std::optional<std::string> SeekTextFormFormat(const std::string& programDir,
                                              const std::string& dataFileName);

// Loads the first format file in the program's folder whose name starts like
// the data file's (name key + ".txt"), and switches to the formatted view.
// The line it writes names the data file as the command line gave it.
void AutoSeekFormatFile(DateditState& s, const std::string& dataFileArgument);

}  // namespace vantor::datedit
