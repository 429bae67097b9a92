// The driver's C functions for the card itself: set-up, state, commands, clock, identity and
// memory words. Each passes the call gate (hooks, time, trace) and hands the work to the
// simulated card; the functions of each bus are in exports_<bus>.cpp.
#include "card/xarndll.h"
#include "xarndll/sim/call_gate.h"

using xarnsim::arg;
using xarnsim::Fn;
using xarnsim::gate;
using xarnsim::SimCard;

extern "C" {

// ---- Card set-up and state

uint16_t DUVEX_InitDLL(CardContext* card, uint16_t cardType, uint16_t endian, uint16_t serialPort) {
  return gate(Fn::InitDLL, card, {arg(cardType), arg(endian), arg(serialPort)},
              [&](SimCard& c) { return c.init(*card, cardType, endian, serialPort); });
}

uint16_t DUVEX_SetupDLL(CardContext* card, uint16_t mode, SetupRecord* setup) {
  return gate(Fn::SetupDLL, card, {arg(mode), arg(setup)},
              [&](SimCard& c) { return c.setup(mode, setup); });
}

uint16_t DUVEX_RdStatusDLL(CardContext* card, uint16_t* stateWord) {
  return gate(Fn::RdStatusDLL, card, {arg(stateWord)},
              [&](SimCard& c) { return c.readStatus(stateWord); });
}

uint16_t DUVEX_CommandDLL(CardContext* card, uint16_t code) {
  return gate(Fn::CommandDLL, card, {arg(code)}, [&](SimCard& c) { return c.command(code); });
}

uint16_t DUVEX_RdClockDLL(CardContext* card, TimeTag* clock) {
  return gate(Fn::RdClockDLL, card, {arg(clock)}, [&](SimCard& c) { return c.readClock(clock); });
}

uint16_t DUVEX_GetCardIDDLL(CardContext* card, CardIdRecord* id) {
  return gate(Fn::GetCardIDDLL, card, {arg(id)}, [&](SimCard& c) { return c.readCardId(id); });
}

// Not one of the 43: it frees the card rather than passing the gate, which would make one.
uint16_t DUVEX_CloseDLL(CardContext* card) {
  if (!card) return xarnsim::kStatusBadArgument;
  xarnsim::releaseCard(*card);
  return xarnsim::kStatusOk;
}

// ---- Card memory. Before initialisation reads give 0 and writes are ignored.

uint16_t rWDLL(CardContext* card, uint32_t address) {
  return gate(
      Fn::rWDLL, card, {arg(address)},
      [&](SimCard& c) -> uint16_t { return c.initialised() ? c.readWord(address) : 0; }, 0);
}

uint16_t wWDLL(CardContext* card, uint32_t address, uint16_t value) {
  return gate(Fn::wWDLL, card, {arg(address), arg(value)}, [&](SimCard& c) {
    if (!c.initialised()) return xarnsim::kStatusNotInitialised;
    return c.writeWord(address, value) ? xarnsim::kStatusOk : xarnsim::kStatusBadArgument;
  });
}

}  // extern "C"
