// An MDM message as the wire tap takes it (wire_tap.h): the partner's command and data words,
// then the unit's status word and data words, with the local bus's word timing. The message's
// word errors (its queue flags Sy to Sh) are those of the unit's answer; they go with its status
// word.
#pragma once

#include "xarndll/sim/mdm/mdm_protocol.h"
#include "xarndll/sim/wire_tap.h"

namespace xarnsim::mdm {

inline void tapMessage(const CardMemory& memory, int rt, Tick start, const Message& m) {
  if (!tapped(memory)) return;
  const ldb::Timing timing = ldb::readTiming(memory);
  const Tick step = timing.word + timing.gap;
  auto address = static_cast<uint32_t>(rt);
  auto word = [&](Tick at, uint32_t value, bool command, bool received, uint16_t errors) {
    WireWord w;
    w.start = at;
    w.value = value & 0xFFFFFF;
    w.flags =
        static_cast<uint8_t>((command ? kWireCommandSync : 0) | (received ? kWireReceived : 0));
    w.errors = errors & kWireErrorMask;
    tapWord(memory, w);
  };
  word(start, m.command, true, true, 0);
  for (uint16_t i = 0; i < m.partnerWords; ++i)
    word(start + (i + 1u) * step, ldb::dataWord(address, m.partner[i]), false, true, 0);
  if (m.answered) {
    Tick at = start + timing.word + m.partnerWords * step + timing.response;
    word(at, m.status, true, false, m.errors);
    for (uint16_t i = 0; i < m.answerWords; ++i)
      word(at + (i + 1u) * step, ldb::dataWord(address, m.answer[i]), false, false, 0);
  }
  tapTransfer(memory, {m.type, static_cast<uint16_t>(rt), m.errors, 0});
}

}  // namespace xarnsim::mdm
