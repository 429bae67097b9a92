// Files that are not what the station expects where it expects one: named pipes are refused at
// once, without waiting for a writer; a save through a symbolic link writes the link's target and
// never replaces the link with a file of its own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "debug/firmware.h"
#include "setup/setup_files.h"
#include "station_fixture.h"

namespace {

namespace fs = std::filesystem;
using HostileFilesTest = StationTest;

TEST_F(HostileFilesTest, NamedPipesAreRefusedWithoutWaitingForAWriter) {
  ASSERT_EQ(::mkfifo("XARN_WIN.INI", 0644), 0);
  start();  // would block for ever on a pipe opened to read
  EXPECT_EQ(station->shell().lastCardResult, 900);
  EXPECT_TRUE(fs::is_fifo("XARN_WIN.INI"));  // not replaced by a settings file
  EXPECT_EQ(station->settings().rtResponseTimeout, 50);

  // OK on the setup page cannot save the settings into the pipe: the card stays closed.
  std::string why;
  ASSERT_TRUE(windows.menuCommand(5, why)) << why;
  EXPECT_EQ(press(*windows.page("XARN_SETUP"), 1, 16), "900");
  EXPECT_EQ(station->shell().hardwareInitialised, 0);
  fs::remove("XARN_WIN.INI");
  windows.page("XARN_SETUP")->click(1);
  ASSERT_EQ(station->shell().hardwareInitialised, 1);
  ASSERT_TRUE(menu(1));
  ASSERT_EQ(::mkfifo("PIPE.SUP", 0644), 0);
  EXPECT_EQ(setup::LoadSetup(card(), "PIPE.SUP"), 900);
  EXPECT_EQ(setup::SaveSetup(card(), "PIPE.SUP"), 900);
  ASSERT_EQ(::mkfifo("PIPE.HGH", 0644), 0);
  StationTest::writeFile("PIPE.LOW", {'1', '2', '\n'});
  EXPECT_EQ(debug::UpgradeFirmware(card(), "PIPE.HGH", "PIPE.LOW"), 900);
  EXPECT_TRUE(fs::is_fifo("PIPE.SUP"));
}

TEST_F(HostileFilesTest, SavesThroughALinkWriteTheTargetAndKeepTheLink) {
  fs::create_directory("store");
  fs::create_symlink("store/station.ini", "XARN_WIN.INI");  // dangling until the first save
  start();
  EXPECT_EQ(station->shell().lastCardResult, 0);
  EXPECT_TRUE(fs::is_symlink("XARN_WIN.INI"));
  EXPECT_EQ(fs::file_size("store/station.ini"), 36u);

  setUpCard();
  ASSERT_TRUE(menu(1));
  poke(0x12002, 0x4321);
  StationTest::writeFile("store/kept.sup", {0});
  fs::create_symlink("store/kept.sup", "LINKED.SUP");
  ASSERT_EQ(setup::SaveSetup(card(), "LINKED.SUP"), 0);
  EXPECT_TRUE(fs::is_symlink("LINKED.SUP"));
  EXPECT_EQ(fs::file_size("store/kept.sup"), 2096892u);
  poke(0x12002, 0);
  ASSERT_EQ(setup::LoadSetup(card(), "LINKED.SUP"), 0);
  EXPECT_EQ(word(0x12002), 0x4321);
  // The temporary file went beside the target and is gone.
  EXPECT_EQ(std::distance(fs::directory_iterator("store"), fs::directory_iterator()), 2);

  // A link that loops names no file: the save fails and the links stay.
  fs::create_symlink("LOOP_B.SUP", "LOOP_A.SUP");
  fs::create_symlink("LOOP_A.SUP", "LOOP_B.SUP");
  EXPECT_NE(setup::SaveSetup(card(), "LOOP_A.SUP"), 0);
  EXPECT_TRUE(fs::is_symlink("LOOP_A.SUP"));
}

}  // namespace
