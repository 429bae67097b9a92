// The local-bus pages through the headless window system: the message page and the terminal
// page, against the simulated card.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "card/xarndll.h"
#include "station_fixture.h"
#include "xarndll/control.h"

namespace {

using winsys::ScrollAction;

// Menu ids.
constexpr int kTopLdbBct = 1, kTopLdbMrt = 2, kMessages = 1;
constexpr int kRtPage = 1;

class LdbPageTest : public StationTest {
 protected:
  // A station with its card set up, in `mode`.
  void enter(int mode) {
    start();
    setUpCard();
    ASSERT_TRUE(menu(mode));
  }
  winsys::HeadlessDialog& open(int mode, int item, const std::string& name) {
    if (!station) enter(mode);
    EXPECT_TRUE(menu(item));
    winsys::HeadlessDialog* page = windows.page(name);
    EXPECT_NE(page, nullptr);
    return *page;
  }

  // Writes message `number` straight to the card.
  void defineMessage(uint16_t number, uint32_t command, uint16_t errorType = 0x0100) {
    std::vector<uint32_t> data(512);
    for (uint32_t i = 0; i < 512; ++i) data[i] = i;
    ErrorInjectionRecord error{2, errorType, 5};
    MessageBufferRecord buffer{.wordLimit = 512, .data = data.data()};
    BcMessageRecord m{.messageNumber = number,
                      .direction = 1,
                      .bus = 0x4000,
                      .commandWord = command,
                      .errorInjection = &error,
                      .buffer = &buffer};
    ASSERT_EQ(DUVEX_WrMsgDLL(card(), &m), 0);
  }
  std::vector<std::string> boxWords(winsys::HeadlessDialog& page, int id) {
    std::vector<std::string> words;
    std::string text = page.fullText(id);
    size_t pos = 0;
    while ((pos = text.find_first_not_of(" \n", pos)) != std::string::npos) {
      size_t end = text.find_first_of(" \n", pos);
      words.push_back(text.substr(pos, end - pos));
      pos = end;
    }
    return words;
  }
  std::vector<std::string> calls;
};

// ---- Message page

TEST_F(LdbPageTest, MessageGetShowsTheDefinitionAsTheCardHoldsIt) {
  enter(kTopLdbBct);
  defineMessage(1, 7u << 19 | 5u << 15 | 0x123);
  defineMessage(2, 1u << 19 | 6u << 15, 0x1234);  // a code the page does not know
  auto& page = open(kTopLdbBct, kMessages, "BCT_MESS");
  expectFields(page, 4, "Done", 10, "7", 13, " GAH", 27, "0123", 8, "SEC", 26, "TX", 24, "ON ", 21,
               "2", 20, "No Errors", 29, "Page: 0");
  EXPECT_EQ(boxWords(page, 18).size(), 512u);
  EXPECT_EQ(boxWords(page, 18)[511], "0001FF");

  expectFields(scrolled(page, 5, ScrollAction::LineUp), 6, "2", 13, "0110", 20, "No Errors");

  // The spin wraps at 1 and 99 and steps from a typed number; 0 and 150 are refused by the card.
  struct Step {
    const char* typed;
    ScrollAction action;
    const char* shown;
    const char* report;
  };
  for (const Step& step : {Step{"99", ScrollAction::LineUp, "1", "Done"},
                           Step{"1", ScrollAction::LineDown, "99", "Done"},
                           Step{"150", ScrollAction::LineUp, "151", "251"},
                           Step{"150", ScrollAction::LineDown, "149", "251"},
                           Step{"0", ScrollAction::LineDown, "99", "Done"}}) {
    page.setText(6, step.typed);
    expectFields(scrolled(page, 5, step.action), 6, step.shown, 4, step.report);
  }
  EXPECT_EQ(press(page, {{6, "0"}}, 3, 4), "SYNTAX");

  // A failed read changes no field (message 99, never defined, was the last one read).
  page.setText(6, "2");
  xarnsim::failNext(card(), "DUVEX_RdMsgDLL", 250, 1);
  EXPECT_EQ(press(page, 3, 4), "250");
  EXPECT_EQ(page.fullText(13), "0000");
}

// ---- Terminal page

TEST_F(LdbPageTest, TerminalPageShowsStatesActionsAndErrorCategories) {
  enter(kTopLdbMrt);
  uint32_t rt0 = 0x059400;
  poke(rt0 + 8, 0x0010);   // RT state
  poke(rt0 + 4, 0x1400);   // action
  poke(rt0 + 96, 1);       // defined
  poke(rt0 + 40, 0x0040);  // GAH errors: Sync, pattern 101010
  poke(rt0 + 42, 42);
  auto& page = open(kTopLdbMrt, kRtPage, "MRT_PAGE");
  expectFields(page, 7, "WFSR", 29, "NON CRITICAL - NOT READY", 27, "BOTH", 14, " GAH Errors", 16,
               "Sync      ", 18, "101010");
  EXPECT_EQ(press(page, 13, 14), " IND Errors");
  EXPECT_EQ(page.fullText(16), "Parity    ");  // blank memory holds code 0
  poke(rt0 + 8, 0x0003);
  EXPECT_EQ(press(page, 3, 7), "WFI");
  EXPECT_EQ(page.fullText(14), " GAH Errors");

  // Store keeps the error in the page; Update sends it with the DTT count cut to 10 bits.
  page.click(13);  // IND
  page.click(15);  // Manchester
  EXPECT_EQ(press(page, {{17, "4"}, {18, "12"}}, 12, 4), "Done");
  page.click(15);  // Sync: 12 is no pattern of six binary digits
  EXPECT_EQ(press(page, 12, 4), "SYNTAX");
  page.setText(32, "7ff");
  page.click(2);
  expectWords(rt0, {{6, 0x3FF}, {44, 4}, {46, 0x0080}, {48, 12}});
  EXPECT_EQ(press(page, {{25, "12 ZZ"}}, 2, 4), "SYNTAX");
  EXPECT_EQ(word(rt0 + 6), 0x3FF);
}

}  // namespace
