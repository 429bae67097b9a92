// A page in the desktop window: a dialog built from its template, driving its dialog procedure.
#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "winsys/qt/controls.h"
#include "winsys/winsys.h"

class QMenu;
class QTimer;

namespace winsys {

class QtWindowSystem;

// The page's window. Escape does not close it; closing it from its frame is left to the page.
// A right click anywhere on the page, a disabled list box included, goes to `onContextMenu`.
class PageWindow final : public QDialog {
  Q_OBJECT
 public:
  PageWindow(QWidget* parent, std::function<void()> onFrameClose);
  void reject() override {}
  void setContextMenuHandler(std::function<void(QContextMenuEvent*)> handler) {
    onContextMenu_ = std::move(handler);
  }
  void setHelpHandler(std::function<void()> handler) { onHelp_ = std::move(handler); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::function<void()> onFrameClose_;
  std::function<void(QContextMenuEvent*)> onContextMenu_;
  std::function<void()> onHelp_;
};

class QtDialog final : public Dialog {
 public:
  QtDialog(QtWindowSystem& windows, const DialogTemplate& layout, bool modal, QWidget* parent);
  ~QtDialog() override;
  QtDialog(const QtDialog&) = delete;
  QtDialog& operator=(const QtDialog&) = delete;

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

  // The window and its controls, for what drives it from outside (automation, tests).
  PageWindow& window() const { return *window_; }
  QWidget* control(int id) const;
  uint16_t handleOf(int id) const;
  const DialogMetrics& metrics() const { return metrics_; }
  // Clicks button or check box `id` as the operator would; false when there is none.
  bool click(int id);
  void pressHelp();  // F1

  // Captures of list box `id`: its selected line, or every line when none is selected, to the
  // clipboard; and every line as CSV to `path`, a failure shown in a message box (false).
  std::vector<std::string> listLines(int id) const;
  std::vector<std::string> listLinesToCopy(int id) const;
  void copyList(int id) const;
  bool saveListAsCsv(int id, const std::string& path);
  // The page's own capture (DialogProc::captureCsv) to `path`, a failure shown in a message box
  // (false); false too for a page that keeps none.
  bool hasCapture() const;
  bool saveCaptureAsCsv(const std::string& path);
  // The list box's context menu ("Copy", "Save as CSV...", greyed on an empty list; "Save
  // capture as CSV..." on a page that keeps a capture), built for the operator's right click.
  std::unique_ptr<QMenu> listMenu(int id);

  bool ended() const { return ended_; }
  int result() const { return result_; }
  bool modal() const { return modal_; }

 private:
  friend class QtWindowSystem;
  struct Control {
    const ControlTemplate* layout;
    QWidget* widget;
    std::string text;  // for controls that show no text of their own
  };
  using Builder = QWidget* (QtDialog::*)(const ControlTemplate&);
  static const std::map<ControlKind, Builder> kBuilders;

  void build();
  QWidget* makeButton(const ControlTemplate& c);
  QWidget* makeCheckBox(const ControlTemplate& c);
  QWidget* makeEdit(const ControlTemplate& c);
  QWidget* makeMultiEdit(const ControlTemplate& c);
  QWidget* makeListBox(const ControlTemplate& c);
  QWidget* makeScrollBar(const ControlTemplate& c);
  QWidget* makeLabel(const ControlTemplate& c);
  QWidget* makeFrame(const ControlTemplate& c);

  template <typename W>
  W* widget(int id) const;
  Control* find(int id);
  const Control* find(int id) const;

  // Every call into the page goes through here, so that an ended page is never called again
  // and is destroyed only once nothing of it is on the stack.
  template <typename F>
  void call(F&& f);
  void init();
  void closeFromFrame();
  void showContextMenu(QContextMenuEvent* event);
  void askAndSaveList(int id);
  void askAndSaveCapture();

  QtWindowSystem& windows_;
  DialogTemplate layout_;
  bool modal_;
  DialogMetrics metrics_;
  QPointer<PageWindow> window_;
  std::unique_ptr<QObject> connections_;  // context of every connection into this object
  std::map<int, Control> controls_;
  std::map<int, QTimer*> timers_;
  std::unique_ptr<DialogProc> proc_;
  bool ended_ = false;
  int result_ = 0;
  int busy_ = 0;
};

}  // namespace winsys
