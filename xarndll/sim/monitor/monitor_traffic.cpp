#include "xarndll/sim/monitor/monitor_traffic.h"

#include <algorithm>

#include "xarndll/sim/ldb/ldb_terminals.h"

namespace xarnsim::monitor {
namespace {

// The partner's plan: at least this many messages a cycle, eight terminals a connector.
constexpr uint32_t kMinMessages = 48;
constexpr uint32_t kMaxMessages = 4096;  // bounds the search for a cycle with every error kind
constexpr uint32_t kTerminalsPerConnector = 8;
constexpr uint32_t kMaxDataWords = 32;

// The word errors the partner's words carry, per mille of the words, as the local bus's error
// injection makes them: Py 4, Mn 3, Lg 2 (a 25-bit word), Sh 2 (a 23-bit word).
struct ErrorRate {
  uint32_t perMille;
  ldb::Injection injection;
};
constexpr uint32_t kWordBits = 24;
constexpr std::array<ErrorRate, 4> kErrorRates = {{
    {4, {0, ldb::kErrorParity, 0}},
    {3, {0, ldb::kErrorManchester, 0}},
    {2, {0, ldb::kErrorBitCount, 25}},
    {2, {0, ldb::kErrorBitCount, 23}},
}};

// The status-only commands of the poll.
constexpr std::array<uint16_t, 4> kPollCodes = {ldb::kCodeInd, ldb::kCodeSrq, ldb::kCodeSta,
                                                ldb::kCodeHcd};

// xorshift32: the whole traffic of connector N follows from the seed below, so every card shows
// the same traffic at the same card time.
class Sequence {
 public:
  explicit Sequence(int connector)
      : x_(0x2545F491u + 0x9E3779B9u * static_cast<uint32_t>(connector + 1)) {}
  uint32_t next() {
    x_ ^= x_ << 13;
    x_ ^= x_ >> 17;
    x_ ^= x_ << 5;
    return x_;
  }

 private:
  uint32_t x_;
};

// What the monitor receives of a word sent with `bits` bits: the sender's bits, most significant
// first, then zeros for a long word; the receiver keeps the last 24 bits it shifted in.
uint32_t received(uint32_t value, uint32_t bits) {
  if (bits < kWordBits) return value >> (kWordBits - bits);
  if (bits > kWordBits) return value << (bits - kWordBits) & 0xFFFFFF;
  return value;
}

}  // namespace

std::optional<Position> Marks::next(Position p) const {
  if (list_.empty()) return std::nullopt;
  uint32_t i = next_[p.index];
  if (i < next_.size() - 1) return Position{p.cycle, i};
  return Position{p.cycle + 1, list_.front()};
}

// Each message is one of: TX (IWD and 1 to 32 data words, then the terminal's status word),
// RX (GAH, the status word, then 1 to 32 data words from the terminal) or a poll (IND, SRQ, STA
// or HCD and the status word), in the proportions 4:4:2. A word the controller sends damaged
// makes the terminal discard the message: no answer, and the controller waits out the response
// timeout, as on the local bus.
void Connector::build(int index, const ldb::Timing& timing, Tick origin) {
  Sequence random(index);
  words_.clear();
  origin_ = origin;
  // Words seen of each error kind, data-sync words first, then command-sync words.
  std::array<std::array<uint32_t, kErrorRates.size()>, 2> seen{};
  const Tick step = timing.word + timing.gap;
  const uint32_t firstRt = static_cast<uint32_t>(index) * kTerminalsPerConnector;

  auto emit = [&](Tick at, uint32_t value, bool command) {
    uint32_t bits = kWordBits;
    uint8_t flags = command ? kFlagCommand : 0;
    uint32_t draw = random.next() % 1000;
    for (std::size_t k = 0; k < kErrorRates.size(); ++k) {
      if (draw < kErrorRates[k].perMille) {
        const ldb::Injection& injection = kErrorRates[k].injection;
        ldb::WordFault fault = ldb::applyInjection(injection, command);
        flags = static_cast<uint8_t>(flags | (fault.errors & kFlagErrors));
        if (injection.type == ldb::kErrorBitCount) bits = injection.size;
        ++seen[command ? 1 : 0][k];
        break;
      }
      draw -= kErrorRates[k].perMille;
    }
    // The monitor sees the word as it arrives; the terminal address is the bits it carries.
    uint32_t got = received(value & 0xFFFFFF, bits);
    words_.push_back(CycleWord{at, got, flags, static_cast<uint8_t>(got >> 19 & 31)});
    return (flags & kFlagErrors) != 0;
  };
  auto everyError = [&] {
    return std::all_of(seen.begin(), seen.end(), [](const auto& kinds) {
      return std::all_of(kinds.begin(), kinds.end(), [](uint32_t n) { return n > 0; });
    });
  };

  Tick t = 0;
  for (uint32_t m = 0; m < kMaxMessages && (m < kMinMessages || !everyError()); ++m) {
    uint32_t rt = firstRt + m % kTerminalsPerConnector;
    uint32_t kind = random.next() % 10;
    bool tx = kind < 4;
    bool rx = kind >= 4 && kind < 8;
    uint16_t code = tx ? ldb::kCodeIwd : rx ? ldb::kCodeGah : kPollCodes[random.next() % 4];
    uint32_t count = tx || rx ? 1 + random.next() % kMaxDataWords : 0;
    bool damaged = emit(t, ldb::commandWord(rt, code, count), true);
    Tick end = t + timing.word;
    for (uint32_t i = 1; tx && i <= count; ++i) {
      damaged = emit(t + i * step, ldb::dataWord(rt, random.next()), false) || damaged;
      end = t + i * step + timing.word;
    }
    if (damaged || timing.response > timing.timeout) {
      t = end + timing.timeout;
    } else {
      Tick at = end + timing.response;
      uint32_t action = rt % 3 == 0 ? ldb::kActionHasData : 0;
      emit(at, ldb::commandWord(rt, code, action | ldb::kStateWfi), true);
      t = at + timing.word;
      for (uint32_t i = 1; rx && i <= count; ++i) {
        emit(at + i * step, ldb::dataWord(rt, random.next()), false);
        t = at + i * step + timing.word;
      }
    }
    t += ldb::kPartnerGap;
  }
  length_ = std::max<Tick>(t, 1);
  measureSpacing();
}

// Words out of order, or one past the cycle's end, leave no bound (a spacing of 0).
void Connector::measureSpacing() {
  spacing_ = 0;
  if (words_.empty() || words_.back().offset >= length_) return;
  spacing_ = length_ - words_.back().offset + words_.front().offset;
  for (std::size_t i = 1; i < words_.size(); ++i) {
    Tick a = words_[i - 1].offset;
    Tick b = words_[i].offset;
    spacing_ = std::min(spacing_, b > a ? b - a : 0);
  }
}

uint64_t Connector::mostWithin(Tick span) const {
  if (words_.empty()) return 0;
  if (spacing_ == 0) return UINT64_MAX;
  return span / spacing_ + 1;
}

Position Connector::firstFrom(Tick t) const {
  if (t <= origin_) return {0, 0};
  Tick d = t - origin_;
  Position p{d / length_, 0};
  Tick within = d % length_;
  auto it = std::lower_bound(words_.begin(), words_.end(), within,
                             [](const CycleWord& w, Tick v) { return w.offset < v; });
  if (it == words_.end()) return {p.cycle + 1, 0};
  p.index = static_cast<uint32_t>(it - words_.begin());
  return p;
}

}  // namespace xarnsim::monitor
