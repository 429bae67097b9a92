#include "winsys/list_capture.h"

#include <algorithm>

namespace winsys {
namespace {

std::vector<std::string_view> fields(std::string_view line) {
  std::vector<std::string_view> out;
  while (true) {
    size_t tab = line.find('\t');
    out.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return out;
    line.remove_prefix(tab + 1);
  }
}

void appendRow(std::string& out, const std::vector<std::string_view>& row, size_t width) {
  for (size_t i = 0; i < width; ++i) {
    if (i) out += ',';
    if (i < row.size()) out += csvField(row[i]);
  }
  out += "\r\n";
}

}  // namespace

std::string listAsText(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += '\n';
  }
  return out;
}

std::string csvField(std::string_view text) {
  const bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                     (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quote) return std::string(text);
  std::string out(1, '"');
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string listAsCsv(const std::vector<std::string>& columns,
                      const std::vector<std::string>& lines) {
  std::vector<std::vector<std::string_view>> rows;
  rows.reserve(lines.size());
  size_t width = std::max<size_t>(1, columns.size());
  for (const std::string& line : lines) {
    rows.push_back(fields(line));
    width = std::max(width, rows.back().size());
  }
  std::vector<std::string> names = columns;
  while (names.size() < width) names.push_back("column " + std::to_string(names.size() + 1));
  std::string out;
  appendRow(out, std::vector<std::string_view>(names.begin(), names.end()), width);
  for (const auto& row : rows) appendRow(out, row, width);
  return out;
}

}  // namespace winsys
