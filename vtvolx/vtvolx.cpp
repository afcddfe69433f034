#include "vtvolx.h"

#include "hex.h"
#include "index_walk.h"
#include "platform.h"
#include "volume_builder.h"
#include "volume_reader.h"

namespace vantor::vtvolx {
namespace {

constexpr const char* kBanner = "vtvolx v2.1 - use this software at your own risk.... ";

void FindProgramPlace(VtvolxState& s) {
  std::string path = ProgramPathFromArg0(s.Arg(0));
  s.ProgramDir = std::string(DirectoryPart(path));
  s.ProgramName = LowerCase(path.substr(s.ProgramDir.size()));
}

int BuildingRun(VtvolxState& s) {
  if (s.ArgCount() < 2) {
    // The new volume would have no name.
    WriteUsage(s);
    return 1;
  }
  if (!CheckSourceFolder(s)) return 1;
  BuildVolume(s);
  AssembleVolume(s);
  s.Con.WriteLine("Done......");
  return 0;
}

int ReadingRun(VtvolxState& s) {
  s.IsTed = s.Arg(1).find(".ted", 1) != std::string::npos;
  ReadVolumeHeader(s);
  ShowVolumeHeader(s);
  ShowFirstBlock(s, s.Header.VblkPos);
  SaveIndex(s);
  SaveNameTable(s);
  WalkIndex(s);
  s.VolumeFile.Close();
  s.Con.WriteLine(s.ProgramName + " Lives in: " + s.ProgramDir);
  s.Con.WriteLine(kBanner);
  return s.SomeEntryFailed ? 1 : 0;
}

}  // namespace

void WriteUsage(VtvolxState& s) {
  PlainConsole& con = s.Con;
  con.WriteLine(kBanner);
  con.WriteLine(
      "-list lists all files in Vantor (data of the game Vantor; this tool is not made by its "
      "publisher) Vol file ");
  con.WriteLine("-all extracts all files.... not always recommended ;) ");
  con.WriteLine("-batch writes a batch file");
  con.WriteLine("-make creates a new volume from all files in subdir (default:  .\\volin");
  con.WriteLine(
      " (partial) filename extracts all matching filenames..... only 1 \"*\" allowed (ONE, not "
      "2!) ");
  con.WriteLn();
  con.WriteLine(
      "Usage: vtvolx <ted or vol filename>  [ -list | -all | -batch | [ [!]afile*name  ] [-test] ");
  con.WriteLine("vtvolx -make <volname> <folder with files to insert in vol>");
  con.WriteLine(
      "Example: vtex vt.vol 03*.dml -test      shows all plane dmls in volume to be extracted ");
  con.WriteLine(
      "Example (! inverts selection): vtex vt.vol !*.bmp -test      shows all files except *.bmp "
      "to be extracted ");
  con.WriteLine(" NB!! there may be NO space between \"!\" and the expression !!!");
}

int RunVtvolx(VtvolxState& s) {
  FindProgramPlace(s);
  if (s.ArgCount() == 0) {
    WriteUsage(s);
    return 0;
  }
  if (s.Arg(1) == "-make") return BuildingRun(s);
  return ReadingRun(s);
}

}  // namespace vantor::vtvolx
