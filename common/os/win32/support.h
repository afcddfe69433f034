// Windows only: what the Windows parts of common/ share. The programs hold
// names and text in UTF-8; the system takes them in UTF-16. Internal to
// common/.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "os/platform.h"

namespace vantor {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view utf16);

// The name resolved against the current folder (of its drive, for
// "x:name"); the name itself when the system cannot resolve it.
std::wstring FullPathOf(const std::wstring& name);

// Which file an open handle is on: its volume's serial number and its index.
FileIdentity IdentityOfHandle(HANDLE file);

// The full name of the file an open handle is on, as "\\?\C:\..." or
// "\\?\UNC\server\..."; empty when the system cannot tell.
std::wstring FinalPathOf(HANDLE file);

// The errno value that stands for a system error, so that messages and
// run-time error numbers are those of every other platform.
int ErrnoFromWin32(DWORD error);

}  // namespace vantor
