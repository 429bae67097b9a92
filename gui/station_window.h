// The station's dressing of the desktop window: the two pictures with the status line over the
// logo, the icon, the cursor and the help pages.
#pragma once

#include "winsys/qt/qt_window_system.h"

namespace gui {

void dressStationWindow(winsys::QtWindowSystem& windows);

// The manual's index for a program in `programDir`: the pages installed beside it (or copied into
// the build tree in the same layout), browsable files; else the copy compiled into the program.
QUrl manualIndex(const QString& programDir);

// True when there is a screen to show the window on (or a platform chosen explicitly).
bool displayAvailable();
// The line that says what to do instead when there is none.
const char* noDisplayMessage();

}  // namespace gui
