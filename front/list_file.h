// Saving a list box's lines as a CSV file, for both front ends.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Writes `csv` to `path` (through a symbolic link, to its target) so that a failure leaves
// whatever was there before and no partial file. A character device, and the program's own
// standard output or error however named, are written where they are, never replaced. Empty on
// success, else why not, in one line that names the file.
std::string saveCsv(const std::string& path, const std::string& csv);

// The same for the CSV of a list's lines (ui::listCsv): their values, under a header that names
// the columns and their units.
std::string saveListAsCsv(const std::string& path, const std::string& page, int listId,
                          const std::vector<std::string>& columns,
                          const std::vector<std::string>& lines);

}  // namespace cli
