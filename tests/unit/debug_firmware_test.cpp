// The firmware loader (file format, buffer, bounds, handshake) and what the simulated card does
// with the image it is handed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <tuple>

#include "debug/firmware.h"
#include "station_fixture.h"
#include "xarndll/sim/firmware.h"

namespace {

class FirmwareLoaderTest : public StationTest {
 protected:
  void SetUp() override {
    StationTest::SetUp();
    start();
    setUpCard();
  }
  static void text(const std::string& name, const std::string& content) {
    writeFile(name, std::vector<uint8_t>(content.begin(), content.end()));
  }
  // The card is given time to finish a previous upgrade first.
  uint16_t upgrade(const std::string& high, const std::string& low) {
    windows.advance(5000);
    text("FW.HGH", high);
    text("FW.LOW", low);
    return debug::UpgradeFirmware(card(), "FW.HGH", "FW.LOW");
  }
};

TEST_F(FirmwareLoaderTest, FormatErrorsStopWithWhatWasLoadedSoFar) {
  const char* bad[] = {
      "12 1a\n",        // lower-case second digit
      "12 34",          // last byte without a separator
      "12 3\n",         // one digit
      "123\n",          // three digits
      "$B0000,\n12\n",  // not an address record
      "$A00g0,\n",      // lower-case digit in the address
      "$A0000;\n",      // no comma
      "$A0000,",        // no separator after the comma
  };
  for (const char* high : bad) {
    EXPECT_EQ(upgrade(high, ""), 902) << high;
    EXPECT_EQ(word(0x0008), 0) << "no handshake after " << high;
  }
  EXPECT_EQ(upgrade("12 1a\n", ""), 902);
  EXPECT_EQ(word(0x2000), 0x1200);
  // A lower-case letter where a byte could start is skipped, not an error.
  EXPECT_EQ(upgrade("ab 12\n", ""), 0);
  EXPECT_EQ(word(0x2000), 0x1200);
}

TEST_F(FirmwareLoaderTest, NothingIsWrittenPastTheFirmwareBuffer) {
  poke(0x12000, 0xA5A5);  // the first LDB message, just past the buffer
  EXPECT_EQ(upgrade("$A7FFF,\n01 02\n", ""), 902);
  expectWords({{0x11FFE, 0x0100}, {0x12000, 0xA5A5}});
  EXPECT_EQ(upgrade("$A8000,\n", ""), 902);
  EXPECT_EQ(upgrade("$AFFFF,\n01\n", ""), 902);
  EXPECT_EQ(upgrade("$A7FFF,\n", "01 02\n"), 902);
  EXPECT_EQ(word(0x12000), 0xA5A5);
  EXPECT_EQ(word(0x0008), 0);  // no handshake
}

TEST_F(FirmwareLoaderTest, RefusalsBeforeTheCardIsTouched) {
  xarnsim::resetCallCounts(card());
  EXPECT_EQ(debug::UpgradeFirmware(card(), "NONE.HGH", "NONE.LOW"), 900);
  text("ONLY.HGH", "12\n");
  EXPECT_EQ(debug::UpgradeFirmware(card(), "ONLY.HGH", "ONLY.LOW"), 900);
  text("RO.HGH", "12\n");
  text("RO.LOW", "34\n");
  ::chmod("RO.LOW", 0444);  // the files are opened for update
  EXPECT_EQ(debug::UpgradeFirmware(card(), "RO.HGH", "RO.LOW"), 900);
  EXPECT_EQ(xarnsim::callCount(card(), "wWDLL"), 0u);

  xarnsim::failNext(card(), "DUVEX_CommandDLL", 249, 1);
  EXPECT_EQ(debug::UpgradeFirmware(card(), "NONE.HGH", "NONE.LOW"), 249);
  EXPECT_EQ(xarnsim::callCount(card(), "wWDLL"), 0u);
}

TEST_F(FirmwareLoaderTest, CardThatNeverAcknowledgesGivesStatus2) {
  option("firmware-ack", "0");
  xarnsim::resetCallCounts(card());
  EXPECT_EQ(upgrade("12\n", "34\n"), debug::kUpgradeNoAcknowledge);
  EXPECT_EQ(word(0x0006), 0x2B71);
  EXPECT_EQ(xarnsim::callCount(card(), "rWDLL"), 2u + 60000u);  // two bytes, then the poll
  // The card never starts programming: the words stay and it is not busy.
  windows.advance(60000);
  EXPECT_EQ(word(0x0004), 0x19E4);
  EXPECT_EQ(DUVEX_CommandDLL(card(), 10), 0);
}

// ---- What the card does with the image

// An image of `words` words (header and check word included) of revision `revision`, as the two
// upgrade files.
std::vector<uint16_t> makeImage(uint16_t revision, uint16_t length) {
  std::vector<uint16_t> image(length);
  image[0] = xarnsim::firmware::kImageMarker;
  image[1] = revision;
  image[2] = length;
  for (uint16_t i = 3; i + 1 < length; ++i) image[i] = static_cast<uint16_t>(i * 0x9E37u);
  image[length - 1] = xarnsim::firmware::checkWord(image.data(), length - 1u);
  return image;
}

std::string byteFile(const std::vector<uint16_t>& image, bool high) {
  std::string text = "$A0000,\r\n";
  char byte[4];
  for (size_t i = 0; i < image.size(); ++i) {
    std::snprintf(byte, sizeof byte, "%02X", high ? image[i] >> 8 : image[i] & 0xFF);
    text += byte;
    text += i % 16 == 15 ? "\r\n" : " ";
  }
  return text + "\r\n";
}

TEST_F(FirmwareLoaderTest, CardRefusesADamagedImageAndKeepsItsFirmware) {
  struct Case {
    const char* what;
    void (*damage)(std::vector<uint16_t>&);
    uint16_t result;
  };
  const Case cases[] = {
      {"check word", [](std::vector<uint16_t>& w) { w[10] ^= 1; }, xarnsim::firmware::kBadCheck},
      {"marker", [](std::vector<uint16_t>& w) { w[0] = 0; }, xarnsim::firmware::kNoImage},
      {"length", [](std::vector<uint16_t>& w) { w[2] = 3; }, xarnsim::firmware::kBadLength},
      {"too long", [](std::vector<uint16_t>& w) { w[2] = 0x8001; }, xarnsim::firmware::kBadLength},
      {"revision", [](std::vector<uint16_t>& w) { w[1] = 0; }, xarnsim::firmware::kBadRevision},
  };
  for (const Case& c : cases) {
    std::vector<uint16_t> image = makeImage(5, 20);
    c.damage(image);
    ASSERT_EQ(upgrade(byteFile(image, true), byteFile(image, false)), 0) << c.what;
    windows.advance(5000);
    CardIdRecord id{};
    ASSERT_EQ(DUVEX_GetCardIDDLL(card(), &id), 0);
    EXPECT_EQ(std::tuple(id.firmwareRevision, id.checksumHigh, id.checksumLow),
              std::tuple(3, 0x0017, 0x4E2B))
        << c.what;
    EXPECT_EQ(word(0x1FFF1E), c.result) << c.what;
  }
}

TEST(FirmwareCheckWord, IsTheCcittCrcOfTheBytesHighFirst) {
  // "123456789" without its last byte, as words: the CRC of "12345678".
  const uint16_t words[] = {0x3132, 0x3334, 0x3536, 0x3738};
  EXPECT_EQ(xarnsim::firmware::checkWord(words, 4), 0xA12B);
  EXPECT_EQ(xarnsim::firmware::checkWord(words, 0), 0xFFFF);
}

}  // namespace
