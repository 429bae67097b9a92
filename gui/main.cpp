// xarn_win: the station in its desktop window, on the simulated card.
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <string>

#include "app/station.h"
#include "gui/road.h"
#include "gui/station_window.h"
#include "winsys/qt/qt_window_system.h"
#include "xarndll/control.h"

int main(int argc, char** argv) {
  QElapsedTimer sinceMain;
  sinceMain.start();
  if (!gui::displayAvailable()) {
    std::fprintf(stderr, "%s\n", gui::noDisplayMessage());
    return 1;
  }
  QApplication application(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));

  winsys::QtWindowSystem windows;
  gui::dressStationWindow(windows);
  app::Station station(windows);
  // A menu item whose page this build does not have yet says so, rather than doing nothing.
  station.setNoticeSink([&windows](const std::string& text) {
    windows.messageBox(text, "XARN_WIN", winsys::Buttons::Ok, winsys::Icon::None);
  });
  station.create();
  gui::armRoad(windows, sinceMain);
  windows.mainWindow().show();
  const int code = QApplication::exec();

  CardContext card = station.card();
  xarnsim::release(&card);
  return code;
}
