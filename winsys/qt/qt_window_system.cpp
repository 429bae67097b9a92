#include "winsys/qt/qt_window_system.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "winsys/guard.h"
#include "winsys/qt/contrast.h"
#include "winsys/qt/help_viewer.h"

namespace winsys {
namespace {

constexpr int kCascade = 24;  // pixels between pages opened one after another, at the least
constexpr int kMostCascadeSteps = 64;
constexpr QSize kHelpSize{760, 600};        // the help viewer, where the screen has room
constexpr QSize kSmallestBeside{400, 240};  // ... and the least it takes beside the main window
constexpr int kStatusMargin = 8;            // pixels kept clear under the status line
// What a title bar needs besides its caption: the window's icon and its buttons.
constexpr int kTitleBarExtras = 150;

const std::map<Icon, QMessageBox::Icon> kIcons = {
    {Icon::None, QMessageBox::NoIcon},
    {Icon::Exclamation, QMessageBox::Warning},
    {Icon::Question, QMessageBox::Question},
};

QColor fromBgr(uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

uint32_t toBgr(const QColor& colour) {
  return static_cast<uint32_t>(colour.red()) | static_cast<uint32_t>(colour.green()) << 8 |
         static_cast<uint32_t>(colour.blue()) << 16;
}

}  // namespace

QtWindowSystem::QtWindowSystem()
    : mainWindow_(std::make_unique<MainWindow>()), startPalette_(QApplication::palette()) {
  clock_.start();
  // The run ends when the station says so (quit), not when some last window happens to close.
  QApplication::setQuitOnLastWindowClosed(false);
  mainWindow_->setCloseHandler([this] {
    if (main_) {
      guarded(*this, [this] { main_->destroy(); });
    } else {
      quit(0);
    }
  });
}

QtWindowSystem::~QtWindowSystem() {
  for (auto& [id, timer] : mainTimers_) delete timer;
  pages_.clear();
  help_.reset();
  QApplication::setPalette(startPalette_);
  // The pages' windows were handed to the event loop for deletion; it may not run again.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// ---- Pages ----------------------------------------------------------------------------------

QtDialog* QtWindowSystem::create(const DialogTemplate& layout, PageFactory& factory, bool modal) {
  auto page = std::make_unique<QtDialog>(*this, layout, modal, mainWindow_.get());
  QtDialog* raw = page.get();
  raw->proc_ = factory(*raw);
  if (!raw->proc_) return nullptr;
  place(raw->window());
  pages_.push_back(std::move(page));
  raw->init();
  return raw;
}

// Beside the main window (right of it, below it, left of it: the first place where the page
// fits on the screen), so that the menu bar and the status line stay in sight; where it fits
// nowhere beside, on the main window under its status line. A page opened while others are open
// steps down and right until it covers no open page's title bar, so that every open page can
// still be told apart and taken; a page is always wholly on screen.
void QtWindowSystem::place(QWidget& window) {
  const QRect main = mainWindow_->frameGeometry();
  const QRect room = mainWindow_->screen()->availableGeometry();
  // The page's frame is the main window's: its size is only known once it is shown.
  const QSize decoration = main.size() - mainWindow_->geometry().size();
  const QSize size = window.size() + decoration;
  const QPoint underStatus = mainWindow_->canvas().mapToGlobal(
      mainWindow_->canvas().statusRect().bottomLeft() + QPoint(0, kStatusMargin));
  const QPoint beside[] = {
      {main.right() + 1, main.top()},
      {main.left(), main.bottom() + 1},
      {main.left() - size.width(), main.top()},
  };
  auto spotFor = [&](QPoint step) {
    QPoint at = QPoint(main.left(), underStatus.y()) + step;
    for (const QPoint& spot : beside) {
      if (room.contains(QRect(spot + step, size))) {
        at = spot + step;
        break;
      }
    }
    at.setX(
        std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - size.width())));
    at.setY(
        std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - size.height())));
    return at;
  };
  std::vector<QRect> titleBars;
  for (const QtDialog* open : openPages()) {
    const QRect frame = open->window().frameGeometry();
    titleBars.emplace_back(frame.topLeft(), QSize(frame.width(), titleBarHeight()));
  }
  if (help_ && help_->isVisible() && help_.get() != &window) {
    const QRect frame = help_->frameGeometry();
    titleBars.emplace_back(frame.topLeft(), QSize(frame.width(), titleBarHeight()));
  }
  auto coversATitleBar = [&](QPoint at) {
    const QRect placed(at, size);
    return std::any_of(titleBars.begin(), titleBars.end(),
                       [&](const QRect& bar) { return placed.intersects(bar); });
  };
  const int step = titleBarHeight();
  QPoint at = spotFor(QPoint());
  for (int k = 1; k <= kMostCascadeSteps && coversATitleBar(at); ++k) {
    at = spotFor(QPoint(step, step) * k);
  }
  // A screen too full for that: the plain cascade, one step for each open page.
  if (coversATitleBar(at)) at = spotFor(QPoint(step, step) * static_cast<int>(titleBars.size()));
  window.move(at);
}

// Sizes `window` (at most `wanted`) to the first room beside the main window that place() will
// use, so that a large window such as the help leaves the menu bar, the status line and the open
// pages' title bars in sight.
void QtWindowSystem::fitBeside(QWidget& window, QSize wanted) {
  const QRect main = mainWindow_->frameGeometry();
  const QRect room = mainWindow_->screen()->availableGeometry();
  const QSize decoration = main.size() - mainWindow_->geometry().size();
  const int underStatus =
      mainWindow_->canvas().mapToGlobal(mainWindow_->canvas().statusRect().bottomLeft()).y() +
      kStatusMargin;
  const QRect spaces[] = {
      QRect(QPoint(main.right() + 1, room.top()), room.bottomRight()),
      QRect(QPoint(room.left(), main.bottom() + 1), room.bottomRight()),
      QRect(room.topLeft(), QPoint(main.left() - 1, room.bottom())),
      QRect(QPoint(room.left(), underStatus), room.bottomRight()),
  };
  // Room to step below the open pages' title bars, as place() will.
  const int steps = static_cast<int>(openPages().size()) * titleBarHeight();
  for (const QRect& space : spaces) {
    const QSize inside = space.size() - decoration - QSize(steps, steps);
    if (inside.width() >= kSmallestBeside.width() && inside.height() >= kSmallestBeside.height()) {
      window.resize(wanted.boundedTo(inside));
      return;
    }
  }
  window.resize(wanted.boundedTo(room.size() - decoration));
}

// A title bar's height: the frame's top where the window manager draws one, at least a line of
// the title font where none can be measured (no frame yet, or a platform without one).
int QtWindowSystem::titleBarHeight() const {
  const int frameTop = mainWindow_->geometry().top() - mainWindow_->frameGeometry().top();
  return std::max(frameTop, kCascade);
}

bool QtWindowSystem::openModeless(const DialogTemplate& layout, PageFactory factory) {
  QtDialog* page = create(layout, factory, false);
  if (!page) return false;
  if (!page->ended()) page->window().show();
  return true;
}

int QtWindowSystem::openModal(const DialogTemplate& layout, PageFactory factory) {
  QtDialog* page = create(layout, factory, true);
  if (!page) return 0;
  ++modalDepth_;
  ++page->busy_;
  if (!page->ended()) page->window().exec();
  // The loop can end without the page (the program is quitting): the page is closed then.
  if (!page->ended()) page->end(0);
  --page->busy_;
  --modalDepth_;
  scheduleReap();
  return page->result();
}

std::vector<QtDialog*> QtWindowSystem::openPages() const {
  std::vector<QtDialog*> open;
  for (const auto& page : pages_) {
    if (!page->ended()) open.push_back(page.get());
  }
  return open;
}

QtDialog* QtWindowSystem::page(const std::string& name, int k) const {
  std::vector<QtDialog*> matching;
  for (QtDialog* page : openPages()) {
    if (page->layout().name == name) matching.push_back(page);
  }
  if (matching.empty()) return nullptr;
  if (k < 0) return matching.back();
  return k < static_cast<int>(matching.size()) ? matching[static_cast<size_t>(k)] : nullptr;
}

int QtWindowSystem::openCount(const std::string& name) const {
  auto open = openPages();
  return static_cast<int>(std::count_if(
      open.begin(), open.end(), [&](const QtDialog* page) { return page->layout().name == name; }));
}

void QtWindowSystem::scheduleReap() {
  if (reapPending_) return;
  reapPending_ = true;
  QTimer::singleShot(0, mainWindow_.get(), [this] { reap(); });
}

void QtWindowSystem::reap() {
  reapPending_ = false;
  std::erase_if(pages_, [](const auto& page) { return page->ended() && page->busy_ == 0; });
}

// ---- Boxes, beep, help ----------------------------------------------------------------------

Answer QtWindowSystem::messageBox(std::string_view text, std::string_view caption, Buttons buttons,
                                  Icon icon) {
  Answer answer = Answer::Ok;
  if (!answers_.empty()) {
    answer = buttons == Buttons::Ok ? Answer::Ok : answers_.front();
    answers_.pop_front();
  } else {
    answer = showBox(text, caption, buttons, icon);
  }
  boxes_.push_back(Box{std::string(caption), std::string(text), buttons, icon, answer});
  return answer;
}

Answer QtWindowSystem::showBox(std::string_view text, std::string_view caption, Buttons buttons,
                               Icon icon) {
  QWidget* parent = QApplication::activeWindow();
  if (!parent) parent = mainWindow_.get();
  const bool yesNo = buttons == Buttons::YesNo;
  QMessageBox box(kIcons.at(icon), toQString(caption), toQString(text),
                  yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
  if (yesNo) box.setEscapeButton(QMessageBox::No);
  // A box is made as wide as its caption needs, so that its title bar shows the caption whole.
  const int captionWidth =
      QFontMetrics(QApplication::font()).horizontalAdvance(toQString(caption)) + kTitleBarExtras;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(captionWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  ++modalDepth_;
  const int pressed = box.exec();
  --modalDepth_;
  if (!yesNo) return Answer::Ok;
  return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void QtWindowSystem::beep() {
  ++beeps_;
  QApplication::beep();
}

void QtWindowSystem::openHelp(std::string_view, std::string_view topic) {
  // The station has one help file: the manual, opened at the section asked for, beside the main
  // window like a page the first time it shows.
  const bool first = !help_;
  if (first) help_ = std::make_unique<HelpViewer>(helpIndex_);
  help_->showTopic(QString::fromUtf8(topic.data(), static_cast<qsizetype>(topic.size())));
  if (first || !help_->isVisible()) {
    fitBeside(*help_, kHelpSize);
    place(*help_);
  }
  help_->show();
  help_->raise();
  help_->activateWindow();
}

// ---- Main window ----------------------------------------------------------------------------

void QtWindowSystem::setTitle(std::string_view title) {
  title_ = title;
  mainWindow_->setWindowTitle(toQString(title));
}

void QtWindowSystem::setMenu(const Menu& menu) {
  menu_ = menu;
  mainWindow_->setMenu(menu, [this](int id) { onMenu(id); });
}

bool QtWindowSystem::menuCommand(int id) {
  QAction* action = mainWindow_->action(id);
  if (!action || modalDepth_ > 0) return false;
  action->trigger();
  return true;
}

void QtWindowSystem::onMenu(int id) {
  // The menu bar is blocked under a modal page; this keeps it so for any other way in.
  if (modalDepth_ > 0 || !main_) return;
  guarded(*this, [this, id] { main_->menuCommand(id); });
}

void QtWindowSystem::paintStatus(std::string_view text) {
  status_ = text;
  mainWindow_->canvas().setStatus(toQString(text));
}

void QtWindowSystem::invalidate() { mainWindow_->canvas().update(); }

void QtWindowSystem::startMainTimer(int id, int periodMs) {
  QTimer*& timer = mainTimers_[id];
  if (!timer) {
    timer = new QTimer();
    QObject::connect(timer, &QTimer::timeout, mainWindow_.get(), [this, id] {
      if (main_) guarded(*this, [this, id] { main_->timer(id); });
    });
  }
  timer->start(std::max(1, periodMs));
}

void QtWindowSystem::stopMainTimer(int id) {
  auto found = mainTimers_.find(id);
  if (found == mainTimers_.end()) return;
  found->second->stop();
  found->second->deleteLater();
  mainTimers_.erase(found);
}

void QtWindowSystem::quit(int exitCode) {
  if (exitCode_) return;
  exitCode_ = exitCode;
  QCoreApplication::exit(exitCode);
}

// ---- Colours and time -----------------------------------------------------------------------

WindowSystem::Colours QtWindowSystem::colours() const {
  const QPalette palette = QApplication::palette();
  return {toBgr(palette.color(QPalette::Active, QPalette::WindowText)),
          toBgr(palette.color(QPalette::Active, QPalette::HighlightedText))};
}

// There are no desktop-wide colours to change here: the station's colours are its own
// application's, and the start palette is put back exactly when its colours are asked for.
void QtWindowSystem::setColours(const Colours& colours) {
  QPalette palette = startPalette_;
  if (colours.windowText == toBgr(palette.color(QPalette::Active, QPalette::WindowText)) &&
      colours.highlightedText ==
          toBgr(palette.color(QPalette::Active, QPalette::HighlightedText))) {
    QApplication::setPalette(startPalette_);
    return;
  }
  const QColor text = fromBgr(colours.windowText);
  const QColor highlighted = fromBgr(colours.highlightedText);
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::WindowText, text);
    palette.setColor(group, QPalette::Text, text);
    palette.setColor(group, QPalette::HighlightedText, highlighted);
    // The selection keeps the platform's hue, lightened or darkened until the station's
    // selected-text colour reads on it.
    palette.setColor(group, QPalette::Highlight,
                     withContrast(palette.color(group, QPalette::Highlight), highlighted));
  }
  // Disabled text stays grey, but dark enough to read on a disabled box and on the page.
  const QColor disabledOn = palette.color(QPalette::Disabled, QPalette::Base);
  QColor disabled = withContrast(palette.color(QPalette::Disabled, QPalette::Text), disabledOn);
  disabled = withContrast(disabled, palette.color(QPalette::Disabled, QPalette::Window));
  for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, disabled);
  }
  QApplication::setPalette(palette);
}

uint64_t QtWindowSystem::nowMs() const { return static_cast<uint64_t>(clock_.elapsed()); }

}  // namespace winsys
