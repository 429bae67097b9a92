// xarn_console [-C DIR] [--bus NAME] [SCRIPT | -]: runs the station without a screen.
#include <unistd.h>

#include <fstream>
#include <iostream>

#include "console/console.h"
#include "console/script_input.h"
#include "front/command_line.h"

int main(int argc, char** argv) {
  const cli::Invocation invocation =
      cli::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), true);
  switch (invocation.action) {
    case cli::Invocation::Action::Help:
      std::cout << cli::consoleUsage();
      return 0;
    case cli::Invocation::Action::Version:
      std::cout << cli::versionText("xarn_console");
      return 0;
    case cli::Invocation::Action::Error:
      std::cerr << "xarn_console: " << invocation.error << "\n";
      return 2;
    case cli::Invocation::Action::Run:
      break;
  }
  // Everything is checked before the station starts: a bad script or directory prints nothing
  // of the station's. The script is named from where the command was given, so it opens first.
  std::string why;
  std::unique_ptr<std::ifstream> script;
  if (!invocation.script.empty() && invocation.script != "-") {
    script = cli::openScript(invocation.script, why);
  } else {
    cli::checkStandardInput(why);
  }
  if (why.empty() && !invocation.directory.empty()) cli::enterDirectory(invocation.directory, why);
  if (!why.empty()) {
    std::cerr << "xarn_console: " << why << "\n";
    return 2;
  }
  cli::joinBus(invocation);
  console::Console console(std::cout);
  if (script) return console.run(*script);
  // Standard input through its descriptor, so that a read error ends the script as an error.
  console::DescriptorBuf input(STDIN_FILENO);
  std::istream in(&input);
  return console.run(in);
}
