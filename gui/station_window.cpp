#include "gui/station_window.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <cstdlib>

#include "front/list_file.h"

// The pictures and help pages are compiled into the program; a static library needs its
// resources registered by hand.
static void registerResources() { Q_INIT_RESOURCE(xarn); }

namespace gui {
namespace {

constexpr int kPictureSide = 350;  // the part of each picture that shows
constexpr QPoint kCursorHotSpot{15, 15};

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

void dressStationWindow(winsys::QtWindowSystem& windows) {
  registerResources();
  winsys::Backdrop backdrop;
  const QRect shown(0, 0, kPictureSide, kPictureSide);
  backdrop.pictures = {
      {QPixmap(QStringLiteral(":/images/KX_LOGO.png")), shown, QPoint(30, 30)},
      {QPixmap(QStringLiteral(":/images/XARN.png")), shown, QPoint(500, 30)},
  };
  backdrop.clientSize = QSize(500 + kPictureSide + 30, 30 + kPictureSide + 30);
  windows.mainWindow().setBackdrop(backdrop);

  QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/TRAVINE.png")));
  windows.mainWindow().canvas().setCursor(QCursor(QPixmap(QStringLiteral(":/images/VANTOLE.png")),
                                                  kCursorHotSpot.x(), kCursorHotSpot.y()));
  windows.setHelpIndex(manualIndex(QCoreApplication::applicationDirPath()));
  windows.setListSaver(cli::saveListAsCsv);
  windows.setCsvSaver(cli::saveCsv);
}

QUrl manualIndex(const QString& programDir) {
  const QString onDisk =
      QDir::cleanPath(programDir + QStringLiteral("/" XARN_MANUAL_FROM_PROGRAM "/index.html"));
  if (QFileInfo(onDisk).isFile()) return QUrl::fromLocalFile(onDisk);
  return QUrl(QStringLiteral("qrc:/help/index.html"));
}

bool displayAvailable() {
  return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

const char* noDisplayMessage() {
  return "xarn_win: no display (DISPLAY and WAYLAND_DISPLAY are not set); run the station "
         "headless with 'xarn_console SCRIPT', or without a screen with "
         "QT_QPA_PLATFORM=offscreen xarn_win";
}

}  // namespace gui
