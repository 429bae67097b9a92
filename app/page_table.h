// The page table: every page's dialog procedure with the template it is built on.
#pragma once

#include <span>
#include <string_view>

#include "app/station.h"
#include "winsys/winsys.h"

namespace app {

struct PageEntry {
  const char* procedure;  // "SETUPdialog"
  const char* layout;     // the dialog template, "XARN_SETUP"
  // Makes the page's procedure; null while this build has no such page.
  std::unique_ptr<winsys::DialogProc> (*make)(Station&, winsys::Dialog&);
};

std::span<const PageEntry> pageTable();
const PageEntry* findPage(std::string_view procedure);

template <typename T>
std::unique_ptr<winsys::DialogProc> makePage(Station& station, winsys::Dialog& dialog) {
  return std::make_unique<T>(station, dialog);
}

}  // namespace app
