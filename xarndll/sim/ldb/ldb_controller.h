// The card as bus controller of a local data bus: message definitions 1 to 99 and the major
// frame in card memory, and the engine that runs the frame, word by word, against simulated
// terminals that always answer.
#pragma once

#include <cstdint>
#include <vector>

#include "card/records.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/ldb/ldb_bus.h"
#include "xarndll/sim/ldb/ldb_wire.h"

namespace xarnsim::ldb {

class Controller {
 public:
  Controller(CardMemory& memory, Queues& queues) : memory_(memory), queues_(queues) {}

  // The driver's record calls; each returns a driver status.
  uint16_t readMessage(BcMessageRecord& record) const;
  uint16_t writeMessage(const BcMessageRecord& record);
  uint16_t readFrame(FrameRecord& record) const;
  uint16_t writeFrame(const FrameRecord& record);

  // On a shared bus: the bus beyond the card (null: the card is alone).
  void attach(Wire* wire) { wire_ = wire; }

  // Runs `frames` frames (0: until stopped) from `now`.
  void start(Tick now, uint16_t frames);
  void stop() { running_ = false; }
  bool running() const { return running_; }
  // Card memory changed from outside: the next frame is laid out afresh.
  void invalidate() { stale_ = true; }
  // Brings the bus up to `until`; false once a counted run has ended (or it was not running).
  bool advance(Tick until);

  uint64_t framesDone() const { return framesDone_; }

 private:
  // The words and outcome of one transfer of a message, from the start of its command word.
  struct Transfer {
    std::vector<BusWord> words;
    Tick busEnd = 0;  // when its last word has ended (or the response timeout ran out)
    Tick length = 0;  // busEnd plus the message's gap time
    uint16_t errors = 0;
    uint32_t command = 0;
    uint32_t response = 0;
  };
  // One message of the frame as it will go on the bus, relative to the frame start.
  struct Slot {
    uint16_t message = 0;
    Tick offset = 0;
    Transfer transfer;
  };

  // A transfer as it happens on a shared bus: from `start`, answered by the card that claims
  // the terminal (who takes it in with `commit`).
  struct Live {
    Tick start = 0;
    bool commit = false;
  };

  void plan();
  void describe(uint16_t message, Transfer& out, const Live* live = nullptr) const;
  enum class OnBus { Unclaimed, Answered, Lost };
  OnBus answerOnBus(const Live& live, const Command& command, Transfer& out, Tick end) const;
  bool advanceOnBus(Tick until);
  void startFrame(Tick until);
  void send(const Slot& slot, Tick start);
  void skipFrames(uint64_t frames);
  uint64_t framesToFill(uint32_t capacity, uint64_t perFrame) const;

  CardMemory& memory_;
  Queues& queues_;
  Wire* wire_ = nullptr;
  Tick busFree_ = 0;  // on a shared bus: when the last transfer (and its gap) ended
  bool running_ = false;
  bool planned_ = false;  // the current frame's slots are laid out
  Timing timing_{};
  uint16_t framesWanted_ = 0;
  uint64_t framesDone_ = 0;
  Tick frameStart_ = 0;
  Tick period_ = 1;
  std::size_t next_ = 0;  // next slot of the current frame
  uint32_t frameWords_ = 0;
  std::vector<Slot> slots_;
  bool stale_ = true;          // the slots may no longer match card memory
  bool writeWords_ = true;     // this frame's words reach the raw queue
  bool writeMessages_ = true;  // this frame's transfers reach the message queue
};

}  // namespace xarnsim::ldb
