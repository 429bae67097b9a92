// Nothing a page throws leaves it: the operator sees a message box and the station goes on.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "winsys/headless/headless.h"

namespace {

class ThrowingPage final : public winsys::DialogProc {
 public:
  explicit ThrowingPage(winsys::Dialog& dialog) : dialog_(dialog) {}
  void init() override { dialog_.startTimer(2, 1000); }
  void command(int id) override {
    if (id == 1) throw std::bad_alloc();
    if (id == 2) throw std::runtime_error("the page failed");
    dialog_.setText(3, "still here");
  }
  void scroll(uint32_t, winsys::ScrollAction) override { throw 42; }
  void timer(int) override { throw std::length_error("timer"); }

 private:
  winsys::Dialog& dialog_;
};

TEST(Guard, WhatAHandlerThrowsBecomesAMessageBoxAndThePageLivesOn) {
  winsys::DialogTemplate layout;
  std::string error;
  ASSERT_TRUE(winsys::parseDialog(
      "DIALOG T 100 50\nBUTTON 1 0 0 10 10 \"\"\nBUTTON 2 0 10 10 10 \"\"\nEDIT 3 20 0 50 12 \"\"\n"
      "SCROLLBAR 4 80 0 10 20 \"\"\n",
      layout, error))
      << error;
  winsys::HeadlessWindowSystem windows;
  std::vector<std::string> events;
  windows.setEventSink([&](const std::string& line) { events.push_back(line); });
  ASSERT_TRUE(windows.openModeless(
      layout, [](winsys::Dialog& d) { return std::make_unique<ThrowingPage>(d); }));
  winsys::HeadlessDialog* page = windows.page("T");
  page->click(1);
  page->click(2);
  page->scroll(4, winsys::ScrollAction::LineUp);
  windows.advance(1000);
  page->click(5);  // no such control: the page's own branch
  page->click(3);
  EXPECT_EQ(page->fullText(3), "still here");
  std::vector<std::string> boxes;
  for (const std::string& e : events) {
    if (e.rfind("msgbox", 0) == 0) boxes.push_back(e);
  }
  EXPECT_EQ(boxes, (std::vector<std::string>{
                       "msgbox ERROR | Not enough memory for this operation. -> ok",
                       "msgbox ERROR | the page failed -> ok",
                       "msgbox ERROR | Unexpected failure. -> ok", "msgbox ERROR | timer -> ok"}));
}

}  // namespace
