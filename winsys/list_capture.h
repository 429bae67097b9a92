// What leaves the station from a list box: its lines as text for the clipboard, and as CSV
// (RFC 4180) for a spreadsheet, one row a line, the line's tab-separated fields as columns under
// a header row of the list's column names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace winsys {

// The lines one a line, tabs kept, so that a paste into a spreadsheet splits the columns too.
std::string listAsText(const std::vector<std::string>& lines);

// Every row has as many fields as the widest: a line with fewer fields than there are names is
// padded with empty fields; fields beyond the names get columns of their own, named
// "column N" (N its place, from 1), so that nothing of a line is lost or glued together. Rows end
// in CRLF.
std::string listAsCsv(const std::vector<std::string>& columns,
                      const std::vector<std::string>& lines);

// One CSV field: quoted when it holds a comma, a quote, a line break or blanks at its ends (so
// that a reader that trims keeps them), with quotes doubled inside.
std::string csvField(std::string_view text);

}  // namespace winsys
