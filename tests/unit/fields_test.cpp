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

TEST(ErrorField, PatternsForSyncAndSevDecimalOtherwise) {
  // Sync takes a six-digit binary pattern (a seventh digit is ignored, a missing one flagged, and
  // the scan goes on past a bad digit); the other types take decimal.
  struct Case {
    uint16_t type;
    Parse parse;
  };
  for (const Case& c : {Case{0x40, {"101010", 42, 0}}, Case{0x40, {"1010101", 42, 0}},
                        Case{0x40, {"10101", 42, 1}}, Case{0x40, {"1x1111", 0x2F, 1}},
                        Case{0x1100, {"101", 5, 0}}, Case{0x0080, {"70000", 70000 & 0xFFFF, 0}}}) {
    uint16_t flag = 0;
    EXPECT_EQ(ui::ErrFieldToNum(c.type, c.parse.text, &flag), c.parse.value) << c.parse.text;
    EXPECT_EQ(flag, c.parse.flag) << c.parse.text;
  }
  EXPECT_EQ(ui::NumToErrField(0x1100, 5), "101");
  EXPECT_EQ(ui::NumToErrField(0, 0), "0");
  EXPECT_EQ(ui::NumToErrField(0x40, 42), "101010");
  EXPECT_EQ(ui::NumToErrField(0x40, 0xFFC1), "000001");
  EXPECT_EQ(ui::NumToErrField(0x100, 65535), "65535");
}

TEST_F(FieldsTest, ShowHexLinesWritesPaddedWordsEachFollowedByABlank) {
  const uint16_t narrow[] = {0x0001, 0xABCD};
  ui::ShowHexLines(*page, 18, false, narrow, 2);
  EXPECT_EQ(page->fullText(18), "0001 ABCD ");
  const uint32_t wide[] = {0xFF123456, 0x7};
  ui::ShowHexLines(*page, 18, true, wide, 2);
  EXPECT_EQ(page->fullText(18), "123456 000007 ");
  ui::ShowHexLines(*page, 18, false, nullptr, 5);  // test pattern: always 32 words
  EXPECT_EQ(page->editLine(18, 0).substr(0, 15), "0000 0001 0002 ");
  EXPECT_NE(page->fullText(18).find("001F "), std::string::npos);
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

TEST_F(FieldsTest, ReadHexLinesWrapsTheBoxOnceHoweverManyLinesItHolds) {
  // Blank lines hold no token, so every one of them is read: a box wrapped again for each line
  // took seconds for a few thousand of them.
  std::string text;
  for (int i = 0; i < 8000; ++i) text += "   \n";
  text += "5 6";
  page->setText(18, text);
  CountingPage counting(*page);
  uint16_t words[4];
  EXPECT_EQ(ui::ReadHexLines(counting, 18, false, words, 4), 0);
  EXPECT_EQ(words[0], 5);
  EXPECT_EQ(words[1], 6);
  EXPECT_EQ(counting.wraps, 1);
}

TEST_F(FieldsTest, ReadHexLinesReadsTheWrappedLinesBackIntoTheWords) {
  page->setText(18, "1 2 3 4\n5 6");
  uint16_t words[32];
  std::fill(std::begin(words), std::end(words), 0xEEEE);
  EXPECT_EQ(ui::ReadHexLines(*page, 18, false, words, 32), 0);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(words[i], i < 6 ? i + 1 : 0) << i;

  page->setText(18, "12 ZZ 34\n56");
  EXPECT_EQ(ui::ReadHexLines(*page, 18, false, words, 32), 1);
  EXPECT_EQ(words[0], 0x12);
  EXPECT_EQ(words[1], 0);
  EXPECT_EQ(words[2], 0x34);
  EXPECT_EQ(words[3], 0);  // reading stops before the next line

  // A round trip of 512 wide words through a box that wraps them.
  uint32_t out[512], back[512];
  for (uint32_t i = 0; i < 512; ++i) out[i] = (i * 0x10203) & 0xFFFFFF;
  ui::ShowHexLines(*page, 18, true, out, 512);
  EXPECT_GT(page->editLineCount(18), 50);
  EXPECT_EQ(ui::ReadHexLines(*page, 18, true, back, 512), 0);
  EXPECT_TRUE(std::equal(std::begin(out), std::end(out), std::begin(back)));

  // More tokens than words: the count bounds what is stored.
  page->setText(18, "1 2 3 4 5");
  uint16_t three[3];
  EXPECT_EQ(ui::ReadHexLines(*page, 18, false, three, 3), 0);
  EXPECT_EQ(three[2], 3);
  // A blank line holds no token and the next one is read; an empty line stops.
  page->setText(18, "   \n7\n\n8");
  EXPECT_EQ(ui::ReadHexLines(*page, 18, false, words, 32), 0);
  EXPECT_EQ(words[0], 7);
  EXPECT_EQ(words[1], 0);
}

TEST_F(FieldsTest, ShowReportTextsAndBeeps) {
  ui::ShowReport(*page, 4, 0);
  EXPECT_EQ(page->fullText(4), "Done");
  EXPECT_EQ(windows.beeps(), 0);
  ui::ShowReport(*page, 4, 999);
  EXPECT_EQ(page->fullText(4), "SYNTAX");
  EXPECT_EQ(windows.beeps(), 1);
  ui::ShowReport(*page, 4, 900);
  EXPECT_EQ(page->fullText(4), "900");
  ui::ShowReport(*page, 4, 65535);
  EXPECT_EQ(page->fullText(4), "65535");
  EXPECT_EQ(windows.beeps(), 3);
}

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
