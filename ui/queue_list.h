// The listing of the queues that the card reads with a position and an end flag (the GDB
// uplink/downlink queue, the GDB RT queue, the MDM queue): one line an entry, at most 256, or
// the single line "EMPTY". The card returns the newest entry first, so the list's top line is
// the latest traffic. A read that fails ends the listing with a line that names its status:
// the queue may hold more, and an "EMPTY" would say it holds nothing.
#pragma once

#include <cstdint>
#include <string>

#include "winsys/winsys.h"

namespace ui {

inline constexpr uint16_t kQueueListLimit = 256;
inline constexpr uint16_t kQueueEndFlagRead = 0;
inline constexpr uint16_t kQueueEndFlagClear = 2;

// The last line of a listing that a failed read ended.
inline std::string queueFailureLine(uint16_t status) {
  return "READ FAILED: " + std::to_string(status);
}

// `read(position, endFlag)` makes one card call that fills the page's entry; `format()` gives the
// line of the entry just read. Returns the status of the last call. A call that fails returns no
// entry and ends the listing, and so do 256 calls: a failing card sets neither the end flag nor
// the position, and must not hold the page in a loop.
template <class Read, class Format>
uint16_t listQueue(winsys::Dialog& page, int list, Read&& read, Format&& format) {
  page.listReset(list);
  uint16_t position = 0;
  uint16_t endFlag = kQueueEndFlagRead;
  uint16_t status = 0;
  int lines = 0;
  for (int calls = 0; calls < kQueueListLimit && position != kQueueListLimit; ++calls) {
    status = read(&position, &endFlag);
    if (status != 0 || endFlag != kQueueEndFlagRead) break;
    page.listAdd(list, format());
    ++lines;
  }
  if (status != 0) {
    page.listAdd(list, queueFailureLine(status));
  } else if (lines == 0) {
    page.listReset(list);
    page.listAdd(list, "EMPTY");
  }
  return status;
}

// The one call that empties the queue on the card.
template <class Read>
uint16_t clearQueue(Read&& read) {
  uint16_t position = 0;
  uint16_t endFlag = kQueueEndFlagClear;
  return read(&position, &endFlag);
}

}  // namespace ui
