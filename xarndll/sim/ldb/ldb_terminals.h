// The card as up to 32 remote terminals of a local data bus: each terminal's configuration, state
// and buffers in card memory, and a partner bus controller on the far side that exercises every
// terminal that is on, so that the terminals' state, data and the command queue move.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "card/records.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/ldb/ldb_bus.h"
#include "xarndll/sim/ldb/ldb_wire.h"

namespace xarnsim::ldb {

// How the partner works: 32 data words for each data transfer, a fixed gap between messages.
inline constexpr uint32_t kPartnerWords = 32;
inline constexpr Tick kPartnerGap = 40;  // 20 microseconds

class Terminals {
 public:
  Terminals(CardMemory& memory, Queues& queues) : memory_(memory), queues_(queues) {}

  uint16_t read(LdbRtRecord& record) const;
  uint16_t write(const LdbRtRecord& record);

  // On a shared bus: the bus beyond the card (null: the card is alone).
  void attach(Wire* wire) { wire_ = wire; }

  // A controller of another card commands a terminal of the card whose memory is `memory` (time
  // tags counted from `epochMicros`). False when that terminal is off: the card does not claim
  // the address. With `commit` the terminal takes the command in as it takes its partner's:
  // state, DTT count, buffers, the command and raw queues.
  static bool answer(CardMemory& memory, uint64_t epochMicros, const Command& command, bool commit,
                     Reply& reply);

  void start(Tick now);
  void stop() { running_ = false; }
  bool running() const { return running_; }
  bool advance(Tick until);
  // Card memory changed from outside: what the partner's cycle was is no longer known.
  void invalidate() {
    marks_.clear();
    markOf_.clear();
  }

 private:
  // One partner message to one terminal and what it does there.
  struct Exchange {
    int rt = 0;
    bool secondary = false;
    Tick start = 0;         // the command word's start
    Tick busEnd = 0;        // from `start`
    uint32_t sequence = 0;  // the partner's data pattern when it was sent
    uint32_t command = 0;
    uint32_t response = 0;
    uint16_t errors = 0;
    uint16_t alternate = 0;
    bool heard = false;  // on a bus the terminal listens to
    uint16_t code = 0;
    uint16_t newState = 0;
    bool handshakeDone = false;  // the DTT count steps
    uint32_t partnerWords = 0;   // data words after the command (IWD)
    uint32_t answerWords = 0;    // data words after the status word (GAH)
    Tick answerAt = 0;           // the status word's start
    Injection injection;         // the error the terminal puts into its answer
    uint64_t wordCount() const { return 1 + partnerWords + (heard ? 1 + answerWords : 0); }
  };
  struct Next {
    int rt = -1;
    bool wrapped = false;
  };

  // A terminal as the partner meets it in one catch-up: read from card memory the first time,
  // then changed here exchange by exchange, and written back once at the end. Only the last
  // exchange of each kind leaves a trace in the terminal's words, so thousands of them cost one
  // write each.
  struct Terminal {
    uint16_t select = 0;
    uint16_t action = 0;  // as written, for the signature
    uint16_t state = 0;   // as written until the first exchange it hears
    uint16_t dtt = 0;
    bool defined = false;
    // What the last exchanges it heard leave in its words (nothing until `heard`).
    bool heard = false;
    Tick lastStart = 0;
    uint32_t lastCommand = 0;
    uint32_t lastResponse = 0;
    uint32_t txWords = 0;  // the last TX buffer it sent (0: none)
    Tick txStart = 0;
    uint32_t rxWords = 0;  // the last RX data it took in (0: none)
    Tick rxStart = 0;
    uint32_t rxSequence = 0;
  };

  // What the passes to come depend on, besides the time: the bus of the next pass and each
  // terminal's configuration and protocol position, padded to whole 64-bit blocks for the hash.
  static constexpr std::size_t kSignatureWords = 1 + 5 * std::size_t{kTerminals};
  using Signature = std::array<uint16_t, (kSignatureWords + 3) / 4 * 4>;

  // Where the partner's cycle stood at the start of a pass: a long catch-up finds the period of
  // the cycle from two passes that started alike and skips the whole periods that no queue
  // could show any more.
  struct Mark {
    Signature signature{};
    Tick cursor = 0;
    uint64_t words = 0;     // raw words sent so far
    uint64_t commands = 0;  // commands sent so far
    uint32_t sequence = 0;
    std::array<uint16_t, kTerminals> dtt{};
  };

  // Words and commands sent in a catch-up before any queue could show them. Each queue counts
  // its own before its next push: the two queues do not depend on each other.
  struct Unseen {
    uint64_t words = 0;
    uint64_t commands = 0;
    void flushWords(Queues& queues);
    void flushCommands(Queues& queues);
  };

  Terminal& terminal(int rt) {
    if (!(loaded_ >> rt & 1)) load(rt);
    return terminals_[static_cast<std::size_t>(rt)];
  }
  void load(int rt);
  void writeBack();
  Next findNext() const;
  void build(int rt, bool secondary, Exchange& out);
  static uint32_t partnerData(int rt, uint32_t sequence, uint32_t index);
  void take(const Exchange& ex);
  Exchange& nextPending();
  void keepNext();
  const Exchange& pending(std::size_t index) const;
  void writePending();
  void pushWords(const Exchange& ex);
  Signature signature();
  void passStarts(Tick until);
  void skipPeriods(const Mark& then, Tick until);

  CardMemory& memory_;
  Queues& queues_;
  Wire* wire_ = nullptr;
  bool running_ = false;
  Timing timing_{};
  Tick cursor_ = 0;  // when the partner's next message may start
  int nextRt_ = 0;   // 0..32; 32: the next search wraps at once
  bool secondaryPass_ = false;
  uint32_t sequence_ = 0;  // the partner's data pattern
  std::array<bool, 32> deliverNext_{};
  std::array<Terminal, kTerminals> terminals_{};
  uint32_t loaded_ = 0;  // one bit a terminal read in this catch-up
  // The exchanges of this catch-up not yet written to the queues, oldest first: a ring that
  // keeps as many as the longer queue holds, since an exchange that many back shows in neither,
  // and one slot more, where the next exchange is worked out before it is known to fit.
  std::vector<Exchange> pending_;
  std::size_t pendingFirst_ = 0;
  std::size_t pendingCount_ = 0;
  bool showAll_ = false;  // every word goes out as it is sent: a shared bus, a recording
  Unseen unseen_;
  uint64_t wordsSent_ = 0;
  uint64_t commandsSent_ = 0;
  std::vector<Mark> marks_;
  std::unordered_map<uint64_t, std::size_t> markOf_;  // a signature's hash to its mark
};

}  // namespace xarnsim::ldb
