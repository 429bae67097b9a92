// One simulated card on a virtual clock that the test moves by hand.
#pragma once

#include <gtest/gtest.h>

#include "card/xarndll.h"
#include "xarndll/control.h"

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

  CardContext card{};
  uint64_t now = 0;
};
