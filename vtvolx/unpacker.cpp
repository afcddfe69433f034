#include "unpacker.h"

#include <cstring>
#include <optional>

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "entry_names.h"
#include "os/platform.h"
#include "records/little_endian.h"
#include "volume_format.h"
#include "working_files.h"

namespace vantor::vtvolx {
namespace {

constexpr const char* kInnerName = "huh.dat";

bool HasBitmapMark(const std::string& name) {
  BinaryFile file = BinaryFile::OpenExisting(name, BinaryFile::Access::ReadOnly);
  char mark[3] = {};
  // Files shorter than the mark are no bitmaps.
  return file.ReadUpTo(mark, sizeof mark) == sizeof mark && std::memcmp(mark, "KBM", 3) == 0;
}

// Builds the one-entry working volume from the template: its first 16 bytes
// with the size patched, the stored bytes, "VBLK", then the template's tail.
void BuildWorkingVolume(VtvolxState& s, BinaryFile& packed, const std::string& outName,
                        int64_t realSize, const std::string& templatePath,
                        const std::string& workPath) {
  s.Con.WriteLine("Opening files");
  BinaryFile templ = BinaryFile::OpenExisting(templatePath, BinaryFile::Access::ReadOnly);
  BinaryFile work = BinaryFile::CreateReplacing(workPath, BinaryFile::Replace::Scratch);
  s.Con.WriteLine("done.");
  s.Con.WriteLine("writing header.");
  uint8_t head[16];
  templ.ReadExact(head, sizeof head);
  PutThreeBytes(head + 12, static_cast<uint32_t>(realSize + 256));
  work.Write(head, sizeof head);
  s.Con.WriteLine("done.");
  s.Con.WriteLine("pasting compressed file... " + PrintableName(outName));
  work.CopyFrom(packed, 0, packed.Size());
  work.Write("VBLK", 4);
  int64_t tailStart = packed.Size() + 20;
  if (tailStart < templ.Size()) work.CopyFrom(templ, tailStart, templ.Size() - tailStart);
  work.Seek(work.Size() - 5);
  WriteLong(work, static_cast<int32_t>(realSize + 256));
  templ.Close();
  work.Commit();
  s.Con.WriteLine("closed files");
}

// The entry is not written: says why, and the run ends with exit code 1.
void NotWritten(VtvolxState& s, const std::string& why, const std::string& outName) {
  s.Con.WriteLine("  " + why + "; " + PrintableName(outName) + " is not written");
  s.SomeEntryFailed = true;
}

// Why the template cannot make a working volume; nothing when it can.
std::optional<std::string> TemplateProblem(const std::string& templatePath) {
  try {
    BinaryFile templ = BinaryFile::OpenExisting(templatePath, BinaryFile::Access::ReadOnly);
    if (templ.Size() < 16) return "the template " + templatePath + " is shorter than 16 bytes";
  } catch (const RunTimeError& error) {
    return error.what();
  }
  return std::nullopt;
}

// Why the extractor's result is no unpacked entry; nothing when it is. A
// file shorter than the real size would have to be made up with zeros.
std::optional<std::string> ExtractorProblem(std::optional<int> status, const std::string& extractor,
                                            const std::string& produced, int64_t realSize) {
  // posix_spawn reports a program it could not execute as exit status 127.
  if (!status || *status == 127) return "the extractor " + extractor + " could not be started";
  if (*status != 0) return "the extractor failed (exit status " + std::to_string(*status) + ")";
  if (KindOf(produced) != FileKind::Regular) {
    return "the extractor left no file " + PrintableName(produced);
  }
  int64_t size = BinaryFile::OpenExisting(produced, BinaryFile::Access::ReadOnly).Size();
  if (size < realSize) {
    return "the extractor gave " + FormatInt(size) + " bytes of " + FormatInt(realSize);
  }
  return std::nullopt;
}

}  // namespace

void UnpackEntry(VtvolxState& s, BinaryFile& packed, const std::string& outName, int64_t realSize) {
  s.Con.WriteLine("beginning decompress filesize " + PrintableName(outName) + " :" +
                  FormatInt(packed.Size()));
  std::string templatePath = s.Opt.ProgramDir + std::string(kTemplateName);
  std::string workPath = s.Opt.ProgramDir + std::string(kWorkingVolumeName);
  if (IsSameFile(workPath, s.Opt.Volume)) {
    return NotWritten(s, "refused, the working volume is the volume being read: " + workPath,
                      outName);
  }
  if (auto problem = TemplateProblem(templatePath)) return NotWritten(s, *problem, outName);
  FileLock workingVolume = LockWorkingFiles(s);
  BuildWorkingVolume(s, packed, outName, realSize, templatePath, workPath);

  // The extractor writes the file under its temporary name; it is put in
  // place only once it holds the unpacked entry.
  packed.Flush();
  const std::string produced = packed.TemporaryName();
  std::string extractor = s.Opt.ProgramDir + std::string(kExtractorName);
  s.Con.WriteLine("execing: " + s.Opt.ProgramDir + "Extract.exe " + workPath + " " + kInnerName +
                  " " + PrintableName(produced) + " please wait...");
  s.Con.Flush();
  std::optional<int> status = StartProgramAndWait(extractor, {workPath, kInnerName, produced});
  if (auto problem = ExtractorProblem(status, extractor, produced, realSize)) {
    return NotWritten(s, *problem, outName);
  }

  s.Con.WriteLine("extract done... truncating " + PrintableName(outName) + " to " +
                  FormatInt(realSize, 5) + " bytes");
  // By name: the extractor may have made a new file under it.
  BinaryFile unpacked = BinaryFile::OpenExisting(produced, BinaryFile::Access::ReadWrite);
  unpacked.Seek(realSize);
  unpacked.Truncate();
  unpacked.Close();
  packed.Commit();
  if (HasBitmapMark(outName)) {
    s.Con.WriteLine("! Korvid Bitmap File , needs conversion !" + PrintableName(outName));
  } else {
    s.Con.WriteLine("done... file ready");
  }
}

}  // namespace vantor::vtvolx
