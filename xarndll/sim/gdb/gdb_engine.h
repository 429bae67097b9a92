// The global data bus of GDB_BCT (the card is the bus controller) and GDB_MRT (the card is up
// to 256 remote terminals): one simulator of the bus for both modes.
#pragma once

#include <cstdint>

#include "xarndll/sim/bus_engine.h"
#include "xarndll/sim/card_memory.h"

namespace xarnsim::gdb {

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

}  // namespace xarnsim::gdb
