// The local-bus pages through the headless window system: the message page, the frame and run
// pages, the queue page and the terminal page, against the simulated card.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "card/xarndll.h"
#include "station_fixture.h"
#include "xarndll/control.h"

namespace {

using winsys::ScrollAction;

// Menu ids.
constexpr int kTopLdbBct = 1, kTopLdbMrt = 2, kMessages = 1, kFrame = 2, kRun = 3, kQueueBct = 5;
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
  BcMessageRecord readMessage(uint16_t number, std::vector<uint32_t>& data) {
    data.assign(1024, 0xEEEEEE);
    static ErrorInjectionRecord error;
    static MessageBufferRecord buffer;
    buffer = MessageBufferRecord{.wordLimit = 1024, .data = data.data()};
    BcMessageRecord m{.messageNumber = number, .errorInjection = &error, .buffer = &buffer};
    EXPECT_EQ(DUVEX_RdMsgDLL(card(), &m), 0);
    return m;
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
  void traceCalls() {
    xarnsim::setTrace(card(), [this](const std::string& line) { calls.push_back(line); });
  }
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

TEST_F(LdbPageTest, MessageUpdateParsesEveryFieldIntoTheCard) {
  auto& page = open(kTopLdbBct, kMessages, "BCT_MESS");
  page.scroll(9, ScrollAction::LineDown);  // RT 0 wraps to 31
  EXPECT_EQ(page.fullText(10), "31");
  page.scroll(12, ScrollAction::LineDown);  // code 0 wraps to 15
  EXPECT_EQ(page.fullText(13), "1111");
  page.setText(27, "ffff");
  page.setText(11, "65541");  // 65536 + 5
  page.setText(14, "3");
  clicks(page, {7, 25, 23});
  page.click(19);  // Parity
  page.click(19);  // Manchester
  EXPECT_EQ(press(page, {{21, "2"}, {22, "9"}, {18, "1 2 3"}}, 2, 4), "Done");

  std::vector<uint32_t> data;
  BcMessageRecord m = readMessage(1, data);
  EXPECT_EQ(+m.commandWord, 31u << 19 | 15u << 15 | 0x7FFF);
  EXPECT_EQ(+m.gapTime, 5u);
  EXPECT_EQ(+m.wordCount, 3);
  EXPECT_EQ(+m.sev, 1);
  EXPECT_EQ(+m.bus, 0x4000);  // PRI as read, toggled once
  EXPECT_EQ(+m.errorInjection->errorType, 0x0080);
  EXPECT_EQ(+m.errorInjection->sizePosition, 9);
  EXPECT_EQ(data[2], 3u);
  EXPECT_EQ(data[3], 0u);

  // A bad sync pattern or a bad data line: SYNTAX and no card call.
  page.click(19);  // Sync
  page.setText(22, "10101");
  xarnsim::resetCallCounts(card());
  EXPECT_EQ(press(page, 2, 4), "SYNTAX");
  EXPECT_EQ(press(page, {{22, "101010"}, {18, "12 ZZ 34"}}, 2, 4), "SYNTAX");
  // A number longer than the nine characters read is refused, not cut (it would be gap 5).
  EXPECT_EQ(press(page, {{18, "1 2 3"}, {11, "0000000050"}}, 2, 4), "SYNTAX");
  EXPECT_EQ(press(page, {{11, "000000050"}, {22, std::string(9999, '0') + "5"}}, 2, 4), "SYNTAX");
  EXPECT_EQ(xarnsim::callCount(card(), "DUVEX_WrMsgDLL"), 0u);
}

TEST_F(LdbPageTest, MessageDataPagesSnapAndInitTxData) {
  enter(kTopLdbBct);
  defineMessage(1, 3u << 19);
  auto& page = open(kTopLdbBct, kMessages, "BCT_MESS");
  page.click(15);  // Snap on
  for (int i = 0; i < 3; ++i) page.scroll(28, ScrollAction::LineUp);
  EXPECT_EQ(page.fullText(29), "Page: 3");
  page.click(3);
  auto words = boxWords(page, 18);
  ASSERT_EQ(words.size(), 64u);
  EXPECT_EQ(words.front(), "0000C0");  // word 192
  EXPECT_EQ(words.back(), "0000FF");

  // One page in the box: Update puts it back in its place and the other words stay.
  page.setText(18, "ABC");
  page.click(2);
  std::vector<uint32_t> data;
  readMessage(1, data);
  EXPECT_EQ(data[191], 191u);
  EXPECT_EQ(data[192], 0xABCu);
  EXPECT_EQ(data[193], 0u);
  EXPECT_EQ(data[256], 256u);
  EXPECT_EQ(data[511], 511u);

  for (int i = 0; i < 4; ++i) page.scroll(28, ScrollAction::LineDown);
  EXPECT_EQ(page.fullText(29), "Page: 7");  // 0 wraps to 448
  page.click(15);                           // Snap off: all 512 words, back at page 0
  page.click(3);
  EXPECT_EQ(boxWords(page, 18).size(), 512u);
  EXPECT_EQ(page.fullText(29), "Page: 0");

  EXPECT_EQ(press(page, {{18, "123456"}}, 30, 4), "Done");
  words = boxWords(page, 18);
  EXPECT_EQ(words[0], "1A3455");
  EXPECT_EQ(words[1], "180005");
  EXPECT_EQ(press(page, {{18, "12 ZZ"}}, 30, 4), "SYNTAX");

  // Snap refreshes on the timer; closing keeps the RT but restarts Snap and the page.
  page.click(15);
  windows.advance(1000);
  EXPECT_EQ(page.fullText(29), "Page: 0");
  page.click(1);
  auto& again = open(kTopLdbBct, kMessages, "BCT_MESS");
  EXPECT_EQ(again.fullText(10), "3");
  EXPECT_EQ(boxWords(again, 18).size(), 512u);
}

// ---- Frame and run

TEST_F(LdbPageTest, FrameSlotsEndAtTheFirstEmptySlotAndTheDurationIsInHalfMicroseconds) {
  auto& page = open(kTopLdbBct, kFrame, "MAJOR_FRAME");
  EXPECT_EQ(page.fullText(1), "Done");
  EXPECT_EQ(page.fullText(5), "0");
  EXPECT_EQ(press(page, {{5, "1000"}, {101, "5"}, {102, "7"}, {104, "9"}}, 2, 1), "Done");
  EXPECT_EQ(word(0x045100), 2000);
  EXPECT_EQ(word(0x045106), 2);
  EXPECT_EQ(press(page, 3, 103), "");
  EXPECT_EQ(page.fullText(104), "");

  poke(0x045100, 2001);
  EXPECT_EQ(press(page, 3, 5), "1000.5");
  EXPECT_EQ(press(page, 2, 1), "SYNTAX");

  page.setText(5, "10");
  for (int i = 0; i < 50; ++i) page.setText(101 + i, std::to_string(i % 99 + 1));
  EXPECT_EQ(press(page, 2, 1), "Done");
  EXPECT_EQ(word(0x045106), 50);
  EXPECT_EQ(press(page, {{102, "x"}}, 2, 1), "SYNTAX");
  EXPECT_EQ(word(0x045106), 50);
  // A slot reads three digits: a fourth is refused, not dropped (0001 would end the list at 0).
  EXPECT_EQ(press(page, {{102, "0001"}}, 2, 1), "SYNTAX");
  page.setText(102, "001");
  page.setText(5, "00000000000010");  // the duration reads fourteen
  EXPECT_EQ(press(page, 2, 1), "Done");
  EXPECT_EQ(press(page, {{5, "000000000000010"}}, 2, 1), "SYNTAX");
  EXPECT_EQ(word(0x045106), 50);
}

TEST_F(LdbPageTest, RunTakesACountOrRunsForever) {
  auto& page = open(kTopLdbBct, kRun, "RUN_BCT");
  EXPECT_EQ(page.fullText(4), "Forever");
  traceCalls();
  for (const char* text : {"forever", "F", "Fred", "10", "65546", "Forever", "Forever and ever"}) {
    EXPECT_EQ(press(page, {{4, text}}, 2, 1), "Done") << text;
  }
  EXPECT_EQ(press(page, {{4, "1x"}}, 2, 1), "SYNTAX");
  page.setText(4, "0000000010");  // longer than the nine characters read
  EXPECT_EQ(press(page, 2, 1), "SYNTAX");
  std::vector<std::string> runs;
  for (const std::string& c : calls) {
    if (c.rfind("DUVEX_RunLdbBcDLL", 0) == 0) runs.push_back(c);
  }
  std::vector<std::string> expected;
  for (int count : {0, 0, 0, 10, 10, 0, 0})
    expected.push_back("DUVEX_RunLdbBcDLL(card, " + std::to_string(count) + ") = 0");
  EXPECT_EQ(runs, expected);
}

// ---- Queue

TEST_F(LdbPageTest, QueueListsAtMostFifteenEntriesAndSwapsItsChoice) {
  enter(kTopLdbBct);
  defineMessage(1, 0);
  uint16_t list[100] = {1};
  FrameRecord frame{200, 0, 1, list};  // 100 us
  ASSERT_EQ(DUVEX_WrProgDLL(card(), &frame), 0);
  ASSERT_EQ(DUVEX_RunLdbBcDLL(card(), 20), 0);
  windows.advance(1000);
  auto& page = open(kTopLdbBct, kQueueBct, "XARN_QUE");
  EXPECT_TRUE(page.isChecked(8));
  EXPECT_EQ(page.listCount(6), 15);
  EXPECT_EQ(page.listLine(6, 0), " Msg 001  No Errors");
  EXPECT_EQ(clicked(page, 3).listCount(6), 5);  // the other 15 were taken
  EXPECT_EQ(clicked(page, 3).listCount(6), 1);
  EXPECT_EQ(page.listLine(6, 0), "EMPTY");

  page.click(8);  // Msg already ticked: switches to Bin
  EXPECT_TRUE(page.isChecked(7));
  EXPECT_FALSE(page.isChecked(8));
  page.click(4);  // Refresh: reading leaves the entries in place
  page.click(3);
  std::string first = page.listLine(6, 0);
  EXPECT_EQ(clicked(page, 3).listLine(6, 0), first);
  EXPECT_EQ(clicked(page, 2).listCount(6), 0);
  EXPECT_EQ(clicked(page, 3).listLine(6, 0), "EMPTY");
  page.click(5);  // Snap on: the choice stays
  EXPECT_TRUE(clicked(page, 7).isChecked(7));
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

TEST_F(LdbPageTest, TerminalPageSnapPages) {
  enter(kTopLdbMrt);
  auto& page = open(kTopLdbMrt, kRtPage, "MRT_PAGE");
  EXPECT_EQ(scrolled(page, 5, ScrollAction::LineDown).fullText(6), "31");
  page.click(3);
  std::string words;
  for (int i = 0; i < 512; ++i) words += "000" + std::to_string(100 + i) + " ";
  EXPECT_EQ(press(page, {{25, words}}, 2, 4), "Done");

  page.click(20);  // Snap
  for (int i = 0; i < 15; ++i) page.scroll(21, ScrollAction::LineUp);
  EXPECT_EQ(page.fullText(22), "Page: 15");
  page.click(13);
  windows.advance(1000);  // the tick reads again and returns to the first category
  EXPECT_EQ(page.fullText(14), " GAH Errors");
  auto tx = boxWords(page, 25);
  ASSERT_EQ(tx.size(), 32u);
  EXPECT_EQ(tx[0], "000580");  // word 480
  EXPECT_EQ(boxWords(page, 26).size(), 32u);

  // Update with a page in the box writes that page only; a bad RX line alone refuses it.
  EXPECT_EQ(press(page, {{25, "1 2"}}, 2, 4), "Done");
  uint32_t tx31 = 0x059400 + 31 * 4224 + 128;
  EXPECT_EQ(word(tx31 + 4 * 480), 1);
  EXPECT_EQ(word(tx31 + 4 * 482), 0);
  EXPECT_EQ(word(tx31 + 4 * 479), 0x579);
  EXPECT_EQ(word(tx31), 0x100);
  EXPECT_EQ(press(page, {{26, "1 Q"}}, 2, 4), "SYNTAX");
}

}  // namespace
