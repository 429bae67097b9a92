// The shared bus's house-keeping: the segment's permissions and life, stations opening it
// together, crashed runs, killed nodes and garbage. Other processes are forked children.
#include "xarndll/sim/bus/shared_bus.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "bench/bench_station.h"
#include "card/xarndll.h"
#include "sim_fixture.h"
#include "xarndll/control.h"
#include "xarndll/sim/bus/node.h"
#include "xarndll/sim/sim_card.h"

namespace {

using xarnsim::bus::Header;
using xarnsim::bus::kMostNodes;
using xarnsim::bus::Pace;
using xarnsim::bus::SharedBus;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A fresh bus name for each test; its segment goes with the test, whatever the test left.
class SharedBusTest : public ::testing::Test {
 protected:
  SharedBusTest() {
    static int counter = 0;
    name_ = "ut-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
  }
  ~SharedBusTest() override {
    for (pid_t child : children_) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
    shm_unlink(("/xarn-bus-" + name_).c_str());
  }

  const std::string& name() const { return name_; }
  std::string file() const { return "/dev/shm/xarn-bus-" + name_; }
  bool exists() const {
    struct stat st {};
    return stat(file().c_str(), &st) == 0;
  }
  // The segment's permission bits and size; -1 and 0 without one.
  std::tuple<int, size_t> segment() const {
    struct stat st {};
    if (stat(file().c_str(), &st) != 0) return {-1, 0};
    return {static_cast<int>(st.st_mode & 0777), static_cast<size_t>(st.st_size)};
  }
  static void joinAndLeave(SharedBus& bus) {
    auto slot = bus.join(Pace::Virtual, 0);
    ASSERT_TRUE(slot);
    bus.leave(*slot);
  }
  std::shared_ptr<SharedBus> open() {
    std::string error;
    auto bus = SharedBus::open(name_, error);
    EXPECT_TRUE(bus) << error;
    return bus;
  }
  static int nodes(SharedBus& bus) {
    int n = 0;
    for (int s = 0; s < kMostNodes; ++s) n += bus.node(s).token != 0;
    return n;
  }

  // A child process that runs `body`, then tells the parent (the returned pipe end reads one
  // byte), then waits to be killed (or exits at once with `stay` false, without leaving the
  // bus: a crash).
  pid_t fork(const std::function<void()>& body, bool stay, int& ready) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
      close(fds[0]);
      body();
      char byte = 1;
      if (write(fds[1], &byte, 1) != 1) _exit(3);
      if (stay) pause();
      _exit(0);
    }
    close(fds[1]);
    children_.push_back(pid);
    ready = fds[0];
    return pid;
  }
  // Waits for the child's byte; false if it died first.
  static bool awaitReady(int ready) {
    char byte = 0;
    bool ok = read(ready, &byte, 1) == 1;
    close(ready);
    return ok;
  }
  void reapChild(pid_t pid) {
    waitpid(pid, nullptr, 0);
    std::erase(children_, pid);
  }
  // A process id that no process has: a child's, once it has exited and been waited for.
  pid_t deadPid() {
    int ready = -1;
    pid_t pid = fork([] {}, false, ready);
    awaitReady(ready);
    reapChild(pid);
    return pid;
  }

 private:
  std::string name_;
  std::vector<pid_t> children_;
};

// A later opener is not held up by a node on the bus; openers at the same moment each keep what
// they joined with (none starts the segment anew under another's node).
TEST_F(SharedBusTest, SegmentIsTheUsersOnlyAndGoesWithTheLastNode) {
  // An earlier segment of the name with everyone's permissions is made the user's alone.
  mode_t mask = umask(0);
  int fd = shm_open(("/xarn-bus-" + name()).c_str(), O_CREAT | O_RDWR, 0666);
  umask(mask);
  ASSERT_GE(fd, 0);
  close(fd);
  auto bus = open();
  ASSERT_TRUE(bus);
  EXPECT_EQ(segment(), std::tuple(0600, sizeof(Header)));

  auto first = bus->join(Pace::Virtual, 0);
  auto second = bus->join(Pace::Virtual, 0);
  ASSERT_TRUE(first && second);
  bus->leave(*first);
  EXPECT_TRUE(exists()) << "a node is still on the bus";
  bus->leave(*second);
  EXPECT_FALSE(exists()) << "the last node left";
  // A station that opened the segment just before finds it gone when it joins.
  EXPECT_FALSE(bus->join(Pace::Virtual, 0));
  EXPECT_TRUE(bus->removed());

  // The next open makes a new segment, the user's only, though this process maps the old one.
  mask = umask(0);
  auto again = open();
  umask(mask);
  ASSERT_TRUE(again);
  EXPECT_NE(again.get(), bus.get());
  EXPECT_EQ(std::get<0>(segment()), 0600);
  auto slot = again->join(Pace::Virtual, 0);
  ASSERT_TRUE(slot);

  // A crashed node's entry does not keep the segment once the last live node leaves.
  int ready = -1;
  pid_t crashed = fork([&] { again->join(Pace::Virtual, 0); }, false, ready);
  ASSERT_TRUE(awaitReady(ready));
  reapChild(crashed);
  EXPECT_EQ(nodes(*again), 2);
  again->leave(*slot);
  EXPECT_FALSE(exists()) << "a dead node's entry kept the segment";

  // A card through its driver's road: on the bus while it lives, the segment gone with it.
  {
    xarnsim::SimCard card;
    std::string error;
    ASSERT_TRUE(card.joinBus(name(), error)) << error;
    EXPECT_EQ(std::get<0>(segment()), 0600);
  }
  EXPECT_FALSE(exists());
}

TEST_F(SharedBusTest, StationsOpenTheBusTogether) {
  int ready = -1;
  pid_t first = fork(
      [&] {
        std::string error;
        auto bus = SharedBus::open(name(), error);
        if (!bus || !bus->join(Pace::Virtual, 0)) _exit(2);
        static auto keep = bus;  // stays on the bus until killed
      },
      true, ready);
  ASSERT_TRUE(awaitReady(ready));
  auto opening = std::async(std::launch::async, [&] { return open(); });
  bool prompt = opening.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  if (!prompt) kill(first, SIGKILL);  // lets the opener go, so that the test can end
  EXPECT_TRUE(prompt) << "the second opener waited for the first one to leave";
  auto second = opening.get();
  ASSERT_TRUE(second);
  EXPECT_EQ(nodes(*second), prompt ? 1 : 0);
  kill(first, SIGKILL);
  reapChild(first);
  second.reset();

  constexpr int kOpeners = 6;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::string bus = name() + "-" + std::to_string(round);
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> openers;
    for (int i = 0; i < kOpeners; ++i) {
      pid_t pid = ::fork();
      if (pid == 0) {
        close(go[1]);
        char byte = 0;
        if (read(go[0], &byte, 1) != 0) _exit(2);  // all start when the pipe closes
        std::string error;
        auto shared = SharedBus::open(bus, error);
        if (!shared) _exit(3);
        auto slot = shared->join(Pace::Virtual, 0);
        if (!slot) _exit(4);
        shared->memoryOf(*slot)[7] = static_cast<uint16_t>(0xBEE0 + i);
        usleep(20'000);  // the others open meanwhile
        bool kept = shared->node(*slot).token == SharedBus::tokenOf(*slot) &&
                    shared->memoryOf(*slot)[7] == 0xBEE0 + i;
        shared->leave(*slot);
        _exit(kept ? 0 : 5);
      }
      openers.push_back(pid);
    }
    close(go[0]);
    close(go[1]);
    for (pid_t pid : openers) {
      int status = 0;
      waitpid(pid, &status, 0);
      EXPECT_TRUE(WIFEXITED(status)) << "an opener died of signal " << WTERMSIG(status);
      EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : 0, 0);
    }
    EXPECT_NE(access(("/dev/shm/xarn-bus-" + bus).c_str(), F_OK), 0);
    shm_unlink(("/xarn-bus-" + bus).c_str());
  }
}

TEST_F(SharedBusTest, StaleSegmentIsRecovered) {
  // A run that crashed: its node joined, took the lock, put words on the wire and died.
  int ready = -1;
  pid_t crashed = fork(
      [&] {
        std::string error;
        auto bus = SharedBus::open(name(), error);
        if (!bus) _exit(2);
        auto slot = bus->join(Pace::Virtual, 0);
        if (!slot) _exit(2);
        bus->lock(*slot);
        bus->header().wireWritten = 12345;
        bus->header().partnersOff = 1;
      },
      false, ready);
  ASSERT_TRUE(awaitReady(ready));
  reapChild(crashed);
  ASSERT_TRUE(exists());
  {
    auto start = Clock::now();
    auto bus = open();
    ASSERT_TRUE(bus);
    EXPECT_LT(secondsSince(start), 1.0);
    EXPECT_EQ(std::tuple(bus->header().wireWritten, bus->header().partnersOff, nodes(*bus)),
              std::tuple(0u, 0u, 0));
    auto slot = bus->join(Pace::Virtual, 0);
    ASSERT_TRUE(slot);
    EXPECT_EQ(nodes(*bus), 1);
    bus->leave(*slot);
  }
  EXPECT_FALSE(exists());

  // Segments of another layout, or short, or full of garbage: the next joiner starts anew.
  auto writeSegment = [&](size_t bytes, const std::function<void(Header&)>& spoil) {
    int fd = shm_open(("/xarn-bus-" + name()).c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(bytes)), 0);
    if (bytes >= sizeof(Header)) {
      void* at = mmap(nullptr, sizeof(Header), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      ASSERT_NE(at, MAP_FAILED);
      spoil(*static_cast<Header*>(at));
      munmap(at, sizeof(Header));
    } else {
      std::vector<char> junk(bytes, '\xA5');
      ASSERT_EQ(write(fd, junk.data(), junk.size()), static_cast<ssize_t>(junk.size()));
    }
    close(fd);
  };
  pid_t gone = deadPid();
  auto fillTable = [&](Header& h, uint32_t pid, uint64_t started) {
    for (int s = 0; s < kMostNodes; ++s) {
      h.nodes[s].token = pid * kMostNodes + static_cast<uint32_t>(s);
      h.nodes[s].started = started;
      h.nodes[s].pace = 1;
    }
  };
  struct Case {
    const char* what;
    size_t bytes;
    std::function<void(Header&)> spoil;
  };
  std::vector<Case> cases = {
      {"short", 100, nullptr},
      {"longer", sizeof(Header) + 4096, [](Header&) {}},
      {"wrong magic, full table", sizeof(Header),
       [&](Header& h) {
         h.magic = 0xDEADBEEF;
         fillTable(h, static_cast<uint32_t>(getpid()), 1);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeSegment(c.bytes, c.spoil);
    auto bus = open();
    ASSERT_TRUE(bus);
    EXPECT_EQ(std::tuple(std::get<1>(segment()), nodes(*bus)), std::tuple(sizeof(Header), 0));
    joinAndLeave(*bus);
    EXPECT_FALSE(exists());
  }

  // A table naming only processes that are gone: a dead pid, a reused pid (another start time),
  // a token of another slot, this process in a slot it does not hold. The opener starts anew.
  {
    auto maker = open();
    ASSERT_TRUE(maker);
    Header& h = maker->header();
    fillTable(h, static_cast<uint32_t>(gone), SharedBus::processStart(1));
    h.nodes[1].token = 1 * kMostNodes + 1;  // pid 1 runs, but did not start then
    h.nodes[1].started = SharedBus::processStart(1) + 1;
    auto parent = static_cast<uint32_t>(getppid());
    h.nodes[2].token = parent * kMostNodes + 5;
    h.nodes[2].started = SharedBus::processStart(parent);
    auto me = static_cast<uint32_t>(getpid());
    h.nodes[3].token = me * kMostNodes + 3;
    h.nodes[3].started = SharedBus::processStart(me);
    h.wireWritten = 777;
  }  // forgotten without leaving, as a crash would
  ASSERT_TRUE(exists());
  {
    auto bus = open();
    ASSERT_TRUE(bus);
    EXPECT_EQ(std::tuple(nodes(*bus), bus->header().wireWritten), std::tuple(0, 0u));
    joinAndLeave(*bus);
  }
  EXPECT_FALSE(exists());
}

TEST_F(SharedBusTest, KilledNodeLeavesWithinASecondAndTheOthersGoOn) {
  uint64_t now = 0;
  xarnsim::SimCard card;
  card.setTimeSource([&now] { return now; });
  std::string error;
  ASSERT_TRUE(card.joinBus(name(), error)) << error;
  uint64_t joined = card.cardTime();
  // The other node: a console whose script stops (its clock never moves), then is killed.
  int ready = -1;
  pid_t other = fork(
      [&] {
        static xarnsim::SimCard theirs;
        theirs.setTimeSource([] { return uint64_t{0}; });
        std::string e;
        if (!theirs.joinBus(name(), e)) _exit(2);
      },
      true, ready);
  ASSERT_TRUE(awaitReady(ready));
  ASSERT_TRUE(card.busNode()->waitForNodes(2, 5000));

  // The lock-step holds this card back while the other node lives.
  now += 1'000'000;
  auto call = std::async(std::launch::async, [&card] { card.catchUp(); });
  ASSERT_EQ(call.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
      << "the card ran ahead of a live node";

  // Killed, and not yet waited for by its parent (a zombie): it has left within a second, and
  // the call that waited for it goes on.
  auto killed = Clock::now();
  ASSERT_EQ(kill(other, SIGKILL), 0);
  bool left = call.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
  double took = secondsSince(killed);
  if (!left) reapChild(other);  // lets the stuck call end, so that the test can
  call.wait();
  EXPECT_TRUE(left) << "the killed node held the bus for more than 3 s";
  EXPECT_LT(took, 1.0);
  EXPECT_EQ(card.busNode()->nodeCount(), 1);
  EXPECT_EQ(card.cardTime(), joined + 1'000'000);

  // Later calls go on at once: 100 of them well within what one wait for the dead would take
  // each (10 s in all), even on a loaded machine.
  auto start = Clock::now();
  for (int i = 0; i < 100; ++i) {
    now += 10'000;
    card.catchUp();
  }
  EXPECT_LT(secondsSince(start), 2.0);
  EXPECT_EQ(card.cardTime(), joined + 2'000'000);
}

TEST_F(SharedBusTest, GarbageInTheLockWordHangsNoCaller) {
  auto bus = open();
  ASSERT_TRUE(bus);
  auto slot = bus->join(Pace::Virtual, 0);
  ASSERT_TRUE(slot);
  int ready = -1;
  pid_t alive = fork([] {}, true, ready);
  ASSERT_TRUE(awaitReady(ready));
  auto me = static_cast<uint32_t>(getpid());
  pid_t zombie = ::fork();  // killed, but not yet waited for by its parent
  if (zombie == 0) _exit(0);
  while (SharedBus::processStart(static_cast<uint32_t>(zombie)) != 0) std::this_thread::yield();
  struct Case {
    const char* what;
    uint32_t word;
    double mostSeconds;
  };
  // A live process's lock is broken only after the holder's longest time (2 s); any other at
  // once (well under 2 s, even on a loaded machine).
  const Case cases[] = {
      {"a dead process's token", static_cast<uint32_t>(deadPid()) * kMostNodes + 2, 1.0},
      {"this process's token, another slot", me * kMostNodes + (*slot + 1) % kMostNodes, 1.0},
      {"this process's own slot's token", SharedBus::tokenOf(*slot), 1.0},
      {"all ones", 0xFFFFFFFF, 1.0},
      {"a zombie's token", static_cast<uint32_t>(zombie) * kMostNodes + 4, 1.0},
      {"pid 0's token", 3, 1.0},
      {"a live process's token", static_cast<uint32_t>(alive) * kMostNodes + 1, 3.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bus->header().lock.store(c.word);
    auto start = Clock::now();
    auto taken = std::async(std::launch::async, [&] { bus->lock(*slot); });
    bool done = taken.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!done) bus->header().lock.store(0);  // frees the caller, so that the test can end
    taken.wait();
    EXPECT_TRUE(done) << "lock() hung on " << std::hex << c.word;
    EXPECT_LT(secondsSince(start), c.mostSeconds);
    EXPECT_EQ(bus->header().lock.load(), SharedBus::tokenOf(*slot));
    bus->unlock(*slot);
    EXPECT_EQ(bus->header().lock.load(), 0u);
  }
  reapChild(zombie);
  bus->leave(*slot);
}

// Garbage written all over the segment (the lock word aside) while a card runs there: each call
// comes back in time and the card leaves cleanly.
TEST_F(SharedBusTest, AGarbageWriterNeitherCrashesNorHangsACard) {
  setenv("XARN_BUS", name().c_str(), 1);
  CardContext card{};
  uint64_t now = 0;
  xarnsim::setTimeSource(&card, [&now] { return now; });
  unsetenv("XARN_BUS");
  ASSERT_EQ(xarnsim::busName(&card), name());
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  SetupRecord setup = setupRecord(11, 15, 50);
  ASSERT_EQ(DUVEX_SetupDLL(&card, 1, &setup), 0);
  saturateLdbFrame(&card);

  int started[2];
  ASSERT_EQ(pipe(started), 0);
  int ready = -1;
  pid_t writer = fork(
      [&] {
        int fd = shm_open(("/xarn-bus-" + name()).c_str(), O_RDWR, 0);
        void* at = mmap(nullptr, sizeof(Header), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (fd < 0 || at == MAP_FAILED) _exit(2);
        auto* bytes = static_cast<unsigned char*>(at);
        const size_t lockAt = offsetof(Header, lock);
        uint64_t x = 0x9E3779B97F4A7C15ull;
        for (uint64_t n = 1;; ++n) {
          x ^= x << 13;
          x ^= x >> 7;
          x ^= x << 17;
          // Mostly the small, busy parts: the header, the table, the newest wire words.
          size_t where = 0;
          switch (x % 4) {
            case 0:
              where = x >> 8 & 63;
              break;
            case 1:
              where = offsetof(Header, nodes) + (x >> 8) % sizeof(Header::nodes);
              break;
            case 2:
              where = offsetof(Header, wire) + (x >> 8) % sizeof(Header::wire);
              break;
            default:
              where = offsetof(Header, memory) + (x >> 8) % sizeof(Header::memory);
              break;
          }
          if (where + 4 > lockAt && where < lockAt + 4) continue;
          bytes[where] = static_cast<unsigned char>(x >> 56);
          if (n % 4096 == 0) usleep(50);
          if (n == 65536 && write(started[1], &n, 1) != 1) _exit(3);
        }
      },
      false, ready);
  close(ready);
  close(started[1]);
  ASSERT_TRUE(awaitReady(started[0])) << "the garbage writer did not start";

  double slowest = 0;
  auto start = Clock::now();
  for (int i = 0; i < 300; ++i) {
    now += 5'000;
    auto called = Clock::now();
    auto call = std::async(std::launch::async, [&card] {
      uint16_t state = 0;
      BcQueueRecord entry{};
      DUVEX_RdStatusDLL(&card, &state);
      DUVEX_RdLdbBcQDLL(&card, &entry);
    });
    if (call.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      kill(writer, SIGKILL);  // the garbage stops: the call may yet end
      reapChild(writer);
      FAIL() << "call " << i << " hung with garbage in the segment";
    }
    slowest = std::max(slowest, secondsSince(called));
  }
  double took = secondsSince(start);
  kill(writer, SIGKILL);
  reapChild(writer);
  EXPECT_LT(slowest, 1.0);
  EXPECT_LT(took, 20.0);
  xarnsim::release(&card);
  EXPECT_FALSE(exists());
}

}  // namespace
