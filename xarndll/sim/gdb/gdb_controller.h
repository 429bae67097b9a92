// The card as bus controller of a global data bus (GDB_BCT): the three rate tables, the HI and
// LO command queues and the uplink and downlink queues in card memory, and the engine that walks
// the tables at their rates against partner terminals that answer, or, passive, listens to a
// partner controller that runs the same tables.
#pragma once

#include <cstdint>
#include <vector>

#include "card/records.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/gdb/gdb_bus.h"
#include "xarndll/sim/gdb/gdb_wire.h"
#include "xarndll/sim/ring_queue.h"
#include "xarndll/sim/time_tag_writer.h"

namespace xarnsim::gdb {

inline constexpr uint16_t kOpNoop = 0x0000;
inline constexpr uint16_t kOpCommand = 0x1000;
inline constexpr uint16_t kOpMeasure = 0x2000;
inline constexpr uint16_t kOpSwitch = 0x3000;
inline constexpr uint16_t kOpEnd = 0x4000;
inline constexpr uint16_t kOpTrigger = 0x5000;
inline constexpr uint16_t kOpHalt = 0x6000;

inline constexpr uint16_t kSourceTable = 0x0000;
inline constexpr uint16_t kSourceHigh = 0x8000;
inline constexpr uint16_t kSourceLow = 0x4000;

inline constexpr uint16_t kQueueUplink = 0xC000;
inline constexpr uint16_t kQueueDownlink = 0xD000;

inline constexpr uint16_t kPriorityHigh = 1;
inline constexpr uint16_t kPriorityLow = 0;

inline constexpr uint16_t kPassiveBit = 0x8000;  // in the mode word

class Controller {
 public:
  // `extendedChannels` is the card's own flag: what it decodes from the tables and queues.
  Controller(CardMemory& memory, TimeTagWriter& tags, const bool& extendedChannels);

  // The driver's record calls; each returns a driver status.
  uint16_t readTable(uint16_t rate, uint16_t entry, uint16_t& operation,
                     GdbCommandRecord& command) const;
  uint16_t writeTable(uint16_t rate, uint16_t entry, uint16_t operation,
                      const GdbCommandRecord& command, bool extended);
  uint16_t insert(uint16_t priority, uint16_t& counter, const GdbCommandRecord& command,
                  bool extended);
  uint16_t readQueue(uint16_t queue, uint16_t* position, uint16_t* endFlag, GdbQueueEntry& entry);

  // On a shared bus: the bus beyond the card (null: the card is alone).
  void attach(Wire* wire) { wire_ = wire; }

  // Whether the card whose memory is `memory`, in GDB_BCT, holds the bus as its active
  // controller: from RUN (active) until it halts, through a HALT entry that stopped it.
  static bool activeOnBus(const CardMemory& memory);
  // A passive controller of the card whose memory is `memory` (time tags counted from
  // `epochMicros`) hears another card's transfer: its uplink and downlink queues show it.
  static void overhear(CardMemory& memory, uint64_t epochMicros, const Heard& heard);

  void start(Tick now);
  void stop();
  bool running() const { return running_; }
  void invalidate() { stale_ = true; }
  // Brings the bus up to `until`; false once a HALT entry has stopped it (or it was not running).
  bool advance(Tick until);

 private:
  // One entry of the schedule: a transfer slot (MEASURE, COMMAND) or a moment (TRIGGER, HALT).
  struct Step {
    uint16_t operation = kOpNoop;
    uint16_t rate = 0;
    uint16_t index = 0;  // entry number, from 1
    uint16_t bus = 0;    // 0 A, 1 B: SWITCH entries change it for the rest of the table's pass
    uint16_t rt = 0;
    uint16_t sync = 0;
    uint16_t channel = 0;
    uint16_t data = 0;
    uint16_t errorType = kErrorNone;
    uint16_t errorSize = 0;
    uint16_t polarity = 0;
  };
  // What goes on the bus for one transfer.
  struct Transfer {
    uint16_t source = kSourceTable;
    uint16_t rate = 0;
    uint16_t index = 0;
    uint16_t bus = 0;
    uint16_t rt = 0;
    uint16_t sync = 0;
    uint16_t channel = 0;
    uint16_t data = 0;
    uint16_t errorType = kErrorNone;
    uint16_t errorSize = 0;
    bool heard = false;  // passive: the partner controller's word, which the card only hears
  };

  void plan();
  void walkTable(uint16_t rate, std::vector<Step>& steps) const;
  void count(uint64_t from, uint64_t to, bool passive);
  void runSlots(uint64_t from, uint64_t to, bool passive);
  bool perform(uint64_t g, bool passive);  // false: a HALT entry stopped the controller
  // Slot g as slot `slot` of period `cycle`: a walk through the slots keeps count of both.
  bool perform(uint64_t cycle, uint32_t slot, bool passive);
  // `live`: the card's own transfer on a shared bus, which the other cards answer and hear.
  void send(const Transfer& t, Tick start, bool live);
  // The answer `h` gets, the n-th transfer of the run; `damaged`: the controller's word is.
  void answer(uint64_t n, Heard& h, bool damaged, bool live);
  bool popCommand(Transfer& t);
  // The first slot from `from` on among the slots of one period `list` names, or none.
  uint64_t nextOf(const std::vector<uint32_t>& list, uint64_t from) const;
  // The next slot that changes the card: a COMMAND (queues not empty) or HALT slot, or, passive,
  // the partner's HALT.
  uint64_t nextEvent(uint64_t from, bool passive) const;

  CardMemory& memory_;
  TimeTagWriter& tags_;
  const bool& extended_;
  RingQueue high_;
  RingQueue low_;
  RingQueue uplink_;
  RingQueue downlink_;
  Wire* wire_ = nullptr;
  bool running_ = false;
  bool onBus_ = false;  // the run-control word kOnBus is set
  bool stale_ = true;
  bool partnerHalted_ = false;  // passive: the partner has reached a HALT entry this run
  Tick origin_ = 0;
  Tick done_ = 0;      // the bus has run up to here
  uint64_t next_ = 0;  // the next slot of the run
  uint64_t transfers_ = 0;
  std::vector<Step> steps_;              // the slots of one second, in time order
  std::vector<uint32_t> transferSlots_;  // MEASURE slots: the only ones that write queue entries
  std::vector<uint32_t> commandSlots_;
  std::vector<uint32_t> haltSlots_;
  Timeline timeline_;
};

}  // namespace xarnsim::gdb
