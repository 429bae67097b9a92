// A station on the headless window system, in a fresh working directory of its own, with the
// card's clock on the window system's virtual time.
#pragma once

// Tests build card records with designated initialisers, naming only the fields they set; the
// rest are zero, as the driver expects.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/station.h"
#include "winsys/headless/headless.h"
#include "xarndll/control.h"

class StationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "xarn-test-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    ASSERT_NE(::mkdtemp(name.data()), nullptr);
    dir_ = name.data();
    std::filesystem::current_path(dir_);
    windows.setEventSink([this](const std::string& line) { events.push_back(line); });
  }

  void TearDown() override {
    if (station) {
      CardContext card = station->card();
      station.reset();
      xarnsim::release(&card);
    }
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }

  // Starts the station (the create steps), with files already placed in the directory.
  app::Station& start() {
    station = std::make_unique<app::Station>(windows);
    station->create();
    xarnsim::setTimeSource(&station->card(), [this] { return windows.nowMs() * 1000; });
    return *station;
  }

  // SETUP, then OK on the page: the card is initialised and modes can be entered.
  void setUpCard() {
    std::string why;
    ASSERT_TRUE(windows.menuCommand(5, why)) << why;
    windows.page("XARN_SETUP")->click(1);
    ASSERT_EQ(station->shell().hardwareInitialised, 1);
  }

  CardContext* card() { return &station->card(); }
  uint16_t word(uint32_t address) { return xarnsim::peek(card(), address); }
  void poke(uint32_t address, uint16_t value) { xarnsim::poke(card(), address, value); }

  // Each card word at base + offset holds its value: expectWords(base, {{offset, value}, ...}).
  void expectWords(uint32_t base, std::initializer_list<std::pair<uint32_t, uint16_t>> words) {
    for (const auto& [offset, value] : words)
      EXPECT_EQ(word(base + offset), value) << std::hex << base + offset;
  }
  void expectWords(std::initializer_list<std::pair<uint32_t, uint16_t>> words) {
    expectWords(0, words);
  }

  bool menu(int id) {
    std::string why;
    return windows.menuCommand(id, why);
  }

  // Clicks `button` and returns what the page's report field `report` then shows.
  static std::string press(winsys::HeadlessDialog& page, int button, int report) {
    page.click(button);
    return page.fullText(report);
  }
  using Fields = std::initializer_list<std::pair<int, std::string>>;
  // Types each text into its field: fill(page, {{id, text}, ...}).
  static void fill(winsys::HeadlessDialog& page, Fields fields) {
    for (const auto& [id, text] : fields) page.setText(id, text);
  }
  // Types the fields, then presses `button` as above.
  static std::string press(winsys::HeadlessDialog& page, Fields fields, int button, int report) {
    fill(page, fields);
    return press(page, button, report);
  }
  // Scrolls bar `id` and hands the page back, to read what it then shows.
  static winsys::HeadlessDialog& scrolled(winsys::HeadlessDialog& page, int id,
                                          winsys::ScrollAction action) {
    page.scroll(id, action);
    return page;
  }
  // Clicks each button in turn.
  static void clicks(winsys::HeadlessDialog& page, std::initializer_list<int> ids) {
    for (int id : ids) page.click(id);
  }
  // Each field shows its text: expectFields(page, id, text, id, text, ...).
  template <typename... Rest>
  static void expectFields(winsys::HeadlessDialog& page, int id, const std::string& text,
                           const Rest&... rest) {
    EXPECT_EQ(page.fullText(id), text) << "field " << id;
    if constexpr (sizeof...(rest) > 0) expectFields(page, rest...);
  }

  static void writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  // The names in the working directory, sorted: a failed save must leave nothing behind.
  static std::vector<std::string> filesHere() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator("."))
      names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::vector<uint8_t> readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  winsys::HeadlessWindowSystem windows;
  std::unique_ptr<app::Station> station;
  std::vector<std::string> events;

 private:
  std::filesystem::path previous_;
  std::string dir_;
};
