#include "winsys/qt/controls.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QTextBlock>
#include <QTextOption>
#include <cmath>
#include <map>

namespace winsys {
namespace {

constexpr int kSpinMiddle = 50;
constexpr int kSpinRange = 100;
constexpr int kDocumentMargin = 2;
constexpr int kListTextMargin = 2;

const std::map<int, ScrollAction> kSliderActions = {
    {QAbstractSlider::SliderSingleStepSub, ScrollAction::LineUp},
    {QAbstractSlider::SliderSingleStepAdd, ScrollAction::LineDown},
    {QAbstractSlider::SliderPageStepSub, ScrollAction::PageUp},
    {QAbstractSlider::SliderPageStepAdd, ScrollAction::PageDown},
    {QAbstractSlider::SliderToMinimum, ScrollAction::Top},
    {QAbstractSlider::SliderToMaximum, ScrollAction::Bottom},
    {QAbstractSlider::SliderMove, ScrollAction::ThumbTrack},
};

std::string joinLines(const std::vector<std::string>& lines) {
  std::string all;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) all += '\n';
    all += lines[i];
  }
  return all;
}

// Each paragraph of `shown` that is longer than the box, broken as the box breaks it.
std::string wrapLongParagraphs(const std::string& shown, int columns) {
  std::string out;
  size_t start = 0;
  while (true) {
    size_t end = shown.find('\n', start);
    std::string para = shown.substr(start, end == std::string::npos ? end : end - start);
    out += static_cast<int>(para.size()) > columns ? joinLines(wrapLines(para, columns)) : para;
    if (end == std::string::npos) break;
    out += '\n';
    start = end + 1;
  }
  return out;
}

// The position in `text` after `count` characters that are not line breaks.
int positionAfter(const QString& text, int count) {
  int pos = 0;
  for (; pos < text.size() && count > 0; ++pos) {
    if (text[pos] != u'\n') --count;
  }
  return pos;
}

// The room a field takes in a list column. Digits all count as the widest digit, and letters as
// the average letter of their case, plus once a field the extra of that case's widest letter (an
// M or a W), so that the room depends on how a field is made up (six hex digits, four capitals)
// and not on which letters it holds: a list of DATA lines and a list of CMND lines put their next
// column at the same place.
class FieldRoom {
 public:
  explicit FieldRoom(const QFontMetricsF& fm) : fm_(fm) {
    for (char16_t c = u'0'; c <= u'9'; ++c) digit_ = std::max(digit_, advance(c));
    upper_ = letters(u'A');
    lower_ = letters(u'a');
  }
  qreal operator()(const QString& field) const {
    qreal room = 0;
    bool upper = false;
    bool lower = false;
    for (QChar c : field) {
      if (c >= u'0' && c <= u'9') {
        room += digit_;
      } else if (c >= u'A' && c <= u'Z') {
        room += upper_.average;
        upper = true;
      } else if (c >= u'a' && c <= u'z') {
        room += lower_.average;
        lower = true;
      } else {
        room += fm_.horizontalAdvance(c);
      }
    }
    if (upper) room += upper_.widest - upper_.average;
    if (lower) room += lower_.widest - lower_.average;
    return room;
  }

 private:
  struct Letters {
    qreal average = 0;
    qreal widest = 0;
  };
  qreal advance(char16_t c) const { return fm_.horizontalAdvance(QChar(c)); }
  Letters letters(char16_t first) const {
    Letters l;
    for (char16_t c = first; c < first + 26; ++c) {
      l.average += advance(c) / 26;
      l.widest = std::max(l.widest, advance(c));
    }
    return l;
  }

  const QFontMetricsF& fm_;
  qreal digit_ = 0;
  Letters upper_;
  Letters lower_;
};

bool fixedPitch(const QFont& font) { return QFontInfo(font).fixedPitch(); }

// A font whose every character has the same width on any machine, so that a box's word wrap
// is the one the headless window system computes. The system's own "fixed" font is not always
// fixed-pitch (some font sets alias it to a proportional family), so a known monospace family
// that the station's install script brings comes first, then the system's choice, then any
// fixed-pitch family the machine has.
QFont monospaceFont() {
  for (const char* family : {"DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono"}) {
    QFont font(QString::fromLatin1(family));
    font.setStyleHint(QFont::TypeWriter);
    if (QFontInfo(font).family() == font.family() && fixedPitch(font)) return font;
  }
  QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (fixedPitch(system)) return system;
  for (const QString& family : QFontDatabase::families()) {
    if (!QFontDatabase::isFixedPitch(family)) continue;
    QFont font(family);
    if (fixedPitch(font)) return font;
  }
  return system;
}

}  // namespace

QString toQString(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toStdString(const QString& text) { return text.toLatin1().toStdString(); }

DialogMetrics metricsOf(const QFont& font) {
  // The average width of the 52 letters, rounded, as dialog units have always been measured.
  QFontMetrics fm(font);
  int letters =
      fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return DialogMetrics{std::max(1, (letters / 26 + 1) / 2), std::max(1, fm.height())};
}

// ---- PageCheckBox ---------------------------------------------------------------------------

PageCheckBox::PageCheckBox(const QString& text, bool autoCheck, QWidget* parent)
    : QCheckBox(text, parent), autoCheck_(autoCheck) {}

void PageCheckBox::nextCheckState() {
  if (autoCheck_) QCheckBox::nextCheckState();
}

// ---- PageToggleButton -----------------------------------------------------------------------

// Down and in bold while on: a sunken button alone is easy to miss in some styles.
PageToggleButton::PageToggleButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent) {
  setCheckable(true);
  connect(this, &QAbstractButton::toggled, this, [this](bool on) {
    QFont bold = font();
    bold.setBold(on);
    setFont(bold);
  });
}

// A right-pointing triangle: the button moves its field on to the next value.
QIcon stepGlyph(int height) {
  const int side = std::max(6, height - 6);
  QPixmap pixmap(side, side);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QApplication::palette().color(QPalette::ButtonText));
  const qreal inset = side / 5.0;
  painter.drawPolygon(QPolygonF{QPointF(inset, inset), QPointF(side - inset, side / 2.0),
                                QPointF(inset, side - inset)});
  return QIcon(pixmap);
}

// ---- MultiLineEdit --------------------------------------------------------------------------

MultiLineEdit::MultiLineEdit(int columns, bool scrollBar, QWidget* parent)
    : QPlainTextEdit(parent), columns_(std::max(1, columns)) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(scrollBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  document()->setDocumentMargin(kDocumentMargin);
  connect(this, &QPlainTextEdit::textChanged, this, &MultiLineEdit::operatorEdited);
  // Where the operator has the caret and the view, kept across a page's refill (which clears
  // the box before it fills it again).
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (!updating_) operatorScroll_ = value;
  });
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] {
    if (!updating_) operatorCaret_ = textCursor().position();
  });
}

void MultiLineEdit::fitFont(const QFont& base) {
  const int scrollBar = verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn
                            ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this)
                            : 0;
  const int room = width() - 2 * frameWidth() - scrollBar - 2 * kDocumentMargin -
                   style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this) - 1;
  QFont mono = monospaceFont();
  int pixels = std::max(6, QFontInfo(base).pixelSize());
  for (; pixels > 4; --pixels) {
    mono.setPixelSize(pixels);
    if (QFontMetrics(mono).horizontalAdvance(QString(columns_, u'0')) <= room) break;
  }
  setFont(mono);
}

void MultiLineEdit::setText(std::string text) {
  text_ = std::move(text);
  display();
}

void MultiLineEdit::append(std::string_view text) {
  text_ += text;
  display();
}

// A page's refill shows the first row with the caret at the start, as the operator reads a box
// from its top; only while the operator is typing in the box (it has the focus and its text has
// been edited since the focus came) do the caret and the scroll position stay where they were.
void MultiLineEdit::display() {
  const bool typing = hasFocus() && typed_;
  updating_ = true;
  setPlainText(toQString(joinLines(lines())));
  QTextCursor cursor = textCursor();
  if (typing) {
    cursor.setPosition(std::min(operatorCaret_, document()->characterCount() - 1));
    setTextCursor(cursor);
    verticalScrollBar()->setValue(operatorScroll_);
  } else {
    cursor.movePosition(QTextCursor::Start);
    setTextCursor(cursor);
    verticalScrollBar()->setValue(0);
  }
  updating_ = false;
}

void MultiLineEdit::focusOutEvent(QFocusEvent* event) {
  typed_ = false;
  QPlainTextEdit::focusOutEvent(event);
}

void MultiLineEdit::operatorEdited() {
  if (updating_) return;
  typed_ = true;
  const QString shown = toPlainText();
  const std::string asShown = toStdString(shown);
  const std::string wrapped = wrapLongParagraphs(asShown, columns_);
  text_ = wrapped;
  if (wrapped == asShown) return;
  // Keep the caret after the same characters once the long line is broken.
  int typed = 0;
  const int caret = textCursor().position();
  for (int i = 0; i < caret && i < shown.size(); ++i) typed += shown[i] != u'\n';
  const QString rewrapped = toQString(wrapped);
  updating_ = true;
  setPlainText(rewrapped);
  QTextCursor cursor = textCursor();
  cursor.setPosition(positionAfter(rewrapped, typed));
  setTextCursor(cursor);
  updating_ = false;
}

// ---- SpinBar --------------------------------------------------------------------------------

SpinBar::SpinBar(std::function<void(ScrollAction)> notify, QWidget* parent)
    : QScrollBar(Qt::Vertical, parent), notify_(std::move(notify)) {
  setRange(0, kSpinRange);
  setPageStep(kSpinRange / 5);
  setValue(kSpinMiddle);
  connect(this, &QAbstractSlider::actionTriggered, this, &SpinBar::onAction);
}

void SpinBar::onAction(int action) {
  auto found = kSliderActions.find(action);
  if (found == kSliderActions.end()) return;
  notify_(found->second);
  // While the thumb is dragged it follows the mouse; it goes back when released.
  if (found->second != ScrollAction::ThumbTrack) setSliderPosition(kSpinMiddle);
}

void SpinBar::mouseReleaseEvent(QMouseEvent* event) {
  const bool dragged = isSliderDown();
  QScrollBar::mouseReleaseEvent(event);
  if (dragged) notify_(ScrollAction::ThumbPosition);
  notify_(ScrollAction::EndScroll);
  recentre();
}

void SpinBar::recentre() {
  blockSignals(true);
  setValue(kSpinMiddle);
  blockSignals(false);
}

// ---- TabStopDelegate ------------------------------------------------------------------------

TabStopDelegate::TabStopDelegate(qreal defaultStep, QObject* parent)
    : QStyledItemDelegate(parent), defaultStep_(defaultStep) {}

void TabStopDelegate::setStops(const QList<qreal>& stops) {
  stops_ = stops;
  invalidate();
}

// The page's stop for `column` (from 1), or the next step after the previous column's start
// once its stops run out.
qreal TabStopDelegate::stop(size_t column, qreal previousStart) const {
  if (stops_.size() > 1) {
    return column <= static_cast<size_t>(stops_.size()) ? stops_[static_cast<qsizetype>(column - 1)]
                                                        : previousStart + defaultStep_;
  }
  const qreal step = stops_.isEmpty() ? defaultStep_ : stops_.front();
  return step * static_cast<qreal>(column);
}

const std::vector<qreal>& TabStopDelegate::columnStarts(const QAbstractItemModel& model,
                                                        const QFont& font) const {
  if (columnsValid_) return starts_;
  const QFontMetricsF fm(font);
  const FieldRoom room(fm);
  std::vector<qreal> widest;
  for (int row = 0; row < model.rowCount(); ++row) {
    const QStringList fields = model.index(row, 0).data().toString().split(u'\t');
    for (qsizetype k = 0; k < fields.size(); ++k) {
      if (static_cast<size_t>(k) >= widest.size()) widest.push_back(0);
      widest[static_cast<size_t>(k)] = std::max(widest[static_cast<size_t>(k)], room(fields[k]));
    }
  }
  // A field that runs up to the next stop still keeps a blank's width from the next column.
  const qreal gap = fm.horizontalAdvance(u' ');
  starts_.assign(1, 0);
  for (size_t k = 1; k < widest.size(); ++k) {
    starts_.push_back(std::max(stop(k, starts_[k - 1]), starts_[k - 1] + widest[k - 1] + gap));
  }
  contentWidth_ = widest.empty() ? 0 : starts_.back() + widest.back();
  columnsValid_ = true;
  return starts_;
}

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QStringList fields = item.text.split(u'\t');
  item.text.clear();
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

  const std::vector<qreal>& starts = columnStarts(*index.model(), item.font);
  const QRectF text(item.rect.adjusted(kListTextMargin, 0, -kListTextMargin, 0));
  const bool selected = item.state & QStyle::State_Selected;
  painter->save();
  painter->setFont(item.font);
  painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  painter->setClipRect(text);
  for (qsizetype k = 0; k < fields.size() && static_cast<size_t>(k) < starts.size(); ++k) {
    const QRectF cell = text.adjusted(starts[static_cast<size_t>(k)], 0, 0, 0);
    painter->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, fields[k]);
  }
  painter->restore();
}

// Every line is as wide as the widest, so the list scrolls sideways only when some line does
// not fit.
QSize TabStopDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  columnStarts(*index.model(), option.font);
  size.setWidth(static_cast<int>(std::ceil(contentWidth_)) + 2 * kListTextMargin);
  return size;
}

}  // namespace winsys
