// The operator's first road through every mode, walked by the console: each line of its script
// is chosen when the console asks for it, from what the station then shows. Every expectation
// must hold and no line may be refused; the transcript is kept as the script the road became.
#include "road/operator_road.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <streambuf>
#include <string>

#include "console/console.h"
#include "setup/setup_files.h"
#include "station_fixture.h"

namespace {

// The operator's hands in the console: each action a script line.
class ConsoleHands final : public road::HandsOn<const winsys::HeadlessWindowSystem> {
 public:
  using HandsOn::HandsOn;

  void menu(const std::string& label) override { say("menu " + label); }
  void click(const std::string& page, int id) override {
    say("page " + page);
    say("click " + std::to_string(id));
  }
  void type(const std::string& page, int id, const std::string& text) override {
    say("page " + page);
    say("type " + std::to_string(id) + " " + text);
  }
  void tick(int seconds) override { say("tick " + std::to_string(seconds)); }
  void answerYes() override { say("answer yes"); }
  void expectStatus(const std::string& status) override { say("expect-status \"" + status + "\""); }
  void expectMenu(const std::string& menu) override { say("expect-menu " + menu); }

  std::deque<std::string> lines;

 private:
  void say(std::string line) { lines.push_back(std::move(line)); }
};

// A script that writes itself: the next line comes from the plan when the console reads it.
class PlannedScript final : public std::streambuf {
 public:
  PlannedScript(road::RoadPlan& plan, ConsoleHands& hands) : plan_(plan), hands_(hands) {}
  const std::string& written() const { return written_; }

 protected:
  int_type underflow() override {
    while (hands_.lines.empty()) {
      if (plan_.done()) return traits_type::eof();
      plan_.runNext(hands_);
    }
    line_ = hands_.lines.front() + "\n";
    hands_.lines.pop_front();
    written_ += line_;
    setg(line_.data(), line_.data(), line_.data() + line_.size());
    return traits_type::to_int_type(line_.front());
  }

 private:
  road::RoadPlan& plan_;
  ConsoleHands& hands_;
  std::string line_;
  std::string written_;
};

class OperatorRoad : public StationTest, public ::testing::WithParamInterface<road::ModeRoad> {};

// A setup file of the mode with every card word zero.
void writeZeroSetupFile(uint16_t mode) {
  std::vector<uint8_t> bytes(setup::kSetupFileBytes, 0);
  bytes[0] = static_cast<uint8_t>(mode);
  bytes[1] = static_cast<uint8_t>(mode >> 8);
  std::ofstream(road::kZeroFile, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

TEST_P(OperatorRoad, FromTheDefaultsInTheConsole) {
  const road::ModeRoad& mode = GetParam();
  writeZeroSetupFile(mode.number);
  std::ostringstream transcript;
  int status = 0;
  std::string script;
  {
    console::Console console(transcript);
    road::RoadPlan plan(mode);
    ConsoleHands hands(console.windows());
    PlannedScript source(plan, hands);
    std::istream in(&source);
    status = console.run(in);
    script = source.written();
    EXPECT_TRUE(plan.done()) << "the console stopped before the road's end";
  }
  EXPECT_EQ(status, 0) << transcript.str();
  // Each page of the mode was opened and its buttons pressed: the script shows it.
  for (const std::string& item : road::menuPaths(*resources::menu(mode.menu))) {
    if (road::isPageItem(mode, item)) {
      EXPECT_NE(script.find("menu " + item + "\n"), std::string::npos) << item;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryMode, OperatorRoad, ::testing::ValuesIn(road::modeRoads()),
                         [](const auto& info) { return std::string(info.param.mode); });

}  // namespace
