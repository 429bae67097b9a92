#include "app/page_table.h"

#include <array>

#include "setup/setup_page.h"

namespace app {
namespace {

// Every page of the station. A page this build does not have yet has no maker: its menu item
// says so instead of opening a window.
const std::array<PageEntry, 22> kPages = {{
    {"SETUPdialog", "XARN_SETUP", &makePage<setup::SETUPdialog>},
    {"RTPdialog", "MRT_PAGE", nullptr},
    {"BCTmessages", "BCT_MESS", nullptr},
    {"BCTframe", "MAJOR_FRAME", nullptr},
    {"BCTrun", "RUN_BCT", nullptr},
    {"MTGdialog", "XARN_MTG", nullptr},
    {"MSKdialog", "MON_STACK", nullptr},
    {"MSPdialog", "MON_STACK", nullptr},
    {"QUEdialog", "XARN_QUE", nullptr},
    {"BUGdisp", "DEBUG_DISP", nullptr},
    {"BGCdialog", "DEBUG_EXE", nullptr},
    {"GBTdialog", "GDB_TABLES", nullptr},
    {"GRRdialog", "GDB_RT_RTS", nullptr},
    {"GRQdialog", "GDB_MRT_Q", nullptr},
    {"GCQdialog", "GDB_CMND_Q", nullptr},
    {"UDQdialog", "GDB_UD_Q", nullptr},
    {"MDRdialog", "MDM_MRT_RTS", nullptr},
    {"MDBdialog", "MDM_BITE_CONFIG", nullptr},
    {"MDPdialog", "MDM_PROM", nullptr},
    {"MDQdialog", "MDM_MRT_Q", nullptr},
    {"SUPdialog", "SETUPS", nullptr},
    {"ABOUTdialog", "XARN_ABOUT", nullptr},
}};

}  // namespace

std::span<const PageEntry> pageTable() { return kPages; }

const PageEntry* findPage(std::string_view procedure) {
  for (const PageEntry& entry : kPages) {
    if (procedure == entry.procedure) return &entry;
  }
  return nullptr;
}

}  // namespace app
