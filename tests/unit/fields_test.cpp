// The field helpers every page parses and shows numbers with.
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

// Each case starts with a clear flag: (text, value, flag afterwards).
struct Parse {
  const char* text;
  uint32_t value;
  uint16_t flag;
};

TEST(DecToNum, DigitsUntilTheFirstBadCharacterWrappingModulo2To32) {
  for (const Parse& c :
       {Parse{"", 0, 0}, Parse{"12a", 12, 1}, Parse{"4294967296", 0, 0}, Parse{"4294967301", 5, 0},
        Parse{"-1", 0, 1}, Parse{" 1", 0, 1}, Parse{"+7", 0, 1}, Parse{"\xC3\xA9", 0, 1}}) {
    uint16_t flag = 0;
    EXPECT_EQ(ui::DecToNum(c.text, &flag), c.value) << c.text;
    EXPECT_EQ(flag, c.flag) << c.text;
  }
  uint16_t flag = 2;  // never cleared by the helper
  ui::DecToNum("5", &flag);
  EXPECT_EQ(flag, 2);
}

TEST(HexToNum, UpperCasesTheTextInPlaceAndStopsAtTheFirstBadCharacter) {
  for (const Parse& c : {Parse{"1f", 31, 0}, Parse{"0x10", 0, 1}, Parse{"ffffffff", 0xFFFFFFFF, 0},
                         Parse{"123456789", 0x23456789, 0}}) {
    uint16_t flag = 0;
    std::string text = c.text;
    EXPECT_EQ(ui::HexToNum(text, &flag), c.value) << c.text;
    EXPECT_EQ(flag, c.flag) << c.text;
    std::string upper = c.text;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(text, upper);
  }
}

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

TEST_F(FieldsTest, ScrollBarIdFindsTheHandleInEitherHalf) {
  uint16_t handle = page->handleOf(5);
  ASSERT_NE(handle, 0);
  EXPECT_EQ(ui::ScrollBarID(*page, handle), 5);
  EXPECT_EQ(ui::ScrollBarID(*page, static_cast<uint32_t>(handle) << 16), 5);
  EXPECT_EQ(ui::ScrollBarID(*page, 0), 0);
  EXPECT_EQ(ui::ScrollBarID(*page, 0xFFFF), 0);
}

// The page reads a field into a buffer of ten characters (nine and the terminator). A longer
// text is refused whole, and a number is checked against its field's width before the 32-bit
// helpers could wrap it.
TEST_F(FieldsTest, NumberFieldsRefuseTextPastTheBufferAndValuesPastTheirWidth) {
  struct Case {
    std::string text;
    uint32_t value;  // as the page stores it
    uint16_t flag;
  };
  const std::string zeros(9999, '0');
  const Case decimal[] = {
      {"", 0, 0},
      {"65535", 65535, 0},
      {"000065535", 65535, 0},
      {"65536", 0, 1},
      {"0000070000", 7000, 1},
      {zeros + "5", 0, 1},
      {"999999999", 0xFFFF & 999999999u, 1},
      {"12a", 12, 1},
  };
  for (const Case& c : decimal) {
    page->setText(7, c.text);
    uint16_t flag = 0;
    EXPECT_EQ(ui::DecField(*page, 7, 10, 0xFFFF, &flag), c.value) << c.text.substr(0, 12);
    EXPECT_EQ(flag, c.flag) << c.text.substr(0, 12);
  }
  const Case hex[] = {
      {"ffff", 0xFFFF, 0},      {"10000", 0, 1},         {"10000ABCD", 0xABCD, 1},
      {"FFFFFFFFF", 0xFFFF, 1}, {"0000ABCD", 0xABCD, 0}, {"00000ABCD0", 0xABCD, 1},
  };
  for (const Case& c : hex) {
    page->setText(7, c.text);
    uint16_t flag = 0;
    EXPECT_EQ(ui::HexField(*page, 7, 10, 0xFFFF, &flag), c.value) << c.text;
    EXPECT_EQ(flag, c.flag) << c.text;
  }
  // A 32-bit field: nine hex digits pass 32 bits, eight do not.
  page->setText(7, "100000000");
  uint16_t flag = 0;
  ui::HexField(*page, 7, 10, 0xFFFFFFFF, &flag);
  EXPECT_EQ(flag, 1);
  page->setText(7, "FFFFFFFF");
  flag = 0;
  EXPECT_EQ(ui::HexField(*page, 7, 10, 0xFFFFFFFF, &flag), 0xFFFFFFFFu);
  EXPECT_EQ(flag, 0);
  // The text itself: cut to the buffer, flagged only when something was cut.
  page->setText(7, "123456789");
  flag = 0;
  EXPECT_EQ(ui::FieldText(*page, 7, 10, &flag), "123456789");
  EXPECT_EQ(flag, 0);
  page->setText(7, "1234567890");
  EXPECT_EQ(ui::FieldText(*page, 7, 10, &flag), "123456789");
  EXPECT_EQ(flag, 1);
}

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
