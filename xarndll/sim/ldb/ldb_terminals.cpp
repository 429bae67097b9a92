#include "xarndll/sim/ldb/ldb_terminals.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "xarndll/sim/ldb/ldb_layout.h"
#include "xarndll/sim/wire_tap.h"
#include "xarndll/status.h"

namespace xarnsim::ldb {
namespace {

constexpr uint16_t kModeOn = 0x8000;
constexpr uint16_t kSelectSecondary = 1;
constexpr uint16_t kSelectPrimary = 2;
constexpr uint16_t kBufferUsed = 0x8000;
constexpr uint16_t kDttMask = 0x3FF;
// A terminal comes back to where it started after 1, 2, 4, 5 or 7 commands (forced; not ready;
// not ready with data; ready; ready with data), twice that when it listens to one bus only, so
// the partner's cycle is at most lcm(1, 2, 4, 5, 7, 8, 10, 14) = 280 passes long.
constexpr std::size_t kMostMarks = 1024;

uint64_t ceilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

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
// HCD). A command that does not fit the state is answered but changes nothing. Inlined: every
// exchange of the partner goes through it, and a call returns the step through the stack.
[[gnu::always_inline]] inline Step transition(uint16_t state, uint16_t code, uint16_t action) {
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
  invalidate();
  return kStatusOk;
}

// ---- A controller on the shared bus

bool Terminals::answer(CardMemory& memory, uint64_t epochMicros, const Command& c, bool commit,
                       Reply& reply) {
  const int n = static_cast<int>(c.command >> 19 & 31);
  const uint32_t base = terminalBase(n);
  if (memory.read(base + rt::kMode) != kModeOn) return false;
  reply = Reply{};
  if (!listens(memory.read(base + rt::kBusSelect), c.secondary)) return true;  // deaf to it
  const auto code = static_cast<uint16_t>(c.command >> 15 & 15);
  const uint16_t state = knownState(memory.read(base + rt::kState));
  const uint16_t action = memory.read(base + rt::kAction) & kActionMask;
  const Step s = transition(state, code, action);
  const bool forced = state == kStateForced;
  const Timing timing = readTiming(memory);
  reply.answered = true;
  reply.response = timing.response;
  reply.status = commandWord(static_cast<uint32_t>(n), code, action | s.state);
  reply.words = forced ? 0 : std::min<uint32_t>(c.wanted, kDataWords);
  for (uint32_t i = 0; i < reply.words; ++i)
    reply.data[i] = memory.read32(base + rt::kTxData + 4 * i) & 0xFFFFFF;
  const int kind = category(code, state);
  if (memory.read(base + rt::kDefined) != 0 && kind >= 0)
    reply.injection = readInjection(memory, base + rt::kErrors + 6 * static_cast<uint32_t>(kind));
  if (!commit) return true;

  uint64_t epoch = epochMicros;
  Queues queues(memory, epoch);
  const Tick step = timing.word + timing.gap;
  queues.pushRaw(BusWord{c.start, c.command, true, true, c.secondary, {}});
  for (uint32_t i = 0; i < c.sent; ++i)
    queues.pushRaw(BusWord{c.start + (i + 1) * step, c.data[i], false, true, c.secondary, {}});
  uint16_t errors = s.errors | (c.clash ? kErrMn : 0);
  uint16_t alternate = 0;
  const Tick at = c.end + reply.response;
  for (uint32_t i = 0; i <= reply.words; ++i) {
    bool status = i == 0;
    BusWord w{
        at + i * step, status ? reply.status : reply.data[i - 1], status, false, c.secondary, {}};
    if (reply.injection.type != kErrorNone && reply.injection.wordNumber == i) {
      w.fault = applyInjection(reply.injection, status);
      alternate = w.fault.alternate;
      if (w.fault.any()) errors |= kErrRc;
    }
    queues.pushRaw(w);
  }
  queues.pushCommand(c.start, c.command, errors, alternate, reply.status);
  queues.stamp(base + rt::kLastTime, c.start);
  memory.write32(base + rt::kLastCommand, c.command);
  memory.write32(base + rt::kLastResponse, reply.status);
  memory.write(base + rt::kState, s.state);
  if (s.handshakeDone) {
    uint16_t dtt = memory.read(base + rt::kDtt);
    memory.write(base + rt::kDtt, static_cast<uint16_t>((dtt + 1) & kDttMask));
  }
  if (reply.words > 0) {
    queues.stamp(base + rt::kTxTime, c.start);
    memory.write(base + rt::kTxStatus, static_cast<uint16_t>(kBufferUsed | reply.words));
  }
  const uint32_t sent = forced ? 0 : std::min<uint32_t>(c.sent, kDataWords);
  if (sent > 0) {
    for (uint32_t i = 0; i < sent; ++i)
      memory.write32(base + rt::kRxData + 4 * i, c.data[i] & 0xFFFFFF);
    queues.stamp(base + rt::kRxTime, c.start);
    memory.write(base + rt::kRxStatus, static_cast<uint16_t>(kBufferUsed | sent));
  }
  return true;
}

// ---- The partner bus controller

void Terminals::start(Tick now) {
  running_ = true;
  cursor_ = now;
  nextRt_ = 0;
  secondaryPass_ = false;
  sequence_ = 0;
  deliverNext_.fill(false);
  invalidate();
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

void Terminals::load(int n) {
  Terminal& t = terminals_[static_cast<std::size_t>(n)];
  loaded_ |= 1u << n;
  const uint32_t base = terminalBase(n);
  t.select = memory_.read(base + rt::kBusSelect);
  t.action = memory_.read(base + rt::kAction);
  t.state = memory_.read(base + rt::kState);
  t.dtt = memory_.read(base + rt::kDtt);
  t.defined = memory_.read(base + rt::kDefined) != 0;
  t.heard = false;
  t.txWords = t.rxWords = 0;
}

// The terminals' words as the last exchanges of the catch-up left them.
void Terminals::writeBack() {
  for (uint32_t left = loaded_; left != 0; left &= left - 1) {
    const int n = std::countr_zero(left);
    const Terminal& t = terminals_[static_cast<std::size_t>(n)];
    const uint32_t base = terminalBase(n);
    memory_.write(base + rt::kDtt, t.dtt);
    if (!t.heard) continue;
    queues_.stamp(base + rt::kLastTime, t.lastStart);
    memory_.write32(base + rt::kLastCommand, t.lastCommand);
    memory_.write32(base + rt::kLastResponse, t.lastResponse);
    memory_.write(base + rt::kState, t.state);
    if (t.txWords > 0) {
      queues_.stamp(base + rt::kTxTime, t.txStart);
      memory_.write(base + rt::kTxStatus, static_cast<uint16_t>(kBufferUsed | t.txWords));
    }
    if (t.rxWords > 0) {
      for (uint32_t i = 0; i < t.rxWords; ++i)
        memory_.write32(base + rt::kRxData + 4 * i, partnerData(n, t.rxSequence, i));
      queues_.stamp(base + rt::kRxTime, t.rxStart);
      memory_.write(base + rt::kRxStatus, static_cast<uint16_t>(kBufferUsed | t.rxWords));
    }
  }
  loaded_ = 0;
}

void Terminals::build(int n, bool secondary, Exchange& ex) {
  const Terminal& t = terminal(n);
  auto rtAddress = static_cast<uint32_t>(n);
  uint16_t state = knownState(t.state);
  uint16_t action = t.action & kActionMask;
  ex.rt = n;
  ex.secondary = secondary;
  ex.start = cursor_;
  ex.sequence = sequence_;
  ex.code = partnerCommand(state, deliverNext_[static_cast<std::size_t>(n)]);
  uint32_t count = ex.code == kCodeGah || ex.code == kCodeIwd ? kPartnerWords : 0;
  ex.command = commandWord(rtAddress, ex.code, count);
  ex.heard = listens(t.select, secondary);
  ex.errors = ex.alternate = 0;
  ex.response = 0;
  ex.newState = state;
  ex.handshakeDone = false;
  ex.injection = Injection{};
  ex.answerWords = 0;
  const Tick step = timing_.word + timing_.gap;

  // The partner's command, and for IWD its data words.
  ex.partnerWords = ex.code == kCodeIwd ? count : 0;
  Tick end = ex.partnerWords * step + timing_.word;
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

  // The terminal's answer: its status word (word 0), and for GAH its TX data words.
  bool sendsData = ex.code == kCodeGah && s.errors == 0 && state != kStateForced;
  ex.answerWords = sendsData ? count : 0;
  ex.answerAt = end + timing_.response;
  ex.response = commandWord(rtAddress, ex.code, action | s.state);
  ex.busEnd = ex.answerAt + ex.answerWords * step + timing_.word;
  int c = category(ex.code, state);
  if (t.defined && c >= 0)
    ex.injection =
        readInjection(memory_, terminalBase(n) + rt::kErrors + 6 * static_cast<uint32_t>(c));
  const Injection& in = ex.injection;
  if (in.type != kErrorNone && in.wordNumber <= ex.answerWords) {
    WordFault fault = applyInjection(in, in.wordNumber == 0);
    ex.alternate = fault.alternate;
    if (fault.any()) ex.errors |= kErrRc;
  }
}

// The partner's IWD data words count up from pass to pass.
uint32_t Terminals::partnerData(int n, uint32_t sequence, uint32_t index) {
  return dataWord(static_cast<uint32_t>(n), sequence * kPartnerWords + index);
}

// The exchange's words, in time order, for the raw queue.
void Terminals::pushWords(const Exchange& ex) {
  const Tick step = timing_.word + timing_.gap;
  auto push = [this](const BusWord& w) {
    queues_.pushRaw(w);
    if (wire_) wire_->carry(w, !w.received);
  };
  const Tick start = ex.start;
  push(BusWord{start, ex.command, true, true, ex.secondary, {}});
  for (uint32_t i = 0; i < ex.partnerWords; ++i) {
    push(BusWord{
        start + (i + 1) * step, partnerData(ex.rt, ex.sequence, i), false, true, ex.secondary, {}});
  }
  if (!ex.heard) return;
  const uint32_t base = terminalBase(ex.rt);
  for (uint32_t i = 0; i <= ex.answerWords; ++i) {
    bool status = i == 0;
    uint32_t value =
        status ? ex.response : memory_.read32(base + rt::kTxData + 4 * (i - 1)) & 0xFFFFFF;
    BusWord w{start + ex.answerAt + i * step, value, status, false, ex.secondary, {}};
    if (ex.injection.type != kErrorNone && ex.injection.wordNumber == i)
      w.fault = applyInjection(ex.injection, status);
    push(w);
  }
}

void Terminals::Unseen::flushWords(Queues& queues) {
  queues.skipRaw(words);
  words = 0;
}

void Terminals::Unseen::flushCommands(Queues& queues) {
  queues.skipCommands(commands);
  commands = 0;
}

// What the exchange does to the partner and to its terminal.
void Terminals::take(const Exchange& ex) {
  wordsSent_ += ex.wordCount();
  ++commandsSent_;
  if (!ex.heard) return;
  Terminal& t = terminal(ex.rt);
  uint16_t before = knownState(t.state);
  t.heard = true;
  t.lastStart = ex.start;
  t.lastCommand = ex.command;
  t.lastResponse = ex.response;
  t.state = ex.newState;
  if (ex.handshakeDone) t.dtt = static_cast<uint16_t>((t.dtt + 1) & kDttMask);
  if (before == kStateWfi && (ex.code == kCodeInd || ex.code == kCodeSrq))
    deliverNext_[static_cast<std::size_t>(ex.rt)] = ex.code == kCodeInd;
  if (ex.answerWords > 0) {
    t.txWords = ex.answerWords;
    t.txStart = ex.start;
  }
  if (ex.code == kCodeIwd && ex.newState == kStateWfsre) {
    t.rxWords = ex.partnerWords;
    t.rxStart = ex.start;
    t.rxSequence = ex.sequence;
  }
}

Terminals::Exchange& Terminals::nextPending() {
  if (pending_.empty())
    pending_.resize(std::max(queues_.rawCapacity(), queues_.commandCapacity()) + std::size_t{1});
  std::size_t at = pendingFirst_ + pendingCount_;
  return pending_[at < pending_.size() ? at : at - pending_.size()];
}

// The next exchange waits for the end of the catch-up with the others; once the ring is full,
// the oldest one can no longer show in any queue and only counts.
void Terminals::keepNext() {
  if (++pendingCount_ < pending_.size()) return;
  const Exchange& oldest = pending_[pendingFirst_];
  unseen_.words += oldest.wordCount();
  ++unseen_.commands;
  if (++pendingFirst_ == pending_.size()) pendingFirst_ = 0;
  --pendingCount_;
}

const Terminals::Exchange& Terminals::pending(std::size_t index) const {
  std::size_t at = pendingFirst_ + index;
  return pending_[at < pending_.size() ? at : at - pending_.size()];
}

// The waiting exchanges reach the queues that can still show them once the catch-up is over
// (the newest raw queue's capacity of words, the newest command queue's capacity of commands);
// the queues only count the others, in order, before anything later is pushed.
void Terminals::writePending() {
  const std::size_t count = pendingCount_;
  const std::size_t commandsFrom =
      count > queues_.commandCapacity() ? count - queues_.commandCapacity() : 0;
  std::size_t wordsFrom = count;
  for (uint64_t words = 0; wordsFrom > 0 && words < queues_.rawCapacity();)
    words += pending(--wordsFrom).wordCount();
  for (std::size_t i = 0; i < count; ++i) {
    const Exchange& ex = pending(i);
    if (i >= wordsFrom) {
      unseen_.flushWords(queues_);
      pushWords(ex);
    } else {
      unseen_.words += ex.wordCount();
    }
    if (i >= commandsFrom) {
      unseen_.flushCommands(queues_);
      queues_.pushCommand(ex.start, ex.command, ex.errors, ex.alternate, ex.response);
    } else {
      ++unseen_.commands;
    }
  }
  unseen_.flushWords(queues_);
  unseen_.flushCommands(queues_);
  pendingFirst_ = pendingCount_ = 0;
}

// ---- The partner's cycle

// (The DTT counts and the partner's data pattern only count up; they do not steer anything.)
Terminals::Signature Terminals::signature() {
  Signature s{};
  s[0] = secondaryPass_ ? 1 : 0;
  for (int n = 0; n < kTerminals; ++n) {
    const Terminal& t = terminal(n);
    uint16_t* at = &s[1 + 5 * static_cast<std::size_t>(n)];
    at[0] = memory_.read(terminalBase(n) + rt::kMode);
    at[1] = t.select;
    at[2] = t.action;
    at[3] = t.state;
    at[4] = deliverNext_[static_cast<std::size_t>(n)] ? 1 : 0;
  }
  return s;
}

// At the start of each pass over the terminals. Once the partner is back where an earlier pass
// started, the passes between repeat for as long as nobody writes to the card: the whole
// repetitions that end before what the queues can still hold are counted, not sent.
void Terminals::passStarts(Tick until) {
  Signature now = signature();
  uint64_t key = 14695981039346656037ull;  // FNV-1a, a 64-bit block at a time
  for (std::size_t i = 0; i < now.size(); i += 4) {
    uint64_t block = 0;
    std::memcpy(&block, &now[i], sizeof block);
    key = (key ^ block) * 1099511628211ull;
  }
  auto seen = markOf_.find(key);
  if (!wire_ && seen != markOf_.end() && marks_[seen->second].signature == now) {
    const Mark& then = marks_[seen->second];
    if (then.cursor < cursor_) skipPeriods(then, until);
    if (!marks_.empty()) return;  // this pass is marked already
  }
  if (marks_.size() >= kMostMarks) invalidate();
  Mark mark{now, cursor_, wordsSent_, commandsSent_, sequence_, {}};
  for (int n = 0; n < kTerminals; ++n) mark.dtt[static_cast<std::size_t>(n)] = terminal(n).dtt;
  markOf_[key] = marks_.size();
  marks_.push_back(mark);
}

void Terminals::skipPeriods(const Mark& then, Tick until) {
  const Tick period = cursor_ - then.cursor;
  const uint64_t words = wordsSent_ - then.words;
  const uint64_t commands = commandsSent_ - then.commands;
  if (until <= cursor_ || commands == 0 || showAll_) return;
  // The last periods are sent word by word: enough of them to fill both queues, and one more.
  uint64_t keep = std::max(ceilDiv(queues_.rawCapacity(), std::max<uint64_t>(words, 1)),
                           ceilDiv(queues_.commandCapacity(), commands)) +
                  1;
  uint64_t whole = (until - cursor_) / period;
  if (whole <= keep) return;
  const uint64_t skipped = whole - keep;
  const uint32_t sequenceStep = sequence_ - then.sequence;
  for (int n = 0; n < kTerminals; ++n) {
    Terminal& t = terminal(n);
    uint64_t step = (t.dtt - then.dtt[static_cast<std::size_t>(n)]) & kDttMask;
    t.dtt = static_cast<uint16_t>((t.dtt + (skipped & kDttMask) * step) & kDttMask);
  }
  // What waits to be written is older than a queue's worth of what follows: it only counts.
  for (std::size_t i = 0; i < pendingCount_; ++i) unseen_.words += pending(i).wordCount();
  unseen_.commands += pendingCount_;
  pendingFirst_ = pendingCount_ = 0;
  sequence_ += static_cast<uint32_t>(skipped * sequenceStep);
  cursor_ += skipped * period;
  unseen_.words += skipped * words;
  unseen_.commands += skipped * commands;
  wordsSent_ += skipped * words;
  commandsSent_ += skipped * commands;
  invalidate();
}

bool Terminals::advance(Tick until) {
  if (!running_) return false;
  if (wire_ && (wire_->controllerElsewhere() || !wire_->partners())) {
    cursor_ = std::max(cursor_, until);  // the bus's own controller does the talking
    return true;
  }
  timing_ = readTiming(memory_);
  // On a shared bus every word goes on the wire, and a recording takes every word: each
  // exchange is written as it is sent, and nothing is skipped.
  showAll_ = wire_ || tapped(memory_);
  while (true) {
    Next next = findNext();
    if (next.rt < 0) {
      cursor_ = std::max(cursor_, until);  // nobody to talk to: the bus stays quiet
      break;
    }
    if (next.wrapped) passStarts(until);
    Exchange& ex = nextPending();
    build(next.rt, secondaryPass_ != next.wrapped, ex);
    if (cursor_ + ex.busEnd > until) break;
    take(ex);
    cursor_ += ex.busEnd + kPartnerGap;
    if (next.wrapped) secondaryPass_ = !secondaryPass_;
    nextRt_ = next.rt + 1;
    if (ex.code == kCodeIwd) ++sequence_;
    keepNext();
    if (showAll_) writePending();
  }
  writePending();
  writeBack();
  return true;
}

}  // namespace xarnsim::ldb
