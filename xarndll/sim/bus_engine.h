// What the card asks of the simulator of a bus: start when the card runs in the bus's mode, stop
// when it halts, and bring the bus up to "now" on every driver call. Each bus keeps all of its
// state that a page or a setup file can see in card memory; an engine holds only what it can
// work out again from there (a plan of the next frame, the partner's position in its poll).
#pragma once

#include <cstdint>

namespace xarnsim {

class BusEngine {
 public:
  virtual ~BusEngine() = default;

  // The card runs in operating mode `mode` from card time `nowMicros` (command 10, or the mode's
  // own run call). Time tags count from `epochMicros`, the last initialisation.
  virtual void start(uint16_t mode, uint64_t nowMicros, uint64_t epochMicros) = 0;
  virtual void stop() = 0;
  // Runs the bus up to `untilMicros`. False once the bus has stopped by itself (a counted run
  // that ended, a monitor that has captured its post-trigger words), or when it is not running.
  // A catch-up over any length of time costs no more than what the card's queues can still show.
  virtual bool advance(uint64_t untilMicros) = 0;
  // A word of card memory was written from outside (wWDLL, a setup file) while the bus runs.
  virtual void memoryWritten() {}
};

}  // namespace xarnsim
