// The widgets a page is built from where a plain Qt widget does not behave as a page expects:
// check boxes that only the page ticks, multi-line boxes that wrap as the headless backend
// does, scroll bars used as spins, and list boxes with tab stops.
#pragma once

#include <QCheckBox>
#include <QFont>
#include <QIcon>
#include <QList>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "winsys/winsys.h"

namespace winsys {

// Pages speak 8-bit text, one byte a character.
QString toQString(std::string_view text);
std::string toStdString(const QString& text);

// Dialog units of a dialog font: the average character width and the character height.
struct DialogMetrics {
  int charWidth = 6;
  int charHeight = 13;
  int x(int units) const { return dialogUnitsX(units, charWidth); }
  int y(int units) const { return dialogUnitsY(units, charHeight); }
  QRect rect(const ControlTemplate& c) const { return {x(c.x), y(c.y), x(c.width), y(c.height)}; }
};
DialogMetrics metricsOf(const QFont& font);

// A check box that changes only when the page says so, unless it ticks itself.
class PageCheckBox final : public QCheckBox {
  Q_OBJECT
 public:
  PageCheckBox(const QString& text, bool autoCheck, QWidget* parent);

 protected:
  void nextCheckState() override;

 private:
  bool autoCheck_;
};

// A button that stays down while what it switches is on: only the page says when (through
// setChecked), so a click that the page refuses leaves it as it was.
class PageToggleButton final : public QPushButton {
  Q_OBJECT
 public:
  PageToggleButton(const QString& text, QWidget* parent);

 protected:
  void nextCheckState() override {}
};

// The small mark drawn on a button that steps a field through its values.
QIcon stepGlyph(int height);

// A multi-line box showing its text in the lines `wrapLines` makes of it, in a fixed-pitch font
// small enough for `columns` characters to fit. The text is kept here; what the operator types
// becomes the text as shown, and a line typed longer than the box is wrapped at once.
class MultiLineEdit final : public QPlainTextEdit {
  Q_OBJECT
 public:
  MultiLineEdit(int columns, bool scrollBar, QWidget* parent);

  void setText(std::string text);
  void append(std::string_view text);
  const std::string& text() const { return text_; }
  std::vector<std::string> lines() const { return wrapLines(text_, columns_); }
  int columns() const { return columns_; }

  // Chooses the largest fixed-pitch font whose `columns` characters fit the box as placed.
  void fitFont(const QFont& base);

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void display();
  void operatorEdited();

  int columns_;
  std::string text_;
  bool updating_ = false;
  int operatorCaret_ = 0;
  int operatorScroll_ = 0;
  bool typed_ = false;
};

// A vertical scroll bar used as a spin: it reports each action and goes back to the middle, so
// every arrow click is an action of its own and the page decides the value.
class SpinBar final : public QScrollBar {
  Q_OBJECT
 public:
  SpinBar(std::function<void(ScrollAction)> notify, QWidget* parent);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void onAction(int action);
  void recentre();

  std::function<void(ScrollAction)> notify_;
};

// Paints list lines in columns: the k-th tab of every line goes to the start of column k, which
// is the page's k-th tab stop (in pixels), or further right when some line's field before it
// does not fit, so that the columns stay aligned from line to line. A field's room is judged by
// the kinds of characters it holds (digits as the widest digit, letters as the average one and one
// wide letter), so the columns do not shift when the lines hold other letters of the same make-up.
// With no stop or one the stops are every `defaultStep` pixels or every that many. The column
// starts follow the lines the list holds; `invalidate` when they change.
class TabStopDelegate final : public QStyledItemDelegate {
  Q_OBJECT
 public:
  TabStopDelegate(qreal defaultStep, QObject* parent);
  void setStops(const QList<qreal>& stops);
  void invalidate() { columnsValid_ = false; }
  // Where each column starts, for the lines of `model` drawn in `font`.
  const std::vector<qreal>& columnStarts(const QAbstractItemModel& model, const QFont& font) const;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  qreal stop(size_t column, qreal previousStart) const;

  qreal defaultStep_;
  QList<qreal> stops_;
  mutable bool columnsValid_ = false;
  mutable std::vector<qreal> starts_;
  mutable qreal contentWidth_ = 0;
};

}  // namespace winsys
