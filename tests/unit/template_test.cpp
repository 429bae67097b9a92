// The template parser refuses what would silently misbuild a window.
#include "winsys/template.h"

#include <gtest/gtest.h>

#include "resources/resources.h"

namespace {

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

}  // namespace
