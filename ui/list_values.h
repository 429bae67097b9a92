// The values behind a list's screen lines, for a spreadsheet. The queue and stack pages dress
// their values for the eye ("RT:5", "Dt:DBFF", " Src:T", "  Py  Sh"); a CSV cell holds the value
// alone ("5", "DBFF", "T", "Py Sh") under a header that names the column and its unit. Copy to the
// clipboard keeps the screen text.
//
// Each list that has values to take apart is described by data: the kinds of line it shows, each
// with its columns and one or more patterns. A pattern is the screen line with {Column} where a
// value stands; the text around the braces (the prefixes, tabs, "ALT_ERRS:") is what the value is
// taken out of. A value never spans a tab; its blanks at the ends go, and runs of blanks inside
// become one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "card/xarndll.h"

namespace ui {

struct ValueTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

// The values of `lines` of list box `listId` on the page from template `page`. A line that fits
// none of the list's patterns ("EMPTY", "READ FAILED: 7") keeps its trimmed text in the first
// cell. The header holds the columns of every kind of line present, in the table's order (of the
// first kind when none is). Nullopt for a list the table does not describe: its lines are
// written as they are, one tab-separated field a column.
std::optional<ValueTable> listValues(const std::string& page, int listId,
                                     const std::vector<std::string>& lines);

// The CSV of a list's lines: their values where the list is described, else the lines split at
// their tabs under `columns`.
std::string listCsv(const std::string& page, int listId, const std::vector<std::string>& columns,
                    const std::vector<std::string>& lines);

// Every entry the monitor stack holds, earliest first: a walk over the positions from the
// trigger (or, without one, the last word recorded) down to the first position the card does
// not answer for, then up likewise. One row an entry, with the stack display's columns: position
// (0 the trigger, "-0012" before it, "+0005" after), the time tag as the pages show it
// (days:hh:mm:ss.mmmuuu), connector J1 to J4, sync CMND or DATA, the 24-bit word in six hex
// digits, the errors by name (Py Mn Lg Sh, or NO ERRORS).
ValueTable monitorCapture(CardContext* card);
std::string monitorCaptureCsv(CardContext* card);

// CSV of a table: a header row and one row a table row, every row as wide as the header, CRLF.
std::string tableAsCsv(const ValueTable& table);

}  // namespace ui
