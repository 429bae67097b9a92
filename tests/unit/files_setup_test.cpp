// Setup files: the file's exact form, the round trip through card memory, refusals that leave
// the card or the previous file untouched, names and the listing; and the about box.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>

#include "setup/about_page.h"
#include "setup/setup_files.h"
#include "station_fixture.h"

namespace {

constexpr int kBusMon = 3;

class SetupFilesTest : public StationTest {
 protected:
  // A station with an initialised card, in `mode` as the mode menu would enter it.
  void startInMode(int mode) {
    start();
    setUpCard();
    ASSERT_TRUE(menu(mode));
    ASSERT_EQ(station->card().operatingMode, mode);
  }
  uint64_t calls(const char* function) {
    uint64_t n = xarnsim::callCount(card(), function);
    xarnsim::resetCallCounts(card());
    return n;
  }

  // A file of `mode` whose image words are `image` (the rest of a full file left out).
  static std::vector<uint8_t> fileOf(uint16_t mode, const std::vector<uint16_t>& image) {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(mode), static_cast<uint8_t>(mode >> 8)};
    for (uint16_t w : image) {
      bytes.push_back(static_cast<uint8_t>(w));
      bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    return bytes;
  }

  winsys::HeadlessDialog* openSetups() {
    EXPECT_TRUE(station->openPage("SUPdialog", false));
    return windows.page("SETUPS");
  }
};

TEST_F(SetupFilesTest, SavedFileHasTheModeTheImageAndTheLastWordTwiceAndLoadsBack) {
  startInMode(kBusMon);
  poke(0x000006, 0x6666);  // below the image: neither saved nor loaded
  poke(0x000008, 0x1111);
  poke(0x12000, 0xA55A);
  poke(0x1FFEFE, 0xBEEF);
  calls("rWDLL");
  ASSERT_EQ(setup::SaveSetup(card(), "BUS.SUP"), 0);
  EXPECT_EQ(calls("rWDLL"), 1048444u);

  std::vector<uint8_t> bytes = readFile("BUS.SUP");
  ASSERT_EQ(bytes.size(), 2096892u);
  EXPECT_EQ(bytes[0], 0x03);
  EXPECT_EQ(bytes[1], 0x00);
  EXPECT_EQ(bytes[2], 0x11);  // the word at 0x000008 follows the header
  EXPECT_EQ(bytes[3], 0x11);
  // The bus-select word 0x0020, set to 0x000F on entering BUS_MON, and a buffer word.
  EXPECT_EQ(bytes[2 + (0x0020 - 8)], 0x0F);
  EXPECT_EQ(bytes[2 + (0x12000 - 8)], 0x5A);
  EXPECT_EQ(bytes[2 + (0x12000 - 8) + 1], 0xA5);
  std::vector<uint8_t> tail(bytes.end() - 4, bytes.end());
  EXPECT_EQ(tail, (std::vector<uint8_t>{0xEF, 0xBE, 0xEF, 0xBE}));

  for (uint32_t address : {0x000008u, 0x012000u, 0x1FFEFEu}) poke(address, 0);
  poke(0x000006, 0x0606);
  calls("wWDLL");
  ASSERT_EQ(setup::LoadSetup(card(), "BUS.SUP"), 0);
  EXPECT_EQ(calls("wWDLL"), 1048444u);
  EXPECT_EQ(word(0x000008), 0x1111);
  EXPECT_EQ(word(0x012000), 0xA55A);
  EXPECT_EQ(word(0x1FFEFE), 0xBEEF);
  EXPECT_EQ(word(0x000006), 0x0606);
}

TEST_F(SetupFilesTest, FailedSaveKeepsThePreviousFileWhole) {
  startInMode(kBusMon);
  const std::vector<uint8_t> previous = {'o', 'l', 'd'};
  auto onlyFiles = [] {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator("."))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };

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
  EXPECT_EQ(onlyFiles(), (std::vector<std::string>{"KEEP.SUP", "XARN_WIN.INI"}));
}

TEST_F(SetupFilesTest, PageSavesTypedNamesAndLoadsListedOnesAsListed) {
  startInMode(kBusMon);
  writeFile("lower.sup", fileOf(kBusMon, std::vector<uint16_t>(1048444, 0x5151)));
  writeFile("notes.txt", {1});
  std::filesystem::create_directory("folder.sup");
  winsys::HeadlessDialog* page = openSetups();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->listCount(7), 1);
  EXPECT_EQ(page->listLine(7, 0), "lower.sup");

  EXPECT_EQ(press(*page, {{2, "abc.sup"}}, 4, 1), "Done");
  EXPECT_EQ(readFile("ABC.SUP").size(), 2096892u);
  EXPECT_EQ(page->listCount(7), 1);  // listed again only at the next opening

  EXPECT_EQ(press(*page, {{2, ".SUP"}}, 4, 1), "903");
  EXPECT_EQ(press(*page, {{2, "abc.txt"}}, 3, 1), "903");
  EXPECT_EQ(windows.beeps(), 2);

  page->setText(2, "ABC.SUP");
  page->listSelect(7, 0);
  EXPECT_EQ(press(*page, 3, 1), "Done");
  EXPECT_EQ(page->fullText(2), "lower.sup");
  EXPECT_EQ(word(0x000008), 0x5151);

  page->click(6);
  EXPECT_EQ(windows.openCount("SETUPS"), 0);
  page = openSetups();
  EXPECT_EQ(page->listCount(7), 2);
  EXPECT_EQ(page->listLine(7, 0), "ABC.SUP");
}

class AboutTest : public StationTest {
 protected:
  winsys::HeadlessDialog* openAbout() {
    std::string why;
    EXPECT_TRUE(windows.menuCommand(8, why)) << why;
    return windows.page("XARN_ABOUT");
  }
};

TEST_F(AboutTest, ShowsTheIdentityWithoutAnInitialisedCard) {
  start();
  // A driver that does not answer leaves the record as it was: zeros before its first answer.
  xarnsim::failNext(card(), "DUVEX_GetCardIDDLL", 250, 1);
  winsys::HeadlessDialog* page = openAbout();
  ASSERT_NE(page, nullptr);
  expectFields(*page, 7, "00000", 5, "0000", 6, "0000", 4, "Rev 9", 3, "");
  EXPECT_EQ(windows.beeps(), 0);  // the status is kept, not shown
  page->click(1);

  option("serial", "1234");
  option("firmware-rev", "0");
  page = openAbout();
  expectFields(*page, 2, "7K20419M03 Rev 1.1", 3, "XARNDLL SIM 1.0", 4, "Rev 9", 7, "01234", 5,
               "0017", 6, "4E2B");
  page->click(1);

  option("serial", "123456");
  option("firmware-rev", "7");
  page = openAbout();
  EXPECT_EQ(page->fullText(7), "123456");
  EXPECT_EQ(page->fullText(4), "Rev 10");
}

}  // namespace
