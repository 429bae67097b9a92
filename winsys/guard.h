// Every call into a page or the shell goes through `guarded`: nothing a handler throws (an
// allocation that failed, a bug) may leave it into the window system's loop, where it would
// end the station and lose the operator's work. The failure becomes a message box instead.
#pragma once

#include <exception>
#include <new>
#include <string>

#include "winsys/winsys.h"

namespace winsys {

template <class Handler>
void guarded(WindowSystem& windows, Handler&& handler) noexcept {
  std::string what;
  try {
    handler();
    return;
  } catch (const std::bad_alloc&) {
    what = "Not enough memory for this operation.";
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
    what = "Unexpected failure.";
  }
  try {
    windows.messageBox(what, "ERROR", Buttons::Ok, Icon::Exclamation);
  } catch (...) {  // even the box failed: the operator at least keeps the station
  }
}

}  // namespace winsys
