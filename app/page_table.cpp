#include "app/page_table.h"

#include <array>

#include "debug/debug_command.h"
#include "debug/memory_display.h"
#include "pages/gdb/gdb_command_queue.h"
#include "pages/gdb/gdb_rt_page.h"
#include "pages/gdb/gdb_rt_queue.h"
#include "pages/gdb/gdb_tables.h"
#include "pages/gdb/gdb_updown_queue.h"
#include "pages/ldb/bct_frame.h"
#include "pages/ldb/bct_messages.h"
#include "pages/ldb/bct_run.h"
#include "pages/ldb/ldb_queue.h"
#include "pages/ldb/rt_page.h"
#include "pages/mdm/bite_config.h"
#include "pages/mdm/mdm_queue.h"
#include "pages/mdm/prom_setup.h"
#include "pages/mdm/rt_setup.h"
#include "pages/monitor/snap_display.h"
#include "pages/monitor/stack_display.h"
#include "pages/monitor/trigger_page.h"
#include "setup/about_page.h"
#include "setup/setup_files.h"
#include "setup/setup_page.h"

namespace app {
namespace {

// Every page of the station. A page this build does not have yet has no maker: its menu item
// says so instead of opening a window.
const std::array<PageEntry, 22> kPages = {{
    {"SETUPdialog", "XARN_SETUP", &makePage<setup::SETUPdialog>},
    {"RTPdialog", "MRT_PAGE", &makePage<ldb::RTPdialog>},
    {"BCTmessages", "BCT_MESS", &makePage<ldb::BCTmessages>},
    {"BCTframe", "MAJOR_FRAME", &makePage<ldb::BCTframe>},
    {"BCTrun", "RUN_BCT", &makePage<ldb::BCTrun>},
    {"MTGdialog", "XARN_MTG", &makePage<monitor::MTGdialog>},
    {"MSKdialog", "MON_STACK", &makePage<monitor::MSKdialog>},
    {"MSPdialog", "MON_STACK", &makePage<monitor::MSPdialog>},
    {"QUEdialog", "XARN_QUE", &makePage<ldb::QUEdialog>},
    {"BUGdisp", "DEBUG_DISP", &makePage<debug::BUGdisp>},
    {"BGCdialog", "DEBUG_EXE", &makePage<debug::BGCdialog>},
    {"GBTdialog", "GDB_TABLES", &makePage<gdb::GBTdialog>},
    {"GRRdialog", "GDB_RT_RTS", &makePage<gdb::GRRdialog>},
    {"GRQdialog", "GDB_MRT_Q", &makePage<gdb::GRQdialog>},
    {"GCQdialog", "GDB_CMND_Q", &makePage<gdb::GCQdialog>},
    {"UDQdialog", "GDB_UD_Q", &makePage<gdb::UDQdialog>},
    {"MDRdialog", "MDM_MRT_RTS", &makePage<mdm::MDRdialog>},
    {"MDBdialog", "MDM_BITE_CONFIG", &makePage<mdm::MDBdialog>},
    {"MDPdialog", "MDM_PROM", &makePage<mdm::MDPdialog>},
    {"MDQdialog", "MDM_MRT_Q", &makePage<mdm::MDQdialog>},
    {"SUPdialog", "SETUPS", &makePage<setup::SUPdialog>},
    {"ABOUTdialog", "XARN_ABOUT", &makePage<setup::ABOUTdialog>},
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
