// The MDM driver calls on one card, each over the checks every record call makes.
#pragma once

#include <cstdint>

#include "card/records.h"
#include "xarndll/sim/record_call.h"
#include "xarndll/sim/sim_card.h"

namespace xarnsim::mdm {

// A record call on the card's MDM units, in MDM_MRT only.
template <class Record, class Work>
uint16_t call(SimCard& card, Record* record, Work&& work) {
  return recordCall(card, record, {kModeMdmMrt}, [&](Record& r) { return work(card.mdm(), r); });
}

}  // namespace xarnsim::mdm
