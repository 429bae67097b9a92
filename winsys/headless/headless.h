// The headless window system: controls are plain state, time is virtual and moves only when
// told, message boxes take queued answers. The console and the tests drive the station with it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "winsys/winsys.h"

namespace winsys {

class HeadlessWindowSystem;

class HeadlessDialog final : public Dialog {
 public:
  HeadlessDialog(HeadlessWindowSystem& windows, const DialogTemplate& layout, bool modal);

  // Dialog
  const DialogTemplate& layout() const override { return layout_; }
  void setText(int id, std::string_view text) override;
  std::string text(int id, int limit) const override;
  void setChecked(int id, bool checked) override;
  bool isChecked(int id) const override;
  void setToolTip(int id, std::string_view text) override;
  std::string toolTip(int id) const override;
  void listReset(int id) override;
  void listAdd(int id, std::string_view line) override;
  void listSetTabStops(int id, const std::vector<int>& stops) override;
  void listSelect(int id, int index) override;
  int listSelection(int id) const override;
  int listCount(int id) const override;
  std::string listLine(int id, int index) const override;
  void editClear(int id) override;
  void editAppend(int id, std::string_view text) override;
  int editLineCount(int id) const override;
  std::string editLine(int id, int line) const override;
  std::vector<std::string> editLines(int id) const override;
  int controlIdOfHandle(uint16_t handle) const override;
  void startTimer(int id, int periodMs) override;
  void stopTimer(int id) override;
  void end(int result) override;
  WindowSystem& windows() override;

  // What the operator does (the console and the tests call these).
  void click(int id);
  void scroll(int id, ScrollAction action);
  void pressHelp();  // F1
  uint16_t handleOf(int id) const;

  // The whole text of a control, as it stands (a multi-line box's lines joined by "\n").
  std::string fullText(int id) const;
  std::vector<int> tabStops(int id) const;
  bool ended() const { return ended_; }
  int result() const { return result_; }
  bool modal() const { return modal_; }

 private:
  friend class HeadlessWindowSystem;
  struct ControlState {
    std::string text;
    bool checked = false;
    std::string tip;
    std::vector<std::string> lines;  // list boxes
    std::vector<int> tabStops;
    int selection = -1;
  };
  ControlState* state(int id);
  const ControlState* state(int id) const;
  template <typename F>
  void deliver(F&& f);

  HeadlessWindowSystem& windows_;
  DialogTemplate layout_;
  std::map<int, ControlState> controls_;
  std::unique_ptr<DialogProc> proc_;
  bool modal_;
  bool ended_ = false;
  int result_ = 0;
  int busy_ = 0;  // calls into the page (or a modal wait for it) in progress
};

class HeadlessWindowSystem final : public WindowSystem {
 public:
  HeadlessWindowSystem();
  ~HeadlessWindowSystem() override;

  // WindowSystem
  bool openModeless(const DialogTemplate& layout, PageFactory factory) override;
  int openModal(const DialogTemplate& layout, PageFactory factory) override;
  Answer messageBox(std::string_view text, std::string_view caption, Buttons buttons,
                    Icon icon) override;
  void beep() override;
  void openHelp(std::string_view file, std::string_view topic) override;
  void setMainWindowProc(MainWindowProc* proc) override { main_ = proc; }
  void setTitle(std::string_view title) override;
  void setMenu(const Menu& menu) override;
  void paintStatus(std::string_view text) override;
  void invalidate() override { ++repaints_; }
  void startMainTimer(int id, int periodMs) override;
  void stopMainTimer(int id) override;
  void quit(int exitCode) override;
  Colours colours() const override { return colours_; }
  void setColours(const Colours& colours) override { colours_ = colours; }
  uint64_t nowMs() const override { return nowMs_; }

  // Everything the operator would notice, one line each ("open XARN_SETUP", "beep", ...).
  void setEventSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }
  // Runs one step of outside input while a modal page is open; false when there is no more.
  void setPump(std::function<bool()> pump) { pump_ = std::move(pump); }

  // What the operator does.
  void queueAnswer(Answer answer) { answers_.push_back(answer); }
  int answersPending() const { return static_cast<int>(answers_.size()); }
  bool menuCommand(int id, std::string& error);  // refused while a modal page or box is open
  // Virtual time passes and timers fire in due order; over a stretch longer than kCoalesceMs
  // they fire only through its last kCoalesceMs.
  void advance(uint64_t ms);
  static constexpr uint64_t kCoalesceMs = uint64_t{3600} * 1000;
  void closeMainWindow();

  // What the operator sees.
  const std::string& title() const { return title_; }
  const Menu* menu() const { return menu_ ? &*menu_ : nullptr; }
  const std::string& status() const { return status_; }
  int beeps() const { return beeps_; }
  int repaints() const { return repaints_; }
  bool quitPosted() const { return quitCode_.has_value(); }
  int exitCode() const { return quitCode_.value_or(0); }
  int modalDepth() const { return modalDepth_; }
  std::vector<HeadlessDialog*> openPages() const;                   // oldest first
  HeadlessDialog* page(const std::string& name, int k = -1) const;  // k-th oldest, or newest
  int openCount(const std::string& name) const;
  // A fault in how the window system was driven (a Yes/No box with no queued answer); taken
  // once and then cleared.
  std::optional<std::string> takeFault();

 private:
  friend class HeadlessDialog;
  struct Timer {
    HeadlessDialog* owner;  // null for the main window
    int id;
    uint64_t periodMs;
    uint64_t dueMs;
    uint64_t order;  // start order, so timers due together fire as started
  };
  void tell(const std::string& line) const;
  HeadlessDialog* create(const DialogTemplate& layout, PageFactory& factory, bool modal);
  void startTimer(HeadlessDialog* owner, int id, int periodMs);
  void stopTimer(HeadlessDialog* owner, int id);
  void reap();

  MainWindowProc* main_ = nullptr;
  std::function<void(const std::string&)> sink_;
  std::function<bool()> pump_;
  std::deque<Answer> answers_;
  std::vector<std::unique_ptr<HeadlessDialog>> pages_;
  std::vector<Timer> timers_;
  uint64_t timerOrder_ = 0;
  uint64_t nowMs_ = 0;
  std::string title_;
  std::optional<Menu> menu_;
  std::string status_;
  Colours colours_{0x000000, 0xFFFFFF};
  int beeps_ = 0;
  int repaints_ = 0;
  int modalDepth_ = 0;
  std::optional<int> quitCode_;
  std::optional<std::string> fault_;
};

}  // namespace winsys
