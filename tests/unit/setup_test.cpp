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

using SetupTest = StationTest;

TEST_F(SetupTest, FirstStartWritesTheDefaultBytes) {
  start();
  EXPECT_EQ(readFile("XARN_WIN.INI"), kDefaultIni);
}

TEST_F(SetupTest, ShortFileLoadsWhatItHasAndIsLeftAlone) {
  std::vector<uint8_t> bytes(20);
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
  ASSERT_TRUE(menu(5));
  auto* page = windows.page("XARN_SETUP");
  EXPECT_EQ(page->fullText(3), "2.0 Volts");
  EXPECT_EQ(page->fullText(5), "5.5 uS");
  EXPECT_EQ(page->fullText(9), "OFF");
  EXPECT_EQ(page->fullText(10), "16");
  EXPECT_EQ(page->fullText(22), " J1");
  EXPECT_EQ(page->fullText(28), " J4");
  EXPECT_EQ(page->fullText(33), " BIG   ");
  EXPECT_EQ(page->fullText(36), " PCI CARD");
  EXPECT_EQ(page->fullText(38), "  1");

  station->settings().txAmplitude = 100;
  page->scroll(2, winsys::ScrollAction::LineUp);
  EXPECT_EQ(page->fullText(3), "0.0 Volts");
  page->scroll(2, winsys::ScrollAction::LineDown);
  EXPECT_EQ(page->fullText(3), "10.0 Volts");
  page->scroll(2, winsys::ScrollAction::PageUp);
  EXPECT_EQ(station->settings().txAmplitude, 100);

  station->settings().interWordTxGap = 31;
  page->click(29);
  EXPECT_EQ(page->fullText(5), "0.0 uS");
  for (const char* shown : {" J2", " J3", " J4", " J1"}) {
    page->click(21);
    EXPECT_EQ(page->fullText(22), shown);
  }
  for (const char* shown : {"  2", "  3", "  4", "  1"}) {
    page->click(37);
    EXPECT_EQ(page->fullText(38), shown);
  }
  page->click(8);
  EXPECT_EQ(page->fullText(9), "ON ");
  EXPECT_EQ(station->settings().watchdogTimeout, 0x0010);
  page->click(14);
  EXPECT_EQ(page->fullText(15), "ON ");
  page->click(17);
  EXPECT_EQ(page->fullText(18), "IRIG-B  ");
  page->click(30);
  EXPECT_EQ(page->fullText(31), " 40");
  page->click(32);
  EXPECT_EQ(page->fullText(33), " LITTLE");
  // QUIT writes nothing.
  page->click(34);
  EXPECT_EQ(windows.openCount("XARN_SETUP"), 0);
  EXPECT_EQ(readFile("XARN_WIN.INI"), kDefaultIni);
}

TEST_F(SetupTest, OkParsesStoresAppliesAndSaves) {
  start();
  ASSERT_TRUE(menu(5));
  auto* page = windows.page("XARN_SETUP");
  page->setText(10, "40000");
  page->setText(4, "70000");
  page->setText(6, "");
  page->click(1);
  EXPECT_EQ(windows.openCount("XARN_SETUP"), 0);
  EXPECT_EQ(station->settings().watchdogTimeout, 0x8000 | 7232);
  EXPECT_EQ(station->settings().rtResponseTime, 4464);
  EXPECT_EQ(station->settings().rtResponseTimeout, 0);
  EXPECT_EQ(station->setupRecord().rtResponseTime, 4464);
  EXPECT_EQ(station->card().operatingMode, 1);
  auto bytes = readFile("XARN_WIN.INI");
  ASSERT_EQ(bytes.size(), 36u);
  EXPECT_EQ(bytes[4], 4464 & 0xFF);
}

TEST_F(SetupTest, SyntaxLeavesThePageOpenWithTheOtherFieldsStored) {
  start();
  ASSERT_TRUE(menu(5));
  auto* page = windows.page("XARN_SETUP");
  page->setText(4, "1x");
  page->setText(7, "33");
  page->click(1);
  EXPECT_EQ(page->fullText(16), "SYNTAX");
  EXPECT_EQ(windows.beeps(), 1);
  EXPECT_EQ(station->shell().hardwareInitialised, 0);
  EXPECT_EQ(station->settings().interWordGapTimeout, 33);  // parsed after the bad field
  EXPECT_EQ(station->settings().rtResponseTime, 1);
  EXPECT_EQ(xarnsim::callCount(&station->card(), "DUVEX_SetupDLL"), 0u);
}

TEST_F(SetupTest, TorbBoxWarnsAndAlwaysSendsBigEndian) {
  start();
  station->settings().endian = 0;
  station->settings().torbSerialPort = 3;
  ASSERT_TRUE(menu(5));
  auto* page = windows.page("XARN_SETUP");
  page->click(35);
  std::vector<std::string> calls;
  xarnsim::setTrace(&station->card(), [&](const std::string& c) { calls.push_back(c); });
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
  ASSERT_TRUE(menu(5));
  auto* page = windows.page("XARN_SETUP");
  xarnsim::failNext(&station->card(), "DUVEX_InitDLL", 77, 1);
  page->setText(4, "bad");  // not parsed: the init failed first
  page->click(1);
  EXPECT_EQ(page->fullText(16), "77");
  EXPECT_EQ(station->settings().rtResponseTime, 15);

  page->setText(4, "15");
  xarnsim::failNext(&station->card(), "DUVEX_SetupDLL", 55, 1);
  std::filesystem::remove("XARN_WIN.INI");
  page->click(1);
  EXPECT_EQ(page->fullText(16), "55");
  EXPECT_FALSE(std::filesystem::exists("XARN_WIN.INI"));

  // A write-protected INI file: the card is set up, but 900 keeps the modes closed.
  writeFile("XARN_WIN.INI", kDefaultIni);
  ::chmod("XARN_WIN.INI", 0444);
  page->click(1);
  EXPECT_EQ(page->fullText(16), "900");
  EXPECT_EQ(station->shell().hardwareInitialised, 0);
  EXPECT_EQ(windows.openCount("XARN_SETUP"), 1);
}

}  // namespace
