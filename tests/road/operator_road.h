// The operator's first road through a mode, a plan both front ends walk with their own hands: set
// up, enter the mode, RUN with nothing configured, a minute, each page's buttons once, HALT, save
// to a setup file, QUIT; then again from that file and from an all-zero one. Each step is decided
// only when it comes, from what the station then shows.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "resources/resources.h"

namespace road {

// What an operator does and sees, in one front end.
class RoadHands {
 public:
  virtual ~RoadHands() = default;
  virtual void menu(const std::string& label) = 0;  // a label path: "RUN", "DEBUG/CMND"
  virtual void click(const std::string& page, int id) = 0;
  virtual void type(const std::string& page, int id, const std::string& text) = 0;
  virtual void tick(int seconds) = 0;
  virtual void answerYes() = 0;            // the next Yes/No box is answered Yes
  virtual int answersPending() const = 0;  // queued answers not yet taken
  virtual int pageCount() const = 0;       // open pages, any template
  virtual std::string newestPage() const = 0;
  virtual int openCount(const std::string& page) const = 0;
  virtual void expectStatus(const std::string& status) = 0;
  virtual void expectMenu(const std::string& menu) = 0;
};

// What the hands of either front end read off their window system, which both backends answer
// alike.
template <typename Windows>
class HandsOn : public RoadHands {
 public:
  explicit HandsOn(Windows& windows) : windows_(windows) {}
  int answersPending() const override { return windows_.answersPending(); }
  int pageCount() const override { return static_cast<int>(windows_.openPages().size()); }
  std::string newestPage() const override {
    auto pages = windows_.openPages();
    return pages.empty() ? std::string() : pages.back()->layout().name;
  }
  int openCount(const std::string& page) const override { return windows_.openCount(page); }

 protected:
  Windows& windows_;
};

struct ModeRoad {
  uint16_t number;      // the operating mode's number, as setup files keep it
  const char* mode;     // the top menu's label
  const char* menu;     // the mode's menu resource
  const char* run;      // the menu item that runs the card ...
  const char* runPage;  // ... or opens this page, whose button `runButton` runs it
  int runButton;
  const char* running;   // the status line while running
  const char* idle;      // ... and after HALT
  const char* haltItem;  // the menu item that halts
  const char* quitItem;
};

// The six modes' roads, as data.
inline const std::vector<ModeRoad>& modeRoads() {
  static const std::vector<ModeRoad> roads = {
      {1, "LDB_BCT", "LDB_BCT_MENU", "RUN", "RUN_BCT", 2, "LDB_BCT RUNNING ", "LDB_BCT IDLE    ",
       "HALT", "QUIT"},
      {2, "LDB_MRT", "LDB_MRT_MENU", "RUN", nullptr, 0, "LDB_MRT RUNNING ", "LDB_MRT IDLE    ",
       "HALT", "QUIT"},
      // Whether the monitor still runs a second after RUN depends on its trigger and RT filter:
      // the default trigger ends the capture within milliseconds, an all-zero one never fires.
      {3, "BUS_MON", "BUS_MON_MENU", "RUN", nullptr, 0, nullptr, "BUS_MON IDLE    ", "HALT",
       "QUIT"},
      {4, "GDB_BCT", "GDB_BCT_MENU", "RUNactive", nullptr, 0, "GDB_BCT ACTIVE  ",
       "GDB_BCT IDLE    ", "HALT", "QUIT"},
      {5, "GDB_MRT", "GDB_MRT_MENU", "RUN", nullptr, 0, "GDB_MRT RUNNING ", "GDB_MRT IDLE    ",
       "HALT", "QUIT"},
      {6, "MDM_MRT", "MDM_MRT_MENU", "RUN", nullptr, 0, "MDM_MRT RUNNING ", "MDM_MRT IDLE    ",
       "HALT", "QUIT"},
  };
  return roads;
}

// Menu items that are not pages to walk: the blank item, the run and halt commands, help, quit.
inline bool isPageItem(const ModeRoad& road, const std::string& label) {
  if (label == road.run) return road.runPage != nullptr;
  for (const char* skip : {"RUNpassive", "HALT", "HELP", "QUIT"}) {
    if (label == skip) return false;
  }
  return label.find_first_not_of(' ') != std::string::npos;
}

inline bool isDebugItem(const std::string& label) { return label.rfind("DEBUG/", 0) == 0; }

// Label paths of the mode menu's items, pop-ups' items as "POPUP/ITEM".
inline std::vector<std::string> menuPaths(const winsys::Menu& menu) {
  std::vector<std::string> paths;
  for (const auto& item : menu.items) {
    if (!item.isPopup()) {
      paths.push_back(item.label);
      continue;
    }
    for (const auto& sub : item.popup) paths.push_back(item.label + "/" + sub.label);
  }
  return paths;
}

inline constexpr const char* kSavedFile = "ROAD.SUP";
inline constexpr const char* kZeroFile = "ZERO.SUP";
inline constexpr int kSetupsFileField = 2, kSetupsGet = 3, kSetupsSave = 4, kSetupsQuit = 6;

// The road as a queue of steps; each step runs when the one before it has been carried out.
class RoadPlan {
 public:
  using Step = std::function<void(RoadHands&)>;

  explicit RoadPlan(const ModeRoad& road) : road_(road) {
    enterMode(nullptr);
    walk(true);
    enterMode(kSavedFile);
    walk(false);
    enterMode(kZeroFile);
    walk(false);
  }

  bool done() const { return steps_.empty(); }
  void runNext(RoadHands& hands) {
    Step step = std::move(steps_.front());
    steps_.pop_front();
    step(hands);
  }

 private:
  void then(Step step) { steps_.push_back(std::move(step)); }

  void enterMode(const char* setupFile) {
    const char* mode = road_.mode;
    then([mode](RoadHands& h) {
      h.menu("SETUP");
      h.click("XARN_SETUP", 1);
      h.menu(mode);
    });
    if (setupFile) loadOrSave(setupFile, kSetupsGet);
  }

  // The setup files page, modal: its menu item is the last action of a step, since in the window
  // the step waits there while the page is open.
  void loadOrSave(const std::string& file, int button) {
    then([](RoadHands& h) { h.menu("SETUPS"); });
    then([file, button](RoadHands& h) {
      h.type("SETUPS", kSetupsFileField, file);
      if (h.answersPending() == 0) h.answerYes();  // a save may replace the file
      h.click("SETUPS", button);
      h.click("SETUPS", kSetupsQuit);
    });
  }

  // RUN, a minute, every page and button, HALT, the debug pages, (the file for the next
  // roads), QUIT.
  void walk(bool saveAfter) {
    const ModeRoad road = road_;
    then([road](RoadHands& h) {
      h.menu(road.run);
      if (road.runPage) h.click(road.runPage, road.runButton);
      h.tick(1);
      if (road.running) h.expectStatus(road.running);
      h.tick(59);
    });
    // The mode's own pages while it runs; the debug pages (whose self test ends any run) after
    // HALT.
    const std::vector<std::string> items = menuPaths(*resources::menu(road.menu));
    for (const std::string& item : items) {
      if (isPageItem(road, item) && !isDebugItem(item)) walkPage(item);
    }
    then([road](RoadHands& h) {
      h.menu(road.haltItem);
      h.tick(1);
      h.expectStatus(road.idle);
    });
    for (const std::string& item : items) {
      if (isDebugItem(item)) walkPage(item);
    }
    if (saveAfter) loadOrSave(kSavedFile, kSetupsSave);
    then([road](RoadHands& h) {
      if (h.answersPending() == 0) h.answerYes();
      h.menu(road.quitItem);
      h.expectMenu("TOP_MENU");
    });
  }

  // Opens the page of menu item `item` and presses each of its buttons in turn, opening the page
  // again whenever a button closed it; at the end closes it with a button that closed it.
  void walkPage(const std::string& item) {
    auto page = std::make_shared<std::string>();
    auto closer = std::make_shared<int>(0);
    auto before = std::make_shared<int>(0);
    then([item, before](RoadHands& h) {
      *before = h.pageCount();
      h.menu(item);
    });
    then([page, before](RoadHands& h) {
      if (h.pageCount() > *before) *page = h.newestPage();
    });
    // The page's buttons are known only once it has opened: the step after the opening looks
    // them up and queues one step each, ahead of the rest of the road.
    then([this, item, page, closer](RoadHands&) {
      if (page->empty()) return;
      const winsys::DialogTemplate* layout = resources::dialog(*page);
      std::deque<Step> buttons;
      for (const auto& control : layout->controls) {
        if (control.kind != winsys::ControlKind::Button) continue;
        int id = control.id;
        buttons.push_back([item, page](RoadHands& h) {
          if (h.openCount(*page) == 0) h.menu(item);
        });
        buttons.push_back([page, id](RoadHands& h) {
          if (h.answersPending() == 0) h.answerYes();
          h.click(*page, id);
        });
        buttons.push_back([page, closer, id](RoadHands& h) {
          if (h.openCount(*page) == 0 && *closer == 0) *closer = id;
        });
      }
      buttons.push_back([page, closer](RoadHands& h) {
        if (h.openCount(*page) > 0 && *closer != 0) h.click(*page, *closer);
      });
      steps_.insert(steps_.begin(), buttons.begin(), buttons.end());
    });
  }

  ModeRoad road_;
  std::deque<Step> steps_;
};

}  // namespace road
