#include "winsys/qt/main_window.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QPainter>

namespace winsys {

// ---- Canvas ---------------------------------------------------------------------------------

Canvas::Canvas(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  // The status line is the only text here; the default face in bold, so it reads over the logo.
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);
  setMinimumSize(backdrop_.clientSize);
}

void Canvas::setBackdrop(Backdrop backdrop) {
  backdrop_ = std::move(backdrop);
  setMinimumSize(backdrop_.clientSize);
  update();
}

void Canvas::setStatus(const QString& text) {
  const QRect before = statusRect();
  status_ = text;
  update(before.united(statusRect()));
}

QRect Canvas::statusRect() const {
  QFontMetrics fm(font());
  const int width = std::max(fm.horizontalAdvance(QString(backdrop_.statusBlanks, u' ')),
                             fm.horizontalAdvance(status_));
  return {backdrop_.statusAt, QSize(width, fm.height())};
}

void Canvas::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), backdrop_.background);
  for (const Backdrop::Picture& picture : backdrop_.pictures) {
    painter.drawPixmap(picture.at, picture.pixmap, picture.source);
  }
  // The last status text goes back on top, so a repaint never hides it under the logo.
  if (!status_.isEmpty()) {
    const QRect strip = statusRect();
    painter.fillRect(strip, backdrop_.statusBackground);
    painter.setPen(backdrop_.statusColour);
    painter.drawText(strip, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, status_);
  }
  if (firstPaint_) std::exchange(firstPaint_, nullptr)();
}

// ---- MainWindow -----------------------------------------------------------------------------

MainWindow::MainWindow() : canvas_(new Canvas(this)) { setCentralWidget(canvas_); }

void MainWindow::setBackdrop(Backdrop backdrop) { canvas_->setBackdrop(std::move(backdrop)); }

void MainWindow::setMenu(const Menu& menu, const std::function<void(int)>& onCommand) {
  // The old items may be the one being chosen right now: they go once the choice is handled.
  menuBar()->clear();
  for (QObject* item : items_) item->deleteLater();
  items_.clear();
  actions_.clear();
  addItems(menuBar(), menu.items, onCommand);
}

void MainWindow::addItems(QWidget* into, const std::vector<MenuItem>& items,
                          const std::function<void(int)>& onCommand) {
  for (const MenuItem& item : items) {
    const QString label = QString::fromStdString(item.label);
    if (item.isPopup()) {
      auto* popup = new QMenu(label, into);
      items_.push_back(popup);
      addItems(popup, item.popup, onCommand);
      into->addAction(popup->menuAction());
      continue;
    }
    auto* action = new QAction(label, into);
    items_.push_back(action);
    action->setData(item.id);
    connect(action, &QAction::triggered, this, [onCommand, id = item.id] { onCommand(id); });
    into->addAction(action);
    actions_.emplace(item.id, action);
  }
}

QAction* MainWindow::action(int id) const {
  auto found = actions_.find(id);
  return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (onClose_) onClose_();
}

}  // namespace winsys
