#include "console/console.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <istream>
#include <limits>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

#include "app/modes.h"
#include "console/script_input.h"
#include "front/list_file.h"
#include "front/traffic.h"
#include "ui/fields.h"
#include "ui/list_values.h"
#include "xarndll/control.h"

namespace console {
namespace {

const std::map<std::string, winsys::ScrollAction, std::less<>> kScrollActions = {
    {"lineup", winsys::ScrollAction::LineUp},
    {"linedown", winsys::ScrollAction::LineDown},
    {"pageup", winsys::ScrollAction::PageUp},
    {"pagedown", winsys::ScrollAction::PageDown},
    {"top", winsys::ScrollAction::Top},
    {"bottom", winsys::ScrollAction::Bottom},
    {"thumbposition", winsys::ScrollAction::ThumbPosition},
    {"thumbtrack", winsys::ScrollAction::ThumbTrack},
    {"endscroll", winsys::ScrollAction::EndScroll},
};

const std::map<winsys::ControlKind, const char*> kKindNames = {
    {winsys::ControlKind::Button, "button"},   {winsys::ControlKind::CheckBox, "check"},
    {winsys::ControlKind::Edit, "edit"},       {winsys::ControlKind::MultiEdit, "multiedit"},
    {winsys::ControlKind::ListBox, "listbox"}, {winsys::ControlKind::ScrollBar, "scrollbar"},
    {winsys::ControlKind::Label, "label"},     {winsys::ControlKind::Frame, "frame"},
};

// The ranges of the numbers a script gives. A number outside its range is an error, never cut
// to fit: "click 4294967297" must not click control 1.
constexpr long long kLargestId = 0xFFFF;
constexpr long long kLargestIndex = std::numeric_limits<int>::max();
constexpr long long kLargestAddress = 0xFFFFFFFF;  // the driver's address argument
constexpr long long kLargestWord = 0xFFFF;
// 10^9 seconds (about 31 years) keeps the card's microseconds, and its time tags' days, in range.
constexpr long long kLongestTick = 1'000'000'000;

// WORD as a whole number from MIN to MAX in BASE; nullopt for anything else (signs where no
// negative number belongs, letters, blanks, digits beyond the range).
std::optional<long long> numberIn(const std::string& word, long long min, long long max,
                                  int base = 10) {
  long long value = 0;
  if (word.empty() || word[0] == '+') return std::nullopt;
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value, base);
  if (ec != std::errc() || end != word.data() + word.size()) return std::nullopt;
  if (value < min || value > max) return std::nullopt;
  return value;
}

// Splits "COMMAND REST": the rest is everything after the first blank, kept exactly.
void splitFirst(const std::string& line, std::string& head, std::string& rest) {
  size_t blank = line.find(' ');
  head = line.substr(0, blank);
  rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
}

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// A file of the working directory as hexadecimal bytes ("0B 00 ..."), or "missing".
std::string fileBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return "missing";
  std::string out;
  for (char c; in.get(c);) {
    if (!out.empty()) out += ' ';
    out += ui::hex(static_cast<unsigned char>(c), 2);
  }
  return out;
}

// TEXT in double quotes. (Appended, not `"\"" + text`: GCC 12 at -O3 warns, wrongly, that the
// copy inside operator+(const char*, string&&) may overlap.)
std::string quoted(const std::string& text) {
  std::string out(1, '"');
  out += text;
  out += '"';
  return out;
}

// A quoted argument keeps blanks at its ends visible in the script.
std::string unquote(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

}  // namespace

std::string unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char next = text[++i];
      out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += c;
    }
  }
  return out;
}

Console::Console(std::ostream& out) : out_(out) {
  windows_.setEventSink([this](const std::string& line) { print(line); });
  windows_.setPump([this] { return step(); });
  station_ = std::make_unique<app::Station>(windows_);
  station_->setNoticeSink([this](const std::string& text) { print("notice " + text); });
  station_->create();
  // The card's clock is the script's: time passes only with "tick".
  xarnsim::setTimeSource(&station_->card(), [this] { return windows_.nowMs() * 1000; });
}

Console::~Console() {
  CardContext card = station_->card();
  station_.reset();
  xarnsim::release(&card);
}

void Console::print(const std::string& line) { out_ << line << '\n'; }

void Console::fail(const std::string& expected, const std::string& got) {
  failed_ = true;
  print("FAIL line " + std::to_string(lineNumber_) + ": expected " + expected + ", got " + got);
}

void Console::error(const std::string& message) {
  errored_ = true;
  errorLine_ = lineNumber_;
  print("ERROR line " + std::to_string(lineNumber_) + ": " + message);
}

int Console::run(std::istream& script) {
  in_ = &script;
  while (step()) {
  }
  if (!errored_ && windows_.quitPosted()) refuseAfterQuit();
  if (errored_) return 2;
  return failed_ ? 1 : 0;
}

// Once the station has quit nothing more can run: a line that would do something (an
// expectation above all) is an error, not silently skipped. Blank lines and comments may follow.
void Console::refuseAfterQuit() {
  for (std::string line; nextLine(line);) {
    size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    print("> " + line);
    error("the station has quit; nothing after it can run");
    return;
  }
}

// The next script line, counted; false at the end of the script, and after a line that could
// not be read whole, which is an error.
bool Console::nextLine(std::string& line) {
  std::string why;
  const LineRead read = readScriptLine(*in_, line, why);
  if (read == LineRead::End) return false;
  ++lineNumber_;
  if (read == LineRead::TooLong) {
    error("the line is longer than " + std::to_string(kLongestLine) + " characters");
  } else if (read == LineRead::Failed) {
    error("cannot read the script: " + why);
  }
  return read == LineRead::Line;
}

bool Console::step() {
  if (errored_ || windows_.quitPosted()) return false;
  std::string line;
  if (!nextLine(line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.find_first_not_of(" \t") == std::string::npos) return true;
  if (line.front() == '#') return true;
  print("> " + line);
  execute(line);
  if (auto fault = windows_.takeFault()) error(*fault);
  return !errored_;
}

winsys::HeadlessDialog* Console::currentPage() {
  for (winsys::HeadlessDialog* p : windows_.openPages()) {
    if (p == current_) return p;
  }
  // With no page chosen, the newest open page is the current one.
  auto open = windows_.openPages();
  current_ = open.empty() ? nullptr : open.back();
  if (!current_) error("no page is open");
  return current_;
}

int Console::controlId(const std::string& word) {
  winsys::HeadlessDialog* page = currentPage();
  if (!page) return -1;
  auto id = numberIn(word, 0, kLargestId);
  if (!id || !page->layout().control(static_cast<int>(*id))) {
    error("no control " + word + " on page " + page->layout().name);
    return -1;
  }
  return static_cast<int>(*id);
}

void Console::menu(const std::string& item) {
  const winsys::Menu* shown = windows_.menu();
  const winsys::MenuItem* found = nullptr;
  if (shown) {
    auto id = numberIn(item, 0, kLargestId);
    found = id ? shown->find(static_cast<int>(*id)) : shown->findLabel(item);
  }
  if (!found) {
    error("no item " + item + " on the menu " + (shown ? shown->name : std::string("(none)")));
    return;
  }
  std::string why;
  if (!windows_.menuCommand(found->id, why)) error(why);
}

void Console::execute(const std::string& line) {
  std::string command, rest;
  splitFirst(line, command, rest);
  std::vector<std::string> args = words(rest);
  CardContext* card = &station_->card();
  auto needArgs = [&](size_t n) {
    if (args.size() < n) error(command + ": too few arguments");
    return args.size() >= n;
  };

  if (command == "menu") {
    menu(rest);  // the first item's label is six blanks
  } else if (command == "answer") {
    if (rest == "yes" || rest == "no") {
      windows_.queueAnswer(rest == "yes" ? winsys::Answer::Yes : winsys::Answer::No);
    } else {
      error("answer yes or answer no");
    }
  } else if (command == "page") {
    if (!needArgs(1)) return;
    std::optional<long long> k = 0;
    if (args.size() > 1) k = numberIn(args[1], 1, kLargestIndex);
    if (!k) {
      error("page NAME [K]: K counts from 1, the oldest");
      return;
    }
    winsys::HeadlessDialog* page = windows_.page(args[0], static_cast<int>(*k - 1));
    if (!page) {
      error("no open page " + rest);
      return;
    }
    current_ = page;
  } else if (command == "click") {
    if (!needArgs(1)) return;
    int id = controlId(args[0]);
    if (id >= 0) currentPage()->click(id);
  } else if (command == "type") {
    std::string idWord, text;
    splitFirst(rest, idWord, text);
    int id = controlId(idWord);
    if (id < 0) return;
    const winsys::ControlTemplate* c = currentPage()->layout().control(id);
    if (c->readOnly || c->disabled) {
      error("control " + idWord + " cannot be typed into");
      return;
    }
    currentPage()->setText(id, unescape(text));
  } else if (command == "scroll") {
    if (!needArgs(2)) return;
    int id = controlId(args[0]);
    auto action = kScrollActions.find(args[1]);
    if (id < 0) return;
    if (action == kScrollActions.end()) {
      error("no scroll action " + args[1]);
      return;
    }
    currentPage()->scroll(id, action->second);
  } else if (command == "select") {
    if (!needArgs(2)) return;
    int id = controlId(args[0]);
    if (id < 0) return;
    std::optional<long long> n = args[1] == "none" ? -1 : numberIn(args[1], 0, kLargestIndex);
    if (!n) {
      error("select ID N|none: N counts from 0");
      return;
    }
    currentPage()->listSelect(id, static_cast<int>(*n));
  } else if (command == "tick") {
    std::optional<long long> seconds = 1;
    if (!args.empty()) seconds = numberIn(args[0], 0, kLongestTick);
    if (!seconds) {
      error("tick [SECONDS]: 0 to " + std::to_string(kLongestTick));
      return;
    }
    windows_.advance(static_cast<uint64_t>(*seconds) * 1000);
    // On a shared bus the others wait for this station's time, page or no page.
    if (!xarnsim::busName(card).empty()) xarnsim::catchUp(card);
  } else if (command == "key") {
    // The page keys an operator has: F1 asks the current page for help.
    if (!needArgs(1)) return;
    if (args[0] != "F1") {
      error("key F1: no key " + args[0]);
      return;
    }
    if (winsys::HeadlessDialog* page = currentPage()) page->pressHelp();
  } else if (command == "close") {
    windows_.closeMainWindow();
  } else if (command.starts_with("expect")) {
    expectCommand(command, rest);
  } else if (command == "get" || command == "get-line") {
    if (!needArgs(command == "get" ? 1 : 2)) return;
    int id = controlId(args[0]);
    if (id < 0) return;
    std::optional<long long> n = 0;
    if (command == "get-line") n = numberIn(args[1], 0, kLargestIndex);
    if (!n) {
      error("get-line ID N: N counts from 0");
      return;
    }
    std::string text = command == "get" ? currentPage()->fullText(id)
                                        : currentPage()->listLine(id, static_cast<int>(*n));
    print("= " + escape(text));
  } else if (command == "save") {
    saveList(rest);
  } else if (command == "record") {
    record(args);
  } else if (command == "stats") {
    stats(rest);
  } else if (command == "save-capture") {
    saveCapture(rest);
  } else if (command == "show") {
    if (rest == "main") {
      print("= title " + windows_.title());
      print("= menu " + std::string(windows_.menu() ? windows_.menu()->name : ""));
      print("= status \"" + windows_.status() + "\"");
    } else {
      show();
    }
  } else if (command == "peek") {
    std::optional<long long> address;
    if (!args.empty()) address = numberIn(args[0], 0, kLargestAddress, 16);
    if (!address) return error("peek ADDR (hex, at most FFFFFFFF)");
    print("= " + ui::hex(xarnsim::peek(card, static_cast<uint32_t>(*address)), 4));
  } else if (command == "poke") {
    std::optional<long long> address, value;
    if (args.size() == 2) {
      address = numberIn(args[0], 0, kLargestAddress, 16);
      value = numberIn(args[1], 0, kLargestWord, 16);
    }
    if (!address || !value) return error("poke ADDR VALUE (hex, at most FFFFFFFF and FFFF)");
    xarnsim::poke(card, static_cast<uint32_t>(*address), static_cast<uint16_t>(*value));
  } else if (command == "trace") {
    if (rest == "on") {
      xarnsim::setTrace(card, [this](const std::string& call) { print("call " + call); });
    } else if (rest == "off") {
      xarnsim::setTrace(card, {});
    } else {
      error("trace on|off");
    }
  } else if (command == "fail") {
    std::optional<long long> status, count = 1;
    if (args.size() >= 2) status = numberIn(args[1], 0, kLargestWord);
    if (args.size() >= 3) count = numberIn(args[2], std::numeric_limits<int>::min(), kLargestIndex);
    if (!status || !count || args.size() > 3) {
      return error("fail FUNCTION STATUS [N]: STATUS 0 to 65535, N a 32-bit count");
    }
    if (!xarnsim::knownFunction(args[0])) return error("no card function " + args[0]);
    xarnsim::failNext(card, args[0], static_cast<uint16_t>(*status), static_cast<int>(*count));
  } else if (command == "sim") {
    std::string name, value, why;
    splitFirst(rest, name, value);
    if (!xarnsim::setOption(card, name, value, why)) error(why);
  } else {
    error("unknown command " + command);
  }
}

void Console::expectCommand(const std::string& command, const std::string& rest) {
  std::string first, tail;
  splitFirst(rest, first, tail);
  auto check = [this](const std::string& expected, const std::string& got) {
    if (expected != got) fail(quoted(escape(expected)), quoted(escape(got)));
  };
  auto number = [this](const std::string& word, long long max, int base = 10) {
    std::optional<long long> value = numberIn(word, 0, max, base);
    if (!value) error("a number from 0 to " + std::to_string(max) + " expected, not " + word);
    return value;
  };

  if (command == "expect") {
    int id = controlId(first);
    if (id >= 0) check(unescape(tail), currentPage()->fullText(id));
  } else if (command == "expect-check") {
    int id = controlId(first);
    if (id >= 0) check(tail, currentPage()->isChecked(id) ? "1" : "0");
  } else if (command == "expect-tip") {
    int id = controlId(first);
    if (id >= 0) check(unescape(tail), currentPage()->toolTip(id));
  } else if (command == "expect-line") {
    std::string n, text;
    splitFirst(tail, n, text);
    int id = controlId(first);
    if (id < 0) return;
    if (auto line = number(n, kLargestIndex)) {
      check(unescape(text), currentPage()->listLine(id, static_cast<int>(*line)));
    }
  } else if (command == "expect-count") {
    int id = controlId(first);
    if (id >= 0) check(tail, std::to_string(currentPage()->listCount(id)));
  } else if (command == "expect-title") {
    check(unquote(rest), windows_.title());
  } else if (command == "expect-status") {
    check(unquote(rest), windows_.status());
  } else if (command == "expect-menu") {
    check(rest, windows_.menu() ? windows_.menu()->name : "");
  } else if (command == "expect-beeps") {
    check(rest, std::to_string(windows_.beeps() - beepsSeen_));
    beepsSeen_ = windows_.beeps();
  } else if (command == "expect-open") {
    check(tail, std::to_string(windows_.openCount(first)));
  } else if (command == "expect-word") {
    auto address = number(first, kLargestAddress, 16);
    auto expected = address ? number(tail, kLargestWord, 16) : std::nullopt;
    if (!expected) return;
    uint16_t got = xarnsim::peek(&station_->card(), static_cast<uint32_t>(*address));
    if (got != *expected) fail(ui::hex(static_cast<uint16_t>(*expected), 4), ui::hex(got, 4));
  } else if (command == "expect-calls") {
    if (!xarnsim::knownFunction(first)) return error("no card function " + first);
    uint64_t calls = xarnsim::callCount(&station_->card(), first);
    xarnsim::resetCallCounts(&station_->card());
    check(tail, std::to_string(calls));
  } else if (command == "expect-file") {
    check(tail, fileBytes(first));
  } else {
    error("unknown command " + command);
  }
}

bool Console::mayWrite(const std::string& command, const std::string& file) {
  if (confined_ && file.find('/') != std::string::npos) {
    error(command + ": only files of the working directory here");
    return false;
  }
  return true;
}

// save ID FILE: the values of the list's lines as CSV; FILE is the rest of the line, blanks and
// all.
void Console::saveList(const std::string& rest) {
  std::string idWord, file;
  splitFirst(rest, idWord, file);
  if (file.empty()) return error("save ID FILE: a list box and a file name");
  if (!mayWrite("save", file)) return;
  if (idWord == "stats") return saveStats(file);
  int id = controlId(idWord);
  if (id < 0) return;
  winsys::HeadlessDialog* page = currentPage();
  const winsys::ControlTemplate* list = page->layout().control(id);
  if (list->kind != winsys::ControlKind::ListBox)
    return error("control " + idWord + " is no list box");
  std::vector<std::string> lines(static_cast<size_t>(page->listCount(id)));
  for (size_t i = 0; i < lines.size(); ++i) lines[i] = page->listLine(id, static_cast<int>(i));
  out_.flush();  // the file may be where the transcript goes: what came before goes first
  std::string why = cli::saveListAsCsv(file, page->layout().name, id, list->columns, lines);
  if (!why.empty()) return error(why);
  print("saved " + std::to_string(lines.size()) + " lines to " + file);
}

// save-capture FILE: every entry of the monitor stack as CSV, as the monitor pages' "Save
// capture as CSV..." writes it.
void Console::saveCapture(const std::string& file) {
  if (file.empty()) return error("save-capture FILE: a file name");
  if (station_->shell().mode != app::Mode::BusMon) return error("save-capture: only in BUS_MON");
  if (!mayWrite("save-capture", file)) return;
  const ui::ValueTable capture = ui::monitorCapture(&station_->card());
  out_.flush();
  std::string why = cli::saveCsv(file, ui::tableAsCsv(capture));
  if (!why.empty()) return error(why);
  print("saved " + std::to_string(capture.rows.size()) + " entries to " + file);
}

// record FILE [--limit MB] [--ring N] | record stop. The transcript shows the recording's
// packets and bytes, which follow from the script alone.
void Console::record(const std::vector<std::string>& args) {
  CardContext* card = &station_->card();
  if (args.size() == 1 && args[0] == "stop") {
    xarnsim::RecordingStatus done = xarnsim::stopRecording(card);
    if (done.file.empty()) return error("record stop: nothing is being recorded");
    std::string line = "recorded " + std::to_string(done.packets) + " transfers, " +
                       std::to_string(done.totalBytes) + " bytes, last file " + done.file;
    if (!done.error.empty()) line += " (stopped early: " + done.error + ")";
    return print(line);
  }
  std::string why;
  std::optional<xarnsim::RecordSettings> settings = cli::parseRecordArguments(args, why);
  if (!settings) return error(why);
  if (!mayWrite("record", settings->path)) return;
  if (confined_) {
    constexpr uint64_t kLimit = kConfinedRecordingMB * 1'000'000;
    settings->limitBytes = settings->limitBytes ? std::min(settings->limitBytes, kLimit) : kLimit;
  }
  settings->application = cli::recordingApplication("xarn_console");
  if (!xarnsim::startRecording(card, *settings, why)) return error(why);
  print("recording to " + xarnsim::recordingStatus(card).file);
}

// stats on | stats off | stats: the bus activity of the last whole second of card time.
void Console::stats(const std::string& rest) {
  CardContext* card = &station_->card();
  if (rest == "on" && confined_) return error("stats on: not in a confined console");
  if (rest == "on" || rest == "off") return xarnsim::countActivity(card, rest == "on");
  if (!rest.empty()) return error("stats [on|off]");
  std::optional<xarncap::Activity> activity = xarnsim::busActivity(card);
  if (!activity) return error("stats: the activity is not counted (stats on)");
  auto mode = static_cast<int>(station_->shell().mode);
  for (const std::string& line : cli::activityLines(cli::activityTable(*activity, mode)))
    print("= " + line);
}

void Console::saveStats(const std::string& file) {
  std::optional<xarncap::Activity> activity = xarnsim::busActivity(&station_->card());
  if (!activity) return error("save stats: the activity is not counted (stats on)");
  auto mode = static_cast<int>(station_->shell().mode);
  cli::ActivityTable table = cli::activityTable(*activity, mode);
  out_.flush();
  std::string why = cli::saveCsv(file, cli::activityCsv(table));
  if (!why.empty()) return error(why);
  print("saved " + std::to_string(table.connectors.size() + table.addresses.size()) + " rows to " +
        file);
}

void Console::show() {
  winsys::HeadlessDialog* page = currentPage();
  if (!page) return;
  print("= page " + page->layout().name + " \"" + page->layout().title + "\"");
  for (const winsys::ControlTemplate& c : page->layout().controls) {
    if (c.id < 0) continue;
    std::string line = "= " + std::to_string(c.id) + " " + kKindNames.at(c.kind);
    if (c.kind == winsys::ControlKind::CheckBox) line += page->isChecked(c.id) ? " [x]" : " [ ]";
    if (c.toggle) line += page->isChecked(c.id) ? " [on]" : " [off]";
    if (c.kind != winsys::ControlKind::ScrollBar)
      line += " \"" + escape(page->fullText(c.id)) + "\"";
    print(line);
  }
}

}  // namespace console
