// File names typed at datedit's prompts. A name holding a byte below 0x20
// (a zero byte, Esc, a stray control key) names no file the user means: the
// system would cut it at a zero byte, or create a file nobody can type.
#pragma once

#include <functional>
#include <string>

#include "console/console.h"

namespace vantor::datedit {

// Writes `prompt` and reads a name until one is typed that is not empty and
// holds no control byte; a refused name is noted on a line of its own.
std::string AskForName(Console& con, const std::function<void()>& prompt, size_t maxChars);

// For prompts that ask once: true, after a note and a key, when the name
// holds a control byte.
bool RefusedForControlByte(Console& con, const std::string& name);

}  // namespace vantor::datedit
