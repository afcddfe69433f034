// The files lmedit writes besides the landmark files' records: the blank
// output file made from the template, raw record files of a range, and the
// text listing with its target list for the game's "vt2server.ini".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lmedit_state.h"

namespace vantor::lmedit {

// Creates OutputFile under OutputName as the template's header followed by
// blank records, reports every record written and leaves the file open.
void CreateBlankOutput(LmeditState& s);

// The main screen's "R": a range of records of either file, without header.
void SaveRange(LmeditState& s);

// The main screen's "L": a text table of either file and its landmark names.
void ListToText(LmeditState& s);

// The listing's lines: the heading, and record number i of `record`.
std::string HeadingLine();
std::string RecordLine(int32_t i, const LandmarkRecord& record);

// Why a typed file name is refused, as a note in front of the prompt that
// asks again; empty for a name that may be used. A name holding a byte below
// 0x20 is none the user means, and the system would cut it at a zero byte.
std::string NameRefusal(std::string_view name);

}  // namespace vantor::lmedit
