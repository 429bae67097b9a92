// The programs' command line: options, operands, refusals and the usage texts.
#include "front/command_line.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using cli::Invocation;

TEST(CommandLine, OptionsOperandsAndRefusals) {
  auto parse = [](const std::vector<std::string>& args, bool script = true) {
    return cli::parseCommandLine(args, script);
  };
  EXPECT_EQ(
      std::tuple(parse({"--help"}).action, parse({"-V", "-h"}).action, parse({"--version"}).action),
      std::tuple(Invocation::Action::Help, Invocation::Action::Help, Invocation::Action::Version));
  for (const auto& args : std::vector<std::vector<std::string>>{{"-C", "d", "s.xs"},
                                                                {"-Cd", "s.xs"},
                                                                {"--directory=d", "s.xs"},
                                                                {"s.xs", "--directory", "d"}}) {
    Invocation got = parse(args);
    EXPECT_EQ(std::tuple(got.action, got.directory, got.script),
              std::tuple(Invocation::Action::Run, "d", "s.xs"))
        << got.error;
  }
  EXPECT_EQ(std::tuple(parse({"-"}).script, parse({"--", "-odd.xs"}).script,
                       parse({"--bus", "lab-1.a", "s.xs"}).bus, parse({"--bus=lab_1"}, false).bus),
            std::tuple("-", "-odd.xs", "lab-1.a", "lab_1"));
  struct Bad {
    std::vector<std::string> args;
    bool script;
    const char* error;
  };
  for (const Bad& bad : {Bad{{"--bogus"}, true, "unknown option --bogus (see --help)"},
                         Bad{{"-C"}, true, "-C needs a directory"},
                         Bad{{"--directory="}, true, "--directory= needs a directory"},
                         Bad{{"-C", ""}, true, "-C needs a directory"},
                         Bad{{"-C", "a", "-C", "b"}, true, "-C given more than once"},
                         Bad{{"a.xs", "b.xs"}, true, "unexpected argument b.xs (see --help)"},
                         Bad{{"a.xs"}, false, "unexpected argument a.xs (see --help)"},
                         Bad{{"--bus"}, true, "--bus needs a bus name"},
                         Bad{{"--bus="}, false, "--bus= needs a bus name"},
                         Bad{{"--bus", "a", "--bus", "b"}, true, "--bus given more than once"},
                         Bad{{"--bus", "../x"},
                             true,
                             "bad bus name '../x': 1 to 64 letters, digits, '-', '_' or '.'"}}) {
    Invocation got = parse(bad.args, bad.script);
    EXPECT_EQ(std::tuple(got.action, got.error), std::tuple(Invocation::Action::Error, bad.error));
  }
  // The usage says where the files go and what the exit statuses are.
  for (const std::string& usage : {cli::consoleUsage(), cli::windowUsage()})
    for (const char* part : {"XARN_WIN.INI", "Exit status", "-C DIR"})
      EXPECT_NE(usage.find(part), std::string::npos) << part;
  EXPECT_NE(cli::versionText("x").find("\ndriver XARNDLL"), std::string::npos);
}

}  // namespace
