// A station test that drives the station through the console: a script in, the transcript in
// `out`, the console's exit status back.
#pragma once

#include <sstream>
#include <string>

#include "console/console.h"
#include "station_fixture.h"

class ConsoleScriptTest : public StationTest {
 protected:
  // Runs SCRIPT in the test's directory; the transcript goes to `out`.
  int run(const std::string& script) {
    out.str("");
    std::istringstream in(script);
    console::Console console(out);
    return console.run(in);
  }
  // The transcript holds `text`; when it does not, the failure shows the transcript's start.
  ::testing::AssertionResult said(const std::string& text) const {
    if (out.str().find(text) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no \"" << text << "\" in\n"
                                         << out.str().substr(0, 2000);
  }
  std::ostringstream out;
};
