// Card memory as rWDLL and wWDLL see it, the address map and its documentation, and the
// in-memory queue and event queue the simulated card is built on.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim_fixture.h"
#include "xarndll/sim/event_queue.h"
#include "xarndll/sim/memory_map.h"
#include "xarndll/sim/ring_queue.h"

namespace {

namespace map = xarnsim::map;

class SimMemoryTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  }
};

TEST_F(SimMemoryTest, OddAndOutOfRangeAddressesAreHarmless) {
  ASSERT_EQ(wWDLL(&card, 0x000010, 0x1234), 0);
  ASSERT_EQ(wWDLL(&card, 0x000012, 0x5678), 0);
  EXPECT_EQ(wWDLL(&card, 0x000011, 0xFFFF), xarnsim::kStatusBadArgument);
  EXPECT_EQ(rWDLL(&card, 0x000011), 0);
  EXPECT_EQ(rWDLL(&card, 0x000010), 0x1234);  // neither neighbour changed
  EXPECT_EQ(rWDLL(&card, 0x000012), 0x5678);

  ASSERT_EQ(wWDLL(&card, 0x1FFFFE, 0xBEEF), 0);  // the last word
  EXPECT_EQ(rWDLL(&card, 0x1FFFFE), 0xBEEF);
  for (uint32_t beyond : {0x200000u, 0x200010u, 0x3FFFFEu, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
    EXPECT_EQ(wWDLL(&card, beyond, 0x7777), xarnsim::kStatusBadArgument) << beyond;
    EXPECT_EQ(rWDLL(&card, beyond), 0) << beyond;
  }
  EXPECT_EQ(rWDLL(&card, 0x000010), 0x1234);  // no wrap-around into low memory
}

TEST_F(SimMemoryTest, EveryImageWordHoldsWhatWasWritten) {
  // What a setup file does: one write per word from 0x000008 to 0x1FFEFE, then read it all back.
  auto pattern = [](uint32_t a) { return static_cast<uint16_t>((a >> 1) * 40503u ^ (a >> 17)); };
  for (uint32_t a = map::kImageFirst; a <= map::kImageLast; a += 2)
    ASSERT_EQ(wWDLL(&card, a, pattern(a)), 0) << std::hex << a;
  uint32_t mismatches = 0;
  for (uint32_t a = map::kImageFirst; a <= map::kImageLast; a += 2)
    mismatches += rWDLL(&card, a) != pattern(a);
  EXPECT_EQ(mismatches, 0u);
}

TEST_F(SimMemoryTest, RegistersAndIdentityRefuseWrites) {
  for (uint32_t a : {0x000000u, 0x000002u, 0x1FFF00u, 0x1FFF1Cu, 0x1FFF40u, 0x1FFF4Au}) {
    uint16_t before = rWDLL(&card, a);
    EXPECT_EQ(wWDLL(&card, a, static_cast<uint16_t>(before ^ 0xFFFF)), xarnsim::kStatusBadArgument)
        << std::hex << a;
    EXPECT_EQ(rWDLL(&card, a), before) << std::hex << a;
  }
  EXPECT_EQ(wWDLL(&card, 0x000004, 0x1111), 0);  // the handshake words are plain memory
  EXPECT_EQ(rWDLL(&card, 0x000004), 0x1111);
}

TEST(SimMemoryBeforeInit, ReadsZeroAndIgnoresWrites) {
  CardContext card{};
  EXPECT_EQ(wWDLL(&card, 0x0100, 0x4242), xarnsim::kStatusNotInitialised);
  EXPECT_EQ(rWDLL(&card, 0x0100), 0);
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  EXPECT_EQ(rWDLL(&card, 0x0100), 0);
  xarnsim::release(&card);
}

// The documented map must be the map in the code: every region appears in a table row of
// docs/card-memory-map.md with its base address, entry size and count.
TEST(SimMemoryMap, DocumentationListsEveryRegion) {
  auto doc = std::filesystem::path(XARN_SOURCE_DIR) / "docs" / "card-memory-map.md";
  std::ifstream in(doc);
  ASSERT_TRUE(in) << "cannot read " << doc;
  std::vector<std::string> rows;
  for (std::string line; std::getline(in, line);)
    if (line.rfind("| 0x", 0) == 0) rows.push_back(line);
  for (const map::Region& r : map::kRegions) {
    char expected[160];
    std::snprintf(expected, sizeof expected, "| 0x%06X | %s | %u | %u |",
                  static_cast<unsigned>(r.base), std::string(r.name).c_str(),
                  static_cast<unsigned>(r.entryBytes), static_cast<unsigned>(r.count));
    bool found = false;
    for (const std::string& row : rows) found = found || row.rfind(expected, 0) == 0;
    EXPECT_TRUE(found) << "no row starting " << expected;
  }
}

TEST(SimRingQueue, KeepsTheNewestEntriesAndCountsWhatItDropped) {
  xarnsim::CardMemory memory;
  constexpr map::Region header{"h", 0, 0x1000, 32, 1, ""};
  constexpr map::Region entries{"e", 0, 0x1020, 4, 3, ""};
  xarnsim::RingQueue queue(memory, header, entries);
  EXPECT_TRUE(queue.empty());

  for (uint16_t v = 1; v <= 5; ++v) memory.write(queue.push(), v);
  EXPECT_EQ(queue.size(), 3u);
  EXPECT_EQ(queue.dropped(), 2u);
  EXPECT_EQ(memory.read(queue.entryAddress(0)), 3);  // oldest kept
  EXPECT_EQ(memory.read(queue.entryAddress(2)), 5);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_TRUE(entries.contains(queue.entryAddress(i)));

  queue.popFront();
  EXPECT_EQ(memory.read(queue.entryAddress(0)), 4);
  uint32_t slot = queue.push();
  EXPECT_EQ(memory.read(slot + 2), 0);  // a pushed entry starts zeroed
  EXPECT_EQ(queue.size(), 3u);

  memory.write(header.base, 0xFFFF);  // a header overwritten through the memory display
  EXPECT_EQ(queue.size(), 3u);
  EXPECT_TRUE(entries.contains(queue.entryAddress(2)));
  queue.clear();
  EXPECT_TRUE(queue.empty());
  EXPECT_EQ(queue.dropped(), 0u);
}

TEST(SimEventQueue, RunsDueEventsInTimeThenScheduleOrder) {
  xarnsim::EventQueue events;
  std::string order;
  uint64_t now = 0;
  events.schedule(20, [&] { order += 'c'; });
  events.schedule(10, [&] { order += 'a'; });
  auto cancelled = events.schedule(10, [&] { order += 'x'; });
  events.schedule(10, [&] {
    order += 'b';
    events.schedule(now + 5, [&] { order += 'd'; });   // due at 15, inside this run
    events.schedule(now + 50, [&] { order += 'e'; });  // due at 60, later
  });
  EXPECT_TRUE(events.cancel(cancelled));
  EXPECT_FALSE(events.cancel(cancelled));
  events.runUntil(20, [&](uint64_t due) {
    EXPECT_GE(due, now);
    now = due;
  });
  EXPECT_EQ(order, "abdc");
  EXPECT_EQ(events.nextDue(), 60u);
}

}  // namespace
