// The card as up to 32 remote terminals of a local data bus: each terminal's configuration, state
// and buffers in card memory, and a partner bus controller on the far side that exercises every
// terminal that is on, so that the terminals' state, data and the command queue move.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "card/records.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/ldb/ldb_bus.h"

namespace xarnsim::ldb {

// How the partner works: 32 data words for each data transfer, a fixed gap between messages.
inline constexpr uint32_t kPartnerWords = 32;
inline constexpr Tick kPartnerGap = 40;  // 20 microseconds

class Terminals {
 public:
  Terminals(CardMemory& memory, Queues& queues) : memory_(memory), queues_(queues) {}

  uint16_t read(LdbRtRecord& record) const;
  uint16_t write(const LdbRtRecord& record);

  void start(Tick now);
  void stop() { running_ = false; }
  bool running() const { return running_; }
  bool advance(Tick until);

 private:
  // One partner message to one terminal and what it does there.
  struct Exchange {
    std::vector<BusWord> words;
    Tick busEnd = 0;
    uint32_t command = 0;
    uint32_t response = 0;
    uint16_t errors = 0;
    uint16_t alternate = 0;
    bool heard = false;  // on a bus the terminal listens to
    uint16_t code = 0;
    uint16_t newState = 0;
    bool handshakeDone = false;  // the DTT count steps
  };
  struct Next {
    int rt = -1;
    bool wrapped = false;
  };

  Next findNext() const;
  void build(int rt, bool secondary, Exchange& out) const;
  void commit(int rt, Tick start, const Exchange& ex);

  CardMemory& memory_;
  Queues& queues_;
  bool running_ = false;
  Timing timing_{};
  Tick cursor_ = 0;  // when the partner's next message may start
  int nextRt_ = 0;   // 0..32; 32: the next search wraps at once
  bool secondaryPass_ = false;
  uint32_t sequence_ = 0;  // the partner's data pattern
  std::array<bool, 32> deliverNext_{};
  Exchange scratch_;
};

}  // namespace xarnsim::ldb
