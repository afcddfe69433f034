// The requests that check a cell or change the file: POST /api/check,
// /api/save, /api/insert and /api/blank, each a JSON object read strictly.
// Every write happens under the file's lock, as the screens and --import
// take it, and only after every part of the request has been checked, so
// that a refusal writes nothing.
#pragma once

#include <string>
#include <string_view>

#include "textform/json_reader.h"
#include "vtweb_state.h"
#include "web_requests.h"

namespace vantor::vtweb {

// A request refused with its status (400, 503, ...) and the reason as text.
struct RequestRefusal {
  int status;
  std::string reason;
};

// {"column", "text"}: the text the cell would show once stored, or why
// the cell does not take it. Writes nothing.
HttpResponse CheckCell(const VtwebState& s, const JsonValue& body);

// {"version", "records": [{"record", "before", "after"}]}: each cell whose
// disk text is still the page's "before" gets its "after"; a cell changed
// on disk to another text is a conflict and stays. Changed records are
// written in place.
HttpResponse SaveRecords(const VtwebState& s, const JsonValue& body);

// {"version", "at", "copy_of"} or {"version", "at", "cells"}: a copy of a
// record, or a blank record with these cells, put before record "at" (the
// count and the first record's number for an append), all or nothing.
HttpResponse InsertRecord(const VtwebState& s, const JsonValue& body);

// {"version", "record"}: the record's bytes zeroed in place.
HttpResponse BlankRecord(const VtwebState& s, const JsonValue& body);

// The /api/bytes text of record `number` (the query's decimal digits): the
// record's bytes as the file holds them, also those that no cell shows
// (after a text's zero byte). A number that names no record is refused 400.
std::string RecordBytesJson(const ShownFile& shown, std::string_view number);

// The /api/version text: the file's identity (device, inode), size, time of
// its last change and record length, or "missing".
std::string VersionJson(const ShownFile& shown);

}  // namespace vantor::vtweb
