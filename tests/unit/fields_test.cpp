// The size fields every page parses: sizes past sixteen bits are refused, patterns kept.
#include "ui/fields.h"

#include <gtest/gtest.h>

#include <cctype>

#include "winsys/headless/headless.h"

namespace {

class NullPage final : public winsys::DialogProc {
 public:
  void init() override {}
  void command(int) override {}
  void scroll(uint32_t, winsys::ScrollAction) override {}
  void timer(int) override {}
};

// A page with one multi-line box (id 18), 40 characters wide, a Report field (4), a scroll
// bar (5) and a number field (7), on the headless window system.
class FieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(
        winsys::parseDialog("DIALOG T 200 100\n"
                            "EDIT 4 0 0 50 12 \"\" READONLY\n"
                            "SCROLLBAR 5 60 0 10 20 \"\"\n"
                            "MULTIEDIT 18 0 20 174 60 \"\" VSCROLL\n"
                            "EDIT 7 80 0 50 12 \"\"\n",
                            layout, error))
        << error;
    ASSERT_TRUE(
        windows.openModeless(layout, [](winsys::Dialog&) { return std::make_unique<NullPage>(); }));
    page = windows.page("T");
  }
  winsys::DialogTemplate layout;
  winsys::HeadlessWindowSystem windows;
  winsys::HeadlessDialog* page = nullptr;
};

// A page that passes everything on to another and counts how often a reader has a box wrapped.
class CountingPage final : public winsys::Dialog {
 public:
  explicit CountingPage(winsys::Dialog& inner) : inner_(inner) {}
  const winsys::DialogTemplate& layout() const override { return inner_.layout(); }
  void setText(int id, std::string_view text) override { inner_.setText(id, text); }
  std::string text(int id, int limit) const override { return inner_.text(id, limit); }
  void setChecked(int id, bool checked) override { inner_.setChecked(id, checked); }
  bool isChecked(int id) const override { return inner_.isChecked(id); }
  void listReset(int id) override { inner_.listReset(id); }
  void listAdd(int id, std::string_view line) override { inner_.listAdd(id, line); }
  void listSetTabStops(int id, const std::vector<int>& s) override {
    inner_.listSetTabStops(id, s);
  }
  void listSelect(int id, int index) override { inner_.listSelect(id, index); }
  int listSelection(int id) const override { return inner_.listSelection(id); }
  int listCount(int id) const override { return inner_.listCount(id); }
  std::string listLine(int id, int index) const override { return inner_.listLine(id, index); }
  void editClear(int id) override { inner_.editClear(id); }
  void editAppend(int id, std::string_view text) override { inner_.editAppend(id, text); }
  int editLineCount(int id) const override {
    ++wraps;
    return inner_.editLineCount(id);
  }
  std::string editLine(int id, int line) const override {
    ++wraps;
    return inner_.editLine(id, line);
  }
  std::vector<std::string> editLines(int id) const override {
    ++wraps;
    return inner_.editLines(id);
  }
  int controlIdOfHandle(uint16_t handle) const override { return inner_.controlIdOfHandle(handle); }
  void startTimer(int id, int periodMs) override { inner_.startTimer(id, periodMs); }
  void stopTimer(int id) override { inner_.stopTimer(id); }
  void end(int result) override { inner_.end(result); }
  winsys::WindowSystem& windows() override { return inner_.windows(); }

  mutable int wraps = 0;

 private:
  winsys::Dialog& inner_;
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
