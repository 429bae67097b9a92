// The local data bus of one card: its queues, the bus controller of LDB_BCT and the terminals of
// LDB_MRT. The card starts and stops it and brings it up to "now" on every driver call.
#pragma once

#include <cstdint>

#include "xarndll/sim/bus_engine.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/ldb/ldb_bus.h"
#include "xarndll/sim/ldb/ldb_controller.h"
#include "xarndll/sim/ldb/ldb_terminals.h"

namespace xarnsim::ldb {

class Engine final : public BusEngine {
 public:
  explicit Engine(CardMemory& memory)
      : queues_(memory, epochMicros_), controller_(memory, queues_), terminals_(memory, queues_) {}

  // Command 10: LDB_BCT runs its frame until halted, LDB_MRT's partner starts polling.
  void start(uint16_t mode, uint64_t nowMicros, uint64_t epochMicros) override {
    if (mode == kModeBct)
      startController(nowMicros, epochMicros, 0);
    else
      startTerminals(nowMicros, epochMicros);
  }

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
  void stop() override {
    controller_.stop();
    terminals_.stop();
  }
  // Runs the bus up to `untilMicros`; false when it is not (or no longer) running.
  bool advance(uint64_t untilMicros) override {
    Tick until = untilMicros * kTicksPerMicro;
    if (controller_.running()) return controller_.advance(until);
    if (terminals_.running()) return terminals_.advance(until);
    return false;
  }

  // A word of card memory was written from outside (rWDLL, a setup file): the controller lays
  // out its next frame afresh.
  void memoryWritten() override {
    controller_.invalidate();
    terminals_.invalidate();
  }

  Queues& queues() { return queues_; }
  Controller& controller() { return controller_; }
  Terminals& terminals() { return terminals_; }

 private:
  static constexpr uint16_t kModeBct = 1;
  uint64_t epochMicros_ = 0;
  Queues queues_;
  Controller controller_;
  Terminals terminals_;
};

}  // namespace xarnsim::ldb
