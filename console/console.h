// xarn_console: the station without a screen, driven by a script, one command a line.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "app/station.h"
#include "winsys/headless/headless.h"

namespace console {

class Console {
 public:
  explicit Console(std::ostream& out);
  ~Console();

  // Runs the script; 0 when every expectation held, 1 when one failed, 2 on a script error (a
  // line that cannot be read, or one longer than kLongestLine, among them).
  int run(std::istream& script);

  // "save", "save-capture" and "record" then write only into the working directory (a file name
  // with no "/"), a recording at most kConfinedRecordingMB, and the activity is not counted
  // (which would make a tick of years simulate every transfer): for scripts that nobody has read,
  // such as a fuzzer's.
  void confineFilesToWorkingDirectory() { confined_ = true; }
  static constexpr uint64_t kConfinedRecordingMB = 1;

  // What the script's operator sees, for a driver that chooses each line from it.
  const winsys::HeadlessWindowSystem& windows() const { return windows_; }
  app::Station& station() { return *station_; }

 private:
  bool step();  // runs the next line; false at the end of the script or after an error
  bool nextLine(std::string& line);
  void refuseAfterQuit();
  void execute(const std::string& line);
  void print(const std::string& line);
  void fail(const std::string& expected, const std::string& got);
  void error(const std::string& message);
  winsys::HeadlessDialog* currentPage();
  int controlId(const std::string& word);

  void menu(const std::string& item);
  void expectCommand(const std::string& command, const std::string& args);
  void show();
  void saveList(const std::string& rest);
  void saveCapture(const std::string& file);
  void record(const std::vector<std::string>& args);
  void stats(const std::string& rest);
  void saveStats(const std::string& file);
  bool mayWrite(const std::string& command, const std::string& file);

  std::ostream& out_;
  std::istream* in_ = nullptr;
  int lineNumber_ = 0;
  int errorLine_ = 0;
  bool failed_ = false;
  bool errored_ = false;
  bool confined_ = false;
  int beepsSeen_ = 0;
  winsys::HeadlessWindowSystem windows_;
  std::unique_ptr<app::Station> station_;
  winsys::HeadlessDialog* current_ = nullptr;
};

// "\n", "\t" and "\\" in script text; and back for printing.
std::string unescape(const std::string& text);
std::string escape(const std::string& text);

}  // namespace console
