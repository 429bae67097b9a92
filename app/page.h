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
  // F1: the help file at the page's section.
  void help() override { station_.windows().openHelp(kHelpFile, dialog_.layout().help); }

 protected:
  CardContext* card() { return &station_.card(); }
  Station& station_;
  winsys::Dialog& dialog_;
};

}  // namespace app
