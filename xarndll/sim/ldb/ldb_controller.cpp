#include "xarndll/sim/ldb/ldb_controller.h"

#include <algorithm>
#include <array>

#include "xarndll/sim/ldb/ldb_layout.h"
#include "xarndll/sim/wire_tap.h"
#include "xarndll/status.h"

namespace xarnsim::ldb {
namespace {

constexpr uint16_t kBusPrimary = 0x8000;
constexpr uint16_t kBusSecondary = 0x4000;
constexpr uint16_t kDirectionTx = 1;
constexpr uint16_t kStatusSent = 0x8000;
constexpr Tick kShortestFrame = 2;  // one microsecond, so an empty frame still takes time

bool validMessage(int number) { return number >= 1 && number <= kMessages; }

bool defined(const CardMemory& m, int number) {
  return validMessage(number) && m.read(messageBase(number) + msg::kDefined) != 0;
}

uint64_t ceilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

}  // namespace

// ---- Records

uint16_t Controller::readMessage(BcMessageRecord& r) const {
  if (!validMessage(r.messageNumber)) return kStatusBadArgument;
  uint32_t base = messageBase(r.messageNumber);
  bool known = defined(memory_, r.messageNumber);
  r.direction = memory_.read(base + msg::kDirection);
  r.wordCount = memory_.read(base + msg::kWordCount);
  r.sev = memory_.read(base + msg::kSev);
  r.bus = known ? memory_.read(base + msg::kBus) : kBusPrimary;
  r.commandWord = memory_.read32(base + msg::kCommand);
  r.gapTime = memory_.read32(base + msg::kGapTime);
  r.reserved = memory_.read32(base + msg::kResponse);
  if (ErrorInjectionRecord* e = r.errorInjection) {
    Injection in = readInjection(memory_, base + msg::kErrorWord);
    *e = ErrorInjectionRecord{in.wordNumber, known ? in.type : kErrorNone, in.size};
  }
  if (MessageBufferRecord* b = r.buffer) {
    b->timeTag = readTimeTag(memory_, base + msg::kTimeTag);
    b->status = memory_.read(base + msg::kStatus);
    b->suppliedWords = memory_.read(base + msg::kSupplied);
    uint32_t n = std::min<uint32_t>(b->wordLimit, kDataWords);
    if (b->data) {
      for (uint32_t i = 0; i < n; ++i) b->data[i] = memory_.read32(base + msg::kData + 4 * i);
    }
  }
  return kStatusOk;
}

uint16_t Controller::writeMessage(const BcMessageRecord& r) {
  if (!validMessage(r.messageNumber)) return kStatusBadArgument;
  uint32_t base = messageBase(r.messageNumber);
  memory_.write(base + msg::kDirection, r.direction);
  memory_.write(base + msg::kWordCount, r.wordCount);
  memory_.write(base + msg::kSev, r.sev);
  memory_.write(base + msg::kBus, r.bus);
  memory_.write32(base + msg::kCommand, r.commandWord & 0xFFFFFF);
  memory_.write32(base + msg::kGapTime, r.gapTime);
  ErrorInjectionRecord none{0, kErrorNone, 0};
  writeInjection(memory_, base + msg::kErrorWord, r.errorInjection ? *r.errorInjection : none);
  if (const MessageBufferRecord* b = r.buffer) {
    memory_.write(base + msg::kSupplied, b->suppliedWords);
    uint32_t n = std::min<uint32_t>(b->wordLimit, kDataWords);
    if (b->data) {
      for (uint32_t i = 0; i < n; ++i)
        memory_.write32(base + msg::kData + 4 * i, b->data[i] & 0xFFFFFF);
    }
  }
  memory_.write(base + msg::kDefined, 1);
  invalidate();
  return kStatusOk;
}

uint16_t Controller::readFrame(FrameRecord& r) const {
  uint32_t base = map::kLdbFrame.base;
  r.duration = memory_.read32(base + frame::kDuration);
  r.reserved = memory_.read(base + frame::kReserved);
  r.messageCount = std::min<uint16_t>(memory_.read(base + frame::kCount), frame::kListEntries);
  if (r.messageList) {
    for (uint32_t i = 0; i < frame::kListEntries; ++i)
      r.messageList[i] = memory_.read(base + frame::kList + 2 * i);
  }
  return kStatusOk;
}

uint16_t Controller::writeFrame(const FrameRecord& r) {
  if (r.messageCount > frame::kMaxMessages) return kStatusBadArgument;
  if (r.messageCount > 0 && !r.messageList) return kStatusBadArgument;
  uint32_t base = map::kLdbFrame.base;
  memory_.write32(base + frame::kDuration, r.duration);
  memory_.write(base + frame::kReserved, r.reserved);
  memory_.write(base + frame::kCount, r.messageCount);
  for (uint32_t i = 0; i < frame::kListEntries; ++i) {
    uint16_t number = i < r.messageCount ? r.messageList[i] : 0;
    memory_.write(base + frame::kList + 2 * i, number);
  }
  invalidate();
  return kStatusOk;
}

// ---- The engine

void Controller::start(Tick now, uint16_t frames) {
  running_ = true;
  busFree_ = now;
  framesWanted_ = frames;
  framesDone_ = 0;
  frameStart_ = now;
  next_ = 0;
  slots_.clear();
  planned_ = false;
  stale_ = true;
}

// A message's words as they go on the bus, from the start of its command word. The controller
// sends the command (and for TX the data words); an undamaged command reaches the terminal,
// which answers after the response time with its status word (and for RX its data words). A
// damaged word makes the terminal discard the message: the controller waits the response
// timeout and reports "no response".
void Controller::describe(uint16_t message, Transfer& out, const Live* live) const {
  out.words.clear();
  out.errors = 0;
  out.busEnd = out.length = 0;
  out.command = out.response = 0;
  if (!defined(memory_, message)) {
    out.errors = kErrId;
    return;
  }
  uint32_t base = messageBase(message);
  uint16_t count = memory_.read(base + msg::kWordCount);
  uint32_t n = std::min<uint32_t>(count, kDataWords);
  if (count > kDataWords) out.errors |= kErrWc;
  bool tx = memory_.read(base + msg::kDirection) == kDirectionTx;
  bool sevOn = memory_.read(base + msg::kSev) == 0;
  bool secondary = memory_.read(base + msg::kBus) == kBusSecondary;
  out.command = memory_.read32(base + msg::kCommand) & 0xFFFFFF;
  uint32_t rt = out.command >> 19 & 31;
  uint32_t code = out.command >> 15 & 15;
  Injection injection = readInjection(memory_, base + msg::kErrorWord);
  const Tick step = timing_.word + timing_.gap;

  bool damaged = false;
  auto sent = [&](uint32_t index, uint32_t value, bool command, Tick at) {
    BusWord w{at, value, command, false, secondary, {}};
    if (injection.type != kErrorNone && injection.wordNumber == index)
      w.fault = applyInjection(injection, command);
    damaged = damaged || w.fault.any();
    out.errors |= w.fault.errors;
    out.words.push_back(w);
  };
  auto received = [&](uint32_t value, bool command, Tick at) {
    out.words.push_back(BusWord{at, value, command, true, secondary, {}});
  };

  sent(0, out.command, true, 0);
  Tick end = timing_.word;
  for (uint32_t i = 1; tx && i <= n; ++i) {
    sent(i, memory_.read32(base + msg::kData + 4 * (i - 1)) & 0xFFFFFF, false, i * step);
    end = i * step + timing_.word;
  }
  if (live && wire_) {
    std::array<uint32_t, kDataWords> data{};
    for (uint32_t i = 0; tx && i < n; ++i) data[i] = out.words[i + 1].value;
    Command command{live->start, out.command, secondary,        tx ? n : 0,
                    data.data(), tx ? 0 : n,  live->start + end};
    OnBus outcome = damaged ? OnBus::Lost : answerOnBus(*live, command, out, end);
    if (outcome == OnBus::Answered) {
      if (out.response && sevOn && (out.response >> 19 & 31) != rt) out.errors |= kErrTa;
      if (out.response && sevOn && (out.response & kActionNotReady)) out.errors |= kErrBs;
      out.length = out.busEnd + Tick{memory_.read32(base + msg::kGapTime)} * kTicksPerMicro;
      return;
    }
    damaged = damaged || outcome == OnBus::Lost || !wire_->partners();
  }
  if (damaged || timing_.response > timing_.timeout) {
    out.errors |= kErrNr;
    out.busEnd = end + timing_.timeout;
  } else {
    Tick at = end + timing_.response;
    out.response = commandWord(rt, code, kStateWfi);
    received(out.response, true, at);
    out.busEnd = at + timing_.word;
    for (uint32_t i = 1; !tx && i <= n; ++i) {
      received(dataWord(rt, i - 1), false, at + i * step);
      out.busEnd = at + i * step + timing_.word;
    }
    if (sevOn && (out.response >> 19 & 31) != rt) out.errors |= kErrTa;
    if (sevOn && (out.response & kActionNotReady)) out.errors |= kErrBs;
  }
  out.length = out.busEnd + Tick{memory_.read32(base + msg::kGapTime)} * kTicksPerMicro;
}

// The answer of the card on the shared bus that claims the command's terminal; false when no
// card claims it (or the command is lost on the way), and the invented terminals stand in.
Controller::OnBus Controller::answerOnBus(const Live& live, const Command& command, Transfer& out,
                                          Tick end) const {
  if (wire_->collision()) {
    // Two controllers drive the bus at once: every word of the transfer is garbled.
    for (BusWord& w : out.words) w.fault.errors |= kErrMn;
    out.errors |= kErrMn;
    return OnBus::Lost;
  }
  bool lost = false;
  for (BusWord& w : out.words) {
    uint16_t noise = 0;
    lost = !wire_->sends(command.secondary, live.start + w.start, w.value, noise) || lost;
    w.fault.errors |= noise;
    out.errors |= noise;
    lost = lost || noise != 0;  // the terminal discards a damaged message
  }
  if (lost) return OnBus::Lost;
  Reply reply;
  if (!wire_->answer(command, live.commit, reply)) return OnBus::Unclaimed;
  const Tick step = timing_.word + timing_.gap;
  if (!reply.answered || reply.response > timing_.timeout) {
    out.errors |= kErrNr;
    out.busEnd = end + timing_.timeout;
    return OnBus::Answered;
  }
  Tick at = end + reply.response;
  for (uint32_t i = 0; i <= reply.words; ++i) {
    bool status = i == 0;
    BusWord w{at + i * step,
              status ? reply.status : reply.data[i - 1],
              status,
              true,
              command.secondary,
              {}};
    if (reply.injection.type != kErrorNone && reply.injection.wordNumber == i)
      w.fault = applyInjection(reply.injection, status);
    uint16_t noise = reply.errors;
    if (!wire_->hears(command.secondary, live.start + w.start, w.value, noise)) {
      if (status) {
        out.errors |= kErrNr;
        out.busEnd = end + timing_.timeout;
        return OnBus::Answered;
      }
      break;
    }
    w.fault.errors |= noise;
    out.errors |= w.fault.errors;
    out.words.push_back(w);
    out.busEnd = w.start + timing_.word;
  }
  out.response = reply.status;
  return OnBus::Answered;
}

// Lays the frame's messages back to back, each followed by its gap time. The frame lasts its
// duration, or as long as its messages take when they do not fit.
void Controller::plan() {
  timing_ = readTiming(memory_);
  uint32_t base = map::kLdbFrame.base;
  uint32_t count = std::min<uint32_t>(memory_.read(base + frame::kCount), frame::kMaxMessages);
  slots_.resize(count);
  frameWords_ = 0;
  Tick offset = 0;
  for (uint32_t i = 0; i < count; ++i) {
    Slot& slot = slots_[i];
    slot.message = memory_.read(base + frame::kList + 2 * i);
    slot.offset = offset;
    describe(slot.message, slot.transfer);
    frameWords_ += static_cast<uint32_t>(slot.transfer.words.size());
    offset += slot.transfer.length;
  }
  period_ = std::max<Tick>({memory_.read32(base + frame::kDuration), offset, kShortestFrame});
}

void Controller::send(const Slot& slot, Tick start) {
  const Transfer& t = slot.transfer;
  if (writeWords_) {
    for (BusWord w : t.words) {
      w.start += start;
      queues_.pushRaw(w);
      if (wire_) wire_->carry(w, !w.received);
    }
  }
  if (defined(memory_, slot.message)) {
    uint32_t base = messageBase(slot.message);
    queues_.stamp(base + msg::kTimeTag, start);
    memory_.write(base + msg::kStatus, static_cast<uint16_t>(kStatusSent | t.errors));
    memory_.write32(base + msg::kResponse, t.response);
    memory_.write32(base + msg::kTransfers, memory_.read32(base + msg::kTransfers) + 1);
    bool rx = memory_.read(base + msg::kDirection) != kDirectionTx;
    if (rx && t.response) {
      uint32_t i = 0;
      for (const BusWord& w : t.words) {
        if (!w.command) memory_.write32(base + msg::kData + 4 * i++, w.value);
      }
    }
  }
  if (writeMessages_) queues_.pushMessage(slot.message, t.errors, t.command, t.response);
}

// Frames that run while nobody looks need not be simulated word by word: every frame of one
// catch-up is the same, and only the last entries of each queue survive. Each queue is written
// only for the frames that can still reach it; the frames before are only counted.
uint64_t Controller::framesToFill(uint32_t capacity, uint64_t perFrame) const {
  if (tapped(memory_)) return UINT64_MAX;
  return perFrame ? ceilDiv(capacity, perFrame) + 1 : 0;
}

void Controller::skipFrames(uint64_t frames) {
  queues_.skipMessages(frames * slots_.size());
  queues_.skipRaw(frames * frameWords_);
  for (const Slot& s : slots_) {
    if (!defined(memory_, s.message)) continue;
    uint32_t at = messageBase(s.message) + msg::kTransfers;
    memory_.write32(at, static_cast<uint32_t>(memory_.read32(at) + frames));
  }
  framesDone_ += frames;
  frameStart_ += frames * period_;
}

// At a frame's start: how many whole frames fit before `until`, which of them need simulating
// at all, and which queues this frame still reaches.
void Controller::startFrame(Tick until) {
  if (stale_) {
    plan();
    stale_ = false;
  }
  auto whole = [&] {
    uint64_t n = until > frameStart_ ? (until - frameStart_) / period_ : 0;
    return framesWanted_ ? std::min<uint64_t>(n, framesWanted_ - framesDone_) : n;
  };
  uint64_t words = framesToFill(queues_.rawCapacity(), frameWords_);
  uint64_t messages = framesToFill(queues_.messageCapacity(), slots_.size());
  uint64_t keep = std::max<uint64_t>({words, messages, 1});
  if (whole() > keep) skipFrames(whole() - keep);
  uint64_t left = whole();  // whole frames from this one on; 0: this frame ends after `until`
  writeWords_ = left == 0 || left <= words;
  writeMessages_ = left == 0 || left <= messages;
  if (!writeWords_) queues_.skipRaw(frameWords_);
  if (!writeMessages_) queues_.skipMessages(slots_.size());
}

bool Controller::advance(Tick until) {
  if (wire_) return advanceOnBus(until);
  while (running_) {
    if (!planned_) {
      if (framesWanted_ && framesDone_ >= framesWanted_) {
        running_ = false;
        break;
      }
      startFrame(until);
      planned_ = true;
    }
    if (next_ < slots_.size()) {
      const Slot& slot = slots_[next_];
      if (frameStart_ + slot.offset + slot.transfer.busEnd > until) return true;
      send(slot, frameStart_ + slot.offset);
      ++next_;
      continue;
    }
    if (frameStart_ + period_ > until) return true;
    frameStart_ += period_;
    ++framesDone_;
    next_ = 0;
    planned_ = false;
  }
  return false;
}

}  // namespace xarnsim::ldb

namespace xarnsim::ldb {

// On a shared bus each transfer is answered when it happens, by whichever card then claims its
// terminal, and every word goes on the wire: nothing is skipped. A transfer that takes longer
// than the plan (a slower terminal) pushes the rest of the frame back.
bool Controller::advanceOnBus(Tick until) {
  while (running_) {
    if (!planned_) {
      if (framesWanted_ && framesDone_ >= framesWanted_) {
        running_ = false;
        break;
      }
      if (stale_) {
        plan();
        stale_ = false;
      }
      writeWords_ = writeMessages_ = true;
      planned_ = true;
    }
    if (next_ < slots_.size()) {
      const Slot& slot = slots_[next_];
      Live live{std::max(frameStart_ + slot.offset, busFree_), false};
      Transfer transfer;
      describe(slot.message, transfer, &live);
      if (live.start + transfer.busEnd > until) return true;
      live.commit = true;
      describe(slot.message, transfer, &live);
      Slot done{slot.message, slot.offset, std::move(transfer)};
      send(done, live.start);
      busFree_ = live.start + done.transfer.length;
      ++next_;
      continue;
    }
    Tick next = std::max(frameStart_ + period_, busFree_);
    if (next > until) return true;
    frameStart_ = next;
    ++framesDone_;
    next_ = 0;
    planned_ = false;
  }
  return false;
}

}  // namespace xarnsim::ldb
