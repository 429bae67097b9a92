// The size fields every page parses: sizes past sixteen bits are refused, patterns kept.
#include "ui/fields.h"

#include <gtest/gtest.h>

#include "winsys/headless/headless.h"

namespace {

class NullPage final : public winsys::DialogProc {
 public:
  void init() override {}
  void command(int) override {}
  void scroll(uint32_t, winsys::ScrollAction) override {}
  void timer(int) override {}
};

// A page with a number field (7) on the headless window system.
class FieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(winsys::parseDialog("DIALOG T 200 100\nEDIT 7 80 0 50 12 \"\"\n", layout, error))
        << error;
    ASSERT_TRUE(
        windows.openModeless(layout, [](winsys::Dialog&) { return std::make_unique<NullPage>(); }));
    page = windows.page("T");
  }
  winsys::DialogTemplate layout;
  winsys::HeadlessWindowSystem windows;
  winsys::HeadlessDialog* page = nullptr;
};

TEST_F(FieldsTest, SizeFieldsRefuseSizesPastSixteenBitsButKeepTheirPatterns) {
  struct Case {
    uint16_t type;
    const char* text;
    uint16_t value;
    uint16_t flag;
  };
  for (const Case& c :
       {Case{0, "65535", 65535, 0}, Case{0, "65536", 0, 1}, Case{0x0100, "000000070", 70, 0},
        Case{0x0100, "0000000070", 7, 1}, Case{0x0040, "1010101", 42, 0},
        Case{0x0040, "101010xxxx", 42, 1}, Case{0x1100, "101", 5, 0}}) {
    page->setText(7, c.text);
    uint16_t flag = 0;
    EXPECT_EQ(ui::ErrField(*page, 7, 10, c.type, &flag), c.value) << c.text;
    EXPECT_EQ(flag, c.flag) << c.text;
  }
}

}  // namespace
