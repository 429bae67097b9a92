// The MDM units of MDM_MRT: up to 32 multiplexer-demultiplexer units, remote terminals on the
// local data bus, each with 16 I/O modules, BITE registers and a PROM, all in card memory; and
// the partner bus controller that exercises every enabled unit while the card runs, recording
// each message in the MDM queue.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "card/records.h"
#include "xarndll/sim/bus_engine.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/ldb/ldb_bus.h"
#include "xarndll/sim/ldb/ldb_wire.h"
#include "xarndll/sim/mdm/mdm_layout.h"
#include "xarndll/sim/mdm/mdm_protocol.h"
#include "xarndll/sim/ring_queue.h"

namespace xarnsim::mdm {

// The partner's frame: every enabled unit has one slot, in address order; a frame lasts this
// long, or longer when the slots need more.
inline constexpr ldb::Tick kShortestFrame = 10'000 * ldb::kTicksPerMicro;  // 10 ms
// The only queue DUVEX_RdMdmQDLL knows.
inline constexpr uint16_t kMdmQueueNumber = 1;

class Engine final : public BusEngine {
 public:
  explicit Engine(CardMemory& memory);

  // The driver's record calls. An RT past 31 or an IOM past 15 answers 251 and touches nothing.
  uint16_t readUnit(uint16_t rt, MdmRtSimRecord& record) const;
  uint16_t writeUnit(uint16_t rt, const MdmRtSimRecord& record);
  uint16_t readIom(uint16_t rt, uint16_t module, MdmIomRecord& record) const;
  uint16_t writeIom(uint16_t rt, uint16_t module, const MdmIomRecord& record);
  uint16_t readBite(uint16_t rt, MdmBiteRecord& record) const;
  uint16_t writeBite(uint16_t rt, const MdmBiteRecord& record);
  uint16_t readProm(uint16_t rt, MdmPromRecord& record) const;
  uint16_t writeProm(uint16_t rt, const MdmPromRecord& record);
  uint16_t readQueue(uint16_t queue, uint16_t* position, uint16_t* endFlag, MdmQueueEntry& entry);

  // On a shared bus: the bus beyond the card (null: the card is alone).
  void attach(ldb::Wire* wire) { wire_ = wire; }
  // A controller of another card commands a unit of the card whose memory is `memory` (time
  // tags counted from `epochMicros`). False when that unit is not enabled: the card does not
  // claim the address. With `commit` the unit takes the message in as it takes its partner's,
  // and the MDM queue records it.
  static bool answer(CardMemory& memory, uint64_t epochMicros, const ldb::Command& command,
                     bool commit, ldb::Reply& reply);

  // BusEngine: command 10 starts the partner, every enabled unit at the start of its cycle.
  void start(uint16_t mode, uint64_t nowMicros, uint64_t epochMicros) override;
  void stop() override { running_ = false; }
  bool advance(uint64_t untilMicros) override;
  void memoryWritten() override;

 private:
  void plan();
  void startFrame(ldb::Tick until);
  void skipFrames(uint64_t frames);
  void skipUnit(int rt, uint64_t messages);
  void skipQueue(uint64_t entries);
  const std::vector<uint16_t>& sequence(int rt);
  // The unit's next message into scratch_, then what it leaves behind.
  void prepare(int rt);
  void commit(int rt, ldb::Tick start, bool queued);

  CardMemory& memory_;
  ldb::Wire* wire_ = nullptr;
  RingQueue queue_;
  bool running_ = false;
  uint64_t epochMicros_ = 0;
  ldb::Timing timing_{};
  std::vector<int> units_;  // the enabled units of this frame, in address order
  ldb::Tick slot_ = 0;
  ldb::Tick period_ = kShortestFrame;
  ldb::Tick frameStart_ = 0;
  size_t next_ = 0;  // the next slot of the frame
  bool planned_ = false;
  bool stale_ = true;  // the configuration changed: plan the next frame afresh
  std::array<std::vector<uint16_t>, kUnits> sequences_;
  std::array<bool, kUnits> sequenceStale_{};
  Message scratch_;
};

}  // namespace xarnsim::mdm
