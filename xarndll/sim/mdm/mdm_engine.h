// The MDM units of MDM_MRT: up to 32 multiplexer-demultiplexer units, remote terminals on the
// local data bus, exercised by a partner bus controller.
#pragma once

#include <cstdint>

#include "xarndll/sim/bus_engine.h"
#include "xarndll/sim/card_memory.h"

namespace xarnsim::mdm {

class Engine final : public BusEngine {
 public:
  explicit Engine(CardMemory& memory) : memory_(memory) {}

  void start(uint16_t mode, uint64_t nowMicros, uint64_t epochMicros) override;
  void stop() override { running_ = false; }
  bool advance(uint64_t untilMicros) override;

 private:
  CardMemory& memory_;
  bool running_ = false;
};

}  // namespace xarnsim::mdm
