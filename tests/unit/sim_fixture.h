// One simulated card on a virtual clock that the test moves by hand, and what the engine tests
// share: entering a mode, moving the clock in steps, and comparing stretches of card memory.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "card/xarndll.h"
#include "xarndll/control.h"

constexpr uint64_t kMilli = 1000;
constexpr uint64_t kSecond = 1000 * kMilli;
constexpr uint64_t kDay = 86400 * kSecond;
constexpr uint64_t kThirtyYears = 1'000'000'000'000'000ull;  // 10^15 us

// Timing in half microseconds: inter-word gap, response time, response timeout.
inline SetupRecord setupRecord(uint16_t gap = 11, uint16_t response = 0, uint16_t timeout = 0) {
  SetupRecord setup{};
  setup.marker = 0xFFFFFFFF;
  setup.interWordTxGap = gap;
  setup.rtResponseTime = response;
  setup.rtResponseTimeout = timeout;
  return setup;
}

inline void enterMode(CardContext* card, uint16_t mode, SetupRecord setup = setupRecord()) {
  ASSERT_EQ(DUVEX_InitDLL(card, 1, 1, 0), 0);
  ASSERT_EQ(DUVEX_SetupDLL(card, mode, &setup), 0);
}

// The words of [first, end) for each range, one after another.
inline std::vector<uint16_t> cardWords(
    CardContext* card, std::initializer_list<std::pair<uint32_t, uint32_t>> ranges) {
  std::vector<uint16_t> words;
  for (auto [first, end] : ranges)
    for (uint32_t a = first; a < end; a += 2) words.push_back(rWDLL(card, a));
  return words;
}

// Each address holds its word.
using AddressWord = std::pair<uint32_t, uint16_t>;
inline void expectWords(CardContext* card, std::span<const AddressWord> words) {
  for (auto [address, value] : words) EXPECT_EQ(rWDLL(card, address), value) << std::hex << address;
}
inline void expectWords(CardContext* card, std::initializer_list<AddressWord> words) {
  expectWords(card, std::span(words.begin(), words.size()));
}

// Two images of the same ranges, word for word; the first difference is named.
inline void expectSameWords(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) {
  ASSERT_EQ(a.size(), b.size());
  auto differs = std::mismatch(a.begin(), a.end(), b.begin());
  EXPECT_TRUE(differs.first == a.end()) << "word " << differs.first - a.begin();
}

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xarnsim::setTimeSource(&card, [this] { return now; });
  }
  void TearDown() override { xarnsim::release(&card); }

  uint16_t state() {
    uint16_t word = 0xDEAD;
    EXPECT_EQ(DUVEX_RdStatusDLL(&card, &word), 0);
    return word;
  }
  // A fresh card at time zero, for a test that runs the same road twice.
  void restart() {
    xarnsim::release(&card);
    card = CardContext{};
    now = 0;
    xarnsim::setTimeSource(&card, [this] { return now; });
  }
  // The clock moves to `end` in steps of `step`, the card called after each.
  void stepTo(uint64_t end, uint64_t step) {
    while (now < end) {
      now = std::min(now + step, end);
      rWDLL(&card, 0);
    }
  }

  CardContext card{};
  uint64_t now = 0;
};
