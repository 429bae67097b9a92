#include "xarndll/sim/ldb/ldb_terminals.h"

#include <algorithm>

#include "xarndll/sim/ldb/ldb_layout.h"
#include "xarndll/status.h"

namespace xarnsim::ldb {
namespace {

constexpr uint16_t kModeOn = 0x8000;
constexpr uint16_t kSelectSecondary = 1;
constexpr uint16_t kSelectPrimary = 2;
constexpr uint16_t kBufferUsed = 0x8000;
constexpr uint16_t kDttMask = 0x3FF;

constexpr std::array<uint16_t, 7> kStates = {kStateWfi,  kStateWfgah, kStateWfhcd, kStateWfs,
                                             kStateWfsr, kStateWfsre, kStateForced};

// A state word that names no single state is taken as WFI, as the page shows it.
uint16_t knownState(uint16_t word) {
  return std::find(kStates.begin(), kStates.end(), word) != kStates.end() ? word : kStateWfi;
}

bool listens(uint16_t select, bool secondary) {
  if (select == kSelectSecondary) return secondary;
  if (select == kSelectPrimary) return !secondary;
  return true;
}

// The error category that shapes a terminal's answer to `code`: FRC in the forced state, else
// the command's own; -1 for commands without one.
int category(uint16_t code, uint16_t state) {
  if (state == kStateForced) return 4;
  switch (code) {
    case kCodeGah:
      return 0;
    case kCodeInd:
      return 1;
    case kCodeIwd:
      return 2;
    case kCodeSrq:
      return 3;
    default:
      return -1;
  }
}

// The command the partner sends a terminal in each state.
uint16_t partnerCommand(uint16_t state, bool deliver) {
  switch (state) {
    case kStateWfgah:
      return kCodeGah;
    case kStateWfhcd:
    case kStateWfsre:
      return kCodeHcd;
    case kStateWfs:
    case kStateForced:
      return kCodeSta;
    case kStateWfsr:
      return kCodeIwd;
    default:
      return deliver ? kCodeSrq : kCodeInd;
  }
}

struct Step {
  uint16_t state;
  uint16_t errors = 0;
  bool handshakeDone = false;
};

// The terminal's protocol: two handshakes, collect (IND, GAH, HCD) and deliver (SRQ, STA, IWD,
// HCD). A command that does not fit the state is answered but changes nothing.
Step transition(uint16_t state, uint16_t code, uint16_t action) {
  if (state == kStateForced) return {state};
  switch (code) {
    case kCodeInd:
      if (state == kStateWfi) return {action & kActionHasData ? kStateWfgah : kStateWfi};
      break;
    case kCodeSrq:
      if (state == kStateWfi)
        return action & kActionNotReady ? Step{kStateWfi, kErrBh} : Step{kStateWfs};
      break;
    case kCodeGah:
      if (state == kStateWfgah) return {kStateWfhcd};
      break;
    case kCodeSta:
      if (state == kStateWfs) return {kStateWfsr};
      break;
    case kCodeIwd:
      if (state == kStateWfsr) return {kStateWfsre};
      break;
    case kCodeHcd:
      if (state == kStateWfhcd || state == kStateWfsre) return {kStateWfi, 0, true};
      break;
    default:
      break;
  }
  return {state, kErrIs};
}

}  // namespace

// ---- Records

uint16_t Terminals::read(LdbRtRecord& r) const {
  if (r.rtNumber >= kTerminals) return kStatusBadArgument;
  uint32_t base = terminalBase(r.rtNumber);
  bool known = memory_.read(base + rt::kDefined) != 0;
  r.busSelect = memory_.read(base + rt::kBusSelect);
  r.mode = memory_.read(base + rt::kMode);
  r.action = memory_.read(base + rt::kAction);
  r.dttCount = memory_.read(base + rt::kDtt);
  r.rtState = memory_.read(base + rt::kState);
  r.stateUpdate = memory_.read(base + rt::kStateUpdate);
  r.reserved1 = memory_.read32(base + rt::kReserved);
  r.lastTimeTag = readTimeTag(memory_, base + rt::kLastTime);
  r.lastCommand = memory_.read32(base + rt::kLastCommand);
  r.lastResponse = memory_.read32(base + rt::kLastResponse);
  for (int c = 0; c < kRtErrorCategories; ++c) {
    ErrorInjectionRecord* e = r.errorInjection[c];
    if (!e) continue;
    Injection in = readInjection(memory_, base + rt::kErrors + 6 * static_cast<uint32_t>(c));
    *e = ErrorInjectionRecord{in.wordNumber, known ? in.type : kErrorNone, in.size};
  }
  auto buffer = [&](MessageBufferRecord* b, uint32_t time, uint32_t status, uint32_t data) {
    if (!b) return;
    b->timeTag = readTimeTag(memory_, base + time);
    b->status = memory_.read(base + status);
    uint32_t n = std::min<uint32_t>(b->wordLimit, kDataWords);
    if (b->data) {
      for (uint32_t i = 0; i < n; ++i) b->data[i] = memory_.read32(base + data + 4 * i);
    }
  };
  buffer(r.txBuffer, rt::kTxTime, rt::kTxStatus, rt::kTxData);
  buffer(r.rxBuffer, rt::kRxTime, rt::kRxStatus, rt::kRxData);
  return kStatusOk;
}

uint16_t Terminals::write(const LdbRtRecord& r) {
  if (r.rtNumber >= kTerminals) return kStatusBadArgument;
  uint32_t base = terminalBase(r.rtNumber);
  memory_.write(base + rt::kBusSelect, r.busSelect);
  memory_.write(base + rt::kMode, r.mode);
  memory_.write(base + rt::kAction, r.action);
  memory_.write(base + rt::kDtt, r.dttCount & kDttMask);
  if (r.stateUpdate == 1) memory_.write(base + rt::kState, r.rtState);
  memory_.write(base + rt::kStateUpdate, r.stateUpdate);
  memory_.write32(base + rt::kReserved, r.reserved1);
  memory_.write(base + rt::kResetRequest, r.cleared);
  if (r.cleared) {
    // A reset request forgets the last message and the buffers' history.
    memory_.fill(base + rt::kLastTime, 10, 0);
    memory_.fill(base + rt::kTxTime, 14, 0);
  }
  for (int c = 0; c < kRtErrorCategories; ++c) {
    ErrorInjectionRecord none{0, kErrorNone, 0};
    const ErrorInjectionRecord* e = r.errorInjection[c];
    writeInjection(memory_, base + rt::kErrors + 6 * static_cast<uint32_t>(c), e ? *e : none);
  }
  auto buffer = [&](const MessageBufferRecord* b, uint32_t data) {
    if (!b || !b->data) return;
    uint32_t n = std::min<uint32_t>(b->wordLimit, kDataWords);
    for (uint32_t i = 0; i < n; ++i) memory_.write32(base + data + 4 * i, b->data[i] & 0xFFFFFF);
  };
  buffer(r.txBuffer, rt::kTxData);
  buffer(r.rxBuffer, rt::kRxData);
  memory_.write(base + rt::kDefined, 1);
  return kStatusOk;
}

// ---- The partner bus controller

void Terminals::start(Tick now) {
  running_ = true;
  cursor_ = now;
  nextRt_ = 0;
  secondaryPass_ = false;
  sequence_ = 0;
  deliverNext_.fill(false);
}

// The partner polls the terminals that are on in address order, one message each, and changes
// bus (primary, then secondary) on every pass.
Terminals::Next Terminals::findNext() const {
  for (int i = 0; i < kTerminals; ++i) {
    int rt = (nextRt_ + i) % kTerminals;
    if (memory_.read(terminalBase(rt) + rt::kMode) == kModeOn)
      return Next{rt, nextRt_ + i >= kTerminals};
  }
  return Next{};
}

void Terminals::build(int n, bool secondary, Exchange& ex) const {
  uint32_t base = terminalBase(n);
  auto rtAddress = static_cast<uint32_t>(n);
  uint16_t state = knownState(memory_.read(base + rt::kState));
  uint16_t action = memory_.read(base + rt::kAction) & kActionMask;
  bool known = memory_.read(base + rt::kDefined) != 0;
  ex.words.clear();
  ex.code = partnerCommand(state, deliverNext_[static_cast<std::size_t>(n)]);
  uint32_t count = ex.code == kCodeGah || ex.code == kCodeIwd ? kPartnerWords : 0;
  ex.command = commandWord(rtAddress, ex.code, count);
  ex.heard = listens(memory_.read(base + rt::kBusSelect), secondary);
  ex.errors = ex.alternate = 0;
  ex.response = 0;
  ex.newState = state;
  ex.handshakeDone = false;
  const Tick step = timing_.word + timing_.gap;

  // The partner's command, and for IWD its data words.
  ex.words.push_back(BusWord{0, ex.command, true, true, secondary, {}});
  Tick end = timing_.word;
  for (uint32_t i = 1; ex.code == kCodeIwd && i <= count; ++i) {
    uint32_t value = dataWord(rtAddress, sequence_ * kPartnerWords + i - 1);
    ex.words.push_back(BusWord{i * step, value, false, true, secondary, {}});
    end = i * step + timing_.word;
  }
  if (!ex.heard) {
    ex.errors = kErrIg | kErrNr;
    ex.busEnd = end + timing_.timeout;
    return;
  }
  Step s = transition(state, ex.code, action);
  ex.newState = s.state;
  ex.errors = s.errors;
  ex.handshakeDone = s.handshakeDone;
  if (timing_.response > timing_.timeout) ex.errors |= kErrNr;

  // The terminal's answer: its status word, and for GAH its TX data words.
  int c = category(ex.code, state);
  Injection injection;
  if (known && c >= 0)
    injection = readInjection(memory_, base + rt::kErrors + 6 * static_cast<uint32_t>(c));
  auto answer = [&](uint32_t index, uint32_t value, bool command, Tick at) {
    BusWord w{at, value, command, false, secondary, {}};
    if (injection.type != kErrorNone && injection.wordNumber == index)
      w.fault = applyInjection(injection, command);
    ex.alternate |= w.fault.alternate;
    if (w.fault.any()) ex.errors |= kErrRc;
    ex.words.push_back(w);
  };
  Tick at = end + timing_.response;
  ex.response = commandWord(rtAddress, ex.code, action | s.state);
  answer(0, ex.response, true, at);
  ex.busEnd = at + timing_.word;
  bool sendsData = ex.code == kCodeGah && s.errors == 0 && state != kStateForced;
  for (uint32_t i = 1; sendsData && i <= count; ++i) {
    uint32_t value = memory_.read32(base + rt::kTxData + 4 * (i - 1)) & 0xFFFFFF;
    answer(i, value, false, at + i * step);
    ex.busEnd = at + i * step + timing_.word;
  }
}

void Terminals::commit(int n, Tick start, const Exchange& ex) {
  uint32_t base = terminalBase(n);
  for (BusWord w : ex.words) {
    w.start += start;
    queues_.pushRaw(w);
  }
  queues_.pushCommand(start, ex.command, ex.errors, ex.alternate, ex.response);
  if (!ex.heard) return;
  queues_.stamp(base + rt::kLastTime, start);
  memory_.write32(base + rt::kLastCommand, ex.command);
  memory_.write32(base + rt::kLastResponse, ex.response);
  uint16_t before = knownState(memory_.read(base + rt::kState));
  memory_.write(base + rt::kState, ex.newState);
  if (ex.handshakeDone) {
    uint16_t dtt = memory_.read(base + rt::kDtt);
    memory_.write(base + rt::kDtt, static_cast<uint16_t>((dtt + 1) & kDttMask));
  }
  if (before == kStateWfi && (ex.code == kCodeInd || ex.code == kCodeSrq))
    deliverNext_[static_cast<std::size_t>(n)] = ex.code == kCodeInd;
  if (ex.code == kCodeGah && ex.words.size() > 2) {
    queues_.stamp(base + rt::kTxTime, start);
    memory_.write(base + rt::kTxStatus, static_cast<uint16_t>(kBufferUsed | kPartnerWords));
  }
  if (ex.code == kCodeIwd && ex.newState == kStateWfsre) {
    uint32_t i = 0;
    for (const BusWord& w : ex.words) {
      if (w.received && !w.command) memory_.write32(base + rt::kRxData + 4 * i++, w.value);
    }
    queues_.stamp(base + rt::kRxTime, start);
    memory_.write(base + rt::kRxStatus, static_cast<uint16_t>(kBufferUsed | i));
  }
}

bool Terminals::advance(Tick until) {
  if (!running_) return false;
  timing_ = readTiming(memory_);
  while (true) {
    Next next = findNext();
    if (next.rt < 0) {
      cursor_ = std::max(cursor_, until);  // nobody to talk to: the bus stays quiet
      return true;
    }
    build(next.rt, secondaryPass_ != next.wrapped, scratch_);
    if (cursor_ + scratch_.busEnd > until) return true;
    commit(next.rt, cursor_, scratch_);
    cursor_ += scratch_.busEnd + kPartnerGap;
    if (next.wrapped) secondaryPass_ = !secondaryPass_;
    nextRt_ = next.rt + 1;
    if (scratch_.code == kCodeIwd) ++sequence_;
  }
}

}  // namespace xarnsim::ldb
