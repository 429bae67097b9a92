// The global bus beyond the card, when the card shares a named bus with other cards: their
// terminals answer this card's controller, their passive controllers hear it, and another card's
// active controller may own the bus. A card alone has no wire and invents its partners, as before.
#pragma once

#include <cstdint>

#include "xarndll/sim/gdb/gdb_bus.h"

namespace xarnsim::gdb {

// A controller's word to a terminal of another card, as it arrives there.
struct Request {
  Tick start = 0;     // the word's start
  uint16_t sync = 0;  // command sync asks for an answer; data sync only delivers data
  uint16_t rt = 0;
  uint16_t channel = 0;
  uint16_t data = 0;
  bool clash = false;  // another card claims the RT and channel too: the answers collide
};

// The answer the controller receives: the terminal's response word, or none.
struct Answer {
  bool answered = false;
  Tick at = kWordTime + kTurnaround;  // the response word's start, from the request's start
  uint16_t sync = 0;
  uint16_t errors = 0;
  uint16_t rt = 0;
  uint16_t channel = 0;
  uint16_t data = 0;
};

// A transfer as a passive controller of another card hears it: the controller's word (with
// the errors it carried) and, for a command-sync word, the answer or its absence.
struct Heard {
  Tick start = 0;
  uint16_t source = 0;
  uint16_t index = 0;
  uint16_t bus = 0;
  uint16_t sync = 0;
  uint16_t errors = 0;
  uint16_t rt = 0;
  uint16_t channel = 0;
  uint16_t data = 0;
  Answer answer;
};

class Wire {
 public:
  virtual ~Wire() = default;
  // Another card's active controller holds the global bus: this card's invented partner (the
  // terminals' poller, a passive controller's twin) steps aside, and an active controller of
  // this card collides with it.
  virtual bool activeControllerElsewhere() = 0;
  // Invented terminals stand in for addresses no card claims.
  virtual bool partners() = 0;
  // Sends `request` to the cards on the bus: false when no card's running terminals claim its
  // RT and channel. The terminals that do take it in (RT queue, counters) and answer.
  virtual bool offer(const Request& request, Answer& answer) = 0;
  // The whole transfer, for the passive controllers of the other cards.
  virtual void overhear(const Heard& heard) = 0;
};

}  // namespace xarnsim::gdb
