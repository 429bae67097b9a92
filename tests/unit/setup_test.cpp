// Card settings, the INI file and the setup page.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "setup/ini_file.h"
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

TEST_F(SetupTest, LongFileIsReadFromItsStartAndRewrittenAs36Bytes) {
  std::vector<uint8_t> bytes = kDefaultIni;
  bytes[0] = 0x1F;
  bytes.insert(bytes.end(), {0xAA, 0xBB, 0xCC, 0xDD});
  writeFile("XARN_WIN.INI", bytes);
  start();
  EXPECT_EQ(station->shell().lastCardResult, 0);
  EXPECT_EQ(station->settings().interWordTxGap, 31);
  bytes.resize(36);
  EXPECT_EQ(readFile("XARN_WIN.INI"), bytes);
}

TEST_F(SetupTest, AFileThatCannotBeReadLeavesTheDefaults) {
  std::filesystem::create_directory("XARN_WIN.INI");
  start();
  EXPECT_EQ(station->shell().lastCardResult, 900);
  EXPECT_EQ(station->settings().rtResponseTimeout, 50);
}

TEST_F(SetupTest, AFailedSaveKeepsThePreviousFile) {
  writeFile("XARN_WIN.INI", kDefaultIni);
  ::chmod("XARN_WIN.INI", 0444);
  setup::CardSettings changed;
  changed.txAmplitude = 77;
  EXPECT_EQ(setup::saveSettings(changed), 900);
  EXPECT_EQ(readFile("XARN_WIN.INI"), kDefaultIni);
  // No temporary file is left behind either.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator("."))
    files += !!entry.is_regular_file();
  EXPECT_EQ(files, 1);
  EXPECT_EQ(setup::saveSettings(changed, "no-such-dir/XARN_WIN.INI"), 900);
}

TEST(SetupRecord, CarriesTheSettingsAndTheConstantsInOrder) {
  setup::CardSettings s;
  s.wordSize = 0x8000;
  s.clockMode = 0x8000;
  SetupRecord r = setup::makeSetupRecord(s);
  const auto* words = reinterpret_cast<const uint16_t*>(&r);
  const uint16_t expected[] = {0xFFFF, 0xFFFF, 0x8000, 11,     15,     50,     0x0203,
                               10,     0x8010, 0x8010, 20,     0x1980, 0x1A81, 0,
                               0x0008, 0x0002, 0x0004, 0x0001, 0x0200, 0,      0x8000};
  for (size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(words[i], expected[i]) << i;
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

TEST_F(SetupTest, SyntaxLeavesThePageOpenWithTheOtherFieldsStored) {
  start();
  auto* page = openSetup();
  EXPECT_EQ(press(*page, {{4, "1x"}, {7, "33"}}, 1, 16), "SYNTAX");
  EXPECT_EQ(windows.beeps(), 1);
  EXPECT_EQ(windows.openCount("XARN_SETUP"), 1);
  EXPECT_EQ(station->shell().hardwareInitialised, 0);
  EXPECT_EQ(station->settings().interWordGapTimeout, 33);  // parsed after the bad field
  EXPECT_EQ(station->settings().rtResponseTime, 1);
  EXPECT_EQ(xarnsim::callCount(card(), "DUVEX_SetupDLL"), 0u);
}

TEST_F(SetupTest, TorbBoxWarnsAndAlwaysSendsBigEndian) {
  start();
  station->settings().endian = 0;
  station->settings().torbSerialPort = 3;
  auto* page = openSetup();
  page->click(35);
  std::vector<std::string> calls;
  xarnsim::setTrace(card(), [&](const std::string& c) { calls.push_back(c); });
  events.clear();
  page->click(1);
  EXPECT_EQ(events.front(),
            "msgbox Torb Box Initialisation Delay | Torb Box will be initialised 18 seconds after "
            "OK button is pressed -> ok");
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front(), "DUVEX_InitDLL(card, 2, 1, 3) = 0");
}

TEST_F(SetupTest, CardFailuresAreShownAndNothingIsSaved) {
  start();
  auto* page = openSetup();
  xarnsim::failNext(card(), "DUVEX_InitDLL", 77, 1);
  page->setText(4, "bad");  // not parsed: the init failed first
  EXPECT_EQ(press(*page, 1, 16), "77");
  EXPECT_EQ(station->settings().rtResponseTime, 15);

  page->setText(4, "15");
  xarnsim::failNext(card(), "DUVEX_SetupDLL", 55, 1);
  std::filesystem::remove("XARN_WIN.INI");
  EXPECT_EQ(press(*page, 1, 16), "55");
  EXPECT_FALSE(std::filesystem::exists("XARN_WIN.INI"));

  // A write-protected INI file: the card is set up, but 900 keeps the modes closed.
  writeFile("XARN_WIN.INI", kDefaultIni);
  ::chmod("XARN_WIN.INI", 0444);
  EXPECT_EQ(press(*page, 1, 16), "900");
  EXPECT_EQ(station->shell().hardwareInitialised, 0);
  EXPECT_EQ(windows.openCount("XARN_SETUP"), 1);
}

}  // namespace
