// What every page has: its station (for the card and the page states) and its own window.
#pragma once

#include <cstdint>

#include "app/station.h"
#include "winsys/winsys.h"

namespace app {

class Page : public winsys::DialogProc {
 public:
  Page(Station& station, winsys::Dialog& dialog) : station_(station), dialog_(dialog) {}

  void scroll(uint32_t, winsys::ScrollAction) override {}
  void timer(int) override {}

 protected:
  CardContext* card() { return &station_.card(); }
  Station& station_;
  winsys::Dialog& dialog_;
};

}  // namespace app
