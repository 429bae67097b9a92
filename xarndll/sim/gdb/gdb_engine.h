// The global data bus of GDB_BCT (the card is the bus controller) and GDB_MRT (the card is up
// to 256 remote terminals): one simulator of the bus for both modes.
#pragma once

#include <cstdint>

#include "xarndll/sim/bus_engine.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/gdb/gdb_bus.h"
#include "xarndll/sim/gdb/gdb_controller.h"
#include "xarndll/sim/gdb/gdb_terminals.h"
#include "xarndll/sim/time_tag_writer.h"

namespace xarnsim::gdb {

class Engine final : public BusEngine {
 public:
  // `extendedChannels`: the card's extended-channel option, which decides the channels the card
  // decodes from what it reads in its memory.
  Engine(CardMemory& memory, const bool& extendedChannels)
      : tags_(memory, epochMicros_),
        controller_(memory, tags_, extendedChannels),
        terminals_(memory, tags_, extendedChannels) {}

  // Command 10: GDB_BCT walks its tables (active or passive by the mode word), GDB_MRT's partner
  // controller starts polling.
  void start(uint16_t mode, uint64_t nowMicros, uint64_t epochMicros) override;
  void stop() override {
    controller_.stop();
    terminals_.stop();
  }
  bool advance(uint64_t untilMicros) override;
  void memoryWritten() override {
    controller_.invalidate();
    terminals_.invalidate();
  }

  Controller& controller() { return controller_; }
  Terminals& terminals() { return terminals_; }

 private:
  uint64_t epochMicros_ = 0;
  TimeTagWriter tags_;
  Controller controller_;
  Terminals terminals_;
};

}  // namespace xarnsim::gdb
