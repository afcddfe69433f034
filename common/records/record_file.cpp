#include "records/record_file.h"

#include <algorithm>

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "os/platform.h"
#include "records/little_endian.h"

namespace vantor {
namespace {

int64_t RecordOffset(int64_t index, size_t length) {
  return RecordFile::kHeaderSize + index * static_cast<int64_t>(length);
}

}  // namespace

RecordFile RecordFile::Open(const std::string& name, BinaryFile::Access access) {
  return RecordFile(BinaryFile::OpenExisting(name, access), access);
}

void RecordFile::Close() {
  open_ = false;
  file_.Close();
}

RecordFile::Known RecordFile::KnownOf(BinaryFile& file) {
  Known known{file.Identity(), std::nullopt};
  uint8_t word[2];
  if (file.ReadAt(kRecordSizeOffset, word, sizeof word) == sizeof word) {
    known.recordSize = WordAt(word);
  }
  return known;
}

BinaryFile& RecordFile::Current() {
  if (open_ && !file_.IsOpen()) {
    // This program's own insert put the file there.
    file_ = BinaryFile::OpenExisting(file_.Name(), access_);
    known_ = KnownOf(file_);
    return file_;
  }
  std::optional<FileIdentity> named = IdentityOf(file_.Name());
  if (named && *named != file_.Identity()) {
    file_ = BinaryFile::OpenExisting(file_.Name(), access_);
  } else {
    file_.Refresh();
  }
  return file_;
}

int64_t RecordFile::Size() {
  return Current().Size();
}

size_t RecordFile::ReadHeader(std::span<uint8_t> bytes) {
  size_t wanted = std::min(bytes.size(), static_cast<size_t>(kHeaderSize));
  return Current().ReadAt(0, bytes.data(), wanted);
}

uint16_t RecordFile::Count() {
  uint8_t word[2];
  if (Current().ReadAt(kCountOffset, word, sizeof word) != sizeof word) {
    throw FileError(FileOperation::Read, Name(), 0);
  }
  return WordAt(word);
}

uint16_t RecordFile::RecordSize() {
  uint8_t word[2];
  if (Current().ReadAt(kRecordSizeOffset, word, sizeof word) != sizeof word) {
    throw FileError(FileOperation::Read, Name(), 0);
  }
  return WordAt(word);
}

void RecordFile::Read(int64_t index, std::span<uint8_t> record) {
  if (ReadUpTo(index, record) != record.size()) throw FileError(FileOperation::Read, Name(), 0);
}

size_t RecordFile::ReadUpTo(int64_t index, std::span<uint8_t> record) {
  return Current().ReadAt(RecordOffset(index, record.size()), record.data(), record.size());
}

void RecordFile::Write(int64_t index, std::span<const uint8_t> record) {
  Current().WriteAt(RecordOffset(index, record.size()), record.data(), record.size());
}

void RecordFile::WriteHeader(std::span<const uint8_t> header) {
  Current().WriteAt(0, header.data(), std::min(header.size(), static_cast<size_t>(kHeaderSize)));
  // A record length written by this program is known to it.
  if (header.size() >= kRecordSizeOffset + 2) known_ = KnownOf(file_);
}

void RecordFile::SetCount(uint16_t count) {
  uint8_t word[2];
  PutWord(word, count);
  Current().WriteAt(kCountOffset, word, sizeof word);
}

std::optional<std::string> RecordFile::Insert(int64_t index, std::span<const uint8_t> record) {
  BinaryFile& old = Current();
  const int64_t oldSize = old.Size();
  const int64_t at = RecordOffset(index, record.size());
  Header header{};
  if (old.ReadAt(0, header.data(), header.size()) != header.size() || at > oldSize) {
    throw FileError(FileOperation::Read, Name(), 0);
  }
  PutWord(header.data() + kCountOffset,
          static_cast<uint16_t>(WordAt(header.data() + kCountOffset) + 1));

  // Through a link, the file it leads to is replaced, not the link.
  BinaryFile fresh = BinaryFile::CreateReplacing(FileBehindLinks(Name()));
  const int64_t newSize = oldSize + static_cast<int64_t>(record.size());
  if (auto why = fresh.ReserveSpace(0, newSize)) return why;
  fresh.Write(header.data(), header.size());
  const int64_t before = at - kHeaderSize;
  const int64_t after = oldSize - at;
  if (fresh.CopyFrom(old, kHeaderSize, before) != before) {
    throw FileError(FileOperation::Read, Name(), 0);
  }
  fresh.Write(record.data(), record.size());
  if (fresh.CopyFrom(old, at, after) != after) throw FileError(FileOperation::Read, Name(), 0);
  // Windows puts no file under a name while the old one is open; the next
  // call opens whichever file the name then holds.
  old.Close();
  fresh.Commit();
  return std::nullopt;
}

bool RecordFile::Replaced() {
  return KnownOf(Current()) != known_;
}

void RecordFile::Adopt() {
  known_ = KnownOf(Current());
}

std::string ReplacedFileNote(std::string_view name) {
  return PrintableName(name) + " was changed by another program; nothing written";
}

void MergeChanges(std::span<const uint8_t> base, std::span<const uint8_t> edited,
                  std::span<uint8_t> current) {
  size_t n = std::min({base.size(), edited.size(), current.size()});
  for (size_t i = 0; i < n; ++i) {
    if (edited[i] != base[i]) current[i] = edited[i];
  }
}

}  // namespace vantor
