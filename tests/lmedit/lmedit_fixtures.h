// Landmark files and states for the lmedit tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lmedit.h"
#include "lmedit_state.h"
#include "main_screen.h"
#include "records/little_endian.h"
#include "scripted_backend.h"
#include "session.h"
#include "test_support.h"

namespace vantor::testing {

// One landmark record, field by field.
struct Landmark {
  uint16_t id = 0;
  uint8_t type = 0;
  uint8_t middle = 0;
  uint8_t side = 0;
  float north = 0;
  float east = 0;
  float elevation = 0;
  float rotation = 0;
  std::string name;  // up to 40 bytes; 40 leaves no zero byte
  uint8_t spare0 = 0;
  uint8_t spare1 = 0;
};

inline std::vector<uint8_t> RecordBytes(const Landmark& l) {
  std::vector<uint8_t> r(63, 0);
  r[0] = static_cast<uint8_t>(l.id);
  r[1] = static_cast<uint8_t>(l.id >> 8);
  r[2] = l.spare0;
  r[3] = l.spare1;
  r[4] = l.type;
  r[5] = l.middle;
  r[6] = l.side;
  PutSingle(&r[7], l.north);
  PutSingle(&r[11], l.east);
  PutSingle(&r[15], l.elevation);
  PutSingle(&r[19], l.rotation);
  std::copy_n(l.name.begin(), std::min<size_t>(l.name.size(), 40), r.begin() + 23);
  return r;
}

inline lmedit::LandmarkRecord AsRecord(const Landmark& l) {
  lmedit::LandmarkRecord record{};
  auto bytes = RecordBytes(l);
  std::copy(bytes.begin(), bytes.end(), record.begin());
  return record;
}

// A landmark with a value in every field and spare bytes that are not zero.
inline Landmark KnownLandmark() {
  Landmark l;
  l.id = 4660;
  l.type = 7;
  l.middle = 0xAB;
  l.side = 1;
  l.north = -12.5f;
  l.east = 123456.75f;
  l.elevation = 3.25f;
  l.rotation = 90.0f;
  l.name = "Tarrow";
  l.spare0 = 0x55;
  l.spare1 = 0x66;
  return l;
}

// A header with a date, a time and the count and size, its bytes 26 to 99
// not zero (lmedit zeroes them), then the records.
inline std::vector<uint8_t> LandmarkFileBytes(uint16_t count, const std::vector<uint8_t>& records,
                                              uint16_t size = 63) {
  std::vector<uint8_t> bytes = {'0',  '4', '/', '1', '1', '/', '1', '7', 0xA1, 0xA2,
                                0xA3, '1', '0', ':', '4', '2', 'a', 'm', 0xB1, 0xB2};
  bytes.push_back(static_cast<uint8_t>(count));
  bytes.push_back(static_cast<uint8_t>(count >> 8));
  bytes.push_back(static_cast<uint8_t>(size));
  bytes.push_back(static_cast<uint8_t>(size >> 8));
  bytes.push_back(0xC1);
  bytes.push_back(0xC2);
  bytes.resize(100, 0xEE);
  bytes.insert(bytes.end(), records.begin(), records.end());
  return bytes;
}

// Record r (from 1) has LM ID r, type r mod 9, side r mod 2, north r * 10
// and the name "Place r": every record differs from the others.
inline Landmark NumberedLandmark(int r) {
  Landmark l;
  l.id = static_cast<uint16_t>(r);
  l.type = static_cast<uint8_t>(r % 9);
  l.side = static_cast<uint8_t>(r % 2);
  l.north = static_cast<float>(r * 10);
  l.name = "Place " + std::to_string(r);
  return l;
}

inline std::vector<uint8_t> NumberedRecords(int count) {
  std::vector<uint8_t> records;
  for (int r = 1; r <= count; ++r) {
    auto bytes = RecordBytes(NumberedLandmark(r));
    records.insert(records.end(), bytes.begin(), bytes.end());
  }
  return records;
}

inline std::vector<uint8_t> NumberedFile(int count) {
  return LandmarkFileBytes(static_cast<uint16_t>(count), NumberedRecords(count));
}

inline std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
  return std::vector<uint8_t>(bytes.begin() + from, bytes.begin() + from + count);
}

// An lmedit state on a scripted 80 x 25 window.
struct LmeditHarness {
  explicit LmeditHarness(const std::vector<std::string>& arguments = {"lmedit"})
      : console(lmedit::LmeditWindowOptions()),
        options(lmedit::ParseOptions(arguments)),
        state(console) {}

  std::string Row(int row) const { return console.Screen().RowText(row); }

  ScriptedConsole console;
  lmedit::LmeditOptions options;
  lmedit::LmeditState state;
};

// A scripted backend that lets a test act while lmedit waits: `onWait` gets
// the kind of every wait and the number of the screen shown for it (from 0),
// as another program would change files while the user thinks.
class InterleavedBackend : public ScriptedBackend {
 public:
  void Present(const ScreenModel& screen, WaitKind wait) override {
    ScriptedBackend::Present(screen, wait);
    if (onWait) onWait(wait, Snapshots().size() - 1);
  }
  std::function<void(WaitKind, size_t)> onWait;
};

// An lmedit state on such a backend.
struct InterleavedLmedit {
  InterleavedLmedit() {
    auto owned = std::make_unique<InterleavedBackend>();
    backend = owned.get();
    console = std::make_unique<Console>(lmedit::LmeditWindowOptions(), std::move(owned));
    state = std::make_unique<lmedit::LmeditState>(*console);
  }
  // Start-up on t.mrf and o.mrf of the current folder (or the files named),
  // then these keys.
  void Run(const std::string& keys, const char* templateName = "t.mrf",
           const char* outputName = "o.mrf") {
    state->TemplateName = templateName;
    state->OutputName = outputName;
    lmedit::StartSession(*state);
    backend->QueueKeys(keys);
    lmedit::MainLoop(*state);
  }

  InterleavedBackend* backend;
  std::unique_ptr<Console> console;
  std::unique_ptr<lmedit::LmeditState> state;
};

}  // namespace vantor::testing
