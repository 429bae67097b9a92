// The INI file, the setup page, and a setup file whose save fails.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "setup/ini_file.h"
#include "setup/setup_files.h"
#include "station_fixture.h"

namespace {

const std::vector<uint8_t> kDefaultIni = {0x0B, 0x00, 0x0A, 0x00, 0x0F, 0x00, 0x32, 0x00, 0x10,
                                          0x80, 0x10, 0x80, 0x14, 0x00, 0x08, 0x00, 0x02, 0x00,
                                          0x04, 0x00, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                          0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00};

class SetupTest : public StationTest {
 protected:
  // The setup page, opened from the top menu.
  winsys::HeadlessDialog* openSetup() {
    EXPECT_TRUE(menu(5));
    return windows.page("XARN_SETUP");
  }
};

TEST_F(SetupTest, ShortFileLoadsWhatItHasAndIsLeftAlone) {
  std::vector<uint8_t> bytes(21);  // ten settings and half of the eleventh
  for (size_t i = 0; i < bytes.size(); i += 2) bytes[i] = static_cast<uint8_t>(i / 2 + 1);
  writeFile("XARN_WIN.INI", bytes);
  start();
  EXPECT_EQ(station->shell().lastCardResult, 902);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(station->settings().word(i), i + 1);
  setup::CardSettings defaults;
  for (int i = 10; i < 18; ++i) EXPECT_EQ(station->settings().word(i), defaults.word(i));
  EXPECT_EQ(readFile("XARN_WIN.INI"), bytes);
}

TEST_F(SetupTest, PageShowsTheSettingsAndStepsThem) {
  start();
  auto* page = openSetup();
  expectFields(*page, 3, "2.0 Volts", 5, "5.5 uS", 9, "OFF", 10, "16", 22, " J1", 28, " J4", 33,
               " BIG   ", 36, " PCI CARD", 38, "  1");

  station->settings().txAmplitude = 100;
  EXPECT_EQ(scrolled(*page, 2, winsys::ScrollAction::LineUp).fullText(3), "0.0 Volts");
  EXPECT_EQ(scrolled(*page, 2, winsys::ScrollAction::LineDown).fullText(3), "10.0 Volts");
  page->scroll(2, winsys::ScrollAction::PageUp);
  EXPECT_EQ(station->settings().txAmplitude, 100);

  station->settings().interWordTxGap = 31;
  EXPECT_EQ(press(*page, 29, 5), "0.0 uS");
  for (const char* shown : {" J2", " J3", " J4", " J1"}) EXPECT_EQ(press(*page, 21, 22), shown);
  for (const char* shown : {"  2", "  3", "  4", "  1"}) EXPECT_EQ(press(*page, 37, 38), shown);
  EXPECT_EQ(press(*page, 8, 9), "ON ");
  EXPECT_EQ(station->settings().watchdogTimeout, 0x0010);
  EXPECT_EQ(press(*page, 14, 15), "ON ");
  EXPECT_EQ(press(*page, 17, 18), "IRIG-B  ");
  EXPECT_EQ(press(*page, 30, 31), " 40");
  EXPECT_EQ(press(*page, 32, 33), " LITTLE");
  // QUIT writes nothing.
  page->click(34);
  EXPECT_EQ(windows.openCount("XARN_SETUP"), 0);
  EXPECT_EQ(readFile("XARN_WIN.INI"), kDefaultIni);
}

// A save that fails, before it writes or half way, says so and keeps the previous file whole.
TEST_F(SetupTest, FailedSaveKeepsThePreviousFileWhole) {
  start();
  setUpCard();
  ASSERT_TRUE(menu(3));
  const std::vector<uint8_t> previous = {'o', 'l', 'd'};
  writeFile("KEEP.SUP", previous);
  ::chmod("KEEP.SUP", 0444);
  EXPECT_EQ(setup::SaveSetup(card(), "KEEP.SUP"), 900);
  EXPECT_EQ(readFile("KEEP.SUP"), previous);
  EXPECT_EQ(setup::SaveSetup(card(), "NO-SUCH-DIR/X.SUP"), 900);

  // A write that fails half way (the file size limit stands in for a full disk).
  ::chmod("KEEP.SUP", 0644);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 1 << 20;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  uint16_t status = setup::SaveSetup(card(), "KEEP.SUP");
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(status, 901);
  EXPECT_EQ(readFile("KEEP.SUP"), previous);
  EXPECT_EQ(filesHere(), (std::vector<std::string>{"KEEP.SUP", "XARN_WIN.INI"}));
}

}  // namespace
