#include "working_files.h"

#include <algorithm>
#include <array>

#include "os/waiting_lock.h"

namespace vantor::vtvolx {

bool IsWorkingFileName(std::string_view lowerName) {
  static constexpr std::array<std::string_view, 7> kNames = {
      "head.vol", "string.idx", "index.idx", "vblkdata.vol", "_long.txt", "voli.dat", "vols.dat"};
  return std::find(kNames.begin(), kNames.end(), lowerName) != kNames.end();
}

FileLock LockWorkingFiles(VtvolxState& s) {
  return LockOrSayWaiting(s.Opt.ProgramDir, s.Con, WaitLine::OwnLine);
}

}  // namespace vantor::vtvolx
