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

// The name to seek a format file by for a file that git hands to a textconv
// filter: git names its temporary copies of a file six letters or digits and
// "_" before the file's own name, which is the name to seek by. Other names
// are returned as they are.
std::string TextConversionName(const std::string& dataFileName);

// Loads the first format file in the program's folder whose name starts like
// the data file's (name key + ".txt"), and switches to the formatted view.
// The line it writes names the data file as the command line gave it.
void AutoSeekFormatFile(DateditState& s, const std::string& dataFileArgument);

}  // namespace vantor::datedit
