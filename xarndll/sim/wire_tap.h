// What goes over the card's connectors, offered word by word and transfer by transfer to whoever
// records it. Each bus offers the words of a transfer as it completes (in time order), then closes
// the transfer; nothing is offered, and nothing costs anything, while nobody records.
//
// A tapped card simulates every transfer: the buses then never count a stretch of traffic that
// their queues could no longer show instead of running it (`tapped()` is that one flag).
#pragma once

#include <cstdint>

#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/card_time.h"

namespace xarnsim {

// Word flags.
inline constexpr uint8_t kWireCommandSync = 0x01;  // command sync (else data sync)
inline constexpr uint8_t kWireReceived = 0x02;     // the card received the word (else it sent it)

// Word errors a receiver sees, in the bit order of the local bus's queues (Sh Lg Mn Py Sy).
inline constexpr uint16_t kWireErrorMask = 0x001F;
// A transfer whose answer never came (the local bus's Nr bit).
inline constexpr uint16_t kWireNoResponse = 0x0080;

struct WireWord {
  Tick start = 0;      // card ticks (half microseconds since the card was created)
  uint64_t value = 0;  // local bus: the 24-bit word; global bus: RT << 32 | channel << 16 | data
  uint8_t flags = 0;
  uint8_t bus = 0;   // local bus 0 primary, 1 secondary; global bus 0 A, 1 B; monitor J1..J4 0..3
  uint8_t role = 0;  // global bus: 0 the controller's word, 1 answer, 2 intermediate, 3 unsolicited
  uint16_t errors = 0;
};

// What closes a transfer: the entry its mode's queue makes of it.
struct WireTransfer {
  uint16_t type = 0;    // MDM message type; global-bus controller: the command's source
  uint16_t number = 0;  // LDB_BCT message; GDB_BCT table entry; terminal address otherwise
  uint16_t errors = 0;  // the queue entry's error flags, as the mode's queue has them
  uint16_t extra = 0;   // GDB_BCT: the table's rate
};

class WireTap {
 public:
  virtual ~WireTap() = default;
  virtual void word(const WireWord& word) = 0;
  virtual void transfer(const WireTransfer& transfer) = 0;
  // The card has caught up with "now" (every driver call): a chance to flush.
  virtual void caughtUp() {}
  // False once nobody needs every transfer any more (a recording ended by its size limit).
  virtual bool wantsEveryTransfer() const { return true; }
};

inline bool tapped(const CardMemory& memory) {
  return memory.tap != nullptr && memory.tap->wantsEveryTransfer();
}
inline void tapWord(const CardMemory& memory, const WireWord& word) {
  if (memory.tap) memory.tap->word(word);
}
inline void tapTransfer(const CardMemory& memory, const WireTransfer& transfer) {
  if (memory.tap) memory.tap->transfer(transfer);
}

}  // namespace xarnsim
