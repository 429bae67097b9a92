// A card running a mode the input picks on a shared bus ("fuzz-PID") while garbage is written
// all over the bus's segment: no crash, no call longer than a few seconds (a live process's lock
// costs 2 s), and the segment goes with the card unless a live process holds a node there.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "bench/bench_station.h"
#include "fuzz_support.h"
#include "xarndll/sim/bus/shared_bus.h"

namespace {

using xarnsim::bus::Header;
using xarnsim::bus::kMostNodes;
using xarnsim::bus::SharedBus;

constexpr int kMostSteps = 48;
constexpr int64_t kCallBudgetSeconds = 6;

using fuzz::Input;

// This process's bus, named once for the whole run.
const std::string& busName() {
  static const std::string name = "fuzz-" + std::to_string(getpid());
  return name;
}
std::string busPath() { return "/xarn-bus-" + busName(); }

// A watchdog thread names a call that hangs and stops the run (libFuzzer owns the alarm).
std::atomic<const char*> pendingCall{nullptr};
std::atomic<int64_t> deadline{0};

int64_t steadyMillis() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void watch() {
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const char* what = pendingCall.load();
    if (what && steadyMillis() > deadline.load()) {
      std::fprintf(stderr, "fuzz_bus: a call took more than %lld s (a hang): %s\n",
                   static_cast<long long>(kCallBudgetSeconds), what);
      std::abort();
    }
  }
}

template <typename F>
void bounded(const char* what, F&& call) {
  deadline.store(steadyMillis() + kCallBudgetSeconds * 1000);
  pendingCall.store(what);
  call();
  pendingCall.store(nullptr);
}

// The segment as a second writer sees it: mapped on its own, not through the driver.
class Segment {
 public:
  Segment() {
    int fd = shm_open(busPath().c_str(), O_RDWR, 0);
    if (fd < 0) return;
    void* at = mmap(nullptr, sizeof(Header), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (at != MAP_FAILED) header_ = static_cast<Header*>(at);
  }
  ~Segment() {
    if (header_) munmap(header_, sizeof(Header));
  }
  Segment(const Segment&) = delete;
  Segment& operator=(const Segment&) = delete;

  Header* header() { return header_; }
  auto* bytes() { return reinterpret_cast<unsigned char*>(header_); }
  // The slot of this process's card.
  int mine() const {
    for (int s = 0; s < kMostNodes; ++s) {
      if (xarnsim::bus::pidOf(header_->nodes[s].token) == static_cast<uint32_t>(getpid())) return s;
    }
    return 0;
  }

 private:
  Header* header_ = nullptr;
};

// Garbage: up to 32 bytes of the input at a place of a region the input picks.
void spoil(Segment& segment, Input& in) {
  Header& h = *segment.header();
  const size_t memoryBytes = sizeof h.memory[0];
  size_t at = 0;
  size_t span = 0;
  uint8_t region = in.u8() % 7;
  uint32_t where = in.u32();
  switch (region) {
    case 0:  // the header's fields before the node table
      at = 0;
      span = offsetof(Header, nodes);
      break;
    case 1:  // the lock word alone
      h.lock.store(where);
      return;
    case 2:  // the node table
      at = offsetof(Header, nodes);
      span = sizeof h.nodes;
      break;
    case 3: {  // the wire words just written, where a listener reads next
      uint64_t newest = h.wireWritten % xarnsim::bus::kWireWords;
      uint64_t back = where % 64;
      at = offsetof(Header, wire) +
           ((newest + xarnsim::bus::kWireWords - back) % xarnsim::bus::kWireWords) *
               sizeof(h.wire[0]);
      span = 64 * sizeof(h.wire[0]);
      where = 0;
      break;
    }
    case 4:  // the card's own memory, low (registers, setup, tables) or anywhere
      at = offsetof(Header, memory) + static_cast<size_t>(segment.mine()) * memoryBytes;
      span = where & 0x80000000u ? memoryBytes : 0x20000;
      break;
    default:  // another slot's memory
      at = offsetof(Header, memory) + static_cast<size_t>(where >> 29 & 7) * memoryBytes;
      span = memoryBytes;
      break;
  }
  size_t offset = span ? (where & 0x1FFFFFFF) % span : 0;
  size_t count = in.u8() % 33;
  unsigned char* bytes = segment.bytes();
  for (size_t i = 0; i < count && offset + i < span; ++i) bytes[at + offset + i] = in.u8();
}

// The mode the card runs, set up as an operator would.
void enterMode(fuzz::Card& card, uint8_t pick) {
  switch (pick % 3) {
    case 0:
      saturateLdbFrame(card.get());
      break;
    case 1:
      runAllLdbTerminals(card.get());
      break;
    default:
      armMonitorUntriggered(card.get());
      break;
  }
}

constexpr uint16_t kModes[] = {1, 2, 3};

// Garbage naming a live process (pid and start time) is a node, and rightly keeps the segment.
bool livingNodeNamed(Header& h) {
  for (int s = 0; s < kMostNodes; ++s) {
    const auto& n = h.nodes[s];
    uint32_t pid = xarnsim::bus::pidOf(n.token);
    if (n.token % kMostNodes == static_cast<uint32_t>(s) && pid != 0 &&
        pid != static_cast<uint32_t>(getpid()) && SharedBus::processStart(pid) == n.started)
      return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool once = [] {
    setenv("XARN_BUS", busName().c_str(), 1);
    std::thread(watch).detach();
    return true;
  }();
  (void)once;
  Input in(data, size);
  uint8_t pick = in.u8();
  {
    std::unique_ptr<fuzz::Card> card;
    bounded("joining", [&] { card = std::make_unique<fuzz::Card>(kModes[pick % 3]); });
    fuzz::traceIfAsked(card->get());
    Segment segment;
    if (!segment.header()) std::abort();  // the card did not join: XARN_BUS was refused
    bounded("entering the mode", [&] { enterMode(*card, pick); });
    for (int i = 0; i < kMostSteps && !in.empty(); ++i) {
      uint8_t op = in.u8();
      switch (op % 8) {
        case 0:
        case 1:
        case 2:
          spoil(segment, in);
          break;
        case 3:
        case 4: {
          // A clock step of at most a second (a saturated bus's words all arrive), and the call.
          static constexpr uint64_t kUnits[] = {1, 1'000, 1'000'000};
          uint64_t odd = in.u8() % 2;
          card->advance(std::min<uint64_t>(odd + in.u8() * kUnits[op % 3], 1'000'000));
          uint16_t state = 0;
          bounded("DUVEX_RdStatusDLL", [&] { DUVEX_RdStatusDLL(card->get(), &state); });
          break;
        }
        case 5: {
          // What the engines made of it: the queues and the monitor stack.
          BcQueueRecord bc{};
          RtQueueRecord rt{};
          MonMsg m{};
          uint16_t position = in.u16();
          bounded("reading queues", [&] {
            DUVEX_RdLdbBcQDLL(card->get(), &bc);
            DUVEX_RdLdbRtQDLL(card->get(), &rt);
            DUVEX_RdMonMsgDLL(card->get(), static_cast<int16_t>(position), &m);
          });
          break;
        }
        case 6: {
          // The faults an operator sets on the wire.
          static const char* const kOptions[] = {"bus-break", "bus-heal", "bus-noise",
                                                 "bus-partners"};
          static const char* const kLines[] = {"J1", "J2", "J3", "J4"};
          uint8_t which = in.u8();
          std::string value =
              which % 4 == 3 ? (which & 4 ? "on" : "off") : std::string(kLines[which >> 4 & 3]);
          if (which % 4 == 2) {
            value += ' ';
            value += std::to_string(in.u16() * 16);
          }
          std::string error;
          bounded("an option",
                  [&] { xarnsim::setOption(card->get(), kOptions[which % 4], value, error); });
          break;
        }
        default:
          // The card halts and runs again.
          bounded("halt and run", [&] {
            DUVEX_CommandDLL(card->get(), 11);
            enterMode(*card, pick);
          });
          break;
      }
    }
    bounded("leaving", [&] { card.reset(); });
    // The card was the bus's only live node: its segment is gone, whatever the table holds.
    struct stat st {};
    if (stat(("/dev/shm" + busPath()).c_str(), &st) == 0 && !livingNodeNamed(*segment.header())) {
      std::fprintf(stderr, "fuzz_bus: the segment outlived the bus's last node\n");
      std::abort();
    }
  }
  shm_unlink(busPath().c_str());
  return 0;
}
