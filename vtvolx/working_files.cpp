#include "working_files.h"

namespace vantor::vtvolx {

FileLock LockWorkingFiles(VtvolxState& s) {
  return FileLock(s.Opt.ProgramDir, [&] {
    s.Con.EndOpenLine();
    s.Con.WriteLine("waiting for another program to finish with " + s.Opt.ProgramDir + "...");
    s.Con.Flush();
  });
}

}  // namespace vantor::vtvolx
