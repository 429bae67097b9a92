// The bus monitor of BUS_MON: it listens to the local buses on connectors J1 to J4, records
// their words into the monitor stack and stops a set number of words after its trigger.
#pragma once

#include <cstdint>

#include "xarndll/sim/bus_engine.h"
#include "xarndll/sim/card_memory.h"

namespace xarnsim::monitor {

class Engine final : public BusEngine {
 public:
  explicit Engine(CardMemory& memory) : memory_(memory) {}

  void start(uint16_t mode, uint64_t nowMicros, uint64_t epochMicros) override;
  void stop() override { running_ = false; }
  bool advance(uint64_t untilMicros) override;

  // Empties the monitor stack.
  void clearStack();

 private:
  CardMemory& memory_;
  bool running_ = false;
};

}  // namespace xarnsim::monitor
