// The desktop window system: pages as Qt dialogs, the main window with its menus, pictures and
// status line, message boxes, the beep and the help viewer. Needs a QApplication.
#pragma once

#include <QElapsedTimer>
#include <QUrl>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "winsys/qt/main_window.h"
#include "winsys/qt/qt_dialog.h"
#include "winsys/winsys.h"

class QTimer;

namespace winsys {

class HelpViewer;

class QtWindowSystem final : public WindowSystem {
 public:
  QtWindowSystem();
  ~QtWindowSystem() override;
  QtWindowSystem(const QtWindowSystem&) = delete;
  QtWindowSystem& operator=(const QtWindowSystem&) = delete;

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
  void invalidate() override;
  void startMainTimer(int id, int periodMs) override;
  void stopMainTimer(int id) override;
  void quit(int exitCode) override;
  Colours colours() const override;
  void setColours(const Colours& colours) override;
  uint64_t nowMs() const override;

  MainWindow& mainWindow() { return *mainWindow_; }
  // Writes a list box's lines as CSV to a file (of page `page`, list `listId`): empty on
  // success, else why not. The front end supplies it (files, and what a page's lines mean, are
  // no business of the window system's).
  using ListSaver = std::function<std::string(const std::string& path, const std::string& page,
                                              int listId, const std::vector<std::string>& columns,
                                              const std::vector<std::string>& lines)>;
  void setListSaver(ListSaver saver) { listSaver_ = std::move(saver); }
  const ListSaver& listSaver() const { return listSaver_; }
  // Writes CSV text a page made (its capture) to a file: empty on success, else why not.
  using CsvSaver = std::function<std::string(const std::string& path, const std::string& csv)>;
  void setCsvSaver(CsvSaver saver) { csvSaver_ = std::move(saver); }
  const CsvSaver& csvSaver() const { return csvSaver_; }
  // The page the help file opens at.
  void setHelpIndex(const QUrl& index) { helpIndex_ = index; }
  HelpViewer* helpViewer() const { return help_.get(); }

  // What the operator does, for automation and tests. A menu command is refused (false) while
  // a modal page or box is open, or when the menu shown has no such item.
  bool menuCommand(int id);
  // The next box takes this answer instead of showing itself (an OK box just takes it away).
  void queueAnswer(Answer answer) { answers_.push_back(answer); }
  int answersPending() const { return static_cast<int>(answers_.size()); }

  // What the operator sees.
  const std::string& title() const { return title_; }
  const Menu* menu() const { return menu_ ? &*menu_ : nullptr; }
  const std::string& status() const { return status_; }
  int beeps() const { return beeps_; }
  int modalDepth() const { return modalDepth_; }
  std::optional<int> exitCode() const { return exitCode_; }
  std::vector<QtDialog*> openPages() const;                   // oldest first
  QtDialog* page(const std::string& name, int k = -1) const;  // k-th oldest, or newest
  int openCount(const std::string& name) const;
  struct Box {
    std::string caption, text;
    Buttons buttons;
    Icon icon;
    Answer answer;
  };
  const std::vector<Box>& boxes() const { return boxes_; }

  // Destroys, once the event loop has the control back, the pages that have ended.
  void scheduleReap();

 private:
  QtDialog* create(const DialogTemplate& layout, PageFactory& factory, bool modal);
  void place(QWidget& window);
  void fitBeside(QWidget& window, QSize wanted);
  int titleBarHeight() const;
  Answer showBox(std::string_view text, std::string_view caption, Buttons buttons, Icon icon);
  void onMenu(int id);
  void reap();

  std::unique_ptr<MainWindow> mainWindow_;
  std::unique_ptr<HelpViewer> help_;
  QUrl helpIndex_;
  ListSaver listSaver_;
  CsvSaver csvSaver_;
  MainWindowProc* main_ = nullptr;
  std::vector<std::unique_ptr<QtDialog>> pages_;
  std::map<int, QTimer*> mainTimers_;
  std::deque<Answer> answers_;
  std::vector<Box> boxes_;
  std::string title_;
  std::optional<Menu> menu_;
  std::string status_;
  QPalette startPalette_;
  QElapsedTimer clock_;
  int beeps_ = 0;
  int modalDepth_ = 0;
  bool reapPending_ = false;
  std::optional<int> exitCode_;
};

}  // namespace winsys
