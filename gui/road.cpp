#include "gui/road.h"

#include <unistd.h>

#include <QAction>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/station.h"
#include "resources/resources.h"
#include "winsys/qt/help_viewer.h"

namespace gui {
namespace {

constexpr int kMenuSetup = 5;
constexpr int kMenuLdbBct = 1;
constexpr int kSetupOk = 1;

const char* env(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

std::string procStatusLine(const std::string& key) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(key + ":", 0) == 0) return line;
  }
  return key + ": unknown";
}

// SETUP, then OK: the card is initialised and the modes open.
void setUpCard(winsys::QtWindowSystem& windows) {
  windows.menuCommand(kMenuSetup);
  if (winsys::QtDialog* page = windows.page("XARN_SETUP")) page->click(kSetupOk);
}

bool save(QWidget& widget, const QString& path) {
  const bool saved = widget.grab().save(path, "PNG");
  std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
  return saved;
}

// The documentation's pictures, as scripts in the console's words (menu, page, click, type,
// scroll, answer) plus `wait MS` (real time: the window paces the card by the clock) and
// `shot NAME WHAT` (WHAT: a page's template, "main" or "help"). Each mode's main page with
// traffic.
const char* const kShotScript = R"(menu SETUP
shot setup-page XARN_SETUP
click 1
menu LDB_BCT
wait 1300
shot main-window main
shot help help
menu MESSAGES
page BCT_MESS
scroll 9 lineup
scroll 9 lineup
scroll 9 lineup
scroll 12 lineup
click 25
type 14 4
type 18 10 20 30 40
click 2
menu FRAME
page MAJOR_FRAME
type 5 1000
type 101 1
click 2
menu RUN
page RUN_BCT
click 2
tool Bus activity
menu QUEUE
page XARN_QUE
click 7
click 5
wait 1300
shot ldb-queue XARN_QUE
wait 4000
shot bus-activity activity
tool Bus activity
answer yes
menu QUIT
menu LDB_MRT
menu RT PAGE
page MRT_PAGE
scroll 5 lineup
scroll 5 lineup
scroll 5 lineup
scroll 5 lineup
scroll 5 lineup
click 30
click 28
click 28
type 25 123456 ABCDEF
click 24
click 2
menu RUN
menu QUEUE
page XARN_QUE
click 5
wait 2300
shot ldb-terminals-queue XARN_QUE
answer yes
menu QUIT
menu BUS_MON
menu RUN
wait 1300
menu DISPLAY/STACK
page MON_STACK
click 4
scroll 6 linedown
wait 300
shot monitor-stack MON_STACK
answer yes
menu QUIT
menu GDB_BCT
menu TABLES
page GDB_TABLES
click 8
click 8
click 14
type 13 5
type 16 1f
type 17 abcd
click 10
menu RUNactive
menu UpDnQ
page GDB_UD_Q
click 5
wait 2300
shot gdb-updown-queue GDB_UD_Q
answer yes
menu QUIT
menu GDB_MRT
menu RTpage
page GDB_RT_RTS
scroll 2 lineup
scroll 2 lineup
scroll 2 lineup
scroll 2 lineup
scroll 2 lineup
type 7 2
scroll 6 lineup
click 4
click 8
type 18 1234
click 31
menu RUN
wait 2300
menu QUEUE
page GDB_MRT_Q
click 3
wait 300
shot gdb-terminals-queue GDB_MRT_Q
click 1
answer yes
menu QUIT
menu MDM_MRT
menu RTpage
page MDM_MRT_RTS
scroll 5 lineup
scroll 5 lineup
scroll 5 lineup
click 28
click 7
click 2
click 3
menu RUN
wait 2300
menu QUEUE
page MDM_MRT_Q
click 3
wait 300
shot mdm-queue MDM_MRT_Q
click 1
answer yes
menu QUIT
)";

// Runs a shot script one line at a time from the event loop: a line that opens a modal page
// waits there while the following lines go on inside it. Quits with 0 once every picture is
// saved, 1 when a line could not be carried out; a driving script leaves the window open
// instead, and says what it could not do.
class ShotRoad {
 public:
  ShotRoad(winsys::QtWindowSystem& windows, QString dir, const std::string& script, bool quit)
      : windows_(windows), dir_(std::move(dir)), quit_(quit) {
    std::istringstream in(script);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line[0] != '#') lines_.push_back(line);
    }
  }

  void next() {
    if (at_ == lines_.size()) {
      if (quit_) windows_.quit(ok_ ? 0 : 1);
      return;
    }
    const std::string line = lines_[at_++];
    int delay = 0;
    if (!step(line, delay)) {
      std::printf("could not: %s\n", line.c_str());
      ok_ = false;
    }
    QTimer::singleShot(delay, &windows_.mainWindow(), [this] { next(); });
    // Last, since a menu line may open a modal page and wait in it.
    if (!pendingMenu_.empty()) {
      const winsys::MenuItem* item = windows_.menu()->findLabel(pendingMenu_);
      pendingMenu_.clear();
      if (!item || !windows_.menuCommand(item->id)) ok_ = false;
    }
  }

 private:
  bool step(const std::string& line, int& delay) {
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    std::string rest;
    std::getline(words >> std::ws, rest);
    if (verb == "menu") {
      pendingMenu_ = rest;
      return true;
    }
    if (verb == "answer") {
      windows_.queueAnswer(rest == "yes" ? winsys::Answer::Yes : winsys::Answer::No);
      return true;
    }
    if (verb == "wait") {
      delay = std::stoi(rest);
      return true;
    }
    if (verb == "page") {
      page_ = rest;
      return windows_.page(page_) != nullptr;
    }
    if (verb == "shot") return shot(rest);
    if (verb == "tool") return tool(rest);
    // As in the console: the page chosen last, or else the newest open page.
    winsys::QtDialog* page = page_.empty() ? nullptr : windows_.page(page_);
    if (!page && !windows_.openPages().empty()) page = windows_.openPages().back();
    if (!page) return false;
    std::istringstream args(rest);
    int id = 0;
    args >> id;
    std::string text;
    std::getline(args >> std::ws, text);
    if (verb == "click") return page->click(id);
    if (verb == "type") {
      page->setText(id, text);
      return true;
    }
    if (verb == "scroll") {
      auto* spin = qobject_cast<QScrollBar*>(page->control(id));
      if (!spin) return false;
      spin->triggerAction(text == "lineup" ? QAbstractSlider::SliderSingleStepSub
                                           : QAbstractSlider::SliderSingleStepAdd);
      return true;
    }
    return false;
  }

  // Triggers the main window's tool-bar action labelled `label`.
  bool tool(const std::string& label) {
    for (QAction* action : windows_.mainWindow().findChildren<QAction*>()) {
      if (action->text().toStdString() != label) continue;
      action->trigger();
      return true;
    }
    return false;
  }

  bool shot(const std::string& rest) {
    std::istringstream words(rest);
    std::string name, what;
    words >> name >> what;
    QWidget* widget = nullptr;
    if (what == "main") {
      widget = &windows_.mainWindow();
    } else if (what == "help") {
      windows_.openHelp(app::kHelpFile, "");
      widget = windows_.helpViewer();
    } else if (auto* dock =
                   windows_.mainWindow().findChild<QDockWidget*>(QString::fromStdString(what))) {
      widget = dock;
    } else if (winsys::QtDialog* page = windows_.page(what)) {
      widget = &page->window();
    }
    const bool saved = widget && save(*widget, dir_ + "/" + QString::fromStdString(name) + ".png");
    if (what == "help" && windows_.helpViewer()) windows_.helpViewer()->hide();
    return saved;
  }

  winsys::QtWindowSystem& windows_;
  QString dir_;
  std::vector<std::string> lines_;
  size_t at_ = 0;
  std::string page_;
  std::string pendingMenu_;
  bool quit_;
  bool ok_ = true;
};

void runRoad(winsys::QtWindowSystem& windows, const QString& dir, const std::string& script,
             bool quit) {
  static std::unique_ptr<ShotRoad> road;
  road = std::make_unique<ShotRoad>(windows, dir, script, quit);
  QTimer::singleShot(0, &windows.mainWindow(), [] { road->next(); });
}

void startupProbe(winsys::QtWindowSystem& windows, const QElapsedTimer& sinceMain) {
  windows.mainWindow().canvas().setFirstPaintHook([&windows, &sinceMain] {
    std::printf("first paint: %.0f ms after process start, %lld ms after main()\n",
                msSinceProcessStart(), static_cast<long long>(sinceMain.elapsed()));
    std::fflush(stdout);
    QTimer::singleShot(0, &windows.mainWindow(), [&windows] { windows.quit(0); });
  });
}

void idleProbe(winsys::QtWindowSystem& windows, int seconds) {
  QTimer::singleShot(0, &windows.mainWindow(), [&windows, seconds] {
    setUpCard(windows);
    windows.menuCommand(kMenuLdbBct);
    QTimer::singleShot(seconds * 1000, &windows.mainWindow(), [&windows] {
      std::printf("status \"%s\" after %d beeps\n%s\n%s\n", windows.status().c_str(),
                  windows.beeps(), procStatusLine("VmHWM").c_str(),
                  procStatusLine("VmRSS").c_str());
      std::fflush(stdout);
      windows.quit(0);
    });
  });
}

// A page that does nothing, to show a template as it stands.
class InertPage final : public winsys::DialogProc {
 public:
  void init() override {}
  void command(int) override {}
  void scroll(uint32_t, winsys::ScrollAction) override {}
  void timer(int) override {}
};

void templateGallery(winsys::QtWindowSystem& windows, const QString& dir) {
  QTimer::singleShot(0, &windows.mainWindow(), [&windows, dir] {
    bool saved = true;
    for (const std::string& name : resources::dialogNames()) {
      windows.openModeless(*resources::dialog(name),
                           [](winsys::Dialog&) { return std::make_unique<InertPage>(); });
      winsys::QtDialog* page = windows.page(name);
      saved &= page && save(page->window(), dir + "/" + QString::fromStdString(name) + ".png");
      if (page) page->end(0);
    }
    windows.quit(saved ? 0 : 1);
  });
}

}  // namespace

double msSinceProcessStart() {
  std::ifstream in("/proc/self/stat");
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Field 22, counted after the command name's closing parenthesis (field 2).
  std::istringstream fields(all.substr(all.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
  }
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double startMs = std::stod(field) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6 -
         startMs;
}

bool armRoad(winsys::QtWindowSystem& windows, const QElapsedTimer& sinceMain) {
  if (const char* dir = env("XARN_SCREENSHOT_ROAD")) {
    runRoad(windows, QString::fromLocal8Bit(dir), kShotScript, true);
  } else if (const char* file = env("XARN_DRIVE_SCRIPT")) {
    std::ifstream in(file);
    std::stringstream script;
    script << in.rdbuf();
    if (!in) std::printf("could not read %s\n", file);
    runRoad(windows, QStringLiteral("."), script.str(), false);
  } else if (const char* gallery = env("XARN_TEMPLATE_GALLERY")) {
    templateGallery(windows, QString::fromLocal8Bit(gallery));
  } else if (env("XARN_STARTUP_PROBE")) {
    startupProbe(windows, sinceMain);
  } else if (const char* seconds = env("XARN_IDLE_PROBE")) {
    idleProbe(windows, std::max(1, std::atoi(seconds)));
  } else {
    return false;
  }
  return true;
}

}  // namespace gui
