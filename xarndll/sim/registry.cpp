#include "xarndll/sim/registry.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unordered_map>

#include "xarndll/control.h"

namespace xarnsim {
namespace {

struct Registry {
  std::unordered_map<uint64_t, std::unique_ptr<SimCard>> cards;
  uint64_t nextId = 1;
  // The last card looked up: a station drives one card, so most lookups end here.
  uint64_t lastId = 0;
  SimCard* last = nullptr;
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

SimCard* findCard(const CardContext& context) {
  Registry& r = registry();
  if (context.driverHandle == 0) return nullptr;
  if (context.driverHandle == r.lastId) return r.last;
  auto it = r.cards.find(context.driverHandle);
  if (it == r.cards.end()) return nullptr;
  r.lastId = it->first;
  r.last = it->second.get();
  return r.last;
}

SimCard& cardFor(CardContext& context) {
  if (SimCard* card = findCard(context)) return *card;
  Registry& r = registry();
  uint64_t id = r.nextId++;
  auto& slot = r.cards[id];
  slot = std::make_unique<SimCard>();
  // XARN_BUS puts every card of the process on that shared bus.
  if (const char* name = std::getenv("XARN_BUS"); name && *name) {
    std::string error;
    if (!slot->joinBus(name, error))
      std::fprintf(stderr, "xarndll: %s; the card runs alone\n", error.c_str());
  }
  context.driverHandle = id;
  r.lastId = id;
  r.last = slot.get();
  return *slot;
}

void releaseCard(CardContext& context) {
  Registry& r = registry();
  if (context.driverHandle == r.lastId) {
    r.lastId = 0;
    r.last = nullptr;
  }
  r.cards.erase(context.driverHandle);
  context.driverHandle = 0;
}

std::size_t cardCount() { return registry().cards.size(); }

}  // namespace xarnsim
