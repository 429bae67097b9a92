// Dialog templates and menus as data. Both window-system backends build their windows from
// these, so a page looks and behaves the same in the desktop window and in the console.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace winsys {

enum class ControlKind {
  Button,     // push button; a click sends its id as a command
  CheckBox,   // check box; `autoCheck` ones tick themselves before the command
  Edit,       // single-line edit
  MultiEdit,  // multi-line edit that wraps its text by its width
  ListBox,    // list of lines with tab stops and one selection
  ScrollBar,  // vertical scroll bar used as a spin
  Label,      // static text
  Frame,      // group frame with a caption
};

struct ControlTemplate {
  ControlKind kind = ControlKind::Label;
  int id = -1;  // -1 for labels and frames that no page addresses
  std::string text;
  int x = 0, y = 0, width = 0, height = 0;  // dialog units
  bool readOnly = false;
  bool disabled = false;
  bool autoCheck = false;
  bool vscroll = false;
  // A button that stays pressed while what it switches is on (the page says when, through
  // Dialog::setChecked), such as Snap.
  bool toggle = false;
  // A button that steps a field through its values; the desktop marks it with a glyph, its text
  // stays as it is.
  bool step = false;
  // What the control does, shown when the pointer rests on it (TIP "text", UTF-8).
  std::string tip;
  // A list box's column names: its lines' tab-separated fields, for captures (COLUMNS "a|b").
  std::vector<std::string> columns;
};

struct DialogTemplate {
  std::string name;
  std::string title;
  std::string help;  // the help file's section for the page (HELP "section")
  std::string fontName = "Sans";
  int fontPoints = 8;
  int width = 0, height = 0;  // dialog units
  std::vector<ControlTemplate> controls;

  const ControlTemplate* control(int id) const;
};

struct MenuItem {
  std::string label;
  int id = 0;                   // command id; pop-ups have none
  std::vector<MenuItem> popup;  // non-empty for a pop-up
  bool isPopup() const { return !popup.empty(); }
};

struct Menu {
  std::string name;
  std::vector<MenuItem> items;

  // The item with `id`, or the item whose label path ("DEBUG/CMND") matches.
  const MenuItem* find(int id) const;
  const MenuItem* findLabel(std::string_view path) const;
};

// Parses the text form kept in resources/ (see resources/README.md). On a fault returns false
// and says where in `error`.
bool parseDialog(std::string_view text, DialogTemplate& out, std::string& error);
bool parseMenu(std::string_view text, Menu& out, std::string& error);

// Dialog units to pixels for a font whose average character is `charWidth` x `charHeight`.
inline int dialogUnitsX(int units, int charWidth) { return units * charWidth / 4; }
inline int dialogUnitsY(int units, int charHeight) { return units * charHeight / 8; }

// How many characters of a fixed-pitch font fit into a multi-line edit of `width` dialog
// units (after the frame and the vertical scroll bar). Both backends wrap by this, so the lines
// a page reads back are the lines the operator sees.
int multiEditColumns(const ControlTemplate& control);

// Breaks `text` into the lines an edit box of `columns` characters shows: explicit line breaks
// ("\r\n" or "\n") end lines; a line longer than the box breaks after the last blank that fits
// (the blank stays on the upper line), or at the box width when a word is longer than the box.
std::vector<std::string> wrapLines(std::string_view text, int columns);

}  // namespace winsys
