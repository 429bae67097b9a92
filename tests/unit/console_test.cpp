// The console's script reader refuses numbers outside their range rather than cut them to fit
// and runs nothing after the station has quit; a save writes the transcript and devices where
// they are, one that cannot be written is an error that changes no file; help opens at the
// section the operator asked from.
#include "console/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <utility>
#include <vector>

#include "app/modes.h"
#include "console_fixture.h"
#include "resources/resources.h"

namespace {

using ConsoleTest = ConsoleScriptTest;

TEST_F(ConsoleTest, NumbersOutsideTheirRangeAreErrorsNotWrappedValues) {
  const std::string setup = "menu SETUP\n";
  for (const char* line :
       {"click 4294967297", "click -1", "type 65537 x", "select 2 -5", "page XARN_SETUP 2147483648",
        "page XARN_SETUP 0", "fail DUVEX_RdStatusDLL 1 2147483648", "fail DUVEX_RdStatusDLL 65536",
        "poke 0 FFFFFFFFFFFF", "poke 100000000 0", "peek -2", "expect-word 0 10000",
        "tick 18446744073709551", "tick 9223372036854775807", "tick -1", "tick 1000000001",
        "get-line 7 99999999999", "expect-line 7 -1 x"}) {
    EXPECT_EQ(run(setup + line + "\n"), 2) << line;
    EXPECT_TRUE(said("ERROR line 2:")) << line;
  }
  // The largest values in range still work.
  EXPECT_EQ(run("poke FFFFFFFF FFFF\ntick 0\nfail DUVEX_RdStatusDLL 65535 2147483647\n"), 0)
      << out.str();
}

TEST_F(ConsoleTest, NothingRunsAfterTheStationQuit) {
  EXPECT_EQ(run("answer yes\nmenu QUIT\nexpect-title WRONG\n"), 2);
  EXPECT_TRUE(said("ERROR line 3: the station has quit"));
  EXPECT_EQ(run("answer yes\nmenu QUIT\nmenu SETUP\n"), 2);
  // Comments and blank lines may follow the end.
  EXPECT_EQ(run("answer yes\nmenu QUIT\n\n# done\n   \n"), 0) << out.str();
  EXPECT_EQ(run("close\n# the window was closed\n"), 0) << out.str();
}

// Help where the operator asks for it: the top menu opens the contents, a mode's HELP the mode's
// section, F1 on a page the page's. Every section named exists in the manual.
TEST_F(ConsoleTest, HelpOpensAtTheSectionItWasAskedFrom) {
  EXPECT_EQ(run("menu HELP\nmenu SETUP\nkey F1\nclick 1\nmenu GDB_BCT\nmenu HELP\nmenu TABLES\n"
                "key F1\nkey F2\n"),
            2);
  EXPECT_TRUE(said("> menu HELP\nhelp XARN.HLP\n"));
  EXPECT_TRUE(said("> key F1\nhelp XARN.HLP#setup\n"));
  EXPECT_TRUE(said("> menu HELP\nhelp XARN.HLP#gdb\n"));
  EXPECT_TRUE(said("ERROR line 9: key F1: no key F2"));

  auto manual = std::filesystem::path(XARN_SOURCE_DIR) / "resources" / "help" / "index.html";
  std::ifstream in(manual);
  ASSERT_TRUE(in) << manual;
  const std::string html{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  auto anchored = [&html](const std::string& section) {
    return !section.empty() && html.find("name=\"" + section + "\"") != std::string::npos;
  };
  for (const std::string& name : resources::dialogNames()) {
    EXPECT_TRUE(anchored(resources::dialog(name)->help))
        << name << " HELP \"" << resources::dialog(name)->help << "\"";
  }
  for (app::Mode mode : {app::Mode::LdbBct, app::Mode::LdbMrt, app::Mode::BusMon, app::Mode::GdbBct,
                         app::Mode::GdbMrt, app::Mode::MdmMrt}) {
    EXPECT_TRUE(anchored(app::modeInfo(mode)->help)) << app::modeInfo(mode)->name;
  }
}

// A list that cannot be saved is an error that says why, and every file stays as it was.
TEST_F(ConsoleTest, ASaveThatCannotBeWrittenIsAnErrorAndLeavesNothingBehind) {
  namespace fs = std::filesystem;
  fs::create_directory("folder");
  std::ofstream("protected.csv") << "keep";
  ::chmod("protected.csv", 0444);
  ::mkfifo("pipe.csv", 0644);
  fs::create_symlink("loop.csv", "loop.csv");
  const std::vector<std::string> before = {"XARN_WIN.INI", "folder", "loop.csv", "pipe.csv",
                                           "protected.csv"};
  const std::string saveOnSetupsPage = "menu SETUP\nclick 1\nmenu LDB_BCT\nmenu SETUPS\nsave 7 ";
  for (const auto& [file, why] : std::vector<std::pair<std::string, std::string>>{
           {"folder", "it is a directory"},
           {"missing/queue.csv", "no such directory missing"},
           {"protected.csv", "it is write-protected"},
           {"pipe.csv", "it is not a regular file"},
           {"loop.csv", "its symbolic links go round in a loop"},
           {std::string(300, 'n') + ".csv", "the name is too long"}}) {
    EXPECT_EQ(run(saveOnSetupsPage + file + '\n'), 2) << file;
    EXPECT_TRUE(
        said(std::string("ERROR line 5: cannot write ").append(file).append(": ").append(why)));
    EXPECT_EQ(filesHere(), before) << file;
  }
  EXPECT_EQ(readFile("protected.csv"), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
}

// A save to the console's own output, a device or a link to one writes where they are: never a
// new file renamed over them.
TEST_F(ConsoleTest, TheTranscriptAndDevicesAreWrittenWhereTheyAreNeverReplaced) {
  std::filesystem::create_symlink("/dev/null", "null.csv");
  std::fflush(stdout);
  const int terminal = ::dup(STDOUT_FILENO);
  const int file = ::open("transcript.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_TRUE(terminal >= 0 && file >= 0);
  ASSERT_EQ(::dup2(file, STDOUT_FILENO), STDOUT_FILENO);
  ::close(file);
  struct stat redirected {};
  ::fstat(STDOUT_FILENO, &redirected);
  int result = -1;
  {
    std::istringstream in(
        "menu SETUP\nclick 1\nmenu LDB_BCT\nmenu SETUPS\nsave 7 /dev/stdout\n"
        "save 7 transcript.txt\nsave 7 /dev/null\nsave 7 null.csv\n");
    console::Console console(std::cout);
    result = console.run(in);
    std::cout.flush();
  }
  std::fflush(stdout);
  ::dup2(terminal, STDOUT_FILENO);
  ::close(terminal);

  EXPECT_EQ(result, 0);
  struct stat after {};
  ASSERT_EQ(::stat("transcript.txt", &after), 0);
  EXPECT_EQ(after.st_ino, redirected.st_ino);  // the same file, not one renamed over it
  const std::vector<uint8_t> bytes = readFile("transcript.txt");
  const std::string transcript(bytes.begin(), bytes.end());
  EXPECT_TRUE(transcript.starts_with("title XARN TRAVINE-BUS simulation station\n")) << transcript;
  EXPECT_NE(transcript.find("> save 7 /dev/stdout\nSetup file\r\nsaved 0 lines to /dev/stdout\n"
                            "> save 7 transcript.txt\nSetup file\r\nsaved 0 lines to "
                            "transcript.txt\n> save 7 /dev/null\nsaved 0 lines to /dev/null\n"
                            "> save 7 null.csv\nsaved 0 lines to null.csv\n"),
            std::string::npos)
      << transcript;
  EXPECT_TRUE(std::filesystem::is_symlink("null.csv"));
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
  EXPECT_EQ(filesHere(), (std::vector<std::string>{"XARN_WIN.INI", "null.csv", "transcript.txt"}));
}

}  // namespace
