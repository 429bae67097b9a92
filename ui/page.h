// What every page has: the station as a page sees it (the card, the desktop, the states that
// live for the run) and its own window. The shell implements PageContext; pages know nothing
// else of it.
#pragma once

#include <any>
#include <cstdint>
#include <memory>
#include <typeindex>
#include <unordered_map>

#include "card/records.h"
#include "card/xarndll.h"
#include "winsys/winsys.h"

namespace ui {

inline constexpr const char* kHelpFile = "XARN.HLP";

// The pages' states that live for the run: one T per station, made on first use, shared by
// every open copy of the page.
class PageStates {
 public:
  template <typename T>
  T& get() {
    std::any& slot = states_[std::type_index(typeid(T))];
    if (!slot.has_value()) slot.emplace<std::shared_ptr<T>>(std::make_shared<T>());
    return *std::any_cast<std::shared_ptr<T>&>(slot);
  }

 private:
  std::unordered_map<std::type_index, std::any> states_;
};

// The station as a page sees it.
class PageContext {
 public:
  virtual ~PageContext() = default;
  virtual CardContext& card() = 0;
  virtual winsys::WindowSystem& windows() = 0;
  // The GDB command queues' counters, one per priority: the shell owns and clears them.
  virtual GdbQueueCounters& gdbQueueCounters() = 0;

  template <typename T>
  T& pageState() {
    return pageStates().get<T>();
  }

 protected:
  virtual PageStates& pageStates() = 0;
};

class Page : public winsys::DialogProc {
 public:
  Page(PageContext& station, winsys::Dialog& dialog) : station_(station), dialog_(dialog) {}

  void scroll(uint32_t, winsys::ScrollAction) override {}
  void timer(int) override {}
  // F1: the help file at the page's section.
  void help() override { station_.windows().openHelp(kHelpFile, dialog_.layout().help); }

 protected:
  CardContext* card() { return &station_.card(); }
  PageContext& station_;
  winsys::Dialog& dialog_;
};

}  // namespace ui
