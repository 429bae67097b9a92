// The console's script reader: numbers are range-checked rather than cut to fit, nothing may run
// after the station has quit, and a very long tick passes without firing every timer.
#include "console/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "app/modes.h"
#include "console/script_input.h"
#include "console_fixture.h"
#include "front/command_line.h"
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

TEST_F(ConsoleTest, AVeryLongTickReturnsWithTheStatusPollStillRunning) {
  // 31 years of virtual time: the timers fire through the last hour only, so the status line
  // is current and the card's clock has moved the whole way.
  EXPECT_EQ(run("menu SETUP\nclick 1\nmenu LDB_BCT\ntick 1000000000\n"
                "expect-status \"LDB_BCT IDLE    \"\nexpect-beeps 1\n"
                "menu DEBUG/CMND\nclick 11\nexpect 12 11574:01:46:40.000000\n"),
            0)
      << out.str();
}

// A script that gives `text`, then `filler` characters of `fill`, then `tail`, made as it is read
// (the filler is never held whole), failing with `error` at the end when that is not 0. Counts
// what was taken from it.
class ScriptSource final : public std::streambuf {
 public:
  ScriptSource(std::string text, size_t filler, char fill, std::string tail, int error = 0)
      : text_(std::move(text)),
        filler_(filler),
        fill_(fill),
        tail_(std::move(tail)),
        error_(error) {}
  size_t taken() const { return taken_ - static_cast<size_t>(egptr() - gptr()); }

 protected:
  int_type underflow() override {
    chunk_.clear();
    if (part_ == 0) chunk_ = text_;
    if (part_ == 1) chunk_.assign(std::min<size_t>(filler_ - given_, 4096), fill_);
    if (part_ == 2) chunk_ = tail_;
    if (part_ == 3 && error_) throw std::system_error(error_, std::generic_category());
    if (part_ == 1) given_ += chunk_.size();
    if (part_ != 1 || given_ == filler_) ++part_;
    if (part_ > 3) return traits_type::eof();
    if (chunk_.empty()) return underflow();
    taken_ += chunk_.size();
    setg(chunk_.data(), chunk_.data(), chunk_.data() + chunk_.size());
    return traits_type::to_int_type(chunk_[0]);
  }

 private:
  std::string text_;
  size_t filler_;
  char fill_;
  std::string tail_;
  int error_;
  int part_ = 0;
  size_t given_ = 0;
  size_t taken_ = 0;
  std::string chunk_;
};

class ConsoleInputTest : public ConsoleTest {
 protected:
  int run(ScriptSource& source) {
    out.str("");
    std::istream in(&source);
    console::Console console(out);
    return console.run(in);
  }
};

// A line one character past the bound is an error, however harmless it would be (a comment),
// and the console reads no more of it than the bound and a buffer; a line at the bound runs.
TEST_F(ConsoleInputTest, ALinePastTheBoundIsAnErrorAndIsNotReadOn) {
  ScriptSource endless("menu SETUP\n# ", 64 * console::kLongestLine, 'x', "\nmenu ABOUT\n");
  EXPECT_EQ(run(endless), 2);
  EXPECT_TRUE(said("ERROR line 2: the line is longer than 1048576 characters"));
  EXPECT_EQ(out.str().find("ABOUT"), std::string::npos);
  EXPECT_LT(endless.taken(), console::kLongestLine + 8192);

  ScriptSource longest("#", console::kLongestLine - 1, 'x', "\r\nmenu SETUP\n");
  EXPECT_EQ(run(longest), 0) << out.str().substr(0, 300);
  EXPECT_TRUE(said("> menu SETUP"));
}

// A script that cannot be read on is an error at the line it failed on, not a quiet end; an
// unfinished last line still runs.
TEST_F(ConsoleInputTest, AReadErrorIsAnErrorAndTheLastLineNeedsNoEnd) {
  ScriptSource failing("menu SETUP\n", 0, 'x', "click 1", EIO);
  EXPECT_EQ(run(failing), 2);
  EXPECT_TRUE(said("> menu SETUP\n"));
  EXPECT_TRUE(said("ERROR line 2: cannot read the script: Input/output error"));

  ScriptSource unfinished("menu SETUP\n", 0, 'x', "expect-open XARN_SETUP 1");
  EXPECT_EQ(run(unfinished), 0) << out.str();
  EXPECT_TRUE(said("> expect-open XARN_SETUP 1"));
}

// A directory handed to the console's own reader is no script: an error, not a quiet end. (The
// command line refuses a directory on standard input before the station starts.)
TEST_F(ConsoleInputTest, ADirectoryIsNoScript) {
  const int folder = ::open(".", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  console::DescriptorBuf directory(folder);
  std::istream in(&directory);
  out.str("");
  {
    console::Console console(out);
    EXPECT_EQ(console.run(in), 2);
  }
  ::close(folder);
  EXPECT_TRUE(said("ERROR line 1: cannot read the script: Is a directory"));
}

}  // namespace

namespace {

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

}  // namespace
