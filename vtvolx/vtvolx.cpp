#include "vtvolx.h"

#include "base/version.h"
#include "entry_names.h"
#include "extraction_policy.h"
#include "index_walk.h"
#include "json_listing.h"
#include "volume_builder.h"
#include "volume_reader.h"
#include "working_files.h"

namespace vantor::vtvolx {
namespace {

constexpr const char* kBanner = "vtvolx v2.1 - use this software at your own risk.... ";

int BuildingRun(VtvolxState& s) {
  if (s.Opt.Volume.empty()) {
    // The new volume would have no name.
    WriteUsage(s);
    return 1;
  }
  std::vector<SourceFile> files = ListSourceFolder(s);
  if (!CheckSourceFiles(s, ExtractionPolicy(s.Opt), files)) return 1;
  FileLock parts = LockWorkingFiles(s);
  BuildVolume(s, files);
  AssembleVolume(s);
  s.Con.WriteLine("Done......");
  return 0;
}

int ReadingRun(VtvolxState& s) {
  ExtractionPolicy policy(s.Opt);
  // The run replaces its working copies first: one of them cannot be read.
  if (policy.IsWorkingCopy(s.Opt.Volume)) {
    s.Con.WriteLine("Cannot read " + PrintableName(s.Opt.Volume) +
                    ": every run replaces that working copy; copy it elsewhere to read it");
    return 1;
  }
  ReadVolumeHeader(s);
  ShowVolumeHeader(s);
  ShowFirstBlock(s, s.Header.VblkPos);
  SaveIndex(s, policy);
  SaveNameTable(s, policy);
  WalkIndex(s, policy);
  s.VolumeFile.Close();
  s.Con.WriteLine(s.Opt.ProgramName + " Lives in: " + s.Opt.ProgramDir);
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

void WriteHelp(VtvolxState& s) {
  WriteUsage(s);
  s.Con.WriteLn();
  // In the layout help2man reads for the manual page (man/vtvolx.1).
  s.Con.Write(
      "Options:\n"
      "  --json     with the volume alone: lists its entries as JSON Lines, one\n"
      "             object per entry (index, name, offset, size, real_size,\n"
      "             packed, safe); writes no file\n"
      "  --help     shows this text\n"
      "  --version  shows the program's name and version\n");
}

int RunVtvolx(PlainConsole& console, const std::vector<std::string>& arguments) {
  return RunVtvolx(console, console, arguments);
}

int RunVtvolx(PlainConsole& console, PlainConsole& errors,
              const std::vector<std::string>& arguments) {
  Options options = ParseCommandLine(arguments);
  if (options.Mode == RunMode::Refused) {
    errors.WriteLine(options.Problem + "; vtvolx --help lists the options");
    return 1;
  }
  if (options.Mode == RunMode::JsonListing) {
    VtvolxState s(errors, std::move(options));
    return ListAsJson(s, console);
  }
  VtvolxState s(console, std::move(options));
  switch (s.Opt.Mode) {
    case RunMode::Usage:
      WriteUsage(s);
      return 0;
    case RunMode::Help:
      WriteHelp(s);
      return 0;
    case RunMode::Version:
      s.Con.Write(VersionLine("vtvolx"));
      return 0;
    case RunMode::Make:
      return BuildingRun(s);
    default:
      return ReadingRun(s);
  }
}

}  // namespace vantor::vtvolx
