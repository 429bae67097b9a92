#include "gui/road.h"

#include <unistd.h>

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "app/station.h"
#include "resources/resources.h"
#include "winsys/qt/help_viewer.h"

namespace gui {
namespace {

constexpr int kMenuSetup = 5;
constexpr int kMenuLdbBct = 1;
constexpr int kSetupOk = 1;
// The LDB_BCT menu and the controls its pages are driven by on the way to traffic.
constexpr int kMenuMessages = 1;
constexpr int kMenuFrame = 2;
constexpr int kMenuRun = 3;
constexpr int kMenuQueue = 5;
constexpr int kUpdate = 2;  // Update on MESSAGES and FRAME, Run on RUN
constexpr int kRtAddressSpin = 9;
constexpr int kCommandCodeSpin = 12;
constexpr int kTransmitToggle = 25;
constexpr int kWordCount = 14;
constexpr int kDataWords = 18;
constexpr int kFrameDuration = 5;
constexpr int kFirstSlot = 101;
constexpr int kQueueSnap = 5;
constexpr int kQueueBin = 7;
constexpr int kAfterTickMs = 1300;  // one status tick (every second) and its repaint

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

// One arrow click on a page's spin.
void spinUp(winsys::QtDialog& page, int id, int clicks) {
  auto* spin = qobject_cast<QScrollBar*>(page.control(id));
  for (int i = 0; spin && i < clicks; ++i)
    spin->triggerAction(QAbstractSlider::SliderSingleStepSub);
}

// The typical road's traffic: message 1 (to RT 3, four data words) in a 1 ms frame, run until
// halted, and the queue page on raw bus words with Snap on. False when a page did not open.
bool startTraffic(winsys::QtWindowSystem& windows) {
  windows.menuCommand(kMenuMessages);
  winsys::QtDialog* messages = windows.page("BCT_MESS");
  if (!messages) return false;
  spinUp(*messages, kRtAddressSpin, 3);
  spinUp(*messages, kCommandCodeSpin, 1);
  messages->click(kTransmitToggle);
  messages->setText(kWordCount, "4");
  messages->setText(kDataWords, "10 20 30 40");
  messages->click(kUpdate);
  windows.menuCommand(kMenuFrame);
  winsys::QtDialog* frame = windows.page("MAJOR_FRAME");
  if (!frame) return false;
  frame->setText(kFrameDuration, "1000");
  frame->setText(kFirstSlot, "1");
  frame->click(kUpdate);
  windows.menuCommand(kMenuRun);
  winsys::QtDialog* run = windows.page("RUN_BCT");
  if (!run) return false;
  run->click(kUpdate);
  windows.menuCommand(kMenuQueue);
  winsys::QtDialog* queue = windows.page("XARN_QUE");
  if (!queue) return false;
  queue->click(kQueueBin);
  queue->click(kQueueSnap);
  return true;
}

void screenshotRoad(winsys::QtWindowSystem& windows, const QString& dir) {
  QTimer::singleShot(0, &windows.mainWindow(), [&windows, dir] {
    windows.menuCommand(kMenuSetup);
    winsys::QtDialog* page = windows.page("XARN_SETUP");
    if (page) save(page->window(), dir + "/setup-page.png");
    if (page) page->click(kSetupOk);
    windows.menuCommand(kMenuLdbBct);
    QTimer::singleShot(kAfterTickMs, &windows.mainWindow(), [&windows, dir] {
      bool saved = save(windows.mainWindow(), dir + "/main-window.png");
      windows.openHelp(app::kHelpFile, "");
      if (windows.helpViewer()) saved &= save(*windows.helpViewer(), dir + "/help.png");
      windows.helpViewer()->hide();
      saved &= startTraffic(windows);
      QTimer::singleShot(kAfterTickMs, &windows.mainWindow(), [&windows, dir, saved] {
        winsys::QtDialog* queue = windows.page("XARN_QUE");
        const bool all = saved && queue && save(queue->window(), dir + "/ldb-queue.png");
        windows.quit(all ? 0 : 1);
      });
    });
  });
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
    screenshotRoad(windows, QString::fromLocal8Bit(dir));
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
