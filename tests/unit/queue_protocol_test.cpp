// The position-and-end-flag queue protocol: the card's side (readAtPosition over a ring queue)
// and the page's side (listQueue), each against the other.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "ui/queue_list.h"
#include "winsys/headless/headless.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/ring_queue.h"

namespace {

namespace map = xarnsim::map;

class NullPage final : public winsys::DialogProc {
 public:
  void init() override {}
  void command(int) override {}
  void scroll(uint32_t, winsys::ScrollAction) override {}
  void timer(int) override {}
};

class QueueProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(winsys::parseDialog("DIALOG Q 200 100\nLISTBOX 6 0 0 190 90 \"\"\n", layout, error))
        << error;
    ASSERT_TRUE(
        windows.openModeless(layout, [](winsys::Dialog&) { return std::make_unique<NullPage>(); }));
    page = windows.page("Q");
  }

  // Entries carry their number in their first word.
  void push(int count) {
    for (int i = 0; i < count; ++i) memory.write(queue.push(), static_cast<uint16_t>(pushed++));
  }
  // One card call: the entry's first word goes to `value`.
  uint16_t read(uint16_t* position, uint16_t* endFlag) {
    return xarnsim::readAtPosition(queue, position, endFlag,
                                   [&](uint32_t at) { value = memory.read(at); });
  }
  uint16_t list() {
    return ui::listQueue(
        *page, 6, [&](uint16_t* p, uint16_t* e) { return read(p, e); },
        [&] { return std::to_string(value); });
  }
  // The listing's length, first line and last line.
  std::tuple<int, std::string, std::string> shown() {
    int n = page->listCount(6);
    return {n, page->listLine(6, 0), page->listLine(6, n - 1)};
  }

  xarnsim::CardMemory memory;
  // The MDM queue's regions: 1024 entries.
  xarnsim::RingQueue queue{memory, map::kMdmQueueHeader, map::kMdmQueue};
  int pushed = 0;
  uint16_t value = 0;
  winsys::DialogTemplate layout;
  winsys::HeadlessWindowSystem windows;
  winsys::HeadlessDialog* page = nullptr;
};

TEST_F(QueueProtocolTest, CardReadsNewestFirstWithoutTakingAndEndsWithTheFlag) {
  push(3);
  uint16_t position = 0, endFlag = 0;
  std::vector<uint16_t> seen;
  while (endFlag == 0) {
    ASSERT_EQ(read(&position, &endFlag), 0);
    if (endFlag == 0) seen.push_back(value);
  }
  EXPECT_EQ(seen, (std::vector<uint16_t>{2, 1, 0}));
  // The end leaves the position where it was; nothing was taken away.
  EXPECT_EQ(std::tuple(+position, +endFlag, queue.size()), std::tuple(3, xarnsim::kEndFlagEnd, 3u));

  endFlag = 2;
  EXPECT_EQ(read(&position, &endFlag), 0);
  EXPECT_TRUE(queue.empty());
  endFlag = 7;
  EXPECT_EQ(read(&position, &endFlag), xarnsim::kStatusBadArgument);
  EXPECT_EQ(read(nullptr, &endFlag), xarnsim::kStatusBadArgument);
}

TEST_F(QueueProtocolTest, ListingShowsTheNewest256OrEmpty) {
  list();
  EXPECT_EQ(shown(), std::tuple(1, "EMPTY", "EMPTY"));
  push(300);
  list();
  EXPECT_EQ(shown(), std::tuple(256, "299", "44"));
  // A ring that has wrapped many times over: still the newest, none older than the ring holds.
  push(5000);
  EXPECT_EQ(queue.size(), 1024u);
  list();
  EXPECT_EQ(shown(), std::tuple(256, "5299", "5044"));
  ui::clearQueue([&](uint16_t* p, uint16_t* e) { return read(p, e); });
  list();
  EXPECT_EQ(shown(), std::tuple(1, "EMPTY", "EMPTY"));
}

TEST_F(QueueProtocolTest, AFailedReadEndsTheListingAndSaysSo) {
  push(5);
  int calls = 0;
  // A failing call changes neither the position nor the end flag.
  auto failing = [&](uint16_t*, uint16_t*) -> uint16_t {
    ++calls;
    return 251;
  };
  EXPECT_EQ(ui::listQueue(*page, 6, failing, [] { return std::string("x"); }), 251);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(shown(), std::tuple(1, "READ FAILED: 251", "READ FAILED: 251"));
  // A failure after some entries keeps them and says the list stops short.
  auto thirdFails = [&](uint16_t* p, uint16_t* e) -> uint16_t {
    return *p == 2 ? uint16_t{252} : read(p, e);
  };
  EXPECT_EQ(ui::listQueue(*page, 6, thirdFails, [&] { return std::to_string(value); }), 252);
  EXPECT_EQ(shown(), std::tuple(3, "4", "READ FAILED: 252"));
  // A card that answers 0 but never moves cannot hold the page either.
  calls = 0;
  auto stuck = [&](uint16_t*, uint16_t*) -> uint16_t {
    ++calls;
    return 0;
  };
  ui::listQueue(*page, 6, stuck, [] { return std::string("x"); });
  EXPECT_EQ(std::tuple(calls, page->listCount(6)), std::tuple(256, 256));
}

}  // namespace
