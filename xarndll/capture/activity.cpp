#include "xarndll/capture/activity.h"

#include "xarndll/sim/gdb/gdb_bus.h"
#include "xarndll/sim/ldb/ldb_bus.h"

namespace xarncap {
namespace {

constexpr xarnsim::Tick kTicksPerSecond = xarnsim::kMicrosPerSecond * xarnsim::kTicksPerMicro;
constexpr std::size_t kRing = kHistorySeconds + 1;

// The terminal address a word carries.
uint32_t addressOf(uint16_t mode, const xarnsim::WireWord& w) {
  return globalBus(mode) ? static_cast<uint32_t>(w.value >> 32 & 0xFF)
                         : static_cast<uint32_t>(w.value >> 19 & 31);
}

}  // namespace

uint64_t ActivityMeter::secondOf(xarnsim::Tick tick) const {
  xarnsim::Tick epoch = card_.epochMicros() * xarnsim::kTicksPerMicro;
  return tick > epoch ? (tick - epoch) / kTicksPerSecond : 0;
}

xarnsim::Tick ActivityMeter::wordTicks(uint16_t mode) const {
  return globalBus(mode) ? xarnsim::gdb::kWordTime : xarnsim::ldb::readTiming(card_.memory()).word;
}

// Moves the count on to `second`: the seconds between had no traffic.
void ActivityMeter::roll(uint64_t second) {
  if (second <= current_) return;
  uint64_t from = second - current_ > kRing ? second - kRing : current_;
  for (uint64_t s = from + 1; s <= second; ++s) ring_[s % kRing] = Second{};
  current_ = second;
}

void ActivityMeter::word(const xarnsim::WireWord& word) { words_.push_back(word); }

void ActivityMeter::transfer(const xarnsim::WireTransfer& t) {
  if (words_.empty()) return;
  restartOnInit();
  uint16_t mode = card_.mode();
  uint64_t second = secondOf(words_.front().start);
  roll(second);
  if (second + kHistorySeconds < current_) {  // older than anything shown
    words_.clear();
    return;
  }
  Second& bin = ring_[second % kRing];
  const xarnsim::Tick length = wordTicks(mode);
  bool damaged = t.errors != 0;
  for (const xarnsim::WireWord& w : words_) {
    bin.busyTicks[interfaceOf(mode, w.bus)] += length;
    damaged = damaged || w.errors != 0;
  }
  uint32_t address = addressOf(mode, words_.front());
  ++bin.messages[address];
  if (damaged) ++bin.errors[address];
  words_.clear();
}

// A new initialisation restarts the card clock: the count starts again.
void ActivityMeter::restartOnInit() {
  if (card_.epochMicros() == epoch_) return;
  epoch_ = card_.epochMicros();
  ring_ = {};
  current_ = 0;
}

Activity ActivityMeter::snapshot() {
  restartOnInit();
  uint64_t now = secondOf(card_.cardTime() * xarnsim::kTicksPerMicro);
  roll(now);
  Activity a;
  a.second = now > 0 ? now - 1 : 0;  // the last whole second
  for (int i = 0; i < kHistorySeconds; ++i) {
    uint64_t s = a.second + 1 + static_cast<uint64_t>(i);  // a.second - 59 + i, modulo the ring
    if (s < static_cast<uint64_t>(kHistorySeconds) || now == 0) continue;
    s -= kHistorySeconds;
    const Second& bin = ring_[s % kRing];
    for (uint32_t k = 0; k < kInterfaces; ++k)
      a.load[k][static_cast<std::size_t>(i)] =
          100.0 * static_cast<double>(bin.busyTicks[k]) / static_cast<double>(kTicksPerSecond);
  }
  if (now > 0) {
    const Second& last = ring_[a.second % kRing];
    a.messages = last.messages;
    a.errors = last.errors;
  }
  return a;
}

}  // namespace xarncap
