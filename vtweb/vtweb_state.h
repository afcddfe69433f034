// vtweb's state: the one landmark file it shows, the address it serves on
// and the secret every request must carry.
#pragma once

#include <cstdint>
#include <string>

namespace vantor::vtweb {

struct VtwebState {
  std::string FileName;  // the landmark file, as typed
  uint16_t Port = 0;     // the port listened on, once it is known
  std::string Secret;    // 32 hex digits, made at start
};

}  // namespace vantor::vtweb
