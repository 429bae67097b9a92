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
  std::ostringstream out;
};
