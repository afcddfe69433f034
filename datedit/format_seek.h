// Finding the format file that belongs to the open data file by its name.
#pragma once

#include <string>

#include "datedit_state.h"

namespace vantor::datedit {

// The data file's name without its folder, every "." and digit made "*",
// cut after the first "*"; empty when the name has neither.
std::string FormatNameKey(const std::string& dataFileName);

// Loads the first format file in the program's folder whose name starts like
// the data file's (name key + ".txt"), and switches to the formatted view.
// The line it writes names the data file as the command line gave it.
void AutoSeekFormatFile(DateditState& s, const std::string& dataFileArgument);

}  // namespace vantor::datedit
