// The desktop window driven as an operator drives it: menus, pages, boxes, timers, painting.
// Each test runs in a fresh working directory, since the station writes its INI file there.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegion>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "app/station.h"
#include "gui/station_window.h"
#include "gui/traffic_view.h"
#include "resources/resources.h"
#include "road/operator_road.h"
#include "setup/setup_files.h"
#include "ui/fields.h"
#include "ui/list_values.h"
#include "winsys/headless/headless.h"
#include "winsys/qt/contrast.h"
#include "winsys/qt/controls.h"
#include "winsys/qt/help_viewer.h"
#include "winsys/qt/qt_window_system.h"
#include "xarndll/capture/pcapng.h"
#include "xarndll/control.h"

namespace {

using winsys::ScrollAction;

// What a test page saw, kept by the test so that it outlives the page.
struct PageLog {
  std::vector<int> commands;
  std::vector<std::pair<uint32_t, ScrollAction>> scrolls;
  int ticks = 0;
};

// A page whose reactions the test chooses.
class TestPage final : public winsys::DialogProc {
 public:
  TestPage(winsys::Dialog& dialog, PageLog& log) : dialog(dialog), log(log) {}
  void init() override {
    if (onInit) onInit(*this);
  }
  void command(int id) override {
    log.commands.push_back(id);
    if (onCommand) onCommand(*this, id);
  }
  void scroll(uint32_t param, ScrollAction action) override {
    log.scrolls.emplace_back(param, action);
  }
  void timer(int id) override {
    ++log.ticks;
    if (onTimer) onTimer(*this, id);
  }

  winsys::Dialog& dialog;
  PageLog& log;
  std::function<void(TestPage&)> onInit;
  std::function<void(TestPage&, int)> onCommand;
  std::function<void(TestPage&, int)> onTimer;
};

// A main window owner that only counts.
class FakeShell final : public winsys::MainWindowProc {
 public:
  void menuCommand(int id) override { commands.push_back(id); }
  void timer(int) override { ++ticks; }
  void destroy() override { ++destroyed; }
  std::vector<int> commands;
  int ticks = 0;
  int destroyed = 0;
};

winsys::DialogTemplate parse(const char* text) {
  winsys::DialogTemplate layout;
  std::string error;
  if (!winsys::parseDialog(text, layout, error)) qFatal("bad test template: %s", error.c_str());
  return layout;
}

const char* const kControlsPage = R"(
DIALOG TEST_CONTROLS 220 160
TITLE "Controls"
CHECKBOX 1 10 10 60 12 "Ticks itself" AUTO
CHECKBOX 2 80 10 60 12 "Page ticks"
EDIT 3 10 30 60 13 "fixed" READONLY
EDIT 4 80 30 60 13 "off" DISABLED
EDIT 5 150 30 60 13 ""
LISTBOX 6 10 50 150 60 ""
SCROLLBAR 7 170 50 10 40 ""
BUTTON 8 10 120 50 14 "Go"
BUTTON 9 70 120 50 14 "QUIT"
)";

const char* const kHexPage = R"(
DIALOG TEST_HEX 320 120
TITLE "Hex"
MULTIEDIT 10 10 10 120 60 "" VSCROLL
MULTIEDIT 11 140 10 170 60 "" VSCROLL
)";

// What a right click on list `id` of `page` offers: each action's label, "(off)" after a greyed
// one.
QStringList contextMenuOf(winsys::QtDialog& page, int id) {
  QStringList offered;
  QTimer::singleShot(0, [&offered] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      for (QAction* action : menu->actions())
        offered << action->text() + (action->isEnabled() ? "" : " (off)");
      menu->close();
    }
  });
  QWidget* list = page.control(id);
  const QPoint at = list->geometry().center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, page.window().mapToGlobal(at));
  QApplication::sendEvent(&page.window(), &event);
  return offered;
}

// The leftmost column, in a list line's rectangle, that holds ink.
int firstInkColumn(const QImage& image, const QRect& line) {
  const QColor background = image.pixelColor(line.right() - 1, line.center().y());
  for (int x = line.left(); x <= line.right(); ++x) {
    for (int y = line.top(); y <= line.bottom(); ++y) {
      if (image.pixelColor(x, y) != background) return x;
    }
  }
  return -1;
}

// The operator's hands in the window: the road's actions done on the real widgets. Each box is
// answered Yes (or OK) from the queue, so that no box waits for a person.
class WindowHands final : public road::HandsOn<winsys::QtWindowSystem> {
 public:
  WindowHands(winsys::QtWindowSystem& windows, app::Station& station, uint64_t& nowMicros)
      : HandsOn(windows), station_(station), now_(nowMicros) {}

  void menu(const std::string& label) override {
    keepAnswers();
    chosen.insert(label);
    const winsys::MenuItem* item = windows_.menu()->findLabel(label);
    if (!item) return failed("no menu item " + label);
    if (!windows_.menuCommand(item->id)) failed("menu refused " + label);
  }
  void click(const std::string& page, int id) override {
    keepAnswers();
    winsys::QtDialog* dialog = windows_.page(page);
    if (!dialog) return failed("no page " + page + " to click " + std::to_string(id));
    dialog->click(id);
  }
  void type(const std::string& page, int id, const std::string& text) override {
    if (winsys::QtDialog* dialog = windows_.page(page)) {
      dialog->setText(id, text);
    } else {
      failed("no page " + page + " to type in");
    }
  }
  // Card time moves on; the status line's timer fires as it would.
  void tick(int seconds) override {
    now_ += static_cast<uint64_t>(seconds) * 1'000'000;
    station_.timer(app::kStatusTimer);
    QCoreApplication::processEvents();
  }
  void answerYes() override { windows_.queueAnswer(winsys::Answer::Yes); }
  void expectStatus(const std::string& status) override {
    if (windows_.status() != status)
      failed("status \"" + windows_.status() + "\", not \"" + status + "\"");
  }
  void expectMenu(const std::string& menu) override {
    if (windows_.menu()->name != menu) failed("menu " + windows_.menu()->name + ", not " + menu);
  }

  std::vector<std::string> faults;
  std::set<std::string> chosen;  // menu items chosen

 private:
  void keepAnswers() {
    while (windows_.answersPending() < 2) windows_.queueAnswer(winsys::Answer::Yes);
  }
  void failed(const std::string& why) { faults.push_back(why); }

  app::Station& station_;
  uint64_t& now_;
};

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void closingTheWindowEndsTheRun();
  void multiLineBoxReadsBackTheLinesItShows();
  void controlsBehaveAsPagesExpect();
  void refillShowsTheFirstRowUnlessTheOperatorTypes();
  void pagesOpenBesideTheMenuAndStatusLine();
  void coloursAreReadable();
  void helpOpensBesideAtTheSectionAskedFor();
  void boxesAreAsWideAsTheirCaptions();
  void listsCopyAndSaveAsCsv();
  void listColumnsStayAlignedAndScrollOnlyWhenTheyMust();
  void operatorRoadInEveryMode_data();
  void operatorRoadInEveryMode();
  void activityViewAndRecordingShowTheSameTraffic();

  // Ends the "private slots" section: these helpers are not test cases.
 private:  // NOLINT(readability-redundant-access-specifiers)
  void startStation();
  void setUpCard();
  winsys::QtDialog* openTestPage(const winsys::DialogTemplate& layout, PageLog& log,
                                 TestPage** proc = nullptr);
  winsys::QtDialog* pageNamed(const std::string& name) { return windows->page(name); }
  QRegion menuBarAndStatusLine();

  std::unique_ptr<QTemporaryDir> dir;
  QString previousDir;
  std::unique_ptr<winsys::QtWindowSystem> windows;
  std::unique_ptr<app::Station> station;
  FakeShell shell;
  winsys::WindowSystem::Colours startColours;
};

void WindowTest::init() {
  dir = std::make_unique<QTemporaryDir>();
  QVERIFY(dir->isValid());
  previousDir = QDir::currentPath();
  QDir::setCurrent(dir->path());
  shell = FakeShell();
  windows = std::make_unique<winsys::QtWindowSystem>();
  gui::dressStationWindow(*windows);
  startColours = windows->colours();
  windows->mainWindow().show();
  QVERIFY(QTest::qWaitForWindowExposed(&windows->mainWindow()));
}

void WindowTest::cleanup() {
  if (station) {
    CardContext card = station->card();
    station.reset();
    xarnsim::release(&card);
  }
  windows.reset();
  QDir::setCurrent(previousDir);
  dir.reset();
}

void WindowTest::startStation() {
  station = std::make_unique<app::Station>(*windows);
  station->create();
}

void WindowTest::setUpCard() {
  QVERIFY(windows->menuCommand(5));
  winsys::QtDialog* setup = pageNamed("XARN_SETUP");
  QVERIFY(setup);
  QVERIFY(setup->click(1));
  QCOMPARE(station->shell().hardwareInitialised, uint16_t{1});
}

// Opens a modeless test page and waits until it shows; null when it never does.
winsys::QtDialog* WindowTest::openTestPage(const winsys::DialogTemplate& layout, PageLog& log,
                                           TestPage** proc) {
  windows->setMainWindowProc(&shell);
  windows->openModeless(layout, [&](winsys::Dialog& dialog) {
    auto page = std::make_unique<TestPage>(dialog, log);
    if (proc) *proc = page.get();
    return page;
  });
  winsys::QtDialog* page = pageNamed(layout.name);
  return page && QTest::qWaitForWindowExposed(&page->window()) ? page : nullptr;
}

// Where the main window's menu bar and status line are on the screen.
QRegion WindowTest::menuBarAndStatusLine() {
  QMenuBar* bar = windows->mainWindow().menuBar();
  winsys::Canvas& canvas = windows->mainWindow().canvas();
  return QRegion(QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size()))
      .united(QRect(canvas.mapToGlobal(canvas.statusRect().topLeft()), canvas.statusRect().size()));
}

// ---- The station in its window ----------------------------------------------------------------

void WindowTest::closingTheWindowEndsTheRun() {
  startStation();
  setUpCard();
  QVERIFY(windows->menuCommand(1));
  QTimer::singleShot(0, this, [&] { windows->mainWindow().close(); });
  QCOMPARE(QApplication::exec(), 0);
  QVERIFY(windows->boxes().empty());
  QCOMPARE(windows->colours().windowText, startColours.windowText);
  // Its timer is gone with it: no more status ticks.
  const std::string status = windows->status();
  QTest::qWait(1300);
  QCOMPARE(windows->status(), status);
}

// ---- The backend under any page ---------------------------------------------------------------

void WindowTest::multiLineBoxReadsBackTheLinesItShows() {
  const winsys::DialogTemplate layout = parse(kHexPage);
  PageLog log;
  winsys::QtDialog* page = openTestPage(layout, log);
  QVERIFY(page);
  winsys::HeadlessWindowSystem headlessWindows;
  winsys::HeadlessDialog headless(headlessWindows, layout, false);
  // The box shows, line by line, what it reads back and what the headless box makes of it.
  auto sameLines = [&](int id) {
    auto* box = qobject_cast<QPlainTextEdit*>(page->control(id));
    QCOMPARE(page->editLineCount(id), headless.editLineCount(id));
    for (int line = 0; line <= page->editLineCount(id); ++line) {
      QCOMPARE(page->editLine(id, line), headless.editLine(id, line));
      if (line < page->editLineCount(id)) {
        QCOMPARE(box->document()->findBlockByNumber(line).text().toStdString(),
                 page->editLine(id, line));
      }
    }
  };

  uint16_t narrow[40];
  uint32_t wide[40];
  for (int i = 0; i < 40; ++i) {
    narrow[i] = static_cast<uint16_t>(0x1111 * (i % 15) + i);
    wide[i] = 0xABC000u + static_cast<uint32_t>(i) * 0x101;
  }
  struct Case {
    int id;
    bool wide;
    const void* words;
    int count;
  };
  for (const Case& c :
       {Case{10, false, narrow, 40}, Case{11, true, wide, 40}, Case{10, false, nullptr, 32}}) {
    ui::ShowHexLines(*page, c.id, c.wide, c.words, c.count);
    ui::ShowHexLines(headless, c.id, c.wide, c.words, c.count);
    sameLines(c.id);
    QVERIFY(page->editLineCount(c.id) > 3);
    uint32_t back[40] = {};
    QCOMPARE(ui::ReadHexLines(*page, c.id, c.wide, back, c.count), uint16_t{0});
    for (int i = 0; i < c.count; ++i) {
      const uint32_t expected = !c.words ? static_cast<uint32_t>(i) : c.wide ? wide[i] : narrow[i];
      QCOMPARE(c.wide ? back[i] : reinterpret_cast<uint16_t*>(back)[i], expected);
    }
    // The box's columns fit inside it, in its fixed-pitch font.
    const int columns = winsys::multiEditColumns(*layout.control(c.id));
    auto* box = qobject_cast<QPlainTextEdit*>(page->control(c.id));
    QVERIFY(box->fontInfo().fixedPitch());
    QVERIFY(QFontMetrics(box->font()).horizontalAdvance(QString(columns, '0')) <
            box->viewport()->width());
  }

  // What the operator types reads back as it shows, the same lines the headless box makes
  // of that text, and the caret stays where the typing goes on.
  page->editClear(10);
  auto* box = qobject_cast<QPlainTextEdit*>(page->control(10));
  box->setFocus();
  const QString typed = "0001 0002 0003 0004 0005 0006 0007 0008 0009 000A 000B";
  QTest::keyClicks(box, typed);
  headless.setText(10, typed.toStdString());
  sameLines(10);
  QVERIFY(page->editLineCount(10) >= 2);
  uint16_t back[11] = {};
  QCOMPARE(ui::ReadHexLines(*page, 10, false, back, 11), uint16_t{0});
  for (int i = 0; i < 11; ++i) QCOMPARE(back[i], uint16_t(i + 1));
}

void WindowTest::controlsBehaveAsPagesExpect() {
  PageLog log;
  TestPage* proc = nullptr;
  winsys::QtDialog* page = openTestPage(parse(kControlsPage), log, &proc);
  QVERIFY(page);
  proc->onCommand = [](TestPage& p, int id) {
    if (id == 9) p.dialog.end(0);
  };

  // A check box that ticks itself, and one only the page ticks; both tell the page.
  QTest::mouseClick(page->control(1), Qt::LeftButton);
  QTest::mouseClick(page->control(2), Qt::LeftButton);
  QVERIFY(page->isChecked(1));
  QVERIFY(!page->isChecked(2));
  page->setChecked(2, true);
  QVERIFY(page->isChecked(2));
  QCOMPARE(log.commands, std::vector<int>({1, 2}));

  // Only the plain edit takes typing; Enter and Escape neither press a button nor close.
  for (int id : {3, 4, 5}) {
    page->control(id)->setFocus();
    QTest::keyClicks(page->control(id), "12AB");
  }
  QTest::keyClick(page->control(5), Qt::Key_Return);
  QTest::keyClick(page->control(5), Qt::Key_Escape);
  QCOMPARE(page->text(3, 20), std::string("fixed"));
  QCOMPARE(page->text(4, 20), std::string("off"));
  QCOMPARE(page->text(5, 20), std::string("12AB"));
  QCOMPARE(page->text(5, 3), std::string("12"));
  QVERIFY(page->window().isVisible());
  QCOMPARE(log.commands.size(), size_t{2});
  QTest::mouseClick(page->control(8), Qt::LeftButton);
  QCOMPARE(log.commands.back(), 8);

  // The spin: each arrow click is one action, with the bar's handle, and the bar recentres.
  auto* bar = qobject_cast<QScrollBar*>(page->control(7));
  const int middle = bar->value();
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 3));
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 3));
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  QCOMPARE(bar->value(), middle);
  std::vector<ScrollAction> actions;
  for (const auto& [param, action] : log.scrolls) {
    QCOMPARE(ui::ScrollBarID(*page, param), uint16_t{7});
    actions.push_back(action);
  }
  QCOMPARE(actions, std::vector<ScrollAction>({ScrollAction::LineUp, ScrollAction::EndScroll,
                                               ScrollAction::LineDown, ScrollAction::EndScroll,
                                               ScrollAction::PageDown}));

  // The list box: lines, selection, reset.
  for (const char* line : {"one\tA", "two\tB", "three\tC"}) page->listAdd(6, line);
  QCOMPARE(page->listCount(6), 3);
  QCOMPARE(page->listLine(6, 1), std::string("two\tB"));
  QCOMPARE(page->listLine(6, 3), std::string());
  QCOMPARE(page->listSelection(6), -1);
  page->listSelect(6, 2);
  QCOMPARE(page->listSelection(6), 2);
  page->listSelect(6, -1);
  QCOMPARE(page->listSelection(6), -1);

  // Tab stops in dialog units move the text after a tab by that many units.
  page->listReset(6);
  QCOMPARE(page->listCount(6), 0);
  page->listAdd(6, "\tX");
  auto* list = qobject_cast<QListWidget*>(page->control(6));
  const QRect line = list->visualItemRect(list->item(0));
  auto inkAt = [&](const std::vector<int>& stops) {
    page->listSetTabStops(6, stops);
    return firstInkColumn(list->viewport()->grab().toImage(), line);
  };
  const int near = inkAt({20});
  const int far = inkAt({60});
  QVERIFY(near > 0);
  QVERIFY(qAbs((far - near) - page->metrics().x(40)) <= 1);

  // Closing the page from its frame is its QUIT.
  page->window().close();
  QCOMPARE(log.commands.back(), 9);
  QCOMPARE(windows->openCount("TEST_CONTROLS"), 0);
}

// ---- Window polish and captures ---------------------------------------------------------------

void WindowTest::refillShowsTheFirstRowUnlessTheOperatorTypes() {
  PageLog log;
  winsys::QtDialog* page = openTestPage(parse(kHexPage), log);
  QVERIFY(page);
  auto* box = qobject_cast<QPlainTextEdit*>(page->control(10));
  auto firstVisibleRow = [box] { return box->cursorForPosition(QPoint(0, 0)).blockNumber(); };
  uint16_t words[512];
  for (int i = 0; i < 512; ++i) words[i] = static_cast<uint16_t>(i);
  // A page's refill, as Get and Update do it: the first words show, the caret at the start.
  for (int refill = 0; refill < 2; ++refill) {
    ui::ShowHexLines(*page, 10, false, words, 512);
    QVERIFY(box->verticalScrollBar()->maximum() > 0);
    QCOMPARE(box->verticalScrollBar()->value(), 0);
    QCOMPARE(firstVisibleRow(), 0);
    QCOMPARE(box->textCursor().position(), 0);
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
  }
  // While the operator is typing in the box, a refill leaves the view where the operator has it.
  page->window().activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&page->window()));
  box->setFocus();
  QVERIFY(box->hasFocus());
  QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(box, " 0");
  const int scrolled = box->verticalScrollBar()->value();
  QVERIFY(scrolled > 0);
  ui::ShowHexLines(*page, 10, false, words, 512);
  QCOMPARE(box->verticalScrollBar()->value(), scrolled);
  QVERIFY(firstVisibleRow() > 0);
  // Once the operator has left the box, the next refill shows the first row again.
  page->control(11)->setFocus();
  ui::ShowHexLines(*page, 10, false, words, 512);
  QCOMPARE(firstVisibleRow(), 0);
}

void WindowTest::pagesOpenBesideTheMenuAndStatusLine() {
  startStation();
  setUpCard();
  QVERIFY(windows->menuCommand(1));  // LDB_BCT
  const QRect screen = windows->mainWindow().screen()->availableGeometry();
  const QRegion landmarks = menuBarAndStatusLine();
  std::vector<QRect> seen;
  for (int copy = 0; copy < 3; ++copy) {
    QVERIFY(windows->menuCommand(1));  // MESSAGES, another copy each time
    winsys::QtDialog* page = pageNamed("BCT_MESS");
    QVERIFY(page);
    QVERIFY(QTest::qWaitForWindowExposed(&page->window()));
    const QRect frame = page->window().frameGeometry();
    QVERIFY2(!landmarks.intersects(frame), "the page covers the menu bar or the status line");
    QVERIFY2(screen.contains(frame), "the page is not wholly on screen");
    for (const QRect& before : seen) QVERIFY(frame.topLeft() != before.topLeft());
    seen.push_back(frame);
  }
  QCOMPARE(windows->openCount("BCT_MESS"), 3);

  // With pages closed in the cascade, the pages opened next (a copy, and another page) still
  // cover no open page's title bar.
  pageNamed("BCT_MESS")->window().close();
  windows->page("BCT_MESS", 0)->window().close();
  QTRY_COMPARE(windows->openCount("BCT_MESS"), 1);
  QVERIFY(windows->menuCommand(1));
  QVERIFY(windows->menuCommand(2));  // FRAME
  const std::vector<winsys::QtDialog*> open = windows->openPages();
  QCOMPARE(open.size(), size_t{3});
  for (size_t later = 1; later < open.size(); ++later) {
    QVERIFY(QTest::qWaitForWindowExposed(&open[later]->window()));
    const QRect placed = open[later]->window().frameGeometry();
    for (size_t earlier = 0; earlier < later; ++earlier) {
      const QRect frame = open[earlier]->window().frameGeometry();
      const QRect titleBar(frame.topLeft(), QSize(frame.width(), 24));
      QVERIFY2(!placed.intersects(titleBar), "a new page covers an open page's title bar");
    }
  }
}

// HELP in a mode's menu and F1 on a page open the manual at their section, beside the main
// window (its menu bar and status line stay in sight), and the find field finds text in it.
void WindowTest::helpOpensBesideAtTheSectionAskedFor() {
  startStation();
  // F1 on a page: the page's section.
  QVERIFY(windows->menuCommand(5));  // SETUP
  QTest::keyClick(&pageNamed("XARN_SETUP")->window(), Qt::Key_F1);
  winsys::HelpViewer* help = windows->helpViewer();
  QVERIFY(help && help->isVisible());
  QCOMPARE(help->browser().source().fragment(), QStringLiteral("setup"));
  QVERIFY(pageNamed("XARN_SETUP")->click(1));

  // HELP in a mode's menu: the mode's section, in the same viewer.
  QVERIFY(windows->menuCommand(10));  // GDB_BCT
  QVERIFY(windows->menuCommand(6));   // its HELP
  QCOMPARE(windows->helpViewer(), help);
  QCOMPARE(help->browser().source().fragment(), QStringLiteral("gdb"));
  QVERIFY(QTest::qWaitForWindowExposed(help));
  QVERIFY2(!menuBarAndStatusLine().intersects(help->frameGeometry()),
           "help covers the menu bar or the status line");

  // SETUPS is modal: F1 there, from inside its loop.
  QString modalSection;
  QTimer::singleShot(0, this, [&] {
    winsys::QtDialog* files = pageNamed("SETUPS");
    if (!files) return;
    QTest::keyClick(&files->window(), Qt::Key_F1);
    modalSection = help->browser().source().fragment();
    files->click(6);
  });
  QVERIFY(windows->menuCommand(5));
  QCOMPARE(modalSection, QStringLiteral("setupfiles"));

  // Find: Enter moves to the next place the text occurs, and round from the top.
  help->findField().setText(QStringLiteral("DUVEX"));
  QTest::keyClick(&help->findField(), Qt::Key_Return);
  const int first = help->browser().textCursor().position();
  QCOMPARE(help->browser().textCursor().selectedText(), QStringLiteral("DUVEX"));
  QTest::keyClick(&help->findField(), Qt::Key_Return);
  QVERIFY(help->browser().textCursor().position() != first);
  QVERIFY(!help->findNext(QStringLiteral("no such words in the manual")));
}

// Selected lines and disabled boxes read on the station's colours with the platform's palette.
void WindowTest::coloursAreReadable() {
  startStation();
  const QPalette palette = QApplication::palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    QVERIFY(winsys::contrastRatio(palette.color(group, QPalette::HighlightedText),
                                  palette.color(group, QPalette::Highlight)) >= 4.5);
  }
  PageLog log;
  QWidget* bite2 = openTestPage(*resources::dialog("MDM_BITE_CONFIG"), log)->control(23);
  QVERIFY(bite2 && !bite2->isEnabled());
  const QPalette shown = bite2->palette();
  QVERIFY(winsys::contrastRatio(shown.color(QPalette::Disabled, QPalette::Text),
                                shown.color(QPalette::Disabled, QPalette::Base)) >= 4.5);
  // The measure itself: black on white is 21:1, a colour on itself 1:1.
  QCOMPARE(winsys::contrastRatio(Qt::black, Qt::white), 21.0);
  QCOMPARE(winsys::contrastRatio(QColor(0, 128, 0), QColor(0, 128, 0)), 1.0);
}

void WindowTest::boxesAreAsWideAsTheirCaptions() {
  const std::string caption = "Upgrade Firmware of the card now";
  int width = 0;
  QTimer::singleShot(0, [&width] {
    QWidget* box = QApplication::activeModalWidget();
    if (!box) return;
    width = box->width();
    qobject_cast<QMessageBox*>(box)->accept();
  });
  windows->messageBox("Quit?", caption, winsys::Buttons::Ok, winsys::Icon::Exclamation);
  QVERIFY(width >=
          QFontMetrics(QApplication::font()).horizontalAdvance(QString::fromStdString(caption)) +
              100);
}

void WindowTest::listsCopyAndSaveAsCsv() {
  const winsys::DialogTemplate layout = parse(R"(
DIALOG TEST_LIST 220 120
TITLE "List"
LISTBOX 6 10 10 200 60 "" COLUMNS "Name|Value"
LISTBOX 7 10 80 200 30 "" DISABLED COLUMNS "Word"
)");
  PageLog log;
  winsys::QtDialog* page = openTestPage(layout, log);
  QVERIFY(page);
  for (const char* line : {"plain\t1", "a,b\tsay \"hi\"", " RX_PRI\t2\textra"})
    page->listAdd(6, line);
  page->listAdd(7, "BEEF");

  page->copyList(6);
  QCOMPARE(QApplication::clipboard()->text(),
           QString("plain\t1\na,b\tsay \"hi\"\n RX_PRI\t2\textra\n"));
  page->listSelect(6, 1);
  page->copyList(6);
  QCOMPARE(QApplication::clipboard()->text(), QString("a,b\tsay \"hi\"\n"));

  // Every line goes to the file, whatever is selected.
  QVERIFY(page->saveListAsCsv(6, "list.csv"));
  QFile saved("list.csv");
  QVERIFY(saved.open(QIODevice::ReadOnly));
  QCOMPARE(saved.readAll(), QByteArray("Name,Value,column 3\r\nplain,1,\r\n\"a,b\",\"say "
                                       "\"\"hi\"\"\",\r\n\" RX_PRI\",2,extra\r\n"));
  // A file that cannot be written: a box says why, and nothing is left behind.
  QDir().mkdir("folder");
  const QStringList before = QDir().entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
  windows->queueAnswer(winsys::Answer::Ok);
  QVERIFY(!page->saveListAsCsv(6, "folder"));
  windows->queueAnswer(winsys::Answer::Ok);
  QVERIFY(!page->saveListAsCsv(6, "missing/list.csv"));
  QCOMPARE(QDir().entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), before);
  QCOMPARE(windows->boxes().size(), size_t{2});
  QCOMPARE(windows->boxes()[0].caption, std::string("Save as CSV"));
  QCOMPARE(windows->boxes()[0].text, std::string("cannot write folder: it is a directory"));
  QCOMPARE(windows->boxes()[0].icon, winsys::Icon::Exclamation);

  // A right click on either list, the disabled one too, offers the two captures; on a list
  // with no line they are greyed (a Copy there would empty the clipboard).
  const QStringList both = {"Copy", QStringLiteral("Save as CSV\u2026")};
  for (int id : {6, 7}) QCOMPARE(contextMenuOf(*page, id), both);
  page->listReset(7);
  QCOMPARE(contextMenuOf(*page, 7),
           QStringList({"Copy (off)", QStringLiteral("Save as CSV\u2026 (off)")}));
  page->end(0);

  // A queue's line: Copy keeps the screen text, the CSV holds its values.
  winsys::QtDialog* queue = openTestPage(*resources::dialog("GDB_MRT_Q"), log);
  QVERIFY(queue);
  const char* line = " Resp:No\tDATA\tRT:5\tCh:12\tDt:AB\tPy Sh ";
  queue->listAdd(6, line);
  queue->copyList(6);
  QCOMPARE(QApplication::clipboard()->text(), QString(line) + "\n");
  QVERIFY(queue->saveListAsCsv(6, "queue.csv"));
  QFile values("queue.csv");
  QVERIFY(values.open(QIODevice::ReadOnly));
  QCOMPARE(values.readAll(),
           QByteArray("Response,Sync,RT,Channel,Data (hex),Errors\r\nNo,DATA,5,12,AB,Py Sh\r\n"));
}

void WindowTest::listColumnsStayAlignedAndScrollOnlyWhenTheyMust() {
  // The monitor stack's stops leave the type column too narrow for CMND: the columns after it
  // move right for every line alike, and columns that fit stay on their stops.
  PageLog log;
  winsys::QtDialog* page = openTestPage(*resources::dialog("MON_STACK"), log);
  QVERIFY(page);
  page->listSetTabStops(2, {40, 115, 130, 140, 120});
  page->listAdd(2, "TRIGGER\t000:00:00:01.000000\tJ1\tCMND\t1A3001\tNO ERRORS");
  page->listAdd(2, "+0001\t000:00:00:01.000020\tJ1\tDATA\t000010\t  Py");
  auto* list = qobject_cast<QListWidget*>(page->control(2));
  auto* columns = static_cast<winsys::TabStopDelegate*>(list->itemDelegate());
  const std::vector<qreal>& starts = columns->columnStarts(*list->model(), list->font());
  const winsys::DialogMetrics& du = page->metrics();
  QCOMPARE(starts.size(), size_t{6});
  QCOMPARE(starts[1], qreal(du.x(40)));
  QCOMPARE(starts[3], qreal(du.x(130)));
  const QFontMetricsF fm(list->font());
  QVERIFY(starts[4] >= starts[3] + fm.horizontalAdvance("CMND"));
  QVERIFY(starts[5] >= starts[4] + fm.horizontalAdvance("1A3001"));
  // The word column stays put whatever types the rows hold.
  const qreal word = starts[4];
  for (const char* type : {"DATA", "CMND"}) {
    page->listReset(2);
    page->listAdd(2, std::string("+0001\t000:00:00:01.000020\tJ1\t") + type + "\t000010\t  Py");
    QCOMPARE(columns->columnStarts(*list->model(), list->font()).at(4), word);
  }
  page->end(0);

  // Lists whose lines fit show no scroll bar: the memory display's eight words a line.
  page = openTestPage(*resources::dialog("DEBUG_DISP"), log);
  QVERIFY(page);
  page->listSetTabStops(4, {35, 60, 85, 110, 135, 160, 185, 210});
  for (int line = 0; line < 6; ++line) {
    page->listAdd(4, "1FFFF0:\tFFFF\tFFFF\tFFFF\tFFFF\tFFFF\tFFFF\tFFFF\tFFFF");
  }
  list = qobject_cast<QListWidget*>(page->control(4));
  QApplication::processEvents();
  QVERIFY(!list->horizontalScrollBar()->isVisible());
  QVERIFY(!list->verticalScrollBar()->isVisible());
  // A line wider than the list does scroll sideways.
  page->listAdd(4, QString(200, 'W').toStdString());
  QApplication::processEvents();
  QVERIFY(list->horizontalScrollBar()->isVisible());
}

// ---- The operator's first road ------------------------------------------------------------------

void WindowTest::operatorRoadInEveryMode_data() {
  QTest::addColumn<int>("mode");
  for (size_t i = 0; i < road::modeRoads().size(); ++i) {
    QTest::newRow(road::modeRoads()[i].mode) << static_cast<int>(i);
  }
}

// The road of every mode in the window: each step runs from the event loop, so a step that opens a
// modal page waits in it while the next steps go on inside.
void WindowTest::operatorRoadInEveryMode() {
  QFETCH(int, mode);
  const road::ModeRoad& modeRoad = road::modeRoads()[static_cast<size_t>(mode)];
  std::vector<uint8_t> zeros(setup::kSetupFileBytes, 0);
  zeros[0] = static_cast<uint8_t>(modeRoad.number);
  QFile zeroFile(road::kZeroFile);
  QVERIFY(zeroFile.open(QIODevice::WriteOnly));
  zeroFile.write(reinterpret_cast<const char*>(zeros.data()), static_cast<qint64>(zeros.size()));
  zeroFile.close();

  startStation();
  uint64_t now = 0;
  xarnsim::setTimeSource(&station->card(), [&now] { return now; });
  WindowHands hands(*windows, *station, now);
  road::RoadPlan plan(modeRoad);
  bool finished = false;
  std::function<void()> next = [&] {
    if (plan.done()) {
      finished = true;
      return;
    }
    QTimer::singleShot(0, this, [&] { next(); });
    plan.runNext(hands);
  };
  QTimer::singleShot(0, this, [&] { next(); });
  QTRY_VERIFY_WITH_TIMEOUT(finished, 60000);
  QTRY_COMPARE(windows->modalDepth(), 0);
  std::string faults;
  for (const std::string& fault : hands.faults) faults += fault + "\n";
  for (const std::string& item : road::menuPaths(*resources::menu(modeRoad.menu))) {
    if (road::isPageItem(modeRoad, item) && !hands.chosen.count(item))
      faults += "never opened " + item;
  }
  QCOMPARE(QString::fromStdString(faults), QString());
}

// ---- Activity and recording ---------------------------------------------------------------------

// The activity view's table and chart tell what the recorded capture holds of the same second;
// after HALT the stack display saves the whole capture.
void WindowTest::activityViewAndRecordingShowTheSameTraffic() {
  startStation();
  uint64_t now = 0;
  xarnsim::setTimeSource(&station->card(), [&now] { return now; });
  const QString file = QDir::current().filePath(QStringLiteral("cap.pcapng"));
  gui::TrafficControls traffic(windows->mainWindow(), *station, [&file] { return QString(file); });
  // The control is the window's own: the modes' menus stay as they were.
  for (QAction* action : windows->mainWindow().menuBar()->actions())
    QVERIFY(!action->text().contains(QStringLiteral("Record")));
  QVERIFY(!traffic.stopAction().isEnabled());
  setUpCard();
  QVERIFY(windows->menuCommand(3));                  // BUS_MON
  xarnsim::poke(&station->card(), 0x8252C, 0x8030);  // trigger disabled: record until HALT
  traffic.activityAction().trigger();
  QVERIFY(traffic.activityView().isVisible());
  traffic.recordAction().trigger();
  QVERIFY(traffic.stopAction().isEnabled());
  QVERIFY(windows->menuCommand(4));  // RUN
  now += 3'000'000;
  traffic.activityView().refresh();
  traffic.showSize();
  QVERIFY(traffic.sizeLabel().text().startsWith(QStringLiteral("REC ")));
  QVERIFY(traffic.sizeLabel().text().endsWith(file));
  traffic.stopAction().trigger();
  QVERIFY(traffic.sizeLabel().text().startsWith(QStringLiteral("Recorded ")));

  QFile captured(file);
  QVERIFY(captured.open(QIODevice::ReadOnly));
  const xarncap::Capture capture = xarncap::parse(captured.readAll().toStdString());
  QVERIFY(!capture.damaged);
  // Second 2 of the card clock, the last whole one: its packets by address and by connector.
  std::map<uint32_t, int> perAddress;
  std::array<int, xarncap::kInterfaces> perInterface{};
  for (const xarncap::Packet& p : capture.packets) {
    if (p.nanoseconds / 1'000'000'000 != 2) continue;
    uint32_t value = 0;
    std::memcpy(&value, p.payload.data() + 16 + 8, 4);  // the word's value, little-endian
    ++perAddress[value >> 19 & 31];
    ++perInterface[p.interfaceId];
  }
  const QTableWidget& table = traffic.activityView().table();
  QVERIFY(perAddress.size() >= 8);  // the terminals of a connector at least
  QCOMPARE(table.rowCount(), static_cast<int>(perAddress.size()));
  for (int r = 0; r < table.rowCount(); ++r) {
    uint32_t rt = table.item(r, 0)->text().toUInt();
    QCOMPARE(table.item(r, 1)->text().toInt(), perAddress[rt]);
  }
  // Load: 28 us a word of the second, in percent. Only the monitor's four connectors show, with
  // a point a second; the seconds before the run are idle.
  for (uint32_t i = 0; i < xarncap::kInterfaces; ++i) {
    const QLineSeries& series = traffic.activityView().series(i);
    bool connector = i >= xarncap::kInterfaceMonitor && i < xarncap::kInterfaceMonitor + 4;
    QCOMPARE(series.isVisible(), connector);
    if (!connector) continue;
    QCOMPARE(series.count(), xarncap::kHistorySeconds);
    QVERIFY(qAbs(series.at(series.count() - 1).y() - perInterface[i] * 28e-6 * 100) < 1e-9);
    QVERIFY(series.at(series.count() - 1).y() > 10);
    QCOMPARE(series.at(0).y(), 0.0);
  }
  traffic.activityAction().trigger();
  QVERIFY(!traffic.activityView().isVisible());
  QVERIFY(!xarnsim::busActivity(&station->card()));

  // The stack display offers the whole capture beside its own lines, as the console's
  // save-capture writes it: before its first tick it shows nothing, so only the capture is on.
  QVERIFY(windows->menuCommand(5));  // HALT
  QVERIFY(windows->menuCommand(2));  // DISPLAY/STACK
  winsys::QtDialog* stack = pageNamed("MON_STACK");
  QVERIFY(stack);
  QCOMPARE(contextMenuOf(*stack, 2),
           QStringList({"Copy (off)", QStringLiteral("Save as CSV\u2026 (off)"),
                        QStringLiteral("Save capture as CSV\u2026")}));
  QVERIFY(stack->saveCaptureAsCsv("capture.csv"));
  QFile saved("capture.csv");
  QVERIFY(saved.open(QIODevice::ReadOnly));
  const QByteArray csv = saved.readAll();
  QCOMPARE(csv, QByteArray::fromStdString(ui::monitorCaptureCsv(&station->card())));
  QVERIFY(csv.startsWith("Position,Time tag (ddd:hh:mm:ss.mmmuuu),Connector,Sync,Word (hex),"));
  QCOMPARE(csv.count("\r\n"), 8193);  // the header and a full stack, up to the last word
  QVERIFY(csv.contains("\r\n-8191,"));
  QVERIFY(csv.contains("\r\n0,"));
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
