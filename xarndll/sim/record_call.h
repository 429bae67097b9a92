// The checks every record call of a bus makes before the bus does the work: an initialised card,
// a record, and the right operating mode.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "xarndll/sim/sim_card.h"
#include "xarndll/status.h"

namespace xarnsim {

// Runs `work(*record)` when the card is initialised, `record` is given and the card is in one of
// `modes`; else the status that says which of these failed.
template <class Record, class Work>
uint16_t recordCall(const SimCard& card, Record* record, std::initializer_list<uint16_t> modes,
                    Work&& work) {
  if (!card.initialised()) return kStatusNotInitialised;
  if (!record) return kStatusBadArgument;
  for (uint16_t mode : modes) {
    if (card.mode() == mode) return work(*record);
  }
  return kStatusWrongMode;
}

}  // namespace xarnsim
