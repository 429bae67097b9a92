// Lists as CSV, the console's "save", list column names, and the programs' command line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "console/console.h"
#include "console_fixture.h"
#include "front/command_line.h"
#include "front/list_file.h"
#include "resources/resources.h"
#include "winsys/list_capture.h"

namespace {

namespace fs = std::filesystem;
using cli::Invocation;

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The names in the working directory: a failed save must leave no temporary file behind.
std::vector<std::string> directoryNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(".")) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ListCsv, QuotesWhatNeedsItAndKeepsEveryFieldInItsColumn) {
  const std::string csv = winsys::listAsCsv(
      {"Name", "Value", "Note"},
      {"plain\t12\tok", "a,b\tsay \"hi\"\ttwo\nlines", " blank\t7", "only", "x\t1\t2\t3\t4", ""});
  EXPECT_EQ(csv,
            "Name,Value,Note,column 4,column 5\r\n"
            "plain,12,ok,,\r\n"
            "\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",,\r\n"
            "\" blank\",7,,,\r\n"
            "only,,,,\r\n"
            "x,1,2,3,4\r\n"
            ",,,,\r\n");
  // An empty list is its header; names that need quoting are quoted too.
  EXPECT_EQ(winsys::listAsCsv({"A,B", "C"}, {}), "\"A,B\",C\r\n");
  EXPECT_EQ(winsys::listAsText({"a\tb", "c"}), "a\tb\nc\n");
}

TEST(ListCsv, EveryListBoxOfEveryTemplateNamesItsColumns) {
  int lists = 0;
  for (const std::string& name : resources::dialogNames()) {
    for (const winsys::ControlTemplate& c : resources::dialog(name)->controls) {
      if (c.kind != winsys::ControlKind::ListBox) continue;
      ++lists;
      EXPECT_FALSE(c.columns.empty()) << name << " list " << c.id;
    }
  }
  EXPECT_GE(lists, 10);
  // COLUMNS belongs to a list box, once, with no empty name.
  winsys::DialogTemplate layout;
  std::string error;
  for (const char* bad :
       {"LISTBOX 1 0 0 9 9 \"\" COLUMNS \"a||b\"", "LISTBOX 1 0 0 9 9 \"\" COLUMNS",
        "LISTBOX 1 0 0 9 9 \"\" COLUMNS a", "LISTBOX 1 0 0 9 9 \"\" COLUMNS \"a\" COLUMNS \"b\"",
        "EDIT 1 0 0 9 9 \"\" COLUMNS \"a\""}) {
    EXPECT_FALSE(winsys::parseDialog(std::string("DIALOG D 9 9\n") + bad, layout, error)) << bad;
  }
  ASSERT_TRUE(winsys::parseDialog("DIALOG D 9 9\nLISTBOX 1 0 0 9 9 \"\" VSCROLL COLUMNS \"a b|c\"",
                                  layout, error))
      << error;
  EXPECT_EQ(layout.controls[0].columns, (std::vector<std::string>{"a b", "c"}));
  EXPECT_TRUE(layout.controls[0].vscroll);
}

// ---- The console's save ---------------------------------------------------------------------

// The setups page's file list: an empty list, saved as its header alone.
const std::string kSetupsPage = "menu SETUP\nclick 1\nmenu LDB_BCT\nmenu SETUPS\n";

class ConsoleSaveTest : public ConsoleScriptTest {
 protected:
  int save(const std::string& file) { return run(kSetupsPage + "save 7 " + file + "\n"); }
};

TEST_F(ConsoleSaveTest, AFileThatCannotBeWrittenIsAnErrorAndLeavesNothingBehind) {
  fs::create_directory("folder");
  std::ofstream("protected.csv") << "keep";
  ::chmod("protected.csv", 0444);
  ::mkfifo("pipe.csv", 0644);
  fs::create_symlink("loop.csv", "loop.csv");
  const std::vector<std::string> before = {"folder", "loop.csv", "pipe.csv", "protected.csv"};
  struct Case {
    std::string file;
    const char* why;
  };
  for (const Case& c :
       {Case{"folder", "it is a directory"}, Case{"missing/queue.csv", "no such directory missing"},
        Case{"protected.csv", "it is write-protected"},
        Case{"pipe.csv", "it is not a regular file"},
        Case{"loop.csv", "its symbolic links go round in a loop"},
        Case{std::string(300, 'n') + ".csv", "the name is too long"}}) {
    EXPECT_EQ(save(c.file), 2) << c.file;
    const std::string error = "ERROR line 5: cannot write " + c.file + ": " + c.why;
    EXPECT_NE(out.str().find(error), std::string::npos) << out.str();
    std::vector<std::string> now = directoryNames();
    std::erase(now, "XARN_WIN.INI");
    EXPECT_EQ(now, before) << c.file;
  }
  EXPECT_EQ(slurp("protected.csv"), "keep");
  // Not a list box, no file name, and a confined console's path.
  EXPECT_EQ(run("menu SETUP\nsave 1 x.csv\n"), 2);
  EXPECT_NE(out.str().find("is no list box"), std::string::npos) << out.str();
  EXPECT_EQ(run(kSetupsPage + "save 7\n"), 2);
  std::istringstream in(kSetupsPage + "save 7 folder/x.csv\n");
  console::Console confined(out);
  confined.confineFilesToWorkingDirectory();
  EXPECT_EQ(confined.run(in), 2);
  EXPECT_FALSE(fs::exists("folder/x.csv"));
}

// The longest name is saved (its temporary file needs no longer one); a link is written through;
// a name with blanks is the rest of the line.
TEST_F(ConsoleSaveTest, LongNamesLinksAndBlanksAreSavedAndNothingElseLeftBehind) {
  const std::string name = std::string(251, 'n') + ".csv";
  ASSERT_EQ(save(name), 0) << out.str();
  EXPECT_EQ(slurp(name), "Setup file\r\n");
  EXPECT_EQ(directoryNames(), (std::vector<std::string>{"XARN_WIN.INI", name}));
  fs::create_directory("captures");
  std::ofstream("captures/list.csv") << std::string(5000, 'x');
  fs::create_symlink("captures/list.csv", "link.csv");
  ASSERT_EQ(save("link.csv"), 0) << out.str();
  EXPECT_TRUE(fs::is_symlink("link.csv"));
  EXPECT_EQ(slurp("captures/list.csv"), "Setup file\r\n");
  ASSERT_EQ(save("my list.csv"), 0) << out.str();
  EXPECT_EQ(slurp("my list.csv"), "Setup file\r\n");
}

// A save to a redirected transcript (by /dev/stdout or its name) adds to it in place; a device
// is written where it is, through a link too.
TEST_F(ConsoleSaveTest, TheTranscriptAndDevicesAreWrittenWhereTheyAreNeverReplaced) {
  fs::create_symlink("/dev/null", "null.csv");
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
    std::istringstream in(kSetupsPage +
                          "save 7 /dev/stdout\nsave 7 transcript.txt\nsave 7 /dev/null\n" +
                          "save 7 null.csv\n");
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
  const std::string transcript = slurp("transcript.txt");
  EXPECT_TRUE(transcript.starts_with("title XARN TRAVINE-BUS simulation station\n")) << transcript;
  EXPECT_NE(transcript.find("> save 7 /dev/stdout\nSetup file\r\nsaved 0 lines to /dev/stdout\n"
                            "> save 7 transcript.txt\nSetup file\r\nsaved 0 lines to "
                            "transcript.txt\n> save 7 /dev/null\nsaved 0 lines to /dev/null\n"
                            "> save 7 null.csv\nsaved 0 lines to null.csv\n"),
            std::string::npos)
      << transcript;
  EXPECT_TRUE(fs::is_symlink("null.csv"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_EQ(directoryNames(),
            (std::vector<std::string>{"XARN_WIN.INI", "null.csv", "transcript.txt"}));
}

// ---- The command line -----------------------------------------------------------------------

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

class CommandLineFiles : public StationTest {};

TEST_F(CommandLineFiles, DirectoriesAndScriptsAreCheckedBeforeTheStationStarts) {
  std::string why;
  std::ofstream("file") << "menu SETUP\n";
  EXPECT_FALSE(cli::enterDirectory("missing", why));
  EXPECT_EQ(why, "cannot use missing: No such file or directory");
  EXPECT_FALSE(cli::enterDirectory("file", why));
  EXPECT_EQ(why, "cannot use file: not a directory");
  for (auto [file, error] : {std::pair{".", "it is a directory"},
                             std::pair{"missing.xs", "No such file or directory"}}) {
    EXPECT_EQ(cli::openScript(file, why), nullptr);
    EXPECT_EQ(why, std::string("cannot read ") + file + ": " + error);
  }
  // A named pipe is read as it comes, once its writer opens it.
  ASSERT_EQ(::mkfifo("pipe.xs", 0644), 0);
  std::thread writer([] { std::ofstream("pipe.xs") << "menu SETUP\n"; });
  auto script = cli::openScript("pipe.xs", why);
  ASSERT_NE(script, nullptr) << why;
  std::string line;
  std::getline(*script, line);
  writer.join();
  EXPECT_EQ(line, "menu SETUP");
  // Into a directory, where the station then keeps its files.
  fs::create_directory("work");
  ASSERT_TRUE(cli::enterDirectory("work", why)) << why;
  EXPECT_EQ(fs::current_path().filename(), "work");
}

}  // namespace
