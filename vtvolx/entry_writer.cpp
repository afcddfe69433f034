#include "entry_writer.h"

#include "base/text_format.h"
#include "entry_names.h"

namespace vantor::vtvolx {

CopyOutcome CopyOut(VtvolxState& s, const CopyRequest& request) {
  bool packed = request.RealSize != request.StoredSize;
  // The extractor writes a packed entry's file by its name.
  BinaryFile out = packed ? BinaryFile::CreateReplacingNamed(request.FileName, request.How)
                          : BinaryFile::CreateReplacing(request.FileName, request.How);
  int64_t count = 0;
  if (request.Position >= 0 && request.StoredSize > 0) {
    count = out.CopyFrom(s.VolumeFile, request.Position, request.StoredSize);
  }
  std::string fileName = PrintableName(request.FileName);
  s.Con.WriteLine("File : " + fileName + "  Bytes written: " + FormatInt(count, 9) +
                  " Expected: " + FormatInt(request.StoredSize, 9));
  bool cutShort = count < request.StoredSize;
  if (packed && !cutShort) return {CopyResult::Packed, std::move(out)};
  // What the volume held is kept, also when it ended early.
  out.Commit();
  if (!packed)
    s.Con.WriteLine(fileName + " is not compressed. " + PrintableName(request.EntryName));
  if (!cutShort) return {CopyResult::NotPacked, {}};
  s.SomeEntryFailed = true;
  return {CopyResult::CutShort, {}};
}

}  // namespace vantor::vtvolx
