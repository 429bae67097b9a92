#include "xarndll/sim/gdb/gdb_engine.h"

namespace xarnsim::gdb {

void Engine::start(uint16_t, uint64_t, uint64_t) { running_ = true; }

// Running, but no traffic is simulated yet.
bool Engine::advance(uint64_t) { return running_; }

}  // namespace xarnsim::gdb
