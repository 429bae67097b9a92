// The command line both programs share: --help, --version, -C DIR, --bus NAME, and (for the
// console) the script. Parsing touches nothing; `enterDirectory` and `openScript` do the checks
// that need the file system, each with a one-line reason when it refuses.
#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace cli {

struct Invocation {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  std::string directory;  // -C DIR; empty: stay where started
  std::string script;     // the console's SCRIPT; empty or "-": standard input
  std::string bus;        // --bus NAME: the shared simulated bus to join; empty: $XARN_BUS
  std::string error;      // for Action::Error: one line, without the program's name
};

// `args` are the arguments after the program's name. `takesScript`: one operand is allowed.
Invocation parseCommandLine(const std::vector<std::string>& args, bool takesScript);

// The usage text of each program, and the version line (station and driver revision).
std::string consoleUsage();
std::string windowUsage();
std::string versionText(const std::string& program);

// Puts the station's card on the shared bus the command line names (through XARN_BUS, which
// the driver reads when it makes the card).
void joinBus(const Invocation& invocation);

// Changes to DIR, which must be an existing directory the station can write its files in.
// False with `why` otherwise.
bool enterDirectory(const std::string& dir, std::string& why);

// Opens the console's script for reading before the station starts: a directory or a missing or
// unreadable file is refused with `why`. A named pipe or /dev/stdin is read as it comes.
std::unique_ptr<std::ifstream> openScript(const std::string& path, std::string& why);

// The same check for a script on standard input: it must be open, and no directory.
bool checkStandardInput(std::string& why);

}  // namespace cli
