#include "xarndll/sim/bus/node.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <thread>

#include "card/records.h"
#include "xarndll/sim/gdb/gdb_controller.h"
#include "xarndll/sim/gdb/gdb_terminals.h"
#include "xarndll/sim/ldb/ldb_terminals.h"
#include "xarndll/sim/mdm/mdm_engine.h"
#include "xarndll/sim/sim_card.h"

namespace xarnsim::bus {
namespace {

// A node runs its card at most this far at one go before it lets the others at the bus.
constexpr Tick kSlice = 100'000 * kTicksPerMicro;
// A monitor takes in the wire at most this far behind the cards that talk on it: the ring of
// words on the wire holds more than that much of a saturated bus on all four connectors.
constexpr Tick kWireHorizon = 1'000'000 * kTicksPerMicro;
constexpr uint16_t kErrPy = 1 << 3;
// A waiting node looks again at least this often, whatever it was told: a node that died or a
// garbage word in the segment cannot keep it waiting longer.
constexpr uint64_t kLongestWaitMicros = 2'000;
constexpr uint64_t kLongestIdleMicros = 20'000;  // waiting for the host's clock

// The connector codes of the card setup (8 J1, 4 J2, 2 J3, 1 J4) as lines 0..3; anything else
// is J1.
int lineOfCode(uint16_t code) {
  switch (code) {
    case 0x0004:
      return 1;
    case 0x0002:
      return 2;
    case 0x0001:
      return 3;
    default:
      return 0;
  }
}

// The setup record's connector words in card memory: TX primary, TX secondary, RX primary, RX
// secondary.
constexpr uint32_t kSetupTxPrimary = map::kSetupRecord.base + offsetof(SetupRecord, txPrimary);

uint64_t mix(uint64_t x) {
  x ^= x >> 33;
  x *= 0xFF51AFD7ED558CCDull;
  x ^= x >> 33;
  x *= 0xC4CEB9FE1A85EC53ull;
  return x ^ (x >> 33);
}

}  // namespace

std::shared_ptr<Node> Node::join(const std::string& name, Pace pace, CardMemory& memory,
                                 CardView card, std::string& error) {
  std::shared_ptr<SharedBus> bus;
  std::optional<int> slot;
  uint64_t at = 0;
  // A segment whose last node left while this one opened it is opened anew (twice at most: a
  // segment that keeps losing its mark is being written over).
  for (int attempt = 0; attempt < 3 && !slot && (!bus || bus->removed()); ++attempt) {
    bus = SharedBus::open(name, error);
    if (!bus) return nullptr;
    // The newcomer starts at the bus's time: the furthest any node has gone.
    bus->lock(-1);
    bus->reap();
    at = card.now() * kTicksPerMicro;
    for (int s = 0; s < kMostNodes; ++s) {
      if (bus->live(s)) at = std::max(at, bus->node(s).done);
    }
    bus->unlock(-1);
    slot = bus->join(pace, at);
  }
  if (!slot && bus->removed()) {
    error = "bus '" + name + "' was removed while joining it; try again";
    return nullptr;
  }
  if (!slot) {
    error = "bus '" + name + "' has " + std::to_string(kMostNodes) + " nodes already";
    return nullptr;
  }
  std::shared_ptr<Node> node(new Node(bus, *slot, memory, std::move(card)));
  node->joinedAt_ = node->done_ = node->want_ = at;
  node->pace_ = pace;
  node->wireRead_ = bus->header().wireWritten;
  bus->lock(*slot);
  memory.relocate(bus->memoryOf(*slot));
  node->publish();
  bus->unlock(*slot);
  return node;
}

Node::Node(std::shared_ptr<SharedBus> bus, int slot, CardMemory& memory, CardView card)
    : bus_(std::move(bus)),
      slot_(slot),
      memory_(memory),
      card_(std::move(card)),
      started_(bus_->node(slot).started) {}

// A console leaves only once the other consoles have run as far as it has (for at most ten
// seconds of the host's time): up to then they see it on the bus, after it they do not, however
// the processes are scheduled.
Node::~Node() {
  if (!held_) bus_->lock(slot_);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (pace_ == Pace::Virtual && std::chrono::steady_clock::now() < deadline) {
    bus_->reap();
    publish();
    Tick othersDone = done_;
    others([&](int, NodeEntry& n) {
      if (n.pace != static_cast<uint32_t>(Pace::Wall)) othersDone = std::min(othersDone, n.done);
    });
    if (othersDone >= done_) break;
    uint32_t seen = bus_->progress();
    bus_->unlock(slot_);
    bus_->await(seen, kLongestWaitMicros);
    bus_->lock(slot_);
  }
  memory_.relocate(nullptr);
  bus_->unlock(slot_);
  bus_->leave(slot_);
}

void Node::setPace(Pace pace) {
  bus_->lock(slot_);
  pace_ = pace;
  if (pace == Pace::Wall && bus_->header().wallAnchorMicros == 0) bus_->anchorWall(done_);
  publish();
  bus_->unlock(slot_);
}

// The node's entry, written afresh from what the node itself holds: whatever else wrote there
// (a misbehaving node) does not steer it.
void Node::publish() {
  NodeEntry& n = me();
  n.token = SharedBus::tokenOf(slot_);
  n.started = started_;
  n.pace = static_cast<uint32_t>(pace_);
  n.want = want_;
  n.done = done_;
  n.wireRead = wireRead_;
  if (want_ != announcedWant_ || done_ != announcedDone_) {
    announcedWant_ = want_;
    announcedDone_ = done_;
    bus_->announce();
  }
  n.mode = card_.mode();
  n.running = card_.running() ? 1 : 0;
  n.epoch = card_.epoch() * kTicksPerMicro;
  n.txLines = static_cast<uint16_t>(lineOfCode(memory_.read(kSetupTxPrimary)) |
                                    lineOfCode(memory_.read(kSetupTxPrimary + 2)) << 4);
  n.rxLines = static_cast<uint16_t>(lineOfCode(memory_.read(kSetupTxPrimary + 4)) |
                                    lineOfCode(memory_.read(kSetupTxPrimary + 6)) << 4);
}

// Calls `each` for every other node whose owner still runs; false when there is none.
bool Node::others(const std::function<void(int, NodeEntry&)>& each) {
  bool any = false;
  for (int s = 0; s < kMostNodes; ++s) {
    if (s == slot_ || !bus_->live(s)) continue;
    any = true;
    if (each) each(s, bus_->node(s));
  }
  return any;
}

// The conservative lock-step: the bus goes only as far as every console on it wants to go (and,
// with a wall-paced node on it, no further than the host's clock), so what a script sees does
// not depend on how the processes are scheduled. A node runs its own card up to there; a
// console returns once every other console has run its card as far, so that what they said on
// the bus up to then is in place. A monitor, which only listens, runs behind the others.
void Node::enter(uint64_t targetMicros) {
  Tick target = targetMicros * kTicksPerMicro;
  bus_->lock(slot_);
  held_ = true;
  if (pace_ == Pace::Wall) {
    if (auto wall = bus_->wallTicks()) target = *wall;
  }
  target = std::max(target, done_);
  want_ = target;
  for (;;) {
    bus_->reap();
    publish();
    Tick allowed = target;
    Tick othersDone = target;
    bool wallPaced = pace_ == Pace::Wall;
    const bool listener = card_.mode() == kModeBusMon;
    others([&](int, NodeEntry& n) {
      if (n.pace == static_cast<uint32_t>(Pace::Wall)) {
        wallPaced = true;
        return;
      }
      allowed = std::min(allowed, n.want);
      othersDone = std::min(othersDone, n.done);
      if (n.mode == kModeBusMon && n.running) allowed = std::min(allowed, n.done + kWireHorizon);
    });
    uint64_t idle = 0;  // microseconds until the host's clock lets the bus go on
    if (wallPaced) {
      if (auto wall = bus_->wallTicks(); wall && *wall < allowed) {
        idle = (allowed - *wall) / kTicksPerMicro;
        allowed = *wall;
      }
    }
    Tick step = std::min(target, std::max(allowed, done_));
    if (listener) step = std::min(step, std::max(othersDone, done_));
    const bool advanced = step > done_;
    if (advanced) {
      Tick slice = std::min(step, done_ + kSlice);
      card_.runTo(slice / kTicksPerMicro);
      done_ = slice;
      publish();
    }
    // A console also waits for the other consoles to have run as far; a program on the host's
    // clock takes what they have sent so far, rather than stall its own loop on them.
    bool settled = pace_ == Pace::Wall || othersDone >= target;
    if (done_ >= target && settled) return;  // the lock stays held
    // Between slices the lock is let go, so that the others can take their turn; a node that
    // has just run a slice goes on at once rather than wait for somebody else's progress.
    uint32_t seen = bus_->progress();
    bus_->unlock(slot_);
    if (!advanced) {
      if (done_ >= allowed && idle > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(std::min(idle, kLongestIdleMicros)));
      else
        bus_->await(seen, kLongestWaitMicros);
    }
    bus_->lock(slot_);
  }
}

void Node::release() {
  if (!held_) return;
  publish();
  held_ = false;
  bus_->unlock(slot_);
}

int Node::nodeCount() {
  int n = 1;
  others([&n](int, NodeEntry&) { ++n; });
  return n;
}

bool Node::waitForNodes(int count, uint32_t timeoutMillis) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMillis);
  for (;;) {
    bus_->lock(slot_);
    bus_->reap();
    int n = nodeCount();
    bus_->unlock(slot_);
    if (n >= count) return true;
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void Node::setBroken(int line, bool broken) {
  bus_->lock(slot_);
  uint16_t bit = static_cast<uint16_t>(1u << (line & 3));
  me().broken = broken ? me().broken | bit : me().broken & ~bit;
  bus_->unlock(slot_);
}

void Node::setNoise(int line, uint32_t perMillion) {
  bus_->lock(slot_);
  me().noise[line & 3] = std::min<uint32_t>(perMillion, 1'000'000);
  bus_->unlock(slot_);
}

void Node::setPartners(bool on) {
  bus_->lock(slot_);
  bus_->header().partnersOff = on ? 0 : 1;
  bus_->unlock(slot_);
}

// ---- The wire

int Node::line(bool secondary, bool transmit) {
  uint16_t lines = transmit ? me().txLines : me().rxLines;
  return (secondary ? lines >> 4 : lines) & 3;
}

uint32_t Node::noiseOf(int slot, int l) {
  return std::min<uint32_t>(bus_->node(slot).noise[l & 3], 1'000'000);
}

// Whether noise damages a word: a draw that depends only on the word and its moment, so that
// every run damages the same words.
bool Node::damaged(int l, Tick at, uint32_t value, uint32_t extraPerMillion) {
  uint64_t rate = uint64_t{noiseOf(slot_, l)} + extraPerMillion;
  if (rate == 0) return false;
  return mix(at * 0x9E3779B97F4A7C15ull ^ value ^ uint64_t(l) << 60) % 1'000'000 < rate;
}

bool Node::controllerElsewhere() {
  bool found = false;
  others([&](int, NodeEntry& n) { found = found || (n.mode == kModeLdbBct && n.running); });
  return found;
}

bool Node::collision() { return card_.mode() == kModeLdbBct && controllerElsewhere(); }

bool Node::partners() { return bus_->header().partnersOff == 0; }

// Every card that runs terminals (LDB_MRT) with the command's address switched on, or MDM units
// (MDM_MRT) with that unit enabled, takes the command. When two take it, their answers collide:
// the controller sees a Manchester error, and each one's queue marks the command with it.
bool Node::answer(const ldb::Command& command, bool commit, ldb::Reply& reply) {
  using Respond = bool (*)(CardMemory&, uint64_t, const ldb::Command&, bool, ldb::Reply&);
  struct Claim {
    int slot;
    Respond respond;
  };
  std::array<Claim, kMostNodes> claims{};
  int count = 0;
  others([&](int s, NodeEntry& n) {
    if (!n.running || (n.mode != kModeLdbMrt && n.mode != kModeMdmMrt)) return;
    Respond respond = n.mode == kModeLdbMrt ? &ldb::Terminals::answer : &mdm::Engine::answer;
    CardMemory theirs(bus_->memoryOf(s));
    ldb::Reply r;
    if (respond(theirs, n.epoch / kTicksPerMicro, command, false, r))
      claims[count++] = {s, respond};
  });
  ldb::Command heard = command;
  heard.clash = count > 1;
  for (int i = 0; i < count; ++i) {
    const NodeEntry& n = bus_->node(claims[i].slot);
    CardMemory theirs(bus_->memoryOf(claims[i].slot));
    // What reaches the claimant, and what comes back from it, over its own connectors.
    int rx = (command.secondary ? n.rxLines >> 4 : n.rxLines) & 3;
    int tx = (command.secondary ? n.txLines >> 4 : n.txLines) & 3;
    uint64_t draw = mix(command.start ^ command.command ^ uint64_t(claims[i].slot) << 56);
    bool deaf = (n.broken >> rx & 1) != 0 || draw % 1'000'000 < noiseOf(claims[i].slot, rx);
    ldb::Reply r;
    if (!deaf) claims[i].respond(theirs, n.epoch / kTicksPerMicro, heard, commit, r);
    if ((n.broken >> tx & 1) != 0) r.answered = false;
    draw = mix(command.start ^ r.status ^ uint64_t(claims[i].slot) << 48);
    if (!deaf && draw % 1'000'000 < noiseOf(claims[i].slot, tx)) r.errors |= kErrPy;
    if (i == 0) reply = r;
  }
  if (count > 1) reply.errors |= ldb::kErrMn;  // two answers on the bus at once
  return count > 0;
}

bool Node::sends(bool secondary, Tick at, uint32_t value, uint16_t& errors) {
  int l = line(secondary, true);
  if (me().broken >> l & 1) return false;
  if (damaged(l, at, value)) errors |= kErrPy;
  return true;
}

bool Node::hears(bool secondary, Tick at, uint32_t value, uint16_t& errors) {
  int l = line(secondary, false);
  if (me().broken >> l & 1) return false;
  if (damaged(l, at ^ 1, value)) errors |= kErrPy;
  return true;
}

void Node::carry(const ldb::BusWord& word, bool fromThisCard) {
  int l = line(word.secondary, fromThisCard);
  if (me().broken >> l & 1) return;
  uint32_t value = word.value & 0xFFFFFF;
  uint16_t errors = word.fault.errors;
  if (errors & ldb::kErrLg) value = value << 1 & 0xFFFFFF;  // the receiver keeps 24 bits
  if (errors & ldb::kErrSh) value >>= 1;
  auto flags = static_cast<uint8_t>((word.command ? monitor::kFlagCommand : 0) | (errors & 0x0F));
  bus_->carry(
      WireWord{word.start, value, static_cast<uint8_t>(l), flags, static_cast<uint8_t>(slot_), 0});
}

void Node::skipHeard() { wireRead_ = bus_->header().wireWritten; }

bool Node::take(Tick before, monitor::Heard& heard) {
  const Header& h = bus_->header();
  uint64_t written = h.wireWritten;
  uint64_t& read = wireRead_;
  if (read > written) read = written;                            // garbage: start from the newest
  if (written - read > kWireWords) read = written - kWireWords;  // lost to the ring
  while (read < written) {
    const WireWord& w = h.wire[read % kWireWords];
    if (w.tick >= before) return false;
    ++read;
    if (w.sender == slot_) continue;
    int l = w.line & 3;
    if (me().broken >> l & 1) continue;
    uint8_t flags = w.flags & (monitor::kFlagCommand | monitor::kFlagErrors);
    if (damaged(l, w.tick, w.value)) flags |= kErrPy;
    heard.tick = w.tick;
    heard.connector = l;
    heard.word =
        monitor::CycleWord{0, w.value & 0xFFFFFF, flags, static_cast<uint8_t>(w.value >> 19 & 31)};
    return true;
  }
  return false;
}

// ---- The global bus

bool Node::activeControllerElsewhere() {
  bool found = false;
  others([&](int s, NodeEntry& n) {
    found = found ||
            (n.mode == kModeGdbBct && gdb::Controller::activeOnBus(CardMemory(bus_->memoryOf(s))));
  });
  return found;
}

// Every card that runs terminals (GDB_MRT) with the RT enabled and the channel in its pool takes
// the word. When two take it, their answers collide: the controller sees a Manchester error, and
// each one's queue marks the words it sent with it.
bool Node::offer(const gdb::Request& request, gdb::Answer& answer) {
  struct Claim {
    int slot;
    uint32_t entry;  // where the card keeps the channel
  };
  std::array<Claim, kMostNodes> claims{};
  int count = 0;
  others([&](int s, NodeEntry& n) {
    if (!n.running || n.mode != kModeGdbMrt) return;
    uint32_t entry =
        gdb::Terminals::claim(CardMemory(bus_->memoryOf(s)), request.rt, request.channel);
    if (entry) claims[count++] = {s, entry};
  });
  gdb::Request heard = request;
  heard.clash = count > 1;
  for (int i = 0; i < count; ++i) {
    CardMemory theirs(bus_->memoryOf(claims[i].slot));
    uint64_t epoch = bus_->node(claims[i].slot).epoch / kTicksPerMicro;
    gdb::Answer a;
    gdb::Terminals::answer(theirs, epoch, claims[i].entry, heard, a);
    if (i == 0) answer = a;
  }
  if (count > 1) answer.errors |= ldb::kErrMn;
  return count > 0;
}

void Node::overhear(const gdb::Heard& heard) {
  others([&](int s, NodeEntry& n) {
    if (!n.running || n.mode != kModeGdbBct) return;
    CardMemory theirs(bus_->memoryOf(s));
    if ((theirs.read(map::kGdbBcMode.base) & gdb::kPassiveBit) == 0) return;
    gdb::Controller::overhear(theirs, n.epoch / kTicksPerMicro, heard);
  });
}

}  // namespace xarnsim::bus
