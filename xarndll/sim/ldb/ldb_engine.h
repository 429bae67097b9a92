// The local data bus of one card: its queues, the bus controller of LDB_BCT and the terminals of
// LDB_MRT. The card starts and stops it and brings it up to "now" on every driver call.
#pragma once

#include <cstdint>

#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/ldb_bus.h"
#include "xarndll/sim/ldb_controller.h"
#include "xarndll/sim/ldb_terminals.h"

namespace xarnsim::ldb {

class Engine {
 public:
  explicit Engine(CardMemory& memory)
      : queues_(memory, epochMicros_), controller_(memory, queues_), terminals_(memory, queues_) {}

  // `epochMicros`: the card time the time tags count from. `frames` (bus controller only): the
  // number of frames to run, 0 for no end.
  void startController(uint64_t nowMicros, uint64_t epochMicros, uint16_t frames) {
    stop();
    epochMicros_ = epochMicros;
    controller_.start(nowMicros * kTicksPerMicro, frames);
  }
  void startTerminals(uint64_t nowMicros, uint64_t epochMicros) {
    stop();
    epochMicros_ = epochMicros;
    terminals_.start(nowMicros * kTicksPerMicro);
  }
  void stop() {
    controller_.stop();
    terminals_.stop();
  }
  // Runs the bus up to `untilMicros`; false when it is not (or no longer) running.
  bool advance(uint64_t untilMicros) {
    Tick until = untilMicros * kTicksPerMicro;
    if (controller_.running()) return controller_.advance(until);
    if (terminals_.running()) return terminals_.advance(until);
    return false;
  }

  // A word of card memory was written from outside (rWDLL, a setup file): the controller lays
  // out its next frame afresh.
  void memoryWritten() { controller_.invalidate(); }

  Queues& queues() { return queues_; }
  Controller& controller() { return controller_; }
  Terminals& terminals() { return terminals_; }

 private:
  uint64_t epochMicros_ = 0;
  Queues queues_;
  Controller controller_;
  Terminals terminals_;
};

}  // namespace xarnsim::ldb
