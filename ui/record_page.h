// What the record pages share: the pages that show records the card holds (a terminal and its
// channel, a unit and its module), edit working copies of them, and write them back.
#pragma once

#include <cstdint>
#include <tuple>

#include "ui/fields.h"
#include "winsys/winsys.h"

namespace ui {

// Reads two records that belong together into `first` and `second` only once both reads have
// succeeded: a read that fails half-way leaves the working copies as they were, so that a later
// Update cannot send one record with another's partner. Each read fills the record it is handed
// and returns its status; the second runs only after the first succeeded. The status of the read
// that failed, or Done.
template <typename First, typename Second, typename ReadFirst, typename ReadSecond>
uint16_t readBoth(First& first, Second& second, ReadFirst readFirst, ReadSecond readSecond) {
  First newFirst{};
  Second newSecond{};
  uint16_t status = readFirst(newFirst);
  if (status == kStatusDone) status = readSecond(newSecond);
  if (status == kStatusDone) {
    first = newFirst;
    second = newSecond;
  }
  return status;
}

// Parses the page's fields into copies of `records` and keeps the copies only when nothing was
// refused: Update does not parse these fields again, so half a box or half an error would
// otherwise reach the card under a "Done". `parse` takes the copies and returns the error flags.
// Syntax, or Done.
template <typename Parse, typename... Records>
uint16_t storeAll(Parse parse, Records&... records) {
  std::tuple<Records...> copies{records...};
  uint16_t error = std::apply(parse, copies);
  if (error) return kStatusSyntax;
  std::tie(records...) = copies;
  return kStatusDone;
}

// The spin that chooses which record the page shows (an RT, an I/O module): steps `number` as
// spinWrapped does and shows it in `field`. True when it moved, and the page should read.
bool spinNumber(winsys::Dialog& page, int field, uint16_t& number, winsys::ScrollAction action,
                uint16_t count);

}  // namespace ui
