#include "ui/list_values.h"

#include <algorithm>
#include <string_view>

#include "ui/monitor_fields.h"
#include "winsys/list_capture.h"

namespace ui {
namespace {

// One kind of line a list shows: its columns, and the patterns its lines follow (tried in
// order). A pattern names each of its values by its column.
struct LineKind {
  std::vector<std::string> columns;
  std::vector<std::string> patterns;
  // A screen word that stands for a value: the stack's "TRIGGER" is position 0.
  std::vector<std::pair<std::string, std::string>> aliases = {};
};

struct ListDescription {
  std::string page;
  int list;
  std::vector<LineKind> kinds;
};

const char* const kTimeTag = "Time tag (ddd:hh:mm:ss.mmmuuu)";

const LineKind kStackEntry = {
    {"Position", kTimeTag, "Connector", "Sync", "Word (hex)", "Errors"},
    {"{Position}\t{Time tag (ddd:hh:mm:ss.mmmuuu)}\t{Connector}\t{Sync}\t{Word (hex)}\t{Errors}"},
    {{"TRIGGER", "0"}}};

// The lists whose lines carry values dressed for the eye.
const std::vector<ListDescription>& descriptions() {
  static const std::vector<ListDescription> table = {
      {"XARN_QUE",
       6,
       {
           // Raw words: Cs or Ds, then the word's errors when it has any.
           {{"Direction", kTimeTag, "Word (hex)", "Sync", "Errors", "Alternate errors"},
            {"{Direction}\t{Time tag (ddd:hh:mm:ss.mmmuuu)}\t{Word (hex)}\t{Sync} {Errors}"
             "\tALT_ERRS:{Alternate errors}",
             "{Direction}\t{Time tag (ddd:hh:mm:ss.mmmuuu)}\t{Word (hex)}\t{Sync}"
             "\tALT_ERRS:{Alternate errors}"}},
           {{"Message", "Errors"}, {" Msg {Message}  {Errors}"}},
           {{"Command (hex)", "Errors", "Alternate errors"},
            {" Cmd {Command (hex)}  {Errors}  ALT_ERRS:{Alternate errors}"}},
       }},
      {"GDB_UD_Q",
       6,
       {{{"Source", "Sync", "RT", "Channel", "Data (hex)", "Errors", "Table rate", "Index"},
         {" Src:{Source}\t{Sync}\tRT:{RT}\tCh:{Channel}\tDt:{Data (hex)}\t{Errors}"
          "\tTb:{Table rate}\tIx:{Index}"}}}},
      {"GDB_MRT_Q",
       6,
       {{{"Response", "Sync", "RT", "Channel", "Data (hex)", "Errors"},
         {" Resp:{Response}\t{Sync}\tRT:{RT}\tCh:{Channel}\tDt:{Data (hex)}\t{Errors}"}}}},
      {"MDM_MRT_Q",
       6,
       {{{"RT", "Type", "IOM", "Start", "Count", "Errors"},
         {" RtNo:{RT}\tType:{Type}\tIom:{IOM}\tStart:{Start}\tCount:{Count}\tErrors:[{Errors}]"}}}},
      {"MON_STACK", monstack::kList, {kStackEntry}},
  };
  return table;
}

// Blanks off the ends, runs of blanks inside made one.
std::string tidy(std::string_view text) {
  std::string out;
  bool blank = false;
  for (char c : text) {
    if (c == ' ') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

// The values of `line` by column index of `kind`, when it follows `pattern`.
std::optional<std::vector<std::string>> match(const LineKind& kind, std::string_view pattern,
                                              std::string_view line) {
  std::vector<std::string> cells(kind.columns.size());
  size_t at = 0;  // in the line
  while (true) {
    size_t open = pattern.find('{');
    std::string_view literal = pattern.substr(0, open);
    if (open == std::string_view::npos) {
      // The pattern's tail ends the line.
      return line.substr(at) == literal ? std::optional(cells) : std::nullopt;
    }
    if (line.substr(at, literal.size()) != literal) return std::nullopt;
    at += literal.size();
    size_t close = pattern.find('}', open);
    std::string_view name = pattern.substr(open + 1, close - open - 1);
    pattern.remove_prefix(close + 1);
    // The value runs to where the next piece of text begins: the line's end for a last value.
    std::string_view next = pattern.substr(0, pattern.find('{'));
    size_t end = next.empty() ? line.size() : line.find(next, at);
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view value = line.substr(at, end - at);
    if (value.find('\t') != std::string_view::npos) return std::nullopt;
    auto column = std::find(kind.columns.begin(), kind.columns.end(), name);
    if (column == kind.columns.end()) return std::nullopt;  // a pattern naming no column
    std::string& cell = cells[static_cast<size_t>(column - kind.columns.begin())];
    cell = tidy(value);
    for (const auto& [screen, meant] : kind.aliases) {
      if (cell == screen) cell = meant;
    }
    at = end;
  }
}

const ListDescription* describe(const std::string& page, int listId) {
  for (const ListDescription& d : descriptions()) {
    if (d.page == page && d.list == listId) return &d;
  }
  return nullptr;
}

}  // namespace

std::optional<ValueTable> listValues(const std::string& page, int listId,
                                     const std::vector<std::string>& lines) {
  const ListDescription* list = describe(page, listId);
  if (!list) return std::nullopt;
  struct Shaped {
    size_t kind;  // kinds.size() for a line that fits none
    std::vector<std::string> cells;
  };
  std::vector<Shaped> shaped;
  std::vector<bool> present(list->kinds.size(), false);
  for (const std::string& line : lines) {
    Shaped s{list->kinds.size(), {tidy(line)}};
    for (size_t k = 0; k < list->kinds.size() && s.kind == list->kinds.size(); ++k) {
      for (const std::string& pattern : list->kinds[k].patterns) {
        if (auto cells = match(list->kinds[k], pattern, line)) {
          s = {k, std::move(*cells)};
          present[k] = true;
          break;
        }
      }
    }
    shaped.push_back(std::move(s));
  }
  if (std::none_of(present.begin(), present.end(), [](bool p) { return p; })) present[0] = true;

  ValueTable table;
  for (size_t k = 0; k < list->kinds.size(); ++k) {
    if (!present[k]) continue;
    for (const std::string& column : list->kinds[k].columns) {
      if (std::find(table.header.begin(), table.header.end(), column) == table.header.end())
        table.header.push_back(column);
    }
  }
  for (Shaped& s : shaped) {
    std::vector<std::string> row(table.header.size());
    if (s.kind == list->kinds.size()) {
      row[0] = std::move(s.cells[0]);
    } else {
      const std::vector<std::string>& columns = list->kinds[s.kind].columns;
      for (size_t c = 0; c < columns.size(); ++c) {
        auto at = std::find(table.header.begin(), table.header.end(), columns[c]);
        row[static_cast<size_t>(at - table.header.begin())] = std::move(s.cells[c]);
      }
    }
    table.rows.push_back(std::move(row));
  }
  return table;
}

std::string tableAsCsv(const ValueTable& table) {
  std::string out;
  auto appendRow = [&](const std::vector<std::string>& row) {
    for (size_t i = 0; i < table.header.size(); ++i) {
      if (i) out += ',';
      if (i < row.size()) out += winsys::csvField(row[i]);
    }
    out += "\r\n";
  };
  appendRow(table.header);
  for (const auto& row : table.rows) appendRow(row);
  return out;
}

std::string listCsv(const std::string& page, int listId, const std::vector<std::string>& columns,
                    const std::vector<std::string>& lines) {
  if (auto values = listValues(page, listId, lines)) return tableAsCsv(*values);
  return winsys::listAsCsv(columns, lines);
}

ValueTable monitorCapture(CardContext* card) {
  // The stack holds 8192 words; a card that answers for more positions still ends the walk.
  constexpr int32_t kFurthest = 1 << 20;
  std::vector<std::string> lines;
  MonMsg entry{};
  for (int32_t position = 0; position > -kFurthest; --position) {
    if (DUVEX_RdMonMsgDLL(card, position, &entry) != 0) break;
    lines.push_back(FormatMonEntry(position, entry));
  }
  std::reverse(lines.begin(), lines.end());
  // Nothing at the trigger: nothing after it either.
  for (int32_t position = 1; !lines.empty() && position < kFurthest; ++position) {
    if (DUVEX_RdMonMsgDLL(card, position, &entry) != 0) break;
    lines.push_back(FormatMonEntry(position, entry));
  }
  ValueTable table{kStackEntry.columns, {}};
  table.rows.reserve(lines.size());
  for (const std::string& line : lines) {
    auto cells = match(kStackEntry, kStackEntry.patterns[0], line);
    table.rows.push_back(cells ? std::move(*cells) : std::vector<std::string>{line});
  }
  return table;
}

std::string monitorCaptureCsv(CardContext* card) { return tableAsCsv(monitorCapture(card)); }

}  // namespace ui
