// The text forms of a data file, chosen on the command line with an option
// that begins with "--": --export writes every record as a CSV or JSON row,
// --import writes back the values of such a file that differ from the data
// file's bytes. Neither uses the screen.
#pragma once

#include <string>

#include "console/plain_console.h"
#include "datedit.h"
#include "datedit_state.h"
#include "name_tables.h"
#include "records/record_file.h"

namespace vantor::datedit {

// Runs --export, --import or --help on the standard streams; returns the
// exit code: 0, or 1 for a command line, a file or an input that is refused.
int RunTextMode(const DateditOptions& options, PlainConsole& out, PlainConsole& err);

// The format file of the text forms.
struct Format {
  std::string name;  // as given or found; empty when there is none
  std::string path;  // the file read
  FieldDefs fields{};
};

// The format file named, or the one found from the data file's name as the
// screen's Ctrl+Q finds it; none when nothing is found.
Format FindFormat(const DateditOptions& options);

// The data file `name`, refused (TextFormRefusal) as the screen refuses
// what is no structured data file.
RecordFile OpenStructuredFile(const std::string& name, BinaryFile::Access access);

// The warnings of the text forms about a format whose fields do not fit
// records `recordSize` bytes long, on `err`.
void WarnAboutFormat(const Format& format, uint16_t recordSize, const NameTables& names,
                     TextOutput& err);

// --export of the data file under `format` to `out`, with the warnings about
// fields that do not fit the records on `err`.
void ExportDataFile(const DateditOptions& options, const Format& format, const NameTables& names,
                    TextOutput& out, TextOutput& err);

}  // namespace vantor::datedit
