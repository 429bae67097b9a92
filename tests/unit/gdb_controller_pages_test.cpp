// The GDB_BCT tables page through the headless window system: the entry spin and its wrap.
#include <gtest/gtest.h>

#include <string>

#include "card/xarndll.h"
#include "station_fixture.h"

namespace {

using winsys::ScrollAction;

// Menu ids.
constexpr int kTopGdbBct = 10, kTables = 1;
// Tables page controls.
constexpr int kRateStep = 2, kRate = 3, kReport = 4, kGoTo = 5, kSpin = 6, kEntry = 7;

class GdbBctPageTest : public StationTest {
 protected:
  winsys::HeadlessDialog& open(int item, const std::string& name) {
    if (!station) {
      start();
      setUpCard();
      EXPECT_TRUE(menu(kTopGdbBct));
    }
    EXPECT_TRUE(menu(item));
    winsys::HeadlessDialog* page = windows.page(name);
    EXPECT_NE(page, nullptr);
    return *page;
  }
  // Steps the rate until the page shows `text`.
  static void chooseRate(winsys::HeadlessDialog& page, const std::string& text) {
    for (int i = 0; i < 3 && page.fullText(kRate) != text; ++i) page.click(kRateStep);
    ASSERT_EQ(page.fullText(kRate), text);
  }
  static void goTo(winsys::HeadlessDialog& page, const std::string& entry) {
    page.setText(kEntry, entry);
    page.click(kGoTo);
  }
  static std::string spin(winsys::HeadlessDialog& page, const std::string& entry,
                          ScrollAction action) {
    page.setText(kEntry, entry);
    page.scroll(kSpin, action);
    return page.fullText(kEntry);
  }
};

TEST_F(GdbBctPageTest, EntrySpinWrapsAtEachTablesEnd) {
  auto& page = open(kTables, "GDB_TABLES");
  EXPECT_EQ(page.fullText(kRate), " 100Hz");
  EXPECT_EQ(page.fullText(kEntry), "1");
  struct Case {
    const char* rate;
    const char* last;
  };
  for (Case c : {Case{" 100Hz", "100"}, Case{" 1Hz", "10000"}, Case{" 10Hz", "1000"}}) {
    chooseRate(page, c.rate);
    EXPECT_EQ(spin(page, c.last, ScrollAction::LineDown), "1") << c.rate;
    EXPECT_EQ(spin(page, "1", ScrollAction::LineUp), c.last) << c.rate;
    EXPECT_EQ(spin(page, "", ScrollAction::LineDown), "1") << c.rate;
    EXPECT_EQ(spin(page, "", ScrollAction::LineUp), c.last) << c.rate;
    EXPECT_EQ(page.fullText(kReport), "Done");
  }
  // The rate keeps the entry number, and the wrap follows the new rate.
  chooseRate(page, " 1Hz");
  goTo(page, "5000");
  EXPECT_EQ(page.fullText(kReport), "Done");
  chooseRate(page, " 100Hz");
  EXPECT_EQ(page.fullText(kEntry), "5000");
  EXPECT_EQ(spin(page, "5000", ScrollAction::LineDown), "1");
  EXPECT_EQ(spin(page, "5000", ScrollAction::LineUp), "4999");
  EXPECT_EQ(page.fullText(kReport), "251");  // no entry 4999 in the 100 Hz table
  // Other scroll actions do nothing, not even a report.
  page.setText(kReport, "");
  EXPECT_EQ(spin(page, "7", ScrollAction::PageDown), "7");
  EXPECT_EQ(page.fullText(kReport), "");
  EXPECT_EQ(spin(page, "x7", ScrollAction::LineDown), "x7");
  EXPECT_EQ(page.fullText(kReport), "SYNTAX");
}

}  // namespace
