// The GDB_MRT pages through the headless window system: the terminal page and the RT queue page,
// against the simulated card.
#include <gtest/gtest.h>

#include <string>

#include "card/xarndll.h"
#include "station_fixture.h"

namespace {

using winsys::ScrollAction;

// Menu ids.
constexpr int kTopGdbMrt = 11, kRtPage = 1;
// Terminal page controls.
constexpr int kRead = 1, kRtSpin = 2, kRt = 3, kRtEnable = 4, kChannelSpin = 6, kChannel = 7;
constexpr int kChannelEnable = 8, kErrorStep = 10, kErrorType = 11, kSize = 12,
              kCommandAddress = 13;
constexpr int kResponseData = 18, kUnsolicitedSync = 23, kUnsolicitedData = 24, kTypeStep = 25;
constexpr int kType = 26, kTime = 27, kNotAnd = 28, kOr = 29, kReport = 30, kUpdate = 31;

constexpr uint32_t kTerminals = 0x121500;
constexpr uint32_t kPool = 0x123500;

class GdbMrtPageTest : public StationTest {
 protected:
  void enter() {
    start();
    setUpCard();
    ASSERT_TRUE(menu(kTopGdbMrt));
  }
  winsys::HeadlessDialog& rtPage() {
    if (!station) enter();
    EXPECT_TRUE(menu(kRtPage));
    return *windows.page("GDB_RT_RTS");
  }
  static std::string spin(winsys::HeadlessDialog& page, int bar, int field, const std::string& from,
                          ScrollAction action) {
    page.setText(field, from);
    page.scroll(bar, action);
    return page.fullText(field);
  }
};

TEST_F(GdbMrtPageTest, TerminalAndChannelSpinsWrap) {
  auto& page = rtPage();
  expectFields(page, kRt, "0", kChannel, "0", kReport, "Done", kErrorType, "No Errors", kType,
               "Respond as COMMAND or MEASUREMENT  ", kNotAnd, "0000", kOr, "0000");
  EXPECT_EQ(spin(page, kRtSpin, kRt, "255", ScrollAction::LineUp), "0");
  EXPECT_EQ(spin(page, kRtSpin, kRt, "0", ScrollAction::LineDown), "255");
  EXPECT_EQ(spin(page, kRtSpin, kRt, "17", ScrollAction::PageUp), "17");  // no step, no read
  page.setText(kRt, "0");
  EXPECT_EQ(spin(page, kChannelSpin, kChannel, "255", ScrollAction::LineUp), "0");
  EXPECT_EQ(spin(page, kChannelSpin, kChannel, "0", ScrollAction::LineDown), "255");
  // A typed channel past the card's limit steps on; the card then refuses it.
  EXPECT_EQ(spin(page, kChannelSpin, kChannel, "300", ScrollAction::LineUp), "301");
  EXPECT_EQ(page.fullText(kReport), "251");
  // With extended channels the channel runs to 65535.
  option("extended-channels", "1");
  EXPECT_EQ(spin(page, kChannelSpin, kChannel, "0", ScrollAction::LineDown), "65535");
  EXPECT_EQ(page.fullText(kReport), "Done");
  EXPECT_EQ(spin(page, kChannelSpin, kChannel, "65535", ScrollAction::LineUp), "0");
  // Bad numbers: SYNTAX, nothing read.
  for (const std::string& bad : {std::string("256"), std::string("x"), std::string(10000, '9')}) {
    EXPECT_EQ(press(page, {{kRt, bad}}, kRead, kReport), "SYNTAX") << bad.substr(0, 10);
  }
  EXPECT_EQ(press(page, {{kRt, "1"}, {kChannel, "70000"}}, kRead, kReport), "SYNTAX");
}

TEST_F(GdbMrtPageTest, UpdateWritesTheChannelThenTheTerminal) {
  auto& page = rtPage();
  fill(page, {{kRt, "5"}, {kChannel, "3"}});
  clicks(page, {kRead, kRtEnable, kChannelEnable, kCommandAddress});
  for (int i = 0; i < 3; ++i) page.click(kErrorStep);
  EXPECT_EQ(page.fullText(kErrorType), "Sync      ");
  page.setText(kSize, "101010");
  clicks(page, {kTypeStep, kTypeStep});
  EXPECT_EQ(page.fullText(kType), "Respond as MEASUREMENT only        ");
  fill(page, {{kResponseData, "abcd"}, {kNotAnd, "f0"}, {kOr, "1"}, {kTime, "25"}});
  EXPECT_EQ(press(page, 22, kUnsolicitedSync), "CMND");
  EXPECT_EQ(press(page, {{kUnsolicitedData, "0"}}, kUpdate, kReport), "Done");
  uint32_t rt = kTerminals + 5 * 32;
  expectWords(rt, {{0, 0x8000}, {10, 0x0040}, {12, 0x2A}, {14, 1}});
  EXPECT_EQ(word(kPool), 1);  // the channel's pool entry
  expectWords(kPool, {{2, 5}, {4, 3}, {14, 1}, {22, 0xABCD}, {24, 0x0400}, {26, 0x00F0}, {30, 25}});
  // Read back: masks as four hex digits, data without leading zeros, 0 as "0".
  expectFields(clicked(page, kRead), kNotAnd, "00F0", kOr, "0001", kResponseData, "ABCD",
               kUnsolicitedData, "0", kSize, "101010", kTime, "25");
  EXPECT_TRUE(page.isChecked(kCommandAddress));

  // A bad size for Sync, a value past 16 bits: SYNTAX, nothing written.
  EXPECT_EQ(press(page, {{kSize, "10101x"}}, kUpdate, kReport), "SYNTAX");
  EXPECT_EQ(press(page, {{kSize, "000111"}, {kTime, "65536"}}, kUpdate, kReport), "SYNTAX");
  EXPECT_EQ(word(rt + 12), 0x2A);
  // A refused channel write skips the terminal write.
  page.setText(kTime, "1");
  page.click(kRtEnable);
  EXPECT_EQ(press(page, {{kChannel, "256"}}, kUpdate, kReport), "251");
  EXPECT_EQ(word(rt), 0x8000);
  EXPECT_EQ(press(page, {{kRt, "256"}, {kChannel, "3"}}, kUpdate, kReport), "251");
  EXPECT_EQ(word(kPool + 32), 0);
}

TEST_F(GdbMrtPageTest, UnknownCodesShowTheFirstEntries) {
  enter();
  GdbRtChanRecord c{.writeMarker = 0xFFFFFFFF, .channelEnable = 1, .responseType = 0x0800};
  ASSERT_EQ(DUVEX_WrGdbRtChanDLL(card(), 0, 0, &c), 0);
  auto& page = rtPage();
  EXPECT_EQ(page.fullText(kType), "Respond as COMMAND or MEASUREMENT  ");
  EXPECT_TRUE(page.isChecked(kChannelEnable));
  EXPECT_FALSE(page.isChecked(kRtEnable));
}

}  // namespace
