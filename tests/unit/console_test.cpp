// The console's script reader: numbers are range-checked rather than cut to fit, nothing may run
// after the station has quit, and a very long tick passes without firing every timer.
#include "console/console.h"

#include <gtest/gtest.h>

#include <sstream>

#include "station_fixture.h"

namespace {

class ConsoleTest : public StationTest {
 protected:
  // Runs SCRIPT in the test's directory; the transcript goes to `out`.
  int run(const std::string& script) {
    out.str("");
    std::istringstream in(script);
    console::Console console(out);
    return console.run(in);
  }
  std::ostringstream out;
};

TEST_F(ConsoleTest, NumbersOutsideTheirRangeAreErrorsNotWrappedValues) {
  const std::string setup = "menu SETUP\n";
  for (const char* line :
       {"click 4294967297", "click -1", "type 65537 x", "select 2 -5", "page XARN_SETUP 2147483648",
        "page XARN_SETUP 0", "fail DUVEX_RdStatusDLL 1 2147483648", "fail DUVEX_RdStatusDLL 65536",
        "poke 0 FFFFFFFFFFFF", "poke 100000000 0", "peek -2", "expect-word 0 10000",
        "tick 18446744073709551", "tick 9223372036854775807", "tick -1", "tick 1000000001",
        "get-line 7 99999999999", "expect-line 7 -1 x"}) {
    EXPECT_EQ(run(setup + line + "\n"), 2) << line;
    EXPECT_NE(out.str().find("ERROR line 2:"), std::string::npos) << line << "\n" << out.str();
  }
  // The largest values in range still work.
  EXPECT_EQ(run("poke FFFFFFFF FFFF\ntick 0\nfail DUVEX_RdStatusDLL 65535 2147483647\n"), 0)
      << out.str();
}

TEST_F(ConsoleTest, NothingRunsAfterTheStationQuit) {
  EXPECT_EQ(run("answer yes\nmenu QUIT\nexpect-title WRONG\n"), 2);
  EXPECT_NE(out.str().find("ERROR line 3: the station has quit"), std::string::npos) << out.str();
  EXPECT_EQ(run("answer yes\nmenu QUIT\nmenu SETUP\n"), 2);
  // Comments and blank lines may follow the end.
  EXPECT_EQ(run("answer yes\nmenu QUIT\n\n# done\n   \n"), 0) << out.str();
  EXPECT_EQ(run("close\n# the window was closed\n"), 0) << out.str();
}

TEST_F(ConsoleTest, AVeryLongTickReturnsWithTheStatusPollStillRunning) {
  // 31 years of virtual time: the timers fire through the last hour only, so the status line
  // is current and the card's clock has moved the whole way.
  EXPECT_EQ(run("menu SETUP\nclick 1\nmenu LDB_BCT\ntick 1000000000\n"
                "expect-status \"LDB_BCT IDLE    \"\nexpect-beeps 1\n"
                "menu DEBUG/CMND\nclick 11\nexpect 12 11574:01:46:40.000000\n"),
            0)
      << out.str();
}

}  // namespace
