#include "records/record_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/run_time_error.h"
#include "base/text_format.h"
#include "os/platform.h"
#include "records/little_endian.h"

namespace vantor {
namespace {

// Exactly `length` bytes of `from` at `offset`, at `to`'s position.
void CopyExactly(BinaryFile& from, int64_t offset, int64_t length, BinaryFile& to) {
  if (to.CopyFrom(from, offset, length) != length) {
    throw FileError(FileOperation::Read, from.Name(), 0);
  }
}

}  // namespace

int64_t RecordFile::OffsetOf(int64_t index, int64_t recordSize) {
  return kHeaderSize + index * recordSize;
}

int64_t RecordFile::IndexAt(int64_t position, int64_t recordSize) {
  return recordSize == 0 ? 0 : (position - kHeaderSize) / recordSize;
}

int64_t RecordFile::RecordsIn(int64_t fileSize, int64_t recordSize) {
  if (recordSize <= 0 || fileSize < kHeaderSize) return 0;
  return (fileSize - kHeaderSize) / recordSize;
}

uint16_t RecordFile::CountIn(std::span<const uint8_t> header) {
  return WordAt(header.data() + kCountOffset);
}

uint16_t RecordFile::RecordSizeIn(std::span<const uint8_t> header) {
  return WordAt(header.data() + kRecordSizeOffset);
}

void RecordFile::PutCount(std::span<uint8_t> header, uint16_t count) {
  PutWord(header.data() + kCountOffset, count);
}

RecordFile RecordFile::Open(const std::string& name, BinaryFile::Access access) {
  return RecordFile(BinaryFile::OpenExisting(name, access), access);
}

void RecordFile::Close() {
  open_ = false;
  file_.Close();
}

RecordFile::Known RecordFile::KnownOf(BinaryFile& file) {
  Known known{file.Identity(), std::nullopt};
  uint8_t layout[kLayoutSize];
  if (file.ReadAt(0, layout, sizeof layout) == sizeof layout)
    known.recordSize = RecordSizeIn(layout);
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
  uint8_t upToCount[kCountOffset + 2];
  if (ReadHeader(upToCount) != sizeof upToCount) throw FileError(FileOperation::Read, Name(), 0);
  return CountIn(upToCount);
}

uint16_t RecordFile::RecordSize() {
  uint8_t layout[kLayoutSize];
  if (ReadHeader(layout) != sizeof layout) throw FileError(FileOperation::Read, Name(), 0);
  return RecordSizeIn(layout);
}

void RecordFile::Read(int64_t index, std::span<uint8_t> record) {
  if (ReadUpTo(index, record) != record.size()) throw FileError(FileOperation::Read, Name(), 0);
}

size_t RecordFile::ReadUpTo(int64_t index, std::span<uint8_t> record) {
  return ReadRunUpTo(index, std::ssize(record), record);
}

size_t RecordFile::ReadRunUpTo(int64_t first, int64_t recordSize, std::span<uint8_t> bytes) {
  return Current().ReadAt(OffsetOf(first, recordSize), bytes.data(), bytes.size());
}

void RecordFile::Write(int64_t index, std::span<const uint8_t> record) {
  Current().WriteAt(OffsetOf(index, std::ssize(record)), record.data(), record.size());
}

void RecordFile::WriteHeader(std::span<const uint8_t> header) {
  Current().WriteAt(0, header.data(), std::min(header.size(), static_cast<size_t>(kHeaderSize)));
  // A record length written by this program is known to it.
  if (header.size() >= kLayoutSize) known_ = KnownOf(file_);
}

void RecordFile::SetCount(uint16_t count) {
  uint8_t word[2];
  PutWord(word, count);
  Current().WriteAt(kCountOffset, word, sizeof word);
}

std::optional<std::string> RecordFile::Insert(int64_t index, std::span<const uint8_t> record) {
  BinaryFile& old = Current();
  Header header{};
  if (old.ReadAt(0, header.data(), header.size()) != header.size()) {
    throw FileError(FileOperation::Read, Name(), 0);
  }
  PutCount(header, static_cast<uint16_t>(CountIn(header) + 1));
  const Splice splices[] = {{0, kHeaderSize, header},
                            {OffsetOf(index, std::ssize(record)), 0, record}};
  if (int reason = Rewrite(old, splices)) return std::strerror(reason);
  return std::nullopt;
}

void RecordFile::Patch(std::vector<RecordPatch> patches) {
  if (patches.empty()) return;
  std::sort(patches.begin(), patches.end(),
            [](const RecordPatch& a, const RecordPatch& b) { return a.index < b.index; });
  std::vector<Splice> splices;
  splices.reserve(patches.size());
  for (const RecordPatch& patch : patches) {
    const auto length = std::ssize(patch.bytes);
    splices.push_back({OffsetOf(patch.index, length), length, patch.bytes});
  }
  // The error that writing the new file would have met, before any of it
  // is written.
  if (int reason = Rewrite(Current(), splices)) {
    throw FileError(FileOperation::Write, FileBehindLinks(Name()), reason);
  }
}

int RecordFile::Rewrite(BinaryFile& old, std::span<const Splice> splices) {
  const int64_t oldSize = old.Size();
  int64_t newSize = oldSize;
  int64_t end = 0;
  for (const Splice& splice : splices) {
    // Bytes the old file does not hold cannot be kept or replaced.
    if (splice.position < end || splice.position + splice.replaced > oldSize) {
      throw FileError(FileOperation::Read, Name(), 0);
    }
    end = splice.position + splice.replaced;
    newSize += std::ssize(splice.bytes) - splice.replaced;
  }
  // Through a link, the file it leads to is replaced, not the link.
  BinaryFile fresh = BinaryFile::CreateReplacing(FileBehindLinks(Name()));
  if (int reason = fresh.ReserveSpace(0, newSize)) return reason;
  int64_t copied = 0;
  for (const Splice& splice : splices) {
    CopyExactly(old, copied, splice.position - copied, fresh);
    fresh.Write(splice.bytes.data(), splice.bytes.size());
    copied = splice.position + splice.replaced;
  }
  CopyExactly(old, copied, oldSize - copied, fresh);
  // Windows puts no file under a name while the old one is open; the next
  // call opens whichever file the name then holds.
  old.Close();
  fresh.Commit();
  return 0;
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
