#include "winsys/qt/qt_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <cstdint>

#include "winsys/guard.h"
#include "winsys/list_capture.h"
#include "winsys/qt/qt_window_system.h"

namespace winsys {
namespace {

constexpr uint16_t kFirstHandle = 0x0100;  // as the headless backend numbers its controls
constexpr int kDefaultTabStop = 32;        // dialog units between tab stops a page did not set

std::string limited(std::string text, int limit) {
  if (limit <= 0) return {};
  if (text.size() > static_cast<size_t>(limit - 1)) text.resize(static_cast<size_t>(limit - 1));
  return text;
}

bool isQuitLabel(const std::string& label) {
  QString trimmed = toQString(label).trimmed();
  return trimmed.compare(QStringLiteral("QUIT"), Qt::CaseInsensitive) == 0;
}

// A read-only edit shows the dialog's own background, as the operator expects of a field that
// only the page writes.
void lookReadOnly(QLineEdit* edit) {
  QPalette palette;
  palette.setColor(QPalette::Base, edit->palette().color(QPalette::Window));
  edit->setPalette(palette);
}

}  // namespace

// ---- PageWindow -----------------------------------------------------------------------------

PageWindow::PageWindow(QWidget* parent, std::function<void()> onFrameClose)
    : QDialog(parent), onFrameClose_(std::move(onFrameClose)) {}

// F1 anywhere on the page (no control of a page takes it) asks the page for help.
void PageWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1 && onHelp_) {
    onHelp_();
    return;
  }
  QDialog::keyPressEvent(event);
}

void PageWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (onFrameClose_) onFrameClose_();
}

// List boxes leave their right clicks to the page; a disabled one never sees them at all.
void PageWindow::contextMenuEvent(QContextMenuEvent* event) {
  if (onContextMenu_) onContextMenu_(event);
}

// ---- QtDialog -------------------------------------------------------------------------------

const std::map<ControlKind, QtDialog::Builder> QtDialog::kBuilders = {
    {ControlKind::Button, &QtDialog::makeButton},
    {ControlKind::CheckBox, &QtDialog::makeCheckBox},
    {ControlKind::Edit, &QtDialog::makeEdit},
    {ControlKind::MultiEdit, &QtDialog::makeMultiEdit},
    {ControlKind::ListBox, &QtDialog::makeListBox},
    {ControlKind::ScrollBar, &QtDialog::makeScrollBar},
    {ControlKind::Label, &QtDialog::makeLabel},
    {ControlKind::Frame, &QtDialog::makeFrame},
};

QtDialog::QtDialog(QtWindowSystem& windows, const DialogTemplate& layout, bool modal,
                   QWidget* parent)
    : windows_(windows),
      layout_(layout),
      modal_(modal),
      window_(new PageWindow(parent, [this] { closeFromFrame(); })),
      connections_(std::make_unique<QObject>()) {
  window_->setWindowTitle(toQString(layout_.title));
  // Two pages may share a title (the GDB tables and the command queue do): the name of the
  // template tells them apart in the window manager's lists and in the task bar.
  window_->setObjectName(toQString(layout_.name));
  window_->setWindowRole(toQString(layout_.name));
  window_->setWindowIconText(toQString(layout_.title).trimmed() + QStringLiteral(" \u2013 ") +
                             toQString(layout_.name));
  window_->setFont(QFont(toQString(layout_.fontName), layout_.fontPoints));
  metrics_ = metricsOf(window_->font());
  window_->setFixedSize(metrics_.x(layout_.width), metrics_.y(layout_.height));
  if (modal_) window_->setWindowModality(Qt::WindowModal);
  window_->setContextMenuHandler([this](QContextMenuEvent* event) { showContextMenu(event); });
  window_->setHelpHandler([this] { pressHelp(); });
  build();
}

QtDialog::~QtDialog() {
  proc_.reset();
  connections_.reset();
  if (window_) {
    window_->hide();
    window_->deleteLater();
  }
}

void QtDialog::build() {
  for (const ControlTemplate& c : layout_.controls) {
    QWidget* made = (this->*kBuilders.at(c.kind))(c);
    made->setGeometry(metrics_.rect(c));
    if (c.disabled) made->setEnabled(false);
    if (!c.tip.empty()) made->setToolTip(QString::fromStdString(c.tip));
    // Frames sit behind the controls they group.
    if (c.kind == ControlKind::Frame) made->lower();
    if (auto* box = qobject_cast<MultiLineEdit*>(made)) box->fitFont(window_->font());
    if (c.id >= 0) controls_[c.id] = Control{&c, made, c.text};
  }
}

QWidget* QtDialog::makeButton(const ControlTemplate& c) {
  auto* button = c.toggle ? new PageToggleButton(toQString(c.text), window_)
                          : new QPushButton(toQString(c.text), window_);
  if (c.step) {
    const int side = metrics_.y(c.height);
    button->setIcon(stepGlyph(side));
    button->setIconSize(QSize(side, side) * 2 / 3);
  }
  // Enter in a field presses no button: only clicks reach the page.
  button->setAutoDefault(false);
  QObject::connect(button, &QPushButton::clicked, connections_.get(),
                   [this, id = c.id] { call([this, id] { proc_->command(id); }); });
  return button;
}

QWidget* QtDialog::makeCheckBox(const ControlTemplate& c) {
  auto* box = new PageCheckBox(toQString(c.text), c.autoCheck, window_);
  QObject::connect(box, &QCheckBox::clicked, connections_.get(),
                   [this, id = c.id] { call([this, id] { proc_->command(id); }); });
  return box;
}

QWidget* QtDialog::makeEdit(const ControlTemplate& c) {
  auto* edit = new QLineEdit(toQString(c.text), window_);
  if (c.readOnly) {
    edit->setReadOnly(true);
    lookReadOnly(edit);
  }
  return edit;
}

QWidget* QtDialog::makeMultiEdit(const ControlTemplate& c) {
  auto* box = new MultiLineEdit(multiEditColumns(c), c.vscroll, window_);
  box->setReadOnly(c.readOnly);
  box->setText(c.text);
  return box;
}

QWidget* QtDialog::makeListBox(const ControlTemplate&) {
  auto* list = new QListWidget(window_);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setUniformItemSizes(true);
  auto* columns = new TabStopDelegate(metrics_.x(kDefaultTabStop), list);
  list->setItemDelegate(columns);
  // The columns follow the lines the list holds.
  QAbstractItemModel* model = list->model();
  auto invalidate = [columns] { columns->invalidate(); };
  QObject::connect(model, &QAbstractItemModel::rowsInserted, columns, invalidate);
  QObject::connect(model, &QAbstractItemModel::rowsRemoved, columns, invalidate);
  QObject::connect(model, &QAbstractItemModel::modelReset, columns, invalidate);
  QObject::connect(model, &QAbstractItemModel::dataChanged, columns, invalidate);
  return list;
}

QWidget* QtDialog::makeScrollBar(const ControlTemplate& c) {
  return new SpinBar(
      [this, id = c.id](ScrollAction action) {
        call([this, id, action] { proc_->scroll(handleOf(id), action); });
      },
      window_);
}

QWidget* QtDialog::makeLabel(const ControlTemplate& c) {
  auto* label = new QLabel(toQString(c.text), window_);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QWidget* QtDialog::makeFrame(const ControlTemplate& c) {
  return new QGroupBox(toQString(c.text), window_);
}

QtDialog::Control* QtDialog::find(int id) {
  auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : &found->second;
}

const QtDialog::Control* QtDialog::find(int id) const {
  auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : &found->second;
}

template <typename W>
W* QtDialog::widget(int id) const {
  const Control* c = find(id);
  return c ? qobject_cast<W*>(c->widget) : nullptr;
}

QWidget* QtDialog::control(int id) const {
  const Control* c = find(id);
  return c ? c->widget : nullptr;
}

template <typename F>
void QtDialog::call(F&& f) {
  ++busy_;
  if (!ended_ && proc_) guarded(windows_, f);
  --busy_;
  if (ended_ && busy_ == 0) windows_.scheduleReap();
}

void QtDialog::init() {
  call([this] { proc_->init(); });
}

void QtDialog::pressHelp() {
  call([this] { proc_->help(); });
}

void QtDialog::setText(int id, std::string_view text) {
  Control* c = find(id);
  if (!c) return;
  const QString shown = toQString(text);
  if (auto* edit = qobject_cast<QLineEdit*>(c->widget)) {
    edit->setText(shown);
  } else if (auto* box = qobject_cast<MultiLineEdit*>(c->widget)) {
    box->setText(std::string(text));
  } else if (auto* button = qobject_cast<QAbstractButton*>(c->widget)) {
    button->setText(shown);
  } else if (auto* label = qobject_cast<QLabel*>(c->widget)) {
    label->setText(shown);
  } else if (auto* frame = qobject_cast<QGroupBox*>(c->widget)) {
    frame->setTitle(shown);
  } else {
    c->text = text;
  }
}

std::string QtDialog::text(int id, int limit) const {
  const Control* c = find(id);
  if (!c) return {};
  if (auto* edit = qobject_cast<QLineEdit*>(c->widget)) {
    return limited(toStdString(edit->text()), limit);
  }
  if (auto* box = qobject_cast<MultiLineEdit*>(c->widget)) return limited(box->text(), limit);
  if (auto* button = qobject_cast<QAbstractButton*>(c->widget)) {
    return limited(toStdString(button->text()), limit);
  }
  if (auto* label = qobject_cast<QLabel*>(c->widget)) {
    return limited(toStdString(label->text()), limit);
  }
  if (auto* frame = qobject_cast<QGroupBox*>(c->widget)) {
    return limited(toStdString(frame->title()), limit);
  }
  return limited(c->text, limit);
}

void QtDialog::setChecked(int id, bool checked) {
  if (auto* button = widget<QAbstractButton>(id)) button->setChecked(checked);
}

bool QtDialog::isChecked(int id) const {
  auto* button = widget<QAbstractButton>(id);
  return button && button->isChecked();
}

// Tool tips are the station's UTF-8 text, not a page's 8-bit field text.
void QtDialog::setToolTip(int id, std::string_view text) {
  if (QWidget* w = control(id)) {
    w->setToolTip(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
}

std::string QtDialog::toolTip(int id) const {
  const QWidget* w = control(id);
  return w ? w->toolTip().toStdString() : std::string();
}

void QtDialog::listReset(int id) {
  if (auto* list = widget<QListWidget>(id)) list->clear();
}

void QtDialog::listAdd(int id, std::string_view line) {
  if (auto* list = widget<QListWidget>(id)) list->addItem(toQString(line));
}

void QtDialog::listSetTabStops(int id, const std::vector<int>& stops) {
  auto* list = widget<QListWidget>(id);
  if (!list) return;
  QList<qreal> pixels;
  for (int stop : stops) pixels.append(metrics_.x(stop));
  static_cast<TabStopDelegate*>(list->itemDelegate())->setStops(pixels);
  list->doItemsLayout();
  list->viewport()->update();
}

void QtDialog::listSelect(int id, int index) {
  auto* list = widget<QListWidget>(id);
  if (!list) return;
  if (index >= 0 && index < list->count()) {
    list->setCurrentRow(index);
  } else {
    list->clearSelection();
    list->setCurrentRow(-1);
  }
}

int QtDialog::listSelection(int id) const {
  auto* list = widget<QListWidget>(id);
  if (!list) return -1;
  const QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.front());
}

int QtDialog::listCount(int id) const {
  auto* list = widget<QListWidget>(id);
  return list ? list->count() : 0;
}

std::string QtDialog::listLine(int id, int index) const {
  auto* list = widget<QListWidget>(id);
  if (!list || index < 0 || index >= list->count()) return {};
  return toStdString(list->item(index)->text());
}

void QtDialog::editClear(int id) { setText(id, ""); }

void QtDialog::editAppend(int id, std::string_view text) {
  if (auto* box = widget<MultiLineEdit>(id)) {
    box->append(text);
  } else if (find(id)) {
    setText(id, this->text(id, INT32_MAX) + std::string(text));
  }
}

// Any control's text in lines as a box of its width would show them, as the headless backend
// reads them; for a multi-line box these are the lines on the screen.
std::vector<std::string> QtDialog::editLines(int id) const {
  const Control* c = find(id);
  if (!c) return {};
  if (auto* box = qobject_cast<MultiLineEdit*>(c->widget)) return box->lines();
  return wrapLines(text(id, INT32_MAX), multiEditColumns(*c->layout));
}

int QtDialog::editLineCount(int id) const {
  if (!find(id)) return 0;
  // An empty box still has its one (empty) line.
  return std::max<int>(1, static_cast<int>(editLines(id).size()));
}

std::string QtDialog::editLine(int id, int line) const {
  std::vector<std::string> all = editLines(id);
  return line >= 0 && line < static_cast<int>(all.size()) ? all[static_cast<size_t>(line)]
                                                          : std::string();
}

uint16_t QtDialog::handleOf(int id) const {
  for (size_t i = 0; i < layout_.controls.size(); ++i) {
    if (layout_.controls[i].id == id && id >= 0) return static_cast<uint16_t>(kFirstHandle + i);
  }
  return 0;
}

int QtDialog::controlIdOfHandle(uint16_t handle) const {
  if (handle < kFirstHandle) return 0;
  const size_t index = handle - kFirstHandle;
  if (index >= layout_.controls.size()) return 0;
  return std::max(0, layout_.controls[index].id);
}

void QtDialog::startTimer(int id, int periodMs) {
  if (ended_) return;
  QTimer*& timer = timers_[id];
  if (!timer) {
    timer = new QTimer(window_);
    QObject::connect(timer, &QTimer::timeout, connections_.get(),
                     [this, id] { call([this, id] { proc_->timer(id); }); });
  }
  timer->start(std::max(1, periodMs));
}

void QtDialog::stopTimer(int id) {
  auto found = timers_.find(id);
  if (found == timers_.end()) return;
  // The timer may be the one whose tick is being handled: it goes once that is over.
  found->second->stop();
  found->second->deleteLater();
  timers_.erase(found);
}

void QtDialog::end(int result) {
  if (ended_) return;
  ended_ = true;
  result_ = result;
  while (!timers_.empty()) stopTimer(timers_.begin()->first);
  if (modal_) {
    window_->done(result);
  } else {
    window_->hide();
  }
  if (busy_ == 0) windows_.scheduleReap();
}

WindowSystem& QtDialog::windows() { return windows_; }

bool QtDialog::click(int id) {
  auto* button = widget<QAbstractButton>(id);
  if (!button) return false;
  button->click();
  return true;
}

std::vector<std::string> QtDialog::listLines(int id) const {
  std::vector<std::string> lines(static_cast<size_t>(listCount(id)));
  for (size_t i = 0; i < lines.size(); ++i) lines[i] = listLine(id, static_cast<int>(i));
  return lines;
}

std::vector<std::string> QtDialog::listLinesToCopy(int id) const {
  const int selected = listSelection(id);
  if (selected >= 0) return {listLine(id, selected)};
  return listLines(id);
}

void QtDialog::copyList(int id) const {
  QApplication::clipboard()->setText(toQString(listAsText(listLinesToCopy(id))));
}

bool QtDialog::saveListAsCsv(int id, const std::string& path) {
  const Control* list = find(id);
  if (!list || list->layout->kind != ControlKind::ListBox) return false;
  const QtWindowSystem::ListSaver& saver = windows_.listSaver();
  const std::string why = saver
                              ? saver(path, layout_.name, id, list->layout->columns, listLines(id))
                              : std::string("this window cannot save files");
  if (why.empty()) return true;
  windows_.messageBox(why, "Save as CSV", Buttons::Ok, Icon::Exclamation);
  return false;
}

bool QtDialog::hasCapture() const { return proc_ && proc_->hasCapture(); }

bool QtDialog::saveCaptureAsCsv(const std::string& path) {
  if (!hasCapture() || ended_) return false;
  std::string csv;
  call([this, &csv] { csv = proc_->captureCsv(); });
  const QtWindowSystem::CsvSaver& saver = windows_.csvSaver();
  const std::string why = saver ? saver(path, csv) : std::string("this window cannot save files");
  if (why.empty()) return true;
  windows_.messageBox(why, "Save capture as CSV", Buttons::Ok, Icon::Exclamation);
  return false;
}

// Copy and Save act on lines: an empty list offers them greyed. The page's capture does not
// depend on what the list shows.
std::unique_ptr<QMenu> QtDialog::listMenu(int id) {
  auto menu = std::make_unique<QMenu>(window_);
  const bool lines = listCount(id) > 0;
  menu->addAction(QStringLiteral("Copy"), connections_.get(), [this, id] { copyList(id); })
      ->setEnabled(lines);
  menu->addAction(QStringLiteral("Save as CSV\u2026"), connections_.get(),
                  [this, id] { askAndSaveList(id); })
      ->setEnabled(lines);
  if (hasCapture()) {
    menu->addAction(QStringLiteral("Save capture as CSV\u2026"), connections_.get(),
                    [this] { askAndSaveCapture(); });
  }
  return menu;
}

void QtDialog::showContextMenu(QContextMenuEvent* event) {
  for (QWidget* at = window_->childAt(event->pos()); at && at != window_; at = at->parentWidget()) {
    auto* list = qobject_cast<QListWidget*>(at);
    if (!list) continue;
    for (const auto& [id, c] : controls_) {
      if (c.widget == list) listMenu(id)->exec(event->globalPos());
    }
    return;
  }
}

void QtDialog::askAndSaveList(int id) {
  const QString suggested = QDir::current().filePath(toQString(layout_.name).toLower() + ".csv");
  const QString path =
      QFileDialog::getSaveFileName(window_, QStringLiteral("Save as CSV"), suggested,
                                   QStringLiteral("CSV files (*.csv);;All files (*)"));
  if (!path.isEmpty()) saveListAsCsv(id, path.toLocal8Bit().toStdString());
}

void QtDialog::askAndSaveCapture() {
  const QString suggested =
      QDir::current().filePath(toQString(layout_.name).toLower() + "-capture.csv");
  const QString path =
      QFileDialog::getSaveFileName(window_, QStringLiteral("Save capture as CSV"), suggested,
                                   QStringLiteral("CSV files (*.csv);;All files (*)"));
  if (!path.isEmpty()) saveCaptureAsCsv(path.toLocal8Bit().toStdString());
}

// Closing a page from its frame is its QUIT button, so the page does what its QUIT does; a page
// without one simply ends.
void QtDialog::closeFromFrame() {
  for (const auto& [id, c] : controls_) {
    if (c.layout->kind == ControlKind::Button && isQuitLabel(c.layout->text)) {
      call([this, id = id] { proc_->command(id); });
      return;
    }
  }
  end(0);
}

}  // namespace winsys
