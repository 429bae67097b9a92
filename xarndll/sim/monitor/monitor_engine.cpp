#include "xarndll/sim/monitor/monitor_engine.h"

#include "xarndll/sim/memory_map.h"

namespace xarnsim::monitor {

void Engine::start(uint16_t, uint64_t, uint64_t) { running_ = true; }

// Armed and waiting: no traffic is simulated yet.
bool Engine::advance(uint64_t) { return running_; }

void Engine::clearStack() {
  memory_.clear(map::kMonStackHeader);
  memory_.clear(map::kMonStack);
}

}  // namespace xarnsim::monitor
