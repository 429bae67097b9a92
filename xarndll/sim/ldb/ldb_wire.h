// The local bus beyond the card, when the card shares a named bus with other cards: their
// terminals answer this card's controller, another card's controller may own the bus, and every
// word goes on the wire for the cards that listen. A card alone has no wire and invents its
// partners, as before.
#pragma once

#include <array>
#include <cstdint>

#include "xarndll/sim/ldb/ldb_bus.h"
#include "xarndll/sim/ldb/ldb_layout.h"

namespace xarnsim::ldb {

// A controller's command to a terminal of another card, as it arrives there.
struct Command {
  Tick start = 0;  // the command word's start
  uint32_t command = 0;
  bool secondary = false;
  uint32_t sent = 0;  // data words after the command
  const uint32_t* data = nullptr;
  uint32_t wanted = 0;  // data words the controller expects after the status word
  Tick end = 0;         // when the controller's last word ended
  bool clash = false;   // another card claims the terminal too: the answers collide
};

// What the terminal sends back.
struct Reply {
  bool answered = false;
  Tick response = 0;  // from `Command::end` to the status word
  uint32_t status = 0;
  uint32_t words = 0;  // data words after the status word
  std::array<uint32_t, kDataWords> data{};
  Injection injection;  // the error the terminal puts into one of its words
  uint16_t errors = 0;  // what the controller's receiver sees of the answer (collisions, noise)
  bool secondaryLine = false;
};

class Wire {
 public:
  virtual ~Wire() = default;
  // Another card on the bus runs as its controller: this card's invented partner steps aside.
  virtual bool controllerElsewhere() = 0;
  // Another controller runs at the same time as this card's: every transfer collides.
  virtual bool collision() = 0;
  // Invented terminals stand in for addresses no card claims.
  virtual bool partners() = 0;
  // Offers `command` to the cards on the bus: false when none claims its terminal. With
  // `commit` the terminals take it in (state, buffers, queues); without, nothing changes.
  virtual bool answer(const Command& command, bool commit, Reply& reply) = 0;
  // Whether a word this card sends on bus `secondary` reaches the others, and what noise does
  // to it (queue error bits, 0 when none).
  virtual bool sends(bool secondary, Tick at, uint32_t value, uint16_t& errors) = 0;
  // The same for a word this card receives on bus `secondary` from the cards it hears.
  virtual bool hears(bool secondary, Tick at, uint32_t value, uint16_t& errors) = 0;
  // A word on the wire, in time order, for the cards that listen (monitors).
  virtual void carry(const BusWord& word, bool fromThisCard) = 0;
};

}  // namespace xarnsim::ldb
