#include "winsys/template.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

namespace winsys {
namespace {

// Splits a line into words; "quoted text" is one word with \" and \\ escapes. `quoted` tells
// which words were quoted, so that a control's text cannot be left out unnoticed.
bool tokenize(std::string_view line, std::vector<std::string>& words, std::vector<bool>& quoted,
              std::string& error) {
  words.clear();
  quoted.clear();
  size_t i = 0;
  while (i < line.size()) {
    if (std::isspace(static_cast<unsigned char>(line[i]))) {
      ++i;
      continue;
    }
    std::string word;
    quoted.push_back(line[i] == '"');
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '\\' && i < line.size()) {
          word += line[i++];
        } else if (c == '"') {
          closed = true;
          break;
        } else {
          word += c;
        }
      }
      if (!closed) {
        error = "unterminated quote";
        return false;
      }
    } else {
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) {
        word += line[i++];
      }
    }
    words.push_back(std::move(word));
  }
  return true;
}

bool toInt(const std::string& word, int& value) {
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  return ec == std::errc() && end == word.data() + word.size();
}

const std::map<std::string, ControlKind, std::less<>> kControlKinds = {
    {"BUTTON", ControlKind::Button},   {"CHECKBOX", ControlKind::CheckBox},
    {"EDIT", ControlKind::Edit},       {"MULTIEDIT", ControlKind::MultiEdit},
    {"LISTBOX", ControlKind::ListBox}, {"SCROLLBAR", ControlKind::ScrollBar},
    {"LABEL", ControlKind::Label},     {"FRAME", ControlKind::Frame},
};

bool applyFlag(const std::string& flag, ControlTemplate& control) {
  if (flag == "READONLY") {
    control.readOnly = true;
  } else if (flag == "DISABLED") {
    control.disabled = true;
  } else if (flag == "AUTO") {
    control.autoCheck = true;
  } else if (flag == "VSCROLL") {
    control.vscroll = true;
  } else if (flag == "TOGGLE" && control.kind == ControlKind::Button) {
    control.toggle = true;
  } else if (flag == "STEP" && control.kind == ControlKind::Button) {
    control.step = true;
  } else {
    return false;
  }
  return true;
}

// "Time tag|Word" into its names; no name may be empty.
bool splitColumns(const std::string& text, std::vector<std::string>& names) {
  size_t start = 0;
  while (true) {
    size_t bar = text.find('|', start);
    names.push_back(text.substr(start, bar == std::string::npos ? bar : bar - start));
    if (names.back().empty()) return false;
    if (bar == std::string::npos) return true;
    start = bar + 1;
  }
}

// Runs `handle` over each non-blank, non-comment line with its words; stops at the first fault.
template <typename Handler>
bool eachLine(std::string_view text, std::string& error, Handler handle) {
  int lineNumber = 0;
  std::vector<std::string> words;
  std::vector<bool> quoted;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++lineNumber;
    bool ok = tokenize(line, words, quoted, error);
    if (ok && (words.empty() || words[0].starts_with("#"))) continue;
    if (!ok || !handle(words, quoted, error)) {
      error.insert(0, "line " + std::to_string(lineNumber) + ": ");
      return false;
    }
  }
  return true;
}

const MenuItem* findIn(const std::vector<MenuItem>& items, int id) {
  for (const MenuItem& item : items) {
    if (item.isPopup()) {
      if (const MenuItem* found = findIn(item.popup, id)) return found;
    } else if (item.id == id) {
      return &item;
    }
  }
  return nullptr;
}

}  // namespace

const ControlTemplate* DialogTemplate::control(int id) const {
  auto it = std::find_if(controls.begin(), controls.end(),
                         [id](const ControlTemplate& c) { return c.id == id && id >= 0; });
  return it == controls.end() ? nullptr : &*it;
}

const MenuItem* Menu::find(int id) const { return findIn(items, id); }

const MenuItem* Menu::findLabel(std::string_view path) const {
  const std::vector<MenuItem>* level = &items;
  while (true) {
    size_t slash = path.find('/');
    std::string_view head = path.substr(0, slash);
    auto it = std::find_if(level->begin(), level->end(),
                           [head](const MenuItem& item) { return item.label == head; });
    if (it == level->end()) return nullptr;
    if (slash == std::string_view::npos) return it->isPopup() ? nullptr : &*it;
    if (!it->isPopup()) return nullptr;
    level = &it->popup;
    path = path.substr(slash + 1);
  }
}

// DIALOG NAME WIDTH HEIGHT / TITLE "text" / HELP "section" / FONT POINTS "face" /
// KIND ID X Y W H "text" [READONLY] [DISABLED] [AUTO] [VSCROLL] [TOGGLE] [STEP]
//   [COLUMNS "name|name..."] [TIP "text"]
bool parseDialog(std::string_view text, DialogTemplate& out, std::string& error) {
  out = DialogTemplate();
  bool ok = eachLine(
      text, error,
      [&](const std::vector<std::string>& w, const std::vector<bool>& quoted, std::string& err) {
        if (w[0] == "DIALOG") {
          if (w.size() != 4 || !toInt(w[2], out.width) || !toInt(w[3], out.height)) {
            err = "DIALOG NAME WIDTH HEIGHT expected";
            return false;
          }
          out.name = w[1];
          return true;
        }
        if (w[0] == "TITLE" && w.size() == 2) {
          out.title = w[1];
          return true;
        }
        if (w[0] == "HELP" && w.size() == 2 && quoted[1]) {
          out.help = w[1];
          return true;
        }
        if (w[0] == "FONT" && w.size() == 3 && toInt(w[1], out.fontPoints)) {
          out.fontName = w[2];
          return true;
        }
        auto kind = kControlKinds.find(w[0]);
        if (kind == kControlKinds.end()) {
          err = "unknown word " + w[0];
          return false;
        }
        ControlTemplate c;
        c.kind = kind->second;
        if (w.size() < 7 || !quoted[6] || !toInt(w[1], c.id) || !toInt(w[2], c.x) ||
            !toInt(w[3], c.y) || !toInt(w[4], c.width) || !toInt(w[5], c.height)) {
          err = w[0] + " ID X Y W H \"text\" expected";
          return false;
        }
        c.text = w[6];
        for (size_t i = 7; i < w.size(); ++i) {
          if (w[i] == "COLUMNS") {
            if (c.kind != ControlKind::ListBox || i + 1 >= w.size() || !quoted[i + 1] ||
                !c.columns.empty() || !splitColumns(w[i + 1], c.columns)) {
              err = "COLUMNS \"name|name...\" belongs to a list box, once";
              return false;
            }
            ++i;
          } else if (w[i] == "TIP") {
            if (i + 1 >= w.size() || !quoted[i + 1] || w[i + 1].empty() || !c.tip.empty()) {
              err = "TIP \"text\" once, with a text";
              return false;
            }
            c.tip = w[++i];
          } else if (!applyFlag(w[i], c)) {
            err = "unknown flag " + w[i];
            return false;
          }
        }
        if (c.id >= 0 && out.control(c.id)) {
          err = "control id " + w[1] + " used twice";
          return false;
        }
        out.controls.push_back(std::move(c));
        return true;
      });
  if (ok && out.name.empty()) {
    error = "no DIALOG line";
    return false;
  }
  return ok;
}

// MENU NAME / ITEM ID "label" / POPUP "label" ... END
bool parseMenu(std::string_view text, Menu& out, std::string& error) {
  out = Menu();
  std::vector<std::vector<MenuItem>*> levels{&out.items};
  bool ok =
      eachLine(text, error,
               [&](const std::vector<std::string>& w, const std::vector<bool>&, std::string& err) {
                 if (w[0] == "MENU" && w.size() == 2) {
                   out.name = w[1];
                   return true;
                 }
                 if (w[0] == "ITEM" && w.size() == 3) {
                   MenuItem item;
                   item.label = w[2];
                   if (!toInt(w[1], item.id)) {
                     err = "bad item id " + w[1];
                     return false;
                   }
                   levels.back()->push_back(item);
                   return true;
                 }
                 if (w[0] == "POPUP" && w.size() == 2) {
                   levels.back()->push_back(MenuItem{w[1], 0, {}});
                   levels.push_back(&levels.back()->back().popup);
                   return true;
                 }
                 if (w[0] == "END" && w.size() == 1 && levels.size() > 1) {
                   levels.pop_back();
                   return true;
                 }
                 err = "unexpected " + w[0];
                 return false;
               });
  if (ok && (out.name.empty() || levels.size() != 1)) {
    error = out.name.empty() ? "no MENU line" : "POPUP without END";
    return false;
  }
  return ok;
}

int multiEditColumns(const ControlTemplate& control) {
  // A fixed-pitch character is 4 dialog units wide; the frame and the scroll bar take 14.
  return std::max(1, (control.width - 14) / 4);
}

std::vector<std::string> wrapLines(std::string_view text, int columns) {
  std::vector<std::string> lines;
  columns = std::max(1, columns);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    std::string_view para =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!para.empty() && para.back() == '\r') para.remove_suffix(1);
    do {
      size_t cols = static_cast<size_t>(columns);
      if (para.size() <= cols) {
        lines.emplace_back(para);
        para = {};
        break;
      }
      // Break after the last blank that fits; blanks right after the break hang on this line.
      size_t cut = para.rfind(' ', cols);
      if (cut == std::string_view::npos || cut == 0) {
        cut = cols;
      } else {
        cut += 1;
      }
      while (cut < para.size() && para[cut] == ' ') ++cut;
      lines.emplace_back(para.substr(0, cut));
      para.remove_prefix(cut);
    } while (!para.empty());
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  while (!lines.empty() && lines.back().empty() && lines.size() > 1) lines.pop_back();
  if (lines.size() == 1 && lines[0].empty()) lines.clear();
  return lines;
}

}  // namespace winsys
