#include "front/command_line.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "base/version.h"
#include "card/xarndll.h"
#include "xarndll/control.h"

namespace cli {
namespace {

const char* const kWhereFilesLive =
    "The station keeps its card settings in XARN_WIN.INI, and its setup files (*.SUP), in its\n"
    "working directory: the directory given with -C, or the one it was started in.\n";

std::string reason(int error) { return std::strerror(error); }

// "-C DIR", "-CDIR", "--directory DIR" or "--directory=DIR": the value, and how many of the
// arguments from `i` on it used (0 when `arg` is no directory option).
int directoryOption(const std::vector<std::string>& args, size_t i, std::string& value,
                    std::string& error) {
  const std::string& arg = args[i];
  const bool shortForm = arg.rfind("-C", 0) == 0;
  const bool longForm = arg == "--directory" || arg.rfind("--directory=", 0) == 0;
  if (!shortForm && !longForm) return 0;
  if (arg.size() > 2 && shortForm) {
    value = arg.substr(2);
    return 1;
  }
  if (size_t eq = arg.find('='); longForm && eq != std::string::npos) {
    value = arg.substr(eq + 1);
    if (value.empty()) error = "--directory= needs a directory";
    return 1;
  }
  if (i + 1 >= args.size()) {
    error = arg + " needs a directory";
    return 1;
  }
  value = args[i + 1];
  return 2;
}

// "--bus NAME" or "--bus=NAME", as directoryOption.
int busOption(const std::vector<std::string>& args, size_t i, std::string& value,
              std::string& error) {
  const std::string& arg = args[i];
  if (arg.rfind("--bus=", 0) == 0) {
    value = arg.substr(6);
    if (value.empty()) error = "--bus= needs a bus name";
    return 1;
  }
  if (arg != "--bus") return 0;
  if (i + 1 >= args.size()) {
    error = "--bus needs a bus name";
    return 1;
  }
  value = args[i + 1];
  return 2;
}

const char* const kBusHelp =
    "  --bus NAME               put the card on the shared simulated bus NAME, with the\n"
    "                           other stations and programs on it (also: XARN_BUS=NAME)\n";
const char* const kHelpAndVersion =
    "  -h, --help               show this help and exit\n"
    "  -V, --version            show the station's version and the driver's revision\n"
    "\n";

}  // namespace

void joinBus(const Invocation& invocation) {
  if (!invocation.bus.empty()) setenv("XARN_BUS", invocation.bus.c_str(), 1);
}

Invocation parseCommandLine(const std::vector<std::string>& args, bool takesScript) {
  Invocation out;
  auto refuse = [&out](std::string why) {
    out.action = Invocation::Action::Error;
    out.error = std::move(why);
    return out;
  };
  bool optionsEnded = false;
  bool haveScript = false;
  bool haveDirectory = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool option = !optionsEnded && arg.size() > 1 && arg[0] == '-';
    std::string dir, bus, why;
    const int used = option ? directoryOption(args, i, dir, why) : 0;
    const int busUsed = option && used == 0 ? busOption(args, i, bus, why) : 0;
    if (option && arg == "--") {
      optionsEnded = true;
    } else if (option && (arg == "-h" || arg == "--help")) {
      out.action = Invocation::Action::Help;
    } else if (option && (arg == "-V" || arg == "--version")) {
      if (out.action != Invocation::Action::Help) out.action = Invocation::Action::Version;
    } else if (used > 0) {
      if (!why.empty()) return refuse(why);
      if (haveDirectory) return refuse("-C given more than once");
      if (dir.empty()) return refuse("-C needs a directory");
      haveDirectory = true;
      out.directory = dir;
      i += static_cast<size_t>(used - 1);
    } else if (busUsed > 0) {
      if (!why.empty()) return refuse(why);
      if (!out.bus.empty()) return refuse("--bus given more than once");
      if (std::string problem = xarnsim::busNameProblem(bus); !problem.empty())
        return refuse(problem);
      out.bus = bus;
      i += static_cast<size_t>(busUsed - 1);
    } else if (option) {
      return refuse("unknown option " + arg + " (see --help)");
    } else if (takesScript && !haveScript) {
      haveScript = true;
      out.script = arg;
    } else {
      return refuse("unexpected argument " + arg + " (see --help)");
    }
  }
  return out;
}

std::string consoleUsage() {
  std::string text =
      "Usage: xarn_console [-C DIR] [--bus NAME] [SCRIPT | -]\n"
      "Runs the XARN station without a screen, reading commands from SCRIPT (or standard\n"
      "input, also with \"-\"), one a line, and printing what an operator would notice.\n"
      "Time is virtual: it moves only with \"tick\", so a script gives the same transcript\n"
      "every run.\n"
      "\n"
      "Options:\n"
      "  -C DIR, --directory DIR  run in DIR, an existing directory (SCRIPT is still read\n"
      "                           from where the command was given)\n";
  text += kBusHelp;
  text += kHelpAndVersion;
  text += kWhereFilesLive;
  text +=
      "\n"
      "Exit status: 0 when every expectation held, 1 when one failed, 2 on a script error\n"
      "(a script line longer than 1 MiB, or a script that cannot be read, among them) or a\n"
      "bad command line.\n"
      "The commands are listed in the manual page xarn_console(1) and the operator's manual.\n";
  return text;
}

std::string windowUsage() {
  std::string text =
      "Usage: xarn_win [-C DIR] [--bus NAME]\n"
      "Starts the XARN TRAVINE-BUS simulation station in its desktop window, on the\n"
      "simulated DUVEX card. HELP in its menu opens the operator's manual.\n"
      "\n"
      "Options:\n"
      "  -C DIR, --directory DIR  run in DIR, an existing directory\n";
  text += kBusHelp;
  text += kHelpAndVersion;
  text += kWhereFilesLive;
  text +=
      "The desktop entry starts the station through xarn-station, which runs it in\n"
      "$XDG_DATA_HOME/xarn-station (by default ~/.local/share/xarn-station).\n"
      "\n"
      "Exit status: 0 after QUIT or closing the window, 1 when there is no display,\n"
      "2 on a bad command line.\n";
  return text;
}

std::string versionText(const std::string& program) {
  CardContext card{};
  CardIdRecord id{};
  const uint16_t status = DUVEX_GetCardIDDLL(&card, &id);
  DUVEX_CloseDLL(&card);
  std::ostringstream out;
  out << program << ' ' << XARN_VERSION << '\n' << "station " << base::kStationRevision << '\n';
  if (status == 0) {
    out << "driver "
        << std::string(id.driverRevision, strnlen(id.driverRevision, sizeof id.driverRevision))
        << '\n';
  } else {
    out << "driver: no revision (status " << status << ")\n";
  }
  return out.str();
}

bool enterDirectory(const std::string& dir, std::string& why) {
  struct stat info {};
  if (::stat(dir.c_str(), &info) != 0) {
    why = "cannot use " + dir + ": " + reason(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    why = "cannot use " + dir + ": not a directory";
    return false;
  }
  // The INI file and setup files are written there.
  if (::access(dir.c_str(), W_OK | X_OK) != 0) {
    why = "cannot use " + dir + ": " + reason(errno);
    return false;
  }
  if (::chdir(dir.c_str()) != 0) {
    why = "cannot enter " + dir + ": " + reason(errno);
    return false;
  }
  return true;
}

std::unique_ptr<std::ifstream> openScript(const std::string& path, std::string& why) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    why = "cannot read " + path + ": " + reason(errno);
    return nullptr;
  }
  if (S_ISDIR(info.st_mode)) {
    why = "cannot read " + path + ": it is a directory";
    return nullptr;
  }
  // A named pipe is opened as any reader opens one: it waits for its writer.
  auto script = std::make_unique<std::ifstream>(path);
  if (!*script) {
    why = "cannot read " + path + ": " + reason(errno);
    return nullptr;
  }
  return script;
}

bool checkStandardInput(std::string& why) {
  struct stat info {};
  if (::fstat(STDIN_FILENO, &info) != 0) {
    why = "cannot read standard input: " + reason(errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    why = "cannot read standard input: it is a directory";
    return false;
  }
  return true;
}

}  // namespace cli
