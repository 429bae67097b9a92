#include "xarndll/sim/bus/shared_bus.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>
#include <type_traits>

namespace xarnsim::bus {
namespace {

constexpr uint32_t kMagic = 0x4E524158;  // "XARN"
constexpr uint32_t kVersion = 3;
// A lock held longer than this by a live process is taken as garbage and broken: no holder
// keeps it for more than one slice of bus time.
constexpr uint64_t kLockPatienceMicros = 2'000'000;
constexpr uint64_t kReapEveryMicros = 100'000;

static_assert(std::is_standard_layout_v<Header>);
static_assert(std::atomic<uint32_t>::is_always_lock_free);

// Buses this process has open, so that several cards of one process share one mapping.
std::mutex& openMutex() {
  static std::mutex m;
  return m;
}
std::map<std::string, std::weak_ptr<SharedBus>>& openBuses() {
  static std::map<std::string, std::weak_ptr<SharedBus>> buses;
  return buses;
}

// This process's id: the kernel is asked once, and again in a forked child. Every turn of a
// wait for the lock or for the other nodes wants it, and a system call each time showed as a
// sixth of a lone node's time.
std::atomic<uint32_t> cachedPid{0};
uint32_t ownPid() {
  uint32_t pid = cachedPid.load(std::memory_order_relaxed);
  if (pid == 0) {
    static const int forks = pthread_atfork(nullptr, nullptr, [] { cachedPid.store(0); });
    (void)forks;
    pid = static_cast<uint32_t>(getpid());
    cachedPid.store(pid, std::memory_order_relaxed);
  }
  return pid;
}

void initialise(Header& h) {
  std::memset(static_cast<void*>(&h), 0, offsetof(Header, wire));
  h.magic = kMagic;
  h.version = kVersion;
  h.bytes = sizeof(Header);
}

}  // namespace

uint64_t SharedBus::steadyMicros() {
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(since).count());
}

// Field 22 of /proc/PID/stat: when the process started, in clock ticks since boot. 0 when the
// process is gone, a zombie included (field 3, its state, Z or X): killed, its parent has not
// waited for it yet.
uint64_t SharedBus::processStart(uint32_t pid) {
  if (pid == 0) return 0;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return 0;
  auto close = line.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(line.substr(close + 2));
  std::string field;
  for (int i = 3; i <= 22 && rest >> field; ++i) {
    if (i == 3 && (field == "Z" || field == "X")) return 0;
    if (i == 22) return std::strtoull(field.c_str(), nullptr, 10);
  }
  return 0;
}

uint32_t SharedBus::tokenOf(int slot) {
  return ownPid() * kMostNodes + static_cast<uint32_t>(slot);
}

std::string SharedBus::nameProblem(const std::string& name) {
  bool ok = !name.empty() && name.size() <= 64;
  for (char c : name) {
    ok = ok && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                c == '-' || c == '_' || c == '.');
  }
  if (ok) return {};
  return "bad bus name '" + name + "': 1 to 64 letters, digits, '-', '_' or '.'";
}

std::shared_ptr<SharedBus> SharedBus::open(const std::string& name, std::string& error) {
  error = nameProblem(name);
  if (!error.empty()) return nullptr;
  std::lock_guard<std::mutex> guard(openMutex());
  if (auto bus = openBuses()[name].lock(); bus && !bus->removed_) return bus;
  std::string path = "/xarn-bus-" + name;
  int fd = shm_open(path.c_str(), O_RDWR | O_CREAT, S_IRUSR | S_IWUSR);
  if (fd < 0) {
    error = "cannot open shared memory " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  // Stations started together open the name together: one at a time sizes, checks and starts
  // the segment anew, or a second one could truncate it under the first one's mapping (a bus
  // error there) or wipe the node it has just joined.
  while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  // The segment takes its owner's permissions only, whatever the umask or an earlier run made.
  fchmod(fd, S_IRUSR | S_IWUSR);
  struct stat st {};
  bool fresh = fstat(fd, &st) == 0 && st.st_size == 0;
  if (static_cast<uint64_t>(st.st_size) != sizeof(Header) && ftruncate(fd, 0) == 0) fresh = true;
  if (fresh && ftruncate(fd, sizeof(Header)) != 0) {
    error = "cannot size shared memory " + path + ": " + std::strerror(errno);
    close(fd);
    return nullptr;
  }
  void* at = mmap(nullptr, sizeof(Header), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (at == MAP_FAILED) {
    error = "cannot map shared memory " + path + ": " + std::strerror(errno);
    close(fd);
    return nullptr;
  }
  auto* header = static_cast<Header*>(at);
  std::shared_ptr<SharedBus> bus(new SharedBus(name, path, header));
  // A segment of another layout, or one that no live node holds (a crashed run), starts anew.
  bool stale =
      header->magic != kMagic || header->version != kVersion || header->bytes != sizeof(Header);
  if (!stale) {
    bus->lock(-1);
    bus->reap();
    bool anyone = false;
    for (int s = 0; s < kMostNodes; ++s) anyone = anyone || bus->live(s);
    if (!anyone) initialise(*header);
    bus->unlock(-1);
  } else {
    initialise(*header);
  }
  // Explicitly: the mapping keeps the open file, and with it the flock, after close().
  flock(fd, LOCK_UN);
  close(fd);
  openBuses()[name] = bus;
  return bus;
}

SharedBus::SharedBus(std::string name, std::string path, Header* header)
    : name_(std::move(name)), path_(std::move(path)), header_(header) {}

SharedBus::~SharedBus() { munmap(header_, sizeof(Header)); }

// A node of this process is alive while this process has it; another process's while that
// process runs (the same one: its start time matches).
bool SharedBus::ownerAlive(uint32_t token, uint64_t started) const {
  uint32_t pid = pidOf(token);
  if (token == 0 || pid == 0) return false;
  if (pid == ownPid()) return (owned_ >> (token % kMostNodes) & 1) != 0;
  if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
  return processStart(pid) == started;
}

bool SharedBus::live(int slot) const {
  const NodeEntry& n = header_->nodes[slot];
  return n.token != 0 && n.token % kMostNodes == static_cast<uint32_t>(slot);
}

void SharedBus::reap() {
  uint64_t now = steadyMicros();
  if (now - lastReapMicros_ < kReapEveryMicros) return;
  lastReapMicros_ = now;
  for (int s = 0; s < kMostNodes; ++s) {
    NodeEntry& n = header_->nodes[s];
    if (n.token != 0 && !(live(s) && ownerAlive(n.token, n.started)))
      std::memset(static_cast<void*>(&n), 0, sizeof n);
  }
}

// A spin lock with a sleeping back-off. A holder that died (a zombie too), or a lock word that
// holds garbage for longer than any holder keeps it, is broken rather than waited for.
void SharedBus::lock(int slot) {
  uint32_t me = slot < 0 ? ownPid() * kMostNodes : tokenOf(slot);
  if (me == 0) me = kMostNodes;
  uint64_t since = 0;
  uint32_t spins = 0;
  uint32_t looked = 0;  // the holder last looked up in /proc, and when
  uint64_t lookedAt = 0;
  bool dead = false;
  for (;;) {
    uint32_t expected = 0;
    if (header_->lock.compare_exchange_weak(expected, me, std::memory_order_acquire)) return;
    if (++spins < 64) {
      sched_yield();
      continue;
    }
    uint64_t now = steadyMicros();
    if (since == 0) since = now;
    // This process never waits for itself: its own token in the lock word is garbage. Nor for
    // pid 0, which no node has, or a process that is gone or a zombie (looked up once a
    // millisecond: a holder may die while it is waited for).
    const uint32_t pid = pidOf(expected);
    bool mine = pid == ownPid();
    if (!mine && (expected != looked || now - lookedAt > 1000)) {
      looked = expected;
      lookedAt = now;
      dead = pid == 0 || processStart(pid) == 0;
    }
    if (mine || dead || now - since > kLockPatienceMicros) {
      if (header_->lock.compare_exchange_strong(expected, me, std::memory_order_acquire)) return;
      since = 0;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(20));
  }
}

void SharedBus::unlock(int slot) {
  uint32_t me = slot < 0 ? ownPid() * kMostNodes : tokenOf(slot);
  if (me == 0) me = kMostNodes;
  uint32_t expected = me;
  header_->lock.compare_exchange_strong(expected, 0, std::memory_order_release);
}

std::optional<int> SharedBus::join(Pace pace, uint64_t atTicks) {
  std::optional<int> slot;
  lock(-1);
  // The last node out marks the segment before removing it: a station that opened it just
  // before would otherwise be alone on it, while the next one opens a new segment.
  if (header_->magic != kMagic) {
    removed_ = true;
    unlock(-1);
    return slot;
  }
  lastReapMicros_ = 0;
  reap();
  for (int s = 0; s < kMostNodes && !slot; ++s) {
    if (header_->nodes[s].token != 0) continue;
    NodeEntry& n = header_->nodes[s];
    std::memset(static_cast<void*>(&n), 0, sizeof n);
    n.token = tokenOf(s);
    n.started = processStart(ownPid());
    n.pace = static_cast<uint32_t>(pace);
    n.want = n.done = atTicks;
    n.wireRead = header_->wireWritten;
    owned_ |= 1u << s;
    slot = s;
  }
  if (slot && pace == Pace::Wall && header_->wallAnchorMicros == 0) anchorWall(atTicks);
  unlock(-1);
  return slot;
}

void SharedBus::leave(int slot) {
  lock(slot);
  owned_ &= ~(1u << slot);
  std::memset(static_cast<void*>(&header_->nodes[slot]), 0, sizeof(NodeEntry));
  // A dead node's entry, not reaped yet, must not keep the segment after the last live node.
  lastReapMicros_ = 0;
  reap();
  bool anyone = false;
  bool wall = false;
  for (int s = 0; s < kMostNodes; ++s) {
    anyone = anyone || header_->nodes[s].token != 0;
    wall = wall || (header_->nodes[s].token != 0 &&
                    header_->nodes[s].pace == static_cast<uint32_t>(Pace::Wall));
  }
  if (!wall) header_->wallAnchorMicros = 0;
  if (!anyone) {
    header_->magic = 0;
    shm_unlink(path_.c_str());
    removed_ = true;
  }
  unlock(slot);
  announce();
}

std::optional<uint64_t> SharedBus::wallTicks() const {
  uint64_t anchor = header_->wallAnchorMicros;
  if (anchor == 0) return std::nullopt;
  uint64_t now = steadyMicros();
  return header_->wallAnchorTicks + (now > anchor ? now - anchor : 0) * kTicksPerMicro;
}

void SharedBus::anchorWall(uint64_t atTicks) {
  header_->wallAnchorTicks = atTicks;
  header_->wallAnchorMicros = steadyMicros();
}

// A futex on the progress word, shared between processes. A waiter first yields the processor a
// few times (the node it waits for is usually a step away), then sleeps until the word moves on
// or the time is up, whichever comes first; only then is a wake-up call worth its system call.
// A garbage word only costs a waiter its time.
void SharedBus::announce() {
  header_->progress.fetch_add(1, std::memory_order_acq_rel);
  if (header_->sleepers.load(std::memory_order_acquire) != 0)
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(&header_->progress), FUTEX_WAKE, INT32_MAX,
            nullptr, nullptr, 0);
}

void SharedBus::await(uint32_t seen, uint64_t maxMicros) {
  constexpr int kYields = 64;
  for (int i = 0; i < kYields; ++i) {
    if (progress() != seen) return;
    sched_yield();
  }
  timespec timeout{static_cast<time_t>(maxMicros / 1'000'000),
                   static_cast<long>(maxMicros % 1'000'000 * 1000)};
  header_->sleepers.fetch_add(1, std::memory_order_acq_rel);
  if (progress() == seen)
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(&header_->progress), FUTEX_WAIT, seen, &timeout,
            nullptr, 0);
  header_->sleepers.fetch_sub(1, std::memory_order_acq_rel);
}

void SharedBus::carry(const WireWord& word) {
  uint64_t n = header_->wireWritten;
  header_->wire[n % kWireWords] = word;
  header_->wireWritten = n + 1;
}

}  // namespace xarnsim::bus
