// xarn_win [-C DIR] [--bus NAME]: the station in its desktop window, on the simulated card.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/station.h"
#include "front/command_line.h"
#include "gui/road.h"
#include "gui/station_window.h"
#include "gui/traffic_view.h"
#include "winsys/qt/qt_window_system.h"
#include "xarndll/control.h"

namespace {
constexpr int kBusPaceMs = 40;
}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceMain;
  sinceMain.start();
  const cli::Invocation invocation =
      cli::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), false);
  switch (invocation.action) {
    case cli::Invocation::Action::Help:
      std::fputs(cli::windowUsage().c_str(), stdout);
      return 0;
    case cli::Invocation::Action::Version:
      std::fputs(cli::versionText("xarn_win").c_str(), stdout);
      return 0;
    case cli::Invocation::Action::Error:
      std::fprintf(stderr, "xarn_win: %s\n", invocation.error.c_str());
      return 2;
    case cli::Invocation::Action::Run:
      break;
  }
  if (std::string why;
      !invocation.directory.empty() && !cli::enterDirectory(invocation.directory, why)) {
    std::fprintf(stderr, "xarn_win: %s\n", why.c_str());
    return 2;
  }
  if (!gui::displayAvailable()) {
    std::fprintf(stderr, "%s\n", gui::noDisplayMessage());
    return 1;
  }
  // The station's options are its own; Qt is handed none of them.
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));

  cli::joinBus(invocation);
  winsys::QtWindowSystem windows;
  gui::dressStationWindow(windows);
  app::Station station(windows);
  // A menu item whose page this build does not have yet says so, rather than doing nothing.
  station.setNoticeSink([&windows](const std::string& text) {
    windows.messageBox(text, "XARN_WIN", winsys::Buttons::Ok, winsys::Icon::None);
  });
  station.create();
  gui::TrafficControls traffic(windows.mainWindow(), station);
  // On a shared bus the card keeps up with the host's clock whether or not a page calls it, so
  // that the other stations find its terminals and its traffic where the time says.
  QTimer pacer;
  if (!xarnsim::busName(&station.card()).empty()) {
    QObject::connect(&pacer, &QTimer::timeout, [&station] { xarnsim::catchUp(&station.card()); });
    pacer.start(kBusPaceMs);
  }
  gui::armRoad(windows, sinceMain);
  windows.mainWindow().show();
  const int code = QApplication::exec();

  CardContext card = station.card();
  xarnsim::release(&card);
  return code;
}
