// Templates and menus as data: the parser, the station's own resources, and word wrap.
#include "winsys/template.h"

#include <gtest/gtest.h>

#include "resources/resources.h"

namespace {

TEST(Resources, EveryMenuAndTemplateReadsCleanly) {
  EXPECT_EQ(resources::faults(), std::vector<std::string>{});
  for (const char* menu : {"TOP_MENU", "LDB_BCT_MENU", "LDB_MRT_MENU", "BUS_MON_MENU",
                           "GDB_BCT_MENU", "GDB_MRT_MENU", "MDM_MRT_MENU"})
    EXPECT_NE(resources::menu(menu), nullptr) << menu;
  const winsys::Menu* top = resources::menu("TOP_MENU");
  ASSERT_NE(top->findLabel("DEBUG/CMND"), nullptr);
  EXPECT_EQ(top->findLabel("DEBUG/CMND")->id, 9);
  EXPECT_EQ(top->find(10)->label, "GDB_BCT");
  EXPECT_EQ(top->findLabel("DEBUG"), nullptr);  // a pop-up is no command
}

TEST(Templates, ParserRefusesWhatWouldSilentlyMisbuildAWindow) {
  winsys::DialogTemplate t;
  std::string error;
  ASSERT_TRUE(winsys::parseDialog(
      "DIALOG X 10 10\nTITLE \" A \\\"b\\\"\"\nEDIT 3 0 0 5 5 \"\" READONLY", t, error));
  EXPECT_EQ(t.title, " A \"b\"");
  EXPECT_TRUE(t.control(3)->readOnly);
  EXPECT_EQ(t.control(-1), nullptr);
  // A control whose text was left out would take its first flag as its text.
  EXPECT_FALSE(winsys::parseDialog("DIALOG X 10 10\nMULTIEDIT 18 0 0 5 5 VSCROLL", t, error));
  EXPECT_FALSE(
      winsys::parseDialog("DIALOG X 10 10\nEDIT 3 0 0 5 5 \"\"\nEDIT 3 0 0 5 5 \"\"", t, error));
  EXPECT_NE(error.find("line 3"), std::string::npos);
  EXPECT_FALSE(winsys::parseDialog("DIALOG X 10 10\nEDIT 3 0 0 5 5 \"\" BOLD", t, error));
  EXPECT_FALSE(winsys::parseDialog("TITLE \"no dialog line\"", t, error));
  winsys::Menu m;
  EXPECT_FALSE(winsys::parseMenu("MENU M\nPOPUP \"P\"\nITEM 1 \"A\"", m, error));
  EXPECT_FALSE(winsys::parseMenu("MENU M\nEND", m, error));
}

TEST(WrapLines, BreaksAfterBlanksAndKeepsExplicitLines) {
  using V = std::vector<std::string>;
  EXPECT_EQ(winsys::wrapLines("", 10), V{});
  EXPECT_EQ(winsys::wrapLines("0001 0002 0003 ", 10), (V{"0001 0002 ", "0003 "}));
  EXPECT_EQ(winsys::wrapLines("0001 0002 0003", 9), (V{"0001 0002 ", "0003"}));
  EXPECT_EQ(winsys::wrapLines("0001 0002 0003", 8), (V{"0001 ", "0002 ", "0003"}));
  EXPECT_EQ(winsys::wrapLines("ABCDEFGHIJKL", 5), (V{"ABCDE", "FGHIJ", "KL"}));
  EXPECT_EQ(winsys::wrapLines("1 2\r\n\n3", 10), (V{"1 2", "", "3"}));
  EXPECT_EQ(winsys::wrapLines("12  34", 2), (V{"12  ", "34"}));  // blanks hang on the line
}

}  // namespace
