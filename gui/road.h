// Hidden ways of running the desktop program, for its documentation and its measurements. Each
// is chosen by an environment variable that normal use never sets:
//   XARN_SCREENSHOT_ROAD=DIR  save pictures of the setup page, the main window and the help
//                             viewer in DIR, then of each mode's main page with traffic (the
//                             queues, the monitor stack, the bus-activity view); and quit
//   XARN_DRIVE_SCRIPT=FILE    carry out FILE's lines as the screenshot road does (a shot goes
//                             to the working directory), and leave the window open
//   XARN_TEMPLATE_GALLERY=DIR save a picture of every dialog template, as built, in DIR
//   XARN_STARTUP_PROBE=1      print the time to the first painted main window, and quit
//   XARN_IDLE_PROBE=SECONDS   enter LDB_BCT, idle SECONDS with the status line running, print
//                             the peak memory, and quit
#pragma once

#include <QElapsedTimer>

#include "winsys/qt/qt_window_system.h"

namespace gui {

// Milliseconds since the process started (the kernel's start time, 10 ms steps).
double msSinceProcessStart();

// Arms whichever of the above is asked for; false when none is.
// `sinceMain` was started first thing in main().
bool armRoad(winsys::QtWindowSystem& windows, const QElapsedTimer& sinceMain);

}  // namespace gui
