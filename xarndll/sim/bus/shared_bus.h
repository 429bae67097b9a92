// A named simulated bus shared by the cards of several processes: one POSIX shared-memory
// segment ("/xarn-bus-NAME", the user's permissions only) that holds a node table, the cards'
// memories, the faults on the wire and a ring of the words on it. Whoever holds the bus lock
// may read and write all of it; every value read from the segment is checked, because any node
// (or anything else of the user's) can write anything there. docs/bus-protocol.md, "Several
// cards on one bus", is the prose of this file.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "xarndll/sim/card_time.h"
#include "xarndll/sim/memory_map.h"

namespace xarnsim::bus {

inline constexpr int kMostNodes = 8;
inline constexpr int kLines = 4;  // connectors J1 to J4, each one cable joining every card's
inline constexpr uint32_t kWireWords = 1u << 18;

// How a node's card time moves: a console's by its script (virtual time, lock-step), any other
// program's by the host's clock (the bus then goes at wall-clock speed).
enum class Pace : uint32_t { Virtual = 1, Wall = 2 };

// One entry of the node table. A node's entry is its own to write, except `done`/`want` checks
// made under the lock by others.
struct NodeEntry {
  uint32_t token;    // 0: free; else the owner's pid * kMostNodes + slot
  uint32_t pace;     // Pace
  uint64_t started;  // the owner process's start time (/proc), so a reused pid is no owner
  uint64_t want;     // ticks: the bus time this node waits to reach
  uint64_t done;     // ticks: its own card has run up to here
  uint64_t epoch;    // ticks: its card's last initialisation (time tags count from here)
  uint16_t mode;     // operating mode, 0 none
  uint16_t running;  // 1 while the card runs its mode
  uint16_t broken;   // bit N: connector J(N+1) cut
  uint16_t txLines;  // bits 1..0 the primary bus's transmit line, bits 5..4 the secondary's
  uint16_t rxLines;  // the same for receiving
  uint16_t reserved[3];
  uint32_t noise[kLines];  // word errors per million words on each connector
  uint64_t wireRead;       // the next wire word this node takes in
};

// A word on the wire. Stored words are checked when read: any field may be garbage.
struct WireWord {
  uint64_t tick;
  uint32_t value;  // 24 bits
  uint8_t line;    // 0..3: J1..J4
  uint8_t flags;   // 0x10 command sync, bits 3..0 errors Py Mn Lg Sh
  uint8_t sender;  // node slot
  uint8_t reserved;
};

struct Header {
  uint32_t magic;
  uint32_t version;
  uint64_t bytes;
  std::atomic<uint32_t> lock;      // 0 free, else the holder's token
  std::atomic<uint32_t> progress;  // moves on whenever a node's want or progress changes
  uint32_t partnersOff;            // 1: no invented partner stands in for an absent node
  std::atomic<uint32_t> sleepers;  // nodes asleep on the progress word
  uint64_t wallAnchorTicks;        // bus time at wallAnchorMicros of the host's steady clock
  uint64_t wallAnchorMicros;       // 0 while no wall-paced node has joined
  uint64_t wireWritten;            // words ever written to the ring
  NodeEntry nodes[kMostNodes];
  WireWord wire[kWireWords];
  uint16_t memory[kMostNodes][map::kMemoryWords];
};

// This process's view of a bus. Not thread-safe by itself: each card's calls hold the lock.
class SharedBus {
 public:
  // Opens (creating, or recovering a stale or damaged segment) the bus NAME; null with a
  // message when the name is unusable or the segment cannot be made.
  static std::shared_ptr<SharedBus> open(const std::string& name, std::string& error);
  // Why NAME cannot name a bus; empty when it can.
  static std::string nameProblem(const std::string& name);
  ~SharedBus();
  SharedBus(const SharedBus&) = delete;
  SharedBus& operator=(const SharedBus&) = delete;

  const std::string& name() const { return name_; }
  Header& header() { return *header_; }

  // A free slot for a new node of this process, its entry written; nullopt when the bus is full,
  // or when the last node left (and removed the segment) after this process opened it.
  std::optional<int> join(Pace pace, uint64_t atTicks);
  // Frees the slot; the last node out removes the segment.
  void leave(int slot);
  bool removed() const { return removed_; }

  void lock(int slot);
  void unlock(int slot);

  // Nodes whose owner is gone (killed, crashed) leave: their slot is freed. Called under the lock.
  void reap();
  bool live(int slot) const;  // a taken slot (its owner ran when last reaped)
  NodeEntry& node(int slot) { return header_->nodes[slot]; }
  uint16_t* memoryOf(int slot) { return header_->memory[slot]; }

  // The bus time the host's clock has reached, for a bus some wall-paced node paces.
  std::optional<uint64_t> wallTicks() const;
  void anchorWall(uint64_t atTicks);

  // Waiting for the others: a node notes progress() under the lock, lets go, and awaits a
  // change for at most `maxMicros`; a node that has moved on announces it.
  uint32_t progress() const { return header_->progress.load(std::memory_order_acquire); }
  void announce();
  void await(uint32_t seen, uint64_t maxMicros);

  // The wire: words are appended under the lock; each reader keeps its own position.
  void carry(const WireWord& word);

  static uint32_t tokenOf(int slot);
  static uint64_t processStart(uint32_t pid);
  static uint64_t steadyMicros();

 private:
  SharedBus(std::string name, std::string path, Header* header);
  bool ownerAlive(uint32_t token, uint64_t started) const;

  std::string name_;
  std::string path_;
  Header* header_;
  uint64_t lastReapMicros_ = 0;
  uint32_t owned_ = 0;                // bit N: slot N is a node of this process
  std::atomic<bool> removed_{false};  // the last node left: the name is free for a new segment
};

// The token's process id.
inline uint32_t pidOf(uint32_t token) { return token / kMostNodes; }

}  // namespace xarnsim::bus
