#include "json_listing.h"

#include "base/json_text.h"
#include "extraction_policy.h"
#include "index_walk.h"

namespace vantor::vtvolx {

std::string EntryAsJson(const Entry& e, bool numbered) {
  bool packed = int64_t{e.Record.RealSize} != e.StoredSize;
  bool safe = !RefusalOfEntryName(e.Name, numbered).has_value();
  return "{\"index\":" + std::to_string(e.Number) + ",\"name\":" + JsonString(Utf8OrCp437(e.Name)) +
         ",\"offset\":" + std::to_string(int64_t{e.Record.DataPosition} + 8) +
         ",\"size\":" + std::to_string(e.StoredSize) +
         ",\"real_size\":" + std::to_string(e.Record.RealSize) +
         ",\"packed\":" + (packed ? "true" : "false") + ",\"safe\":" + (safe ? "true" : "false") +
         "}";
}

// Damaged entries are skipped with the report "-list" gives, so that every
// line written holds a sound entry with all its members; the gap in the
// index numbers and the exit code show that something was left out.
int ListAsJson(VtvolxState& s, PlainConsole& out) {
  ReadVolumeHeader(s);
  if (auto damage = FirstBlockDamage(s.VolumeFile, s.Header.VblkPos)) {
    s.Con.WriteLine(*damage);
    s.SomeEntryFailed = true;
  }
  EntryReader reader(s);
  while (std::optional<Entry> e = reader.Next()) {
    if (!e->Problem.empty()) {
      ReportBadEntry(s, *e, e->Problem);
    } else if (!e->NameProblem.empty()) {
      ReportBadEntry(s, *e, "has " + e->NameProblem);
    } else {
      out.WriteLine(EntryAsJson(*e, s.Opt.IsTed));
    }
  }
  s.VolumeFile.Close();
  return s.SomeEntryFailed ? 1 : 0;
}

}  // namespace vantor::vtvolx
