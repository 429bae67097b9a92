// The firmware loader keeps to its buffer.
#include <gtest/gtest.h>

#include "debug/firmware.h"
#include "station_fixture.h"

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

}  // namespace
