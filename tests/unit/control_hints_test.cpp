// Toggle Snap buttons, step buttons with tips, Report fields whose tip explains the status.
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

TEST(ControlHints, TemplateMarksTogglesStepsAndTips) {
  winsys::DialogTemplate t;
  std::string error;
  ASSERT_TRUE(
      winsys::parseDialog("DIALOG T 100 50\n"
                          "BUTTON 1 0 0 10 10 \"\" STEP TIP \"Next: A, then B\"\n"
                          "BUTTON 2 0 10 30 10 \"Snap\" TOGGLE\n"
                          "EDIT 3 20 0 50 12 \"\" READONLY TIP \"what it holds\"\n",
                          t, error))
      << error;
  const winsys::ControlTemplate &step = *t.control(1), &snap = *t.control(2);
  EXPECT_EQ(std::tuple(step.step, step.toggle, step.tip, step.text),
            std::tuple(true, false, "Next: A, then B", ""));
  EXPECT_EQ(std::tuple(snap.step, snap.toggle, t.control(3)->tip),
            std::tuple(false, true, "what it holds"));

  // A tip needs its quoted text, once; toggles and steps are buttons.
  for (const char* bad : {"DIALOG T 1 1\nBUTTON 1 0 0 1 1 \"\" TIP\n",
                          "DIALOG T 1 1\nBUTTON 1 0 0 1 1 \"\" TIP word\n",
                          "DIALOG T 1 1\nBUTTON 1 0 0 1 1 \"\" TIP \"\"\n",
                          "DIALOG T 1 1\nBUTTON 1 0 0 1 1 \"\" TIP \"a\" TIP \"b\"\n",
                          "DIALOG T 1 1\nCHECKBOX 1 0 0 1 1 \"\" TOGGLE\n",
                          "DIALOG T 1 1\nEDIT 1 0 0 1 1 \"\" STEP\n"}) {
    EXPECT_FALSE(winsys::parseDialog(bad, t, error)) << bad;
  }
}

// Every textless button of the shipped pages steps, with a tip; every Snap button toggles.
TEST(ControlHints, ShippedTemplatesMarkStepAndSnapButtons) {
  int steps = 0;
  int snaps = 0;
  for (const resources::EmbeddedFile& file : resources::embeddedFiles()) {
    if (!std::string(file.name).ends_with(".dlg")) continue;
    winsys::DialogTemplate t;
    std::string error;
    ASSERT_TRUE(winsys::parseDialog(file.text, t, error)) << file.name << ": " << error;
    for (const winsys::ControlTemplate& c : t.controls) {
      if (c.kind != winsys::ControlKind::Button) continue;
      // The debug page's command buttons carry their label beside them, not a value.
      if (c.text.empty() && c.width == 10 && t.name != "DEBUG_EXE") {
        EXPECT_TRUE(c.step) << t.name << " button " << c.id;
        EXPECT_FALSE(c.tip.empty()) << t.name << " button " << c.id;
        ++steps;
      }
      if (c.text == "Snap") {
        EXPECT_TRUE(c.toggle) << t.name << " button " << c.id;
        ++snaps;
      }
      EXPECT_FALSE(c.toggle && c.step) << t.name << " button " << c.id;
    }
  }
  EXPECT_EQ(std::tuple(steps, snaps), std::tuple(26, 7));
}

TEST(ControlHints, EveryDriverStatusHasAMeaning) {
  const std::string unknown = "a status this station does not know";
  for (uint16_t status :
       {xarnsim::kStatusOk, xarnsim::kStatusCardFault, xarnsim::kStatusNoRoom, xarnsim::kStatusBusy,
        xarnsim::kStatusNotInitialised, xarnsim::kStatusBadArgument, xarnsim::kStatusWrongMode,
        xarnsim::kStatusBadCommand, ui::kStatusSyntax}) {
    std::string meaning = ui::statusMeaning(status);
    EXPECT_TRUE(meaning.starts_with(std::to_string(status) + ": ")) << meaning;
    EXPECT_EQ(meaning.find(unknown), std::string::npos) << meaning;
  }
  EXPECT_EQ(ui::statusMeaning(251), "251: a value the card refuses (out of range)");
  EXPECT_EQ(ui::statusMeaning(248), "248: no room: a card table or queue is full");
  EXPECT_EQ(ui::statusMeaning(1234), "1234: " + unknown);
  // The lookup is a binary search: the table must stay in order, each status once.
  auto table = ui::statusTexts();
  for (size_t i = 1; i < table.size(); ++i) EXPECT_LT(table[i - 1].status, table[i].status);
}

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
