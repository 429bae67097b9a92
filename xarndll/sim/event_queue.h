// The card's pending events in card time (microseconds). The card is simulated lazily: each
// driver call first runs every event that fell due since the previous call, in due-time order
// (ties in the order they were scheduled), so the same calls at the same times always give the
// same card.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace xarnsim {

class EventQueue {
 public:
  using Action = std::function<void()>;
  using EventId = uint64_t;

  EventId schedule(uint64_t due, Action action) {
    EventId id = nextId_++;
    events_.emplace(Key{due, id}, std::move(action));
    return id;
  }

  bool cancel(EventId id) {
    for (auto it = events_.begin(); it != events_.end(); ++it) {
      if (it->first.second == id) {
        events_.erase(it);
        return true;
      }
    }
    return false;
  }

  void clear() { events_.clear(); }
  bool empty() const { return events_.empty(); }
  std::optional<uint64_t> nextDue() const {
    if (events_.empty()) return std::nullopt;
    return events_.begin()->first.first;
  }

  // Runs every event due at or before `until`. `setNow` receives each event's due time before
  // its action runs; an action may schedule further events, which run too if they fall due.
  template <class SetNow>
  void runUntil(uint64_t until, SetNow&& setNow) {
    while (!events_.empty() && events_.begin()->first.first <= until) {
      auto node = events_.extract(events_.begin());
      setNow(node.key().first);
      node.mapped()();
    }
  }

 private:
  using Key = std::pair<uint64_t, EventId>;
  std::map<Key, Action> events_;
  EventId nextId_ = 1;
};

}  // namespace xarnsim
