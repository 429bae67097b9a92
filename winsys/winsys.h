// The window system as the station sees it: pages (dialog procedures), what a page may do to its
// own window, and the desktop (main window, message boxes, beep, help). Two backends implement
// it: winsys/headless (virtual time, for the console and tests) and winsys/qt (the desktop).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "winsys/template.h"

namespace winsys {

class WindowSystem;

enum class ScrollAction {
  LineUp,
  LineDown,
  PageUp,
  PageDown,
  ThumbPosition,
  ThumbTrack,
  Top,
  Bottom,
  EndScroll,
};

enum class Buttons { Ok, YesNo };
enum class Icon { None, Exclamation, Question };
enum class Answer { Ok, Yes, No };

// What a page may do to its own window.
class Dialog {
 public:
  virtual ~Dialog() = default;

  virtual const DialogTemplate& layout() const = 0;

  // Text of edits, buttons and labels. `limit` is the reader's buffer in characters, terminator
  // included, so at most limit - 1 characters come back.
  virtual void setText(int id, std::string_view text) = 0;
  virtual std::string text(int id, int limit) const = 0;

  // Check boxes, and buttons that toggle (drawn pressed while checked).
  virtual void setChecked(int id, bool checked) = 0;
  virtual bool isChecked(int id) const = 0;

  // The text shown when the pointer rests on a control (the template's TIP to begin with).
  virtual void setToolTip(int /*id*/, std::string_view /*text*/) {}
  virtual std::string toolTip(int /*id*/) const { return {}; }

  // List boxes.
  virtual void listReset(int id) = 0;
  virtual void listAdd(int id, std::string_view line) = 0;
  virtual void listSetTabStops(int id, const std::vector<int>& stops) = 0;  // dialog units
  virtual void listSelect(int id, int index) = 0;                           // -1: none
  virtual int listSelection(int id) const = 0;                              // -1: none
  virtual int listCount(int id) const = 0;
  virtual std::string listLine(int id, int index) const = 0;

  // Multi-line edits: append at the caret, and read back the lines as the box wraps them.
  virtual void editClear(int id) = 0;
  virtual void editAppend(int id, std::string_view text) = 0;
  virtual int editLineCount(int id) const = 0;
  virtual std::string editLine(int id, int line) const = 0;  // "" past the last line
  // Every line at once: a reader of the whole box wraps it once, not once a line.
  virtual std::vector<std::string> editLines(int id) const = 0;

  // The control id of the control with window handle `handle`, 0 if there is none. Scroll
  // notifications carry the scroll bar's handle (see ScrollBarID).
  virtual int controlIdOfHandle(uint16_t handle) const = 0;

  virtual void startTimer(int id, int periodMs) = 0;
  virtual void stopTimer(int id) = 0;

  // Closes the page; a modal page's opener receives `result`.
  virtual void end(int result) = 0;

  virtual WindowSystem& windows() = 0;
};

// What a page implements. A page object lives from its window's creation to its end.
class DialogProc {
 public:
  virtual ~DialogProc() = default;
  virtual void init() = 0;
  // A click on control `id` (a whole command value equal to the control id).
  virtual void command(int id) = 0;
  // A vertical scroll notification: `param` is the message's second parameter, which carries
  // the scroll bar's window handle in its low 16 bits.
  virtual void scroll(uint32_t param, ScrollAction action) = 0;
  virtual void timer(int id) = 0;
  // The operator asked for help on the page (F1).
  virtual void help() {}
  // A capture beyond the lines the page shows (the monitor pages: every entry the card holds),
  // offered beside its lists' own captures as "Save capture as CSV...".
  virtual bool hasCapture() const { return false; }
  virtual std::string captureCsv() { return {}; }
};

using PageFactory = std::function<std::unique_ptr<DialogProc>(Dialog&)>;

// What the main window's owner (the station's shell) implements.
class MainWindowProc {
 public:
  virtual ~MainWindowProc() = default;
  virtual void menuCommand(int id) = 0;
  virtual void timer(int id) = 0;
  virtual void destroy() = 0;  // the window was closed from its frame
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Pages. A modeless open returns at once (false when the page could not be created); a
  // modal open returns the page's result once it has ended, running the message loop
  // meanwhile (timers keep firing; the main window takes no menu command).
  virtual bool openModeless(const DialogTemplate& layout, PageFactory factory) = 0;
  virtual int openModal(const DialogTemplate& layout, PageFactory factory) = 0;

  virtual Answer messageBox(std::string_view text, std::string_view caption, Buttons buttons,
                            Icon icon) = 0;
  virtual void beep() = 0;
  // The help file at `topic`, a section of it (its contents when empty).
  virtual void openHelp(std::string_view file, std::string_view topic) = 0;

  // The main window.
  virtual void setMainWindowProc(MainWindowProc* proc) = 0;
  virtual void setTitle(std::string_view title) = 0;
  virtual void setMenu(const Menu& menu) = 0;
  virtual void paintStatus(std::string_view text) = 0;  // the red status line
  virtual void invalidate() = 0;                        // repaint the client area
  virtual void startMainTimer(int id, int periodMs) = 0;
  virtual void stopMainTimer(int id) = 0;
  virtual void quit(int exitCode) = 0;

  // The two text colours the station sets for its run (window text, highlighted text), as
  // 0x00BBGGRR. The shell saves them at start and restores them on both ways out.
  struct Colours {
    uint32_t windowText = 0;
    uint32_t highlightedText = 0;
  };
  virtual Colours colours() const = 0;
  virtual void setColours(const Colours& colours) = 0;

  // Milliseconds of the window system's clock (virtual in the headless backend).
  virtual uint64_t nowMs() const = 0;
};

}  // namespace winsys
