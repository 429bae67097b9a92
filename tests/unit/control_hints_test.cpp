// The console shows whether a toggle is on and checks a tool tip like any other text; Snap
// buttons show whether live refresh is on.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "console/console.h"
#include "resources/resources.h"
#include "station_fixture.h"
#include "ui/fields.h"
#include "ui/status_texts.h"
#include "winsys/template.h"
#include "xarndll/status.h"

namespace {

class ReportTipTest : public StationTest {};

// The console shows whether a toggle is on, and checks a tool tip like any other text.
TEST_F(ReportTipTest, ConsoleShowsTogglesAndChecksTips) {
  std::ostringstream out;
  std::istringstream script(
      "menu SETUP\nclick 1\nmenu GDB_BCT\nmenu UpDnQ\nshow\nclick 5\nshow\n"
      "menu TABLES\npage GDB_TABLES\nfail DUVEX_RdGdbTableDLL 252\nclick 5\n"
      "expect-tip 4 252: the card is in another operating mode\nexpect-tip 4 252\n");
  console::Console console(out);
  EXPECT_EQ(console.run(script), 1);
  const std::string t = out.str();
  const size_t off = t.find("= 5 button [off] \"Snap\"\n");
  EXPECT_NE(off, std::string::npos) << t;
  EXPECT_NE(t.find("= 5 button [on] \"Snap\"\n", off), std::string::npos) << t;
  EXPECT_EQ(t.find("FAIL line 12:"), std::string::npos) << t;
  EXPECT_NE(t.find("FAIL line 13: expected \"252\", got \"252: the card is in another"),
            std::string::npos)
      << t;
}

struct SnapCase {
  int mode;  // top menu item
  const char* procedure;
  const char* page;
  int snap;
};

void PrintTo(const SnapCase& c, std::ostream* out) { *out << c.page; }

class SnapTest : public StationTest, public ::testing::WithParamInterface<SnapCase> {};

// Snap is drawn down while live refresh is on: the page tells the window system each time.
TEST_P(SnapTest, SnapButtonShowsWhetherItIsOn) {
  const SnapCase& c = GetParam();
  start();
  setUpCard();
  ASSERT_TRUE(menu(c.mode));
  // Modeless, as the menu opens most of them, so that the test can drive it.
  ASSERT_TRUE(station->openPage(c.procedure, false));
  winsys::HeadlessDialog* page = windows.page(c.page);
  ASSERT_NE(page, nullptr);
  std::vector<bool> checked{page->isChecked(c.snap)};
  page->click(c.snap);
  checked.push_back(page->isChecked(c.snap));
  windows.advance(2000);  // live refresh runs with it
  checked.push_back(page->isChecked(c.snap));
  page->click(c.snap);
  checked.push_back(page->isChecked(c.snap));
  EXPECT_EQ(checked, (std::vector<bool>{false, true, true, false}));
}

INSTANTIATE_TEST_SUITE_P(EverySnap, SnapTest,
                         ::testing::Values(SnapCase{1, "BCTmessages", "BCT_MESS", 15},
                                           SnapCase{1, "QUEdialog", "XARN_QUE", 5},
                                           SnapCase{2, "RTPdialog", "MRT_PAGE", 20},
                                           SnapCase{10, "UDQdialog", "GDB_UD_Q", 5},
                                           SnapCase{11, "GRQdialog", "GDB_MRT_Q", 5},
                                           SnapCase{12, "MDRdialog", "MDM_MRT_RTS", 26},
                                           SnapCase{12, "MDQdialog", "MDM_MRT_Q", 5}),
                         [](const auto& info) { return std::string(info.param.page); });

}  // namespace
