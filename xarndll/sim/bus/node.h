// A card's place on a named shared bus: it keeps the card's memory in the bus's segment, moves
// the card's time in step with the other nodes, and is the wire its buses talk through.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "xarndll/sim/bus/shared_bus.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/ldb/ldb_wire.h"
#include "xarndll/sim/monitor/monitor_engine.h"

namespace xarnsim::bus {

// What the node needs of its card.
struct CardView {
  std::function<void(uint64_t micros)> runTo;  // runs the card up to card time `micros`
  std::function<uint64_t()> now;               // card time, microseconds
  std::function<uint16_t()> mode;
  std::function<bool()> running;
  std::function<uint64_t()> epoch;  // microseconds: the last initialisation
};

class Node final : public ldb::Wire, public monitor::Wire {
 public:
  // Joins bus `name` with `memory` (moved into the segment); null with a message when the bus
  // cannot be opened or is full. The card's time becomes the bus's.
  static std::shared_ptr<Node> join(const std::string& name, Pace pace, CardMemory& memory,
                                    CardView card, std::string& error);
  ~Node() override;  // leaves the bus; the memory moves back into the card
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;

  const std::string& busName() const { return bus_->name(); }
  int slot() const { return slot_; }
  uint64_t joinedAtMicros() const { return joinedAt_ / kTicksPerMicro; }
  Pace pace() const { return pace_; }
  void setPace(Pace pace);

  // Brings the card to `targetMicros` of bus time in step with the other nodes (a wall-paced
  // node takes the bus's wall clock instead) and keeps the bus until release().
  void enter(uint64_t targetMicros);
  void release();
  // Waits (wall time, at most `timeoutMillis`) until `count` nodes are on the bus.
  bool waitForNodes(int count, uint32_t timeoutMillis);
  int nodeCount();

  // Faults on this node's connectors (0..3: J1..J4) and the bus's options.
  void setBroken(int line, bool broken);
  void setNoise(int line, uint32_t perMillion);
  void setPartners(bool on);

  // ldb::Wire
  bool controllerElsewhere() override;
  bool collision() override;
  bool partners() override;
  bool answer(const ldb::Command& command, bool commit, ldb::Reply& reply) override;
  bool sends(bool secondary, ldb::Tick at, uint32_t value, uint16_t& errors) override;
  bool hears(bool secondary, ldb::Tick at, uint32_t value, uint16_t& errors) override;
  void carry(const ldb::BusWord& word, bool fromThisCard) override;
  // monitor::Wire
  void skipHeard() override;
  bool take(Tick before, monitor::Heard& heard) override;

 private:
  Node(std::shared_ptr<SharedBus> bus, int slot, CardMemory& memory, CardView card);
  NodeEntry& me() { return bus_->node(slot_); }
  void publish();
  bool others(const std::function<void(int, NodeEntry&)>& each);
  int line(bool secondary, bool transmit);
  bool damaged(int line, Tick at, uint32_t value, uint32_t extraPerMillion = 0);
  uint32_t noiseOf(int slot, int line);

  std::shared_ptr<SharedBus> bus_;
  int slot_;
  CardMemory& memory_;
  CardView card_;
  uint64_t started_;
  // The node's own account of its place on the bus; its entry in the segment is a copy.
  Pace pace_ = Pace::Virtual;
  Tick joinedAt_ = 0;
  Tick want_ = 0;
  Tick done_ = 0;
  uint64_t wireRead_ = 0;
  Tick announcedWant_ = 0;
  Tick announcedDone_ = 0;
  bool held_ = false;
};

}  // namespace xarnsim::bus
