// Every driver call passes this gate: it finds (or creates) the context's card, counts the call,
// applies a pending failure hook, brings the card up to "now", runs the call and traces it. A
// null context gets `noContext` and touches nothing; nothing escapes as an exception.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "card/xarndll.h"
#include "xarndll/sim/functions.h"
#include "xarndll/sim/registry.h"
#include "xarndll/sim/sim_card.h"
#include "xarndll/status.h"

namespace xarnsim {

// One argument as the trace shows it: a number in decimal, or a pointer as "&" (null as "null").
struct TraceArg {
  enum class Kind : uint8_t { Unsigned, Signed, Pointer };
  Kind kind;
  int64_t value;
};
inline TraceArg arg(uint32_t v) { return {TraceArg::Kind::Unsigned, v}; }
inline TraceArg signedArg(int32_t v) { return {TraceArg::Kind::Signed, v}; }
inline TraceArg arg(const void* p) { return {TraceArg::Kind::Pointer, p != nullptr}; }

// "NAME(card, ARG, ...) = RESULT"
std::string formatCall(Fn fn, std::initializer_list<TraceArg> args, uint16_t result);

template <class Body>
uint16_t gate(Fn fn, CardContext* context, std::initializer_list<TraceArg> args, Body&& body,
              uint16_t noContext = kStatusBadArgument) noexcept {
  if (!context) return noContext;
  try {
    SimCard& card = cardFor(*context);
    CallHooks& hooks = card.hooks();
    ++hooks.counts[static_cast<std::size_t>(fn)];
    uint16_t result;
    if (auto failure = hooks.takeFailure(fn)) {
      result = *failure;
    } else {
      SimCard::Hold hold = card.enter();
      result = body(card);
    }
    if (hooks.trace) {
      auto sink = hooks.trace;  // the sink may release the card
      sink(formatCall(fn, args, result));
    }
    return result;
  } catch (...) {
    return kStatusCardFault;
  }
}

}  // namespace xarnsim
